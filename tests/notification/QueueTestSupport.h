// Test helpers for notification queues: random queue ids, removal of the
// named objects a test created, and a real listener process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/interprocess/sync/named_condition.hpp>
#include <boost/interprocess/sync/named_mutex.hpp>

namespace tavik_test {

// A queue id no other test run uses at the same time.
inline int randomQueueId() {
  static std::mt19937 engine(std::random_device{}() ^ static_cast<unsigned>(getpid()));
  return std::uniform_int_distribution<int>(100000000, 2000000000)(engine);
}

inline std::string queueNameOf(long long id) { return "tavik_" + std::to_string(id); }

// Removes the queue, mutex and condition of an id now (a crashed earlier run
// may have left them) and when it goes out of scope.
class ScopedQueueObjects {
 public:
  explicit ScopedQueueObjects(long long id) : name_(queueNameOf(id)) { remove(); }
  ~ScopedQueueObjects() { remove(); }
  ScopedQueueObjects(const ScopedQueueObjects&) = delete;
  ScopedQueueObjects& operator=(const ScopedQueueObjects&) = delete;

 private:
  void remove() {
    boost::interprocess::message_queue::remove(name_.c_str());
    boost::interprocess::named_mutex::remove((name_ + "notification_queue_mutex").c_str());
    boost::interprocess::named_condition::remove((name_ + "notification_queue_empty_condition").c_str());
  }
  std::string name_;
};

// Runs the listener program in its own process: it receives `count` records
// from queue "tavik_<id>" and prints their fields. Returns its output and
// sets exitCode.
inline std::string runListener(long long id, int count, int& exitCode) {
  const std::string command = std::string(TAVIK_QUEUE_LISTENER) + " " + std::to_string(id) + " " +
                              std::to_string(count) + " 2000";
  std::string output;
  exitCode = -1;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = pclose(pipe);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

}  // namespace tavik_test
