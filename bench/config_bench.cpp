// The module's costs against their floors, in one program with one INI file
// and hooks folder of its own. Logging is off (no sink installed), as on a
// bench that does not trace.
//   - loads: loadConfig (first load into a fresh workspace, and a reload over
//     it) against the bare XML parse and against touching as many fresh
//     shared-memory bytes as the load's elements take, 1k to 16k parameters;
//   - item writes: a raw workspace write against a notifying write without
//     listeners, and a notifying write with one listener against a raw
//     message-queue send and receive of a record of the same size (every
//     loop with a queue also receives, so the queue never fills);
//   - group options: loadConfig of one group action of 1k to 16k options,
//     each matched with its value in the group data;
//   - test plans: the test-plan phase of a 200-parameter by 1,000-row plan
//     per cell, and one column cell write against a raw write of the cell;
//   - status channels: loadConfig of 50,000 parameters and 4,000 actions,
//     each action with a ChSelect option and a DeviceStatusChannel, against
//     the same file with a NumericValue in place of the status channel.
//
//   build/bench/config_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/interprocess/mapped_region.hpp>
#include <boost/interprocess/shared_memory_object.hpp>
#include <pugixml.hpp>

#include "ConfigGenerator.h"
#include "QueueTestSupport.h"
#include "RatioTable.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/testplanloader.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "TavikEngine/Workspace/NotifyMessage.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"

namespace {

namespace bip = boost::interprocess;
namespace ws = tavik::workspace;

constexpr std::size_t kLargeWorkspace = std::size_t{1} << 30;
// The status-channel case: many parameters, an action per 12.5 of them.
constexpr int kStatusParameters = 50000;
constexpr int kStatusActions = 4000;

// The run's INI file and one generated configuration file per size. The hook
// file lands in the run's own directory.
class Files {
 public:
  static Files& instance() {
    static Files files;
    return files;
  }
  std::wstring groupOptions(int options) {
    auto found = group_paths_.find(options);
    if (found != group_paths_.end()) return found->second;
    const auto file = dir_.write("group_" + std::to_string(options) + ".xml",
                                 tavik_bench::generateGroupOptionsConfiguration(options));
    return group_paths_[options] = file.wstring();
  }
  std::wstring statusChannels(bool statusChannel) {
    std::wstring& path = status_paths_[statusChannel ? 1 : 0];
    if (path.empty()) {
      path = dir_.write(statusChannel ? "status_channels.xml" : "numeric_values.xml",
                        tavik_bench::generateStatusChannelConfiguration(
                            kStatusParameters, kStatusActions, statusChannel))
                 .wstring();
    }
    return path;
  }
  std::wstring configuration(int parameters) {
    auto found = paths_.find(parameters);
    if (found != paths_.end()) return found->second;
    const auto file = dir_.write("config_" + std::to_string(parameters) + ".xml",
                                 tavik_bench::generateConfiguration(parameters));
    return paths_[parameters] = file.wstring();
  }

 private:
  Files()
      : ini_("[devices]\nMotor=ECU\n[paths]\nuser=" + dir_.path().string() +
             "\nsystem=" + dir_.path().string() + "\n") {
    dir_.write("ZUMD/SystemPythonActions/ScriptActions/hooks/.keep", "");
  }
  tavik_test::ScopedTempDir dir_;
  tavik_test::ScopedIni ini_;
  std::map<int, std::wstring> paths_;
  std::map<int, std::wstring> group_paths_;
  std::wstring status_paths_[2];
};

std::wstring configurationOf(const benchmark::State& state) {
  return Files::instance().configuration(static_cast<int>(state.range(0)));
}

void BM_ParseOnly(benchmark::State& state) {
  const std::wstring path = configurationOf(state);
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_file(path.c_str()));
  }
  state.SetComplexityN(state.range(0));
}

// Loads the file into a fresh workspace per iteration; only the load is timed.
void timeFirstLoads(benchmark::State& state, const std::wstring& path) {
  for (auto _ : state) {
    state.PauseTiming();
    auto workspace = std::make_unique<tavik_test::ScopedWorkspace>(kLargeWorkspace);
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

void BM_LoadConfig(benchmark::State& state) { timeFirstLoads(state, configurationOf(state)); }

// A first load of a group action's options, which grows with their number.
void BM_LoadGroupOptions(benchmark::State& state) {
  timeFirstLoads(state, Files::instance().groupOptions(static_cast<int>(state.range(0))));
}

// Argument 1: the actions carry a DeviceStatusChannel; 0: a NumericValue.
void BM_LoadStatusChannels(benchmark::State& state) {
  timeFirstLoads(state, Files::instance().statusChannels(state.range(0) != 0));
}

// The same file loaded again over the workspace it was loaded into: no
// element is created, every item is written again.
void BM_Reload(benchmark::State& state) {
  const std::wstring path = configurationOf(state);
  tavik_test::ScopedWorkspace workspace(kLargeWorkspace);
  tavik::ConfigReader reader;
  reader.loadConfig(path, false);
  for (auto _ : state) benchmark::DoNotOptimize(reader.loadConfig(path, true));
  state.SetComplexityN(state.range(0));
}

// The physical floor of a first load: touching as many bytes as the load's
// elements take in a fresh shared-memory mapping.
void BM_FreshPageFloor(benchmark::State& state) {
  const std::wstring path = configurationOf(state);
  std::size_t bytes = 0;
  {
    tavik_test::ScopedWorkspace workspace(kLargeWorkspace);
    tavik::ConfigReader reader;
    reader.loadConfig(path, false);
    bytes = ws::Workspace::getInstance()->getUsedBytes();
  }
  const std::string name = "tavik_floor_" + std::to_string(::getpid());
  for (auto _ : state) {
    state.PauseTiming();
    bip::shared_memory_object::remove(name.c_str());
    bip::shared_memory_object memory(bip::create_only, name.c_str(), bip::read_write);
    memory.truncate(static_cast<bip::offset_t>(bytes));
    bip::mapped_region region(memory, bip::read_write);
    state.ResumeTiming();
    std::memset(region.get_address(), 1, bytes);
    benchmark::ClobberMemory();
    state.PauseTiming();
    bip::shared_memory_object::remove(name.c_str());
    state.ResumeTiming();
  }
  state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
}

void RawSetItem(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::Parameter parameter(L"p");
  const auto workspace = ws::Workspace::getInstance();
  const long long offset = parameter.getHandle() + ws::parameter::Value;
  double value = 0;
  for (auto _ : state) workspace->setItem(offset, value += 1);
}

// A raw write of the listened item that the two notifying writes below use.
void RawSetItemListened(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig config;
  const auto workspace = ws::Workspace::getInstance();
  const long long offset = config.getHandle() + ws::global_config::BenchState;
  int value = 0;
  for (auto _ : state) workspace->setItem(offset, ++value);
}

// The item's listener block is empty.
void NotifyingSetWithoutListeners(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig config;
  int value = 0;
  for (auto _ : state) config.set(ws::global_config::BenchState, ++value);
}

void RawQueueSendReceive(benchmark::State& state) {
  const int id = 900000 + static_cast<int>(::getpid() % 50000) * 2;
  const tavik_test::ScopedQueueObjects cleanup(id);
  bip::message_queue queue(bip::create_only, tavik_test::queueNameOf(id).c_str(), 100, 65536);
  ws::notification::NotifyRecordWriter writer;
  writer.begin(1 << 20, ws::global_config::BenchState, ws::notification::INT_VALUE);
  writer.pair(12345, 12346);
  const std::string record = writer.bytes();
  std::string received(65536, '\0');
  bip::message_queue::size_type size = 0;
  unsigned int priority = 0;
  for (auto _ : state) {
    queue.send(record.data(), record.size(), 0);
    queue.receive(received.data(), received.size(), size, priority);
  }
  state.counters["bytes"] = static_cast<double>(record.size());
}

void NotifyingSetWithOneListener(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  // A fresh id per run: the process's queue registry keeps the queue object
  // of an id whose named objects an earlier run removed.
  static int run = 0;
  const int id = 1000000 + static_cast<int>(::getpid() % 10000) * 100 + run++;
  const tavik_test::ScopedQueueObjects cleanup(id);
  ws::GlobalConfig config;
  ws::IPCListener listener(L"bench listener");
  listener.set(ws::ipc_listener::QueueId, id);
  ws::Workspace::getInstance()->addListener(config.getHandle() + ws::global_config::BenchState,
                                            listener.getHandle());
  config.set(ws::global_config::BenchState, 12345);  // opens the queue
  bip::message_queue queue(bip::open_only, tavik_test::queueNameOf(id).c_str());
  std::string received(65536, '\0');
  bip::message_queue::size_type size = 0;
  unsigned int priority = 0;
  queue.receive(received.data(), received.size(), size, priority);
  int value = 12345;
  for (auto _ : state) {
    config.set(ws::global_config::BenchState, ++value);
    queue.receive(received.data(), received.size(), size, priority);
  }
  state.counters["bytes"] = static_cast<double>(size);
}

// Test plans: one workspace holding one plan of 200 parameters by 1,000 rows
// whose columns drive the parameters' Value (listened double cells).
constexpr int kParameters = 200;
constexpr int kRows = 1000;

class LoadedPlan {
 public:
  static LoadedPlan& instance() {
    static LoadedPlan plan;
    return plan;
  }
  void load() { loader_.load(definition_, false); }
  // The parameter columns (the result and status columns left out).
  std::vector<ws::TestplanColumn> columns() const {
    const ws::Testplan plan(L"Main_Testplan", 0);
    std::vector<ws::TestplanColumn> out;
    for (int i = 1; i <= kParameters; ++i) out.push_back(plan.getColumn(i));
    return out;
  }

 private:
  LoadedPlan() : workspace_(kLargeWorkspace) {
    Files::instance();  // the INI file
    document_.load_string(tavik_bench::generateTestplanConfiguration(kParameters, kRows).c_str());
    definition_ = document_.child("MeasurementDefinition");
    load();
  }
  tavik_test::ScopedWorkspace workspace_;
  pugi::xml_document document_;
  pugi::xml_node definition_;
  tavik::TestplanLoader loader_;
};

void perCell(benchmark::State& state) {
  state.counters["per_cell"] = benchmark::Counter(
      double(kParameters) * kRows,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The whole test-plan phase over a plan already in the workspace (the
// columns are rewritten, as on a second load of the same file).
void BM_TestplanLoad(benchmark::State& state) {
  LoadedPlan& plan = LoadedPlan::instance();
  for (auto _ : state) plan.load();
  perCell(state);
}

void BM_SetRowValue(benchmark::State& state) {
  std::vector<ws::TestplanColumn> columns = LoadedPlan::instance().columns();
  double value = 0.0;
  for (auto _ : state) {
    for (auto& column : columns)
      for (int row = 0; row < kRows; ++row) column.setRowValue(row, value);
    value += 1.0;
  }
  perCell(state);
}

void BM_RawSetCell(benchmark::State& state) {
  std::vector<long long> offsets;
  for (const auto& column : LoadedPlan::instance().columns())
    for (int row = 0; row < kRows; ++row)
      offsets.push_back(column.getHandle() + column.getPropertyForRow(row));
  const auto workspace = ws::Workspace::getInstance();
  double value = 0.0;
  for (auto _ : state) {
    for (long long offset : offsets) workspace->setItem(offset, value);
    value += 1.0;
  }
  perCell(state);
}

// Configurations of 1k, 4k and 16k parameters.
const std::vector<int> kSizes = {1000, 4000, 16000};
void sizes(benchmark::internal::Benchmark* b) {
  for (int size : kSizes) b->Arg(size);
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_ParseOnly)->Apply(sizes)->Complexity();
BENCHMARK(BM_LoadConfig)->Apply(sizes)->Complexity();
BENCHMARK(BM_Reload)->Apply(sizes)->Complexity();
BENCHMARK(BM_FreshPageFloor)->Apply(sizes);
BENCHMARK(BM_LoadGroupOptions)->Apply(sizes)->Complexity();
BENCHMARK(BM_LoadStatusChannels)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RawSetItem);
BENCHMARK(RawSetItemListened);
BENCHMARK(NotifyingSetWithoutListeners);
BENCHMARK(RawQueueSendReceive);
BENCHMARK(NotifyingSetWithOneListener);
BENCHMARK(BM_TestplanLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetRowValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSetCell)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tavik_bench::TimeKeepingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  tavik_bench::printRatioTable(reporter, kSizes, std::cout);
  benchmark::Shutdown();
  return 0;
}
