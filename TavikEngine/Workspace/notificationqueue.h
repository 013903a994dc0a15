// The sending end of one listener's notification queue.
//
// A queue id names three system-wide objects, shared by every process that
// uses the id:
//   "tavik_" + id                                         the message queue
//                                                         (100 messages of at most 65536 bytes)
//   "tavik_" + id + "notification_queue_mutex"            serialises the senders
//   "tavik_" + id + "notification_queue_empty_condition"  opened only, for the listeners
// A negative id keeps its minus sign ("tavik_-3"). The objects are created
// when absent and never removed here; an existing queue keeps the sizes it
// was created with.
//
// A push never blocks for long: a send waits at most kSendWait for room, and
// a queue that was found full drops further records at once (each with a
// WARNING line) until a send finds room again. A sender that cannot take the
// queue's mutex within kLockWait (a peer died holding it: the mutex is a
// system semaphore without an owner, so nobody can hand it on) sends the
// record without it, with one WARNING line, and sends further records
// without waiting for it again while it stays taken. The one wait this
// cannot bound is the message queue's own internal lock: a peer killed in
// the middle of a send leaves it taken, and every later send to that queue
// then waits for good. A double
// record of NaN or infinity is dropped too: a listener's text_iarchive cannot
// read such a number back, so the record would only break its reader.
// No push failure reaches the caller; each is one WARNING line
// "Notification Queue Error: " + reason.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/interprocess/sync/named_condition.hpp>
#include <boost/interprocess/sync/named_mutex.hpp>

#include "TavikEngine/Workspace/NotifyMessage.h"

namespace tavik {
namespace workspace {
namespace notification {

class NotificationQueue {
 public:
  static constexpr unsigned int kMaxMessages = 100;
  static constexpr unsigned int kMaxMessageSize = 65536;
  // Longest wait for room in a full queue before the record is dropped.
  static constexpr std::chrono::milliseconds kSendWait{200};
  // Longest wait for the queue's mutex; longer than kSendWait so that a live
  // peer waiting on a full queue always lets go first.
  static constexpr std::chrono::milliseconds kLockWait{1000};

  // Creates or opens the mutex, the condition and the message queue, in that
  // order. Throws boost::interprocess::interprocess_exception when one of them
  // cannot be created or opened; those already opened are closed again.
  explicit NotificationQueue(long long id);
  // Closes the named objects; they stay in the system.
  ~NotificationQueue();

  NotificationQueue(const NotificationQueue&) = delete;
  NotificationQueue& operator=(const NotificationQueue&) = delete;

  // Sends one record (value-type code 4, 5, 0, 2 respectively) of the old and
  // the new value of an item.
  void push(long long handle, unsigned int property, const std::string& oldValue,
            const std::string& newValue);
  void push(long long handle, unsigned int property, const std::wstring& oldValue,
            const std::wstring& newValue);
  void push(long long handle, unsigned int property, double oldValue, double newValue);
  void push(long long handle, unsigned int property, int oldValue, int newValue);
  // Unsigned and 64-bit writes are not sent: no lock, no message, no log line.
  void push(long long, unsigned int, unsigned int, unsigned int) {}
  void push(long long, unsigned int, long long, long long) {}

  bool isReady() const { return ready_; }
  const std::string& queueName() const { return queueName_; }
  const std::string& mutexName() const { return mutexName_; }
  const std::string& conditionName() const { return conditionName_; }

 private:
  // Sends the record composed in record_ under the queue's mutex (named
  // push, as its log lines say).
  void push();

  bool ready_ = false;
  std::string queueName_;
  std::string mutexName_;
  std::string conditionName_;
  std::unique_ptr<boost::interprocess::message_queue> queue_;
  boost::interprocess::named_mutex mutex_;
  boost::interprocess::named_condition condition_;
  // Set when a send found the queue still full after kSendWait; cleared by
  // the next send that finds room.
  bool dropping_ = false;
  // Set when the mutex could not be taken within kLockWait; cleared by the
  // next push that takes it. Records are sent without it meanwhile.
  bool lockStuck_ = false;
  // The record being sent; its buffer is reused from record to record.
  NotifyRecordWriter record_;
};

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
