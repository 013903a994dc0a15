// The notification record's wire format and the sending end of the queues,
// with real named objects.
#include <sys/stat.h>

#include <chrono>
#include <sstream>
#include <string>

#include <boost/archive/text_iarchive.hpp>
#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/interprocess/sync/named_mutex.hpp>
#include <gtest/gtest.h>

#include "CapturingSink.h"
#include "QueueTestSupport.h"
#include "TavikEngine/Workspace/NotifyMessage.h"
#include "TavikEngine/Workspace/notificationqueue.h"
#include "workspace/NotificationQueueManager.h"

namespace {

namespace bip = boost::interprocess;
namespace note = tavik::workspace::notification;
using note::NotificationQueue;
using note::NotifyMessage;
using tavik_test::queueNameOf;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(NotifyMessageFormat, ExactBytesOfIntAndWideRecords) {
  NotifyMessage m;
  m.handle = 123456789012LL;
  m.property = 12360;
  m.valueType = note::INT_VALUE;
  m.oldIntValue = -5;
  m.newIntValue = 7;
  EXPECT_EQ("22 serialization::archive 18 0 0 123456789012 12360 2 -5 7", note::serializeNotifyMessage(m));
  m.valueType = note::WIDE_TEXT_VALUE;
  m.oldWideValue = L"ab";
  m.newWideValue = L"\u00e9";
  EXPECT_EQ(std::string("22 serialization::archive 18 0 0 123456789012 12360 5 2 a\0\0\0b\0\0\0 1 \xe9\0\0\0", 71),
            note::serializeNotifyMessage(m));
}

TEST(NotifyMessageFormat, EveryCodeReadsBackWithOnlyItsOwnPair) {
  NotifyMessage full{-77, 4000000000u, note::INT_VALUE, 1, 2, 3.25, -4.5, L"w\u20ac", L"", "t\xff", "n"};
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}) {
    SCOPED_TRACE(code);
    full.valueType = static_cast<note::ValueType>(code);
    std::istringstream stream(note::serializeNotifyMessage(full));
    boost::archive::text_iarchive archive(stream);
    NotifyMessage back{};
    archive >> back;
    EXPECT_EQ(-77, back.handle);
    EXPECT_EQ(4000000000u, back.property);
    EXPECT_EQ(code, static_cast<int>(back.valueType));
    EXPECT_EQ(code == 2 ? 2 : 0, back.newIntValue);
    EXPECT_EQ(code == 0 ? -4.5 : 0.0, back.newDoubleValue);
    EXPECT_EQ(code == 5 || code == 7 ? L"w\u20ac" : L"", back.oldWideValue);
    EXPECT_EQ(code == 4 || code == 6 ? "t\xff" : "", back.oldTextValue);
  }
}

TEST(NotificationQueue, NamedObjectsAndTheManagersOneQueuePerId) {
  const long long id = -static_cast<long long>(tavik_test::randomQueueId());
  tavik_test::ScopedQueueObjects cleanup(id);
  NotificationQueue queue(id);
  const std::string name = "tavik_-" + std::to_string(-id);
  EXPECT_TRUE(queue.isReady());
  EXPECT_EQ(name, queue.queueName());
  EXPECT_EQ(name + "notification_queue_mutex", queue.mutexName());
  EXPECT_EQ(name + "notification_queue_empty_condition", queue.conditionName());
  bip::message_queue opened(bip::open_only, name.c_str());
  EXPECT_EQ(100u, opened.get_max_msg());
  EXPECT_EQ(65536u, opened.get_max_msg_size());
  bip::named_condition condition(bip::open_only, queue.conditionName().c_str());

  auto* manager = tavik::workspace::NotificationQueueManager::getInstance();
  EXPECT_EQ(manager, tavik::workspace::NotificationQueueManager::instance_);
  const int other = tavik_test::randomQueueId();
  tavik_test::ScopedQueueObjects cleanupOther(other);
  const auto first = manager->getQueue(other);
  EXPECT_EQ(first.get(), manager->getQueue(other).get());
  EXPECT_EQ(queueNameOf(other), first->queueName());
  // A directory in the queue's place makes creation fail; nothing is stored.
  const int blocked = other + 1;
  tavik_test::ScopedQueueObjects cleanupBlocked(blocked);
  const std::string path = "/dev/shm/" + queueNameOf(blocked);
  ASSERT_EQ(0, mkdir(path.c_str(), 0700));
  EXPECT_THROW(manager->getQueue(blocked), bip::interprocess_exception);
  ASSERT_EQ(0, rmdir(path.c_str()));
  EXPECT_EQ(queueNameOf(blocked), manager->getQueue(blocked)->queueName());
}

class NotificationQueuePush : public ::testing::Test {
 protected:
  std::size_t pending() { return bip::message_queue(bip::open_only, queueNameOf(id_).c_str()).get_num_msg(); }
  std::string dropped(const std::string& reason) {
    return "Notification Queue Error: queue " + queueNameOf(id_) + reason + "; record dropped";
  }
  const int id_ = tavik_test::randomQueueId();
  tavik_test::ScopedQueueObjects cleanup_{id_};
  tavik_test::CapturingSink sink_;
  NotificationQueue queue_{id_};
};

TEST_F(NotificationQueuePush, AStuckMutexIsWaitedForOnceAndUnsignedPushesTakeNoLock) {
  {
    bip::named_mutex held(bip::open_only, queue_.mutexName().c_str());
    bip::scoped_lock<bip::named_mutex> lock(held);
    auto start = Clock::now();
    queue_.push(1, 2, 3u, 4u);
    queue_.push(1, 2, 3LL, 4LL);
    EXPECT_LT(msSince(start), 100);
    EXPECT_TRUE(sink_.records().empty());
    queue_.push(1, 2, 3, 4);
    EXPECT_GE(msSince(start), 900);
    start = Clock::now();
    queue_.push(1, 2, 5, 6);
    EXPECT_LT(msSince(start), 100);
  }
  EXPECT_EQ(std::vector<std::string>(2, dropped(" stays locked by another process")), sink_.messages(500));
  EXPECT_EQ("push", sink_.records()[0].function);
  queue_.push(1, 2, 7, 8);  // free again
  EXPECT_EQ(2u, sink_.records().size());
  EXPECT_EQ(1u, pending());
}

TEST_F(NotificationQueuePush, ARecordOverTheMessageSizeIsDroppedWithOneWarning) {
  // The header "22 serialization::archive 18 0 0 1 2 4" is 38 bytes; each text
  // adds a space, its length, a space and its bytes.
  queue_.push(1, 2, std::string(40000, 'o'), std::string(25500, 'n'));
  EXPECT_EQ(std::vector<std::string>{"Notification Queue Error: record of 65552 bytes exceeds the 65536-byte "
                                     "message size of queue " + queueNameOf(id_) + "; record dropped"},
            sink_.messages(500));
  EXPECT_EQ(0u, pending());
  queue_.push(1, 2, std::string(40000, 'o'), std::string(25484, 'n'));  // exactly 65536
  EXPECT_EQ(1u, sink_.records().size());
  EXPECT_EQ(1u, pending());
}

TEST_F(NotificationQueuePush, AFullQueueWaitsOnceBoundedThenDropsAtOnceUntilThereIsRoom) {
  for (int i = 0; i < 100; ++i) queue_.push(1, 2, i, i + 1);
  auto start = Clock::now();
  queue_.push(1, 2, 100, 101);
  EXPECT_GE(msSince(start), 150);
  EXPECT_LT(msSince(start), 1000);
  start = Clock::now();
  queue_.push(1, 2, 101, 102);
  EXPECT_LT(msSince(start), 100);
  EXPECT_EQ(std::vector<std::string>(2, dropped(" is full")), sink_.messages(500));

  bip::message_queue opened(bip::open_only, queueNameOf(id_).c_str());
  std::string buffer(65536, '\0');
  bip::message_queue::size_type size = 0;
  unsigned int priority = 9;
  ASSERT_TRUE(opened.try_receive(&buffer[0], buffer.size(), size, priority));
  EXPECT_EQ("22 serialization::archive 18 0 0 1 2 2 0 1", buffer.substr(0, size));
  EXPECT_EQ(0u, priority);
  queue_.push(1, 2, 200, 201);  // room again: sent
  EXPECT_EQ(2u, sink_.records().size());
  start = Clock::now();
  queue_.push(1, 2, 300, 301);  // full again: the bounded wait applies once more
  EXPECT_GE(msSince(start), 150);
  EXPECT_EQ(3u, sink_.records().size());
}

}  // namespace
