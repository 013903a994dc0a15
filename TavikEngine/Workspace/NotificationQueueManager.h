// The process-wide registry of notification queues: one queue object per
// listener queue id, created on first request and kept for the rest of the
// process (its named objects stay open).
//
// Not thread-safe: the manager, its map and its last-queue cache are used by
// one thread at a time (the thread that loads the configuration).
#pragma once

#include <map>

#include <boost/shared_ptr.hpp>

namespace tavik {
namespace workspace {

namespace notification {
class NotificationQueue;
}  // namespace notification

class NotificationQueueManager {
 public:
  NotificationQueueManager() = default;

  // The process's manager, created on the first call and never released.
  static NotificationQueueManager* getInstance();

  // The queue object for the id, constructed (which creates or opens its
  // named objects) on the first request for that id. When construction
  // throws, nothing is stored, the exception reaches the caller and the next
  // request for the id tries again.
  boost::shared_ptr<notification::NotificationQueue> getQueue(int id);

  // The same queue object as getQueue(id) gives, by reference: the sending
  // path's form. The queue of the last id asked for (by either form) is
  // handed out again without a search; a queue whose construction threw is
  // never the last one, so that the next request for its id tries again.
  // The reference stays valid for the life of the process.
  notification::NotificationQueue& queue(int id) {
    if (last_ != nullptr && lastId_ == id) return *last_;
    return *getQueue(id);
  }

  static inline NotificationQueueManager* instance_ = nullptr;

 private:
  std::map<int, boost::shared_ptr<notification::NotificationQueue>> queues_;
  // The queue of the last successful request and its id; the map keeps the
  // object alive.
  notification::NotificationQueue* last_ = nullptr;
  int lastId_ = 0;
};

}  // namespace workspace
}  // namespace tavik
