// The notification record's wire format and the sending end of the queues,
// with real named objects and a real listener process.
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <limits>
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
using tavik::workspace::NotificationQueueManager;
using tavik::workspace::notification::NotificationQueue;
using tavik::workspace::notification::NotifyMessage;
using tavik::workspace::notification::serializeNotifyMessage;
using tavik::workspace::notification::ValueType;
using tavik_test::CapturingSink;
using tavik_test::queueNameOf;
using tavik_test::randomQueueId;
using tavik_test::runListener;
using tavik_test::ScopedQueueObjects;
using Clock = std::chrono::steady_clock;

constexpr int kWarning = 500;

std::string receiveRaw(bip::message_queue& queue) {
  std::string buffer(queue.get_max_msg_size(), '\0');
  bip::message_queue::size_type size = 0;
  unsigned int priority = 99;
  EXPECT_TRUE(queue.try_receive(&buffer[0], buffer.size(), size, priority));
  EXPECT_EQ(0u, priority);
  buffer.resize(size);
  return buffer;
}

NotifyMessage readBack(const std::string& bytes) {
  std::istringstream stream(bytes);
  boost::archive::text_iarchive archive(stream);
  NotifyMessage message{};
  archive >> message;
  return message;
}

long long elapsedMs(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// --- wire format --------------------------------------------------------

TEST(NotifyMessageFormat, IntRecordIsTheTextArchiveWithHeaderAndNoTerminator) {
  NotifyMessage m;
  m.handle = 123456789012LL;
  m.property = 12360;
  m.valueType = tavik::workspace::notification::INT_VALUE;
  m.oldIntValue = -5;
  m.newIntValue = 7;
  EXPECT_EQ("22 serialization::archive 18 0 0 123456789012 12360 2 -5 7", serializeNotifyMessage(m));
}

TEST(NotifyMessageFormat, WideTextTravelsAsLengthAndRawWideCharacters) {
  NotifyMessage m;
  m.handle = 4096;
  m.property = 11296;
  m.valueType = tavik::workspace::notification::WIDE_TEXT_VALUE;
  m.oldWideValue = L"ab";
  m.newWideValue = L"\u00e9";
  const std::string expected("22 serialization::archive 18 0 0 4096 11296 5 2 a\0\0\0b\0\0\0 1 \xe9\0\0\0", 63);
  EXPECT_EQ(expected, serializeNotifyMessage(m));
}

TEST(NotifyMessageFormat, EveryCodeReadsBackWithOnlyItsOwnPair) {
  NotifyMessage full;
  full.handle = -77;
  full.property = 4000000000u;
  full.oldIntValue = 1;
  full.newIntValue = 2;
  full.oldDoubleValue = 3.25;
  full.newDoubleValue = -4.5;
  full.oldWideValue = L"w\u20ac";
  full.newWideValue = L"";
  full.oldTextValue = "t\xff";
  full.newTextValue = "n";
  for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, -1}) {
    SCOPED_TRACE(code);
    full.valueType = static_cast<ValueType>(code);
    const NotifyMessage back = readBack(serializeNotifyMessage(full));
    EXPECT_EQ(-77, back.handle);
    EXPECT_EQ(4000000000u, back.property);
    EXPECT_EQ(code, static_cast<int>(back.valueType));
    EXPECT_EQ(code == 2 ? 1 : 0, back.oldIntValue);
    EXPECT_EQ(code == 2 ? 2 : 0, back.newIntValue);
    EXPECT_EQ(code == 0 ? 3.25 : 0.0, back.oldDoubleValue);
    EXPECT_EQ(code == 0 ? -4.5 : 0.0, back.newDoubleValue);
    EXPECT_EQ(code == 5 || code == 7 ? L"w\u20ac" : L"", back.oldWideValue);
    EXPECT_EQ(L"", back.newWideValue);
    EXPECT_EQ(code == 4 || code == 6 ? "t\xff" : "", back.oldTextValue);
    EXPECT_EQ(code == 4 || code == 6 ? "n" : "", back.newTextValue);
  }
}

// --- queue objects ------------------------------------------------------

TEST(NotificationQueue, NamesAndSizesOfTheNamedObjects) {
  const long long id = -static_cast<long long>(randomQueueId());
  ScopedQueueObjects cleanup(id);
  NotificationQueue queue(id);
  const std::string name = "tavik_-" + std::to_string(-id);
  EXPECT_TRUE(queue.isReady());
  EXPECT_EQ(name, queue.queueName());
  EXPECT_EQ(name + "notification_queue_mutex", queue.mutexName());
  EXPECT_EQ(name + "notification_queue_empty_condition", queue.conditionName());
  bip::message_queue opened(bip::open_only, name.c_str());
  EXPECT_EQ(100u, opened.get_max_msg());
  EXPECT_EQ(65536u, opened.get_max_msg_size());
  EXPECT_EQ(0u, opened.get_num_msg());
  bip::named_mutex mutex(bip::open_only, queue.mutexName().c_str());
  bip::named_condition condition(bip::open_only, queue.conditionName().c_str());
}

TEST(NotificationQueueManager, OneQueueObjectPerIdAndFailuresAreNotStored) {
  NotificationQueueManager* manager = NotificationQueueManager::getInstance();
  ASSERT_NE(nullptr, manager);
  EXPECT_EQ(manager, NotificationQueueManager::getInstance());
  EXPECT_EQ(manager, NotificationQueueManager::instance_);

  const int id = randomQueueId();
  const int other = id + 1;
  ScopedQueueObjects cleanup(id);
  ScopedQueueObjects cleanupOther(other);
  const auto first = manager->getQueue(id);
  EXPECT_EQ(first.get(), manager->getQueue(id).get());
  EXPECT_EQ(queueNameOf(id), first->queueName());
  EXPECT_NE(first.get(), manager->getQueue(other).get());

  // A directory in the queue's place makes the queue's creation fail.
  const int blocked = id + 2;
  ScopedQueueObjects cleanupBlocked(blocked);
  const std::string path = "/dev/shm/" + queueNameOf(blocked);
  ASSERT_EQ(0, mkdir(path.c_str(), 0700));
  EXPECT_THROW(manager->getQueue(blocked), bip::interprocess_exception);
  ASSERT_EQ(0, rmdir(path.c_str()));
  const auto retried = manager->getQueue(blocked);
  EXPECT_EQ(queueNameOf(blocked), retried->queueName());
  EXPECT_EQ(retried.get(), manager->getQueue(blocked).get());
}

// --- sending ------------------------------------------------------------

TEST(NotificationQueuePush, UnsignedAndLongLongSendNothingAndTakeNoLock) {
  const int id = randomQueueId();
  ScopedQueueObjects cleanup(id);
  CapturingSink sink;
  NotificationQueue queue(id);
  bip::named_mutex held(bip::open_only, queue.mutexName().c_str());
  bip::scoped_lock<bip::named_mutex> lock(held);
  const auto start = Clock::now();
  queue.push(1, 2, 3u, 4u);
  queue.push(1, 2, 3LL, 4LL);
  EXPECT_LT(elapsedMs(start), 100);
  EXPECT_TRUE(sink.records().empty());
  EXPECT_EQ(0u, bip::message_queue(bip::open_only, queueNameOf(id).c_str()).get_num_msg());
}

TEST(NotificationQueuePush, AMutexThatStaysLockedDropsTheRecordAfterTheLockWait) {
  const int id = randomQueueId();
  ScopedQueueObjects cleanup(id);
  CapturingSink sink;
  NotificationQueue queue(id);
  {
    bip::named_mutex held(bip::open_only, queue.mutexName().c_str());
    bip::scoped_lock<bip::named_mutex> lock(held);
    const auto start = Clock::now();
    queue.push(1, 2, 3, 4);
    const long long ms = elapsedMs(start);
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 3000);
  }
  ASSERT_EQ(1u, sink.records().size());
  EXPECT_EQ(kWarning, sink.records()[0].level_value);
  EXPECT_EQ("push", sink.records()[0].function);
  EXPECT_EQ("Notification Queue Error: queue " + queueNameOf(id) +
                " stays locked by another process; record dropped",
            sink.records()[0].message);
  queue.push(1, 2, 3, 4);  // the lock is free again
  EXPECT_EQ(1u, sink.records().size());
  EXPECT_EQ(1u, bip::message_queue(bip::open_only, queueNameOf(id).c_str()).get_num_msg());
  {
    // Stuck again: the first record waits, the next ones are dropped at once.
    bip::named_mutex held(bip::open_only, queue.mutexName().c_str());
    bip::scoped_lock<bip::named_mutex> lock(held);
    queue.push(1, 2, 5, 6);
    const auto start = Clock::now();
    queue.push(1, 2, 7, 8);
    queue.push(1, 2, 9, 10);
    EXPECT_LT(elapsedMs(start), 100);
    EXPECT_EQ(4u, sink.records().size());
  }
  queue.push(1, 2, 11, 12);
  EXPECT_EQ(4u, sink.records().size());
  EXPECT_EQ(2u, bip::message_queue(bip::open_only, queueNameOf(id).c_str()).get_num_msg());
}

TEST(NotificationQueuePush, ARecordOverTheMessageSizeIsDroppedWithOneWarning) {
  const int id = randomQueueId();
  ScopedQueueObjects cleanup(id);
  CapturingSink sink;
  NotificationQueue queue(id);
  // "22 serialization::archive 18 0 0 1 2 4" is 38 bytes; each text adds a
  // space, its length, a space and its bytes.
  queue.push(1, 2, std::string(40000, 'o'), std::string(25500, 'n'));
  const std::size_t size = 38 + 7 + 40000 + 7 + 25500;
  ASSERT_EQ(1u, sink.records().size());
  EXPECT_EQ(kWarning, sink.records()[0].level_value);
  EXPECT_EQ("push", sink.records()[0].function);
  EXPECT_EQ("Notification Queue Error: record of " + std::to_string(size) +
                " bytes exceeds the 65536-byte message size of queue " + queueNameOf(id) +
                "; record dropped",
            sink.records()[0].message);
  bip::message_queue opened(bip::open_only, queueNameOf(id).c_str());
  EXPECT_EQ(0u, opened.get_num_msg());
  // Exactly the size limit still goes through.
  queue.push(1, 2, std::string(40000, 'o'), std::string(65536 - 38 - 7 - 40000 - 7, 'n'));
  EXPECT_EQ(1u, sink.records().size());
  EXPECT_EQ(1u, opened.get_num_msg());
  EXPECT_EQ(65536u, receiveRaw(opened).size());
}

TEST(NotificationQueuePush, AFullQueueWaitsOnceBoundedThenDropsAtOnceUntilThereIsRoom) {
  const int id = randomQueueId();
  ScopedQueueObjects cleanup(id);
  CapturingSink sink;
  NotificationQueue queue(id);
  for (int i = 0; i < 100; ++i) queue.push(1, 2, i, i + 1);
  ASSERT_TRUE(sink.records().empty());
  const std::string full = "Notification Queue Error: queue " + queueNameOf(id) + " is full; record dropped";

  auto start = Clock::now();
  queue.push(1, 2, 100, 101);
  long long ms = elapsedMs(start);
  EXPECT_GE(ms, 150);
  EXPECT_LT(ms, 1000);
  ASSERT_EQ(1u, sink.records().size());
  EXPECT_EQ(full, sink.records()[0].message);
  EXPECT_EQ("push", sink.records()[0].function);
  EXPECT_EQ(kWarning, sink.records()[0].level_value);

  start = Clock::now();
  queue.push(1, 2, 101, 102);
  queue.push(1, 2, 102, 103);
  EXPECT_LT(elapsedMs(start), 100);
  ASSERT_EQ(3u, sink.records().size());
  EXPECT_EQ(full, sink.records()[1].message);
  EXPECT_EQ(full, sink.records()[2].message);

  bip::message_queue opened(bip::open_only, queueNameOf(id).c_str());
  EXPECT_EQ("22 serialization::archive 18 0 0 1 2 2 0 1", receiveRaw(opened));
  queue.push(1, 2, 200, 201);
  EXPECT_EQ(3u, sink.records().size());
  EXPECT_EQ(100u, opened.get_num_msg());
  // Full again: the bounded wait applies once more before dropping.
  start = Clock::now();
  queue.push(1, 2, 300, 301);
  EXPECT_GE(elapsedMs(start), 150);
  EXPECT_EQ(4u, sink.records().size());
}

}  // namespace
