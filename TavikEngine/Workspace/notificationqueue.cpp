#include "TavikEngine/Workspace/notificationqueue.h"

#include <cmath>

#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/interprocess/sync/scoped_lock.hpp>
#include <boost/lexical_cast.hpp>

#include "TavikEngine/LogLevels.h"
#include "TavikEngine/Workspace/NotificationQueueManager.h"

namespace tavik {
namespace workspace {
namespace notification {

namespace bip = boost::interprocess;

namespace {

std::string queueNameFor(long long id) { return "tavik_" + boost::lexical_cast<std::string>(id); }

// Boost.Interprocess measures its deadlines in UTC.
boost::posix_time::ptime deadlineAfter(std::chrono::milliseconds wait) {
  return boost::posix_time::microsec_clock::universal_time() +
         boost::posix_time::milliseconds(wait.count());
}

}  // namespace

NotificationQueue::NotificationQueue(long long id)
    : queueName_(queueNameFor(id)),
      mutexName_(queueName_ + "notification_queue_mutex"),
      conditionName_(queueName_ + "notification_queue_empty_condition"),
      mutex_(bip::open_or_create, mutexName_.c_str()),
      condition_(bip::open_or_create, conditionName_.c_str()) {
  queue_.reset(new bip::message_queue(bip::open_or_create, queueName_.c_str(), kMaxMessages,
                                      kMaxMessageSize));
  ready_ = true;
}

NotificationQueue::~NotificationQueue() = default;

void NotificationQueue::push(long long handle, unsigned int property, const std::string& oldValue,
                             const std::string& newValue) {
  record_.begin(handle, property, TEXT_VALUE);
  record_.pair(oldValue, newValue);
  push();
}

void NotificationQueue::push(long long handle, unsigned int property, const std::wstring& oldValue,
                             const std::wstring& newValue) {
  record_.begin(handle, property, WIDE_TEXT_VALUE);
  record_.pair(oldValue, newValue);
  push();
}

void NotificationQueue::push(long long handle, unsigned int property, double oldValue,
                             double newValue) {
  if (!std::isfinite(oldValue) || !std::isfinite(newValue)) {
    LOG(WARNING) << "Notification Queue Error: a double record of a value that is not a finite "
                    "number cannot be read by the listener of queue "
                 << queueName_ << "; record dropped";
    return;
  }
  record_.begin(handle, property, DOUBLE_VALUE);
  record_.pair(oldValue, newValue);
  push();
}

void NotificationQueue::push(long long handle, unsigned int property, int oldValue, int newValue) {
  record_.begin(handle, property, INT_VALUE);
  record_.pair(oldValue, newValue);
  push();
}

void NotificationQueue::push() {
  // Once the mutex was found stuck, later records do not wait for it again.
  // A free mutex is taken without reading the clock for a deadline. A mutex
  // that stays taken was most likely left by a sender that died holding it:
  // it has no owner the system could hand it on from, so it stays taken for
  // good. The record is then sent without it: one send is one whole message
  // of the queue (the queue guards itself), and the mutex only keeps the
  // senders' records from overtaking one another.
  bip::scoped_lock<bip::named_mutex> lock(mutex_, bip::try_to_lock);
  if (!lock.owns() && !lockStuck_) lock.timed_lock(deadlineAfter(kLockWait));
  if (!lock.owns() && !lockStuck_) {
    LOG(WARNING) << "Notification Queue Error: queue " << queueName_
                 << " stays locked by another process; records are sent without its lock";
  }
  lockStuck_ = !lock.owns();
  const std::string& bytes = record_.bytes();
  try {
    if (bytes.size() > queue_->get_max_msg_size()) {
      LOG(WARNING) << "Notification Queue Error: record of " << bytes.size()
                   << " bytes exceeds the " << queue_->get_max_msg_size()
                   << "-byte message size of queue " << queueName_ << "; record dropped";
      return;
    }
    // While the queue is known to be full (its listener is gone or stuck),
    // records are dropped without waiting again, so that a load with a dead
    // listener still ends in bounded time.
    bool sent = queue_->try_send(bytes.data(), bytes.size(), 0);
    if (!sent && !dropping_)
      sent = queue_->timed_send(bytes.data(), bytes.size(), 0, deadlineAfter(kSendWait));
    dropping_ = !sent;
    if (!sent) {
      LOG(WARNING) << "Notification Queue Error: queue " << queueName_ << " is full; record dropped";
    }
  } catch (const bip::interprocess_exception& e) {
    LOG(WARNING) << "Notification Queue Error: " << e.what();
  }
}

}  // namespace notification

NotificationQueueManager* NotificationQueueManager::getInstance() {
  if (instance_ == nullptr) instance_ = new NotificationQueueManager();
  return instance_;
}

boost::shared_ptr<notification::NotificationQueue> NotificationQueueManager::getQueue(int id) {
  const auto found = queues_.find(id);
  if (found != queues_.end()) {
    last_ = found->second.get();
    lastId_ = id;
    return found->second;
  }
  boost::shared_ptr<notification::NotificationQueue> queue(
      new notification::NotificationQueue(static_cast<long long>(id)));
  queues_[id] = queue;
  last_ = queue.get();
  lastId_ = id;
  return queue;
}

}  // namespace workspace
}  // namespace tavik
