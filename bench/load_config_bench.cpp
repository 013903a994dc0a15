// loadConfig against the bare XML parse of the same file, for growing
// configurations. Logging is off (no sink installed), as on a bench that does
// not trace. Each load goes into a fresh workspace.
//
//   build/bench/load_config_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include <pugixml.hpp>

#include "ConfigGenerator.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"

namespace {

// One generated file per size, kept for the whole run.
class Configurations {
 public:
  static Configurations& instance() {
    static Configurations configurations;
    return configurations;
  }
  std::wstring path(int parameters) {
    auto found = paths_.find(parameters);
    if (found != paths_.end()) return found->second;
    const auto file = files_.write("config_" + std::to_string(parameters) + ".xml",
                                       tavik_bench::generateConfiguration(parameters));
    return paths_[parameters] = file.wstring();
  }

 private:
  // The hook file lands in a directory of the run's own.
  Configurations()
      : ini_("[devices]\nMotor=ECU\n[paths]\nuser=" + files_.path().string() +
             "\nsystem=" + files_.path().string() + "\n") {
    files_.write("ZUMD/SystemPythonActions/ScriptActions/hooks/.keep", "");
  }
  tavik_test::ScopedTempDir files_;
  tavik_test::ScopedIni ini_;
  std::map<int, std::wstring> paths_;
};

void BM_ParseOnly(benchmark::State& state) {
  const std::wstring path = Configurations::instance().path(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_file(path.c_str()));
  }
  state.SetComplexityN(state.range(0));
}

void BM_LoadConfig(benchmark::State& state) {
  const std::wstring path = Configurations::instance().path(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    auto workspace = std::make_unique<tavik_test::ScopedWorkspace>(std::size_t{1} << 30);
    auto reader = std::make_unique<tavik::ConfigReader>();
    state.ResumeTiming();
    benchmark::DoNotOptimize(reader->loadConfig(path, false));
    state.PauseTiming();
    reader.reset();
    workspace.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_ParseOnly)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_LoadConfig)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
