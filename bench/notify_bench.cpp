// The cost of one item write: a raw workspace write against a notifying write
// without listeners, and a notifying write to an item with one listener
// against a raw message-queue send and receive of a record of the same size.
// Every timed loop with a queue also receives the record, so the queue never
// fills.
//
//   build/bench/notify_bench
#include <benchmark/benchmark.h>

#include <string>

#include <boost/interprocess/ipc/message_queue.hpp>

#include "ScopedWorkspace.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "TavikEngine/Workspace/NotifyMessage.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

namespace {

namespace bip = boost::interprocess;
namespace ws = tavik::workspace;

std::string queueName(int id) { return "tavik_" + std::to_string(id); }

void removeQueueObjects(int id) {
  const std::string name = queueName(id);
  bip::message_queue::remove(name.c_str());
  bip::named_mutex::remove((name + "notification_queue_mutex").c_str());
  bip::named_condition::remove((name + "notification_queue_empty_condition").c_str());
}

void RawSetItem(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::Parameter parameter(L"p");
  const auto workspace = ws::Workspace::getInstance();
  const long long offset = parameter.getHandle() + ws::parameter::Value;
  double value = 0;
  for (auto _ : state) workspace->setItem(offset, value += 1);
}

void RawSetItemListened(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig config;
  const auto workspace = ws::Workspace::getInstance();
  const long long offset = config.getHandle() + ws::global_config::BenchState;
  int value = 0;
  for (auto _ : state) workspace->setItem(offset, ++value);
}

// The same item as RawSetItemListened, whose listener block is empty.
void NotifyingSetWithoutListeners(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig config;
  int value = 0;
  for (auto _ : state) config.set(ws::global_config::BenchState, ++value);
}

void RawQueueSendReceive(benchmark::State& state) {
  const int id = 900000 + static_cast<int>(::getpid() % 50000) * 2;
  removeQueueObjects(id);
  bip::message_queue queue(bip::create_only, queueName(id).c_str(), 100, 65536);
  ws::notification::NotifyRecordWriter writer;
  writer.begin(1 << 20, ws::global_config::BenchState, ws::notification::INT_VALUE);
  writer.pair(12345, 12346);
  const std::string record = writer.bytes();
  std::string received(65536, '\0');
  for (auto _ : state) {
    queue.send(record.data(), record.size(), 0);
    bip::message_queue::size_type size = 0;
    unsigned int priority = 0;
    queue.receive(received.data(), received.size(), size, priority);
  }
  state.counters["bytes"] = static_cast<double>(record.size());
  removeQueueObjects(id);
}

void NotifyingSetWithOneListener(benchmark::State& state) {
  tavik_test::ScopedWorkspace scope;
  // A fresh id per run: the process's queue registry keeps the queue object
  // of an id whose named objects an earlier run removed.
  static int run = 0;
  const int id = 1000000 + static_cast<int>(::getpid() % 10000) * 100 + run++;
  removeQueueObjects(id);
  ws::GlobalConfig config;
  ws::IPCListener listener(L"bench listener");
  listener.set(ws::ipc_listener::QueueId, id);
  ws::Workspace::getInstance()->addListener(config.getHandle() + ws::global_config::BenchState,
                                            listener.getHandle());
  config.set(ws::global_config::BenchState, 12345);  // opens the queue
  bip::message_queue queue(bip::open_only, queueName(id).c_str());
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
  removeQueueObjects(id);
}

BENCHMARK(RawSetItem);
BENCHMARK(RawSetItemListened);
BENCHMARK(NotifyingSetWithoutListeners);
BENCHMARK(RawQueueSendReceive);
BENCHMARK(NotifyingSetWithOneListener);

}  // namespace

BENCHMARK_MAIN();
