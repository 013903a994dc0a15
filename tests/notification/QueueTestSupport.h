// Test helpers for notification queues: random queue ids and removal of the
// named objects a test created.
#pragma once

#include <unistd.h>

#include <random>
#include <string>
#include <vector>

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

// Every record waiting in the queue of an id, taken out of it; none when the
// queue was never created.
inline std::vector<std::string> receiveAll(long long id) {
  namespace bip = boost::interprocess;
  std::vector<std::string> records;
  try {
    bip::message_queue queue(bip::open_only, queueNameOf(id).c_str());
    std::string buffer(queue.get_max_msg_size(), '\0');
    bip::message_queue::size_type size = 0;
    unsigned int priority = 0;
    while (queue.try_receive(&buffer[0], buffer.size(), size, priority)) records.push_back(buffer.substr(0, size));
  } catch (const bip::interprocess_exception&) {
  }
  return records;
}

// Removes the queue, mutex and condition of an id now (a crashed earlier run
// may have left them) and when it goes out of scope.
class ScopedQueueObjects {
 public:
  explicit ScopedQueueObjects(long long id) : name_(queueNameOf(id)) { remove(); }
  ~ScopedQueueObjects() { remove(); }
  ScopedQueueObjects(const ScopedQueueObjects&) = delete;
  ScopedQueueObjects& operator=(const ScopedQueueObjects&) = delete;

  // Removes the three named objects now; nothing else of the process is
  // touched, so an at-exit hook may call it.
  void remove() const {
    boost::interprocess::message_queue::remove(name_.c_str());
    boost::interprocess::named_mutex::remove((name_ + "notification_queue_mutex").c_str());
    boost::interprocess::named_condition::remove((name_ + "notification_queue_empty_condition").c_str());
  }

 private:
  std::string name_;
};

}  // namespace tavik_test
