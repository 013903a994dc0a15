// loadConfig against the bare XML parse of the same file, for growing
// configurations. Logging is off (no sink installed), as on a bench that does
// not trace. Each load goes into a fresh workspace.
//
//   build/bench/load_config_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>

#include <boost/interprocess/mapped_region.hpp>
#include <boost/interprocess/shared_memory_object.hpp>
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

// The same file loaded again over the workspace it was loaded into: no
// element is created, every item is written again.
void BM_Reload(benchmark::State& state) {
  const std::wstring path = Configurations::instance().path(static_cast<int>(state.range(0)));
  tavik_test::ScopedWorkspace workspace(std::size_t{1} << 30);
  tavik::ConfigReader reader;
  reader.loadConfig(path, false);
  for (auto _ : state) benchmark::DoNotOptimize(reader.loadConfig(path, true));
  state.SetComplexityN(state.range(0));
}

// The physical floor of a first load: touching as many bytes as the load's
// elements take in a fresh shared-memory mapping.
void BM_FreshPageFloor(benchmark::State& state) {
  const std::wstring path = Configurations::instance().path(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  {
    tavik_test::ScopedWorkspace workspace(std::size_t{1} << 30);
    tavik::ConfigReader reader;
    reader.loadConfig(path, false);
    bytes = tavik::workspace::Workspace::getInstance()->getUsedBytes();
  }
  for (auto _ : state) {
    state.PauseTiming();
    const std::string name = "tavik_floor_" + std::to_string(::getpid());
    boost::interprocess::shared_memory_object::remove(name.c_str());
    boost::interprocess::shared_memory_object memory(boost::interprocess::create_only, name.c_str(),
                                                     boost::interprocess::read_write);
    memory.truncate(static_cast<boost::interprocess::offset_t>(bytes));
    boost::interprocess::mapped_region region(memory, boost::interprocess::read_write);
    state.ResumeTiming();
    std::memset(region.get_address(), 1, bytes);
    benchmark::ClobberMemory();
    state.PauseTiming();
    boost::interprocess::shared_memory_object::remove(name.c_str());
    state.ResumeTiming();
  }
  state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
}

BENCHMARK(BM_ParseOnly)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_LoadConfig)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_Reload)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_FreshPageFloor)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
