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
#include <boost/lexical_cast.hpp>

namespace tavik_test {

// A queue id no other test run uses at the same time.
inline int randomQueueId() {
  static std::mt19937 engine(std::random_device{}() ^ static_cast<unsigned>(getpid()));
  return std::uniform_int_distribution<int>(100000000, 2000000000)(engine);
}

inline std::string queueNameOf(long long id) { return "tavik_" + boost::lexical_cast<std::string>(id); }

// Removes the queue, mutex and condition of an id when it goes out of scope
// (and before, in case a crashed earlier run left them).
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

struct ListenerResult {
  std::string output;
  int exitCode;
};

// Runs the listener program in its own process: it receives `count` records
// from queue "tavik_<id>" and prints their fields.
inline ListenerResult runListener(long long id, int count, int timeoutMs = 2000) {
  const std::string command = std::string(TAVIK_QUEUE_LISTENER) + " " +
                              boost::lexical_cast<std::string>(id) + " " +
                              boost::lexical_cast<std::string>(count) + " " +
                              boost::lexical_cast<std::string>(timeoutMs);
  ListenerResult result{"", -1};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tavik_test
