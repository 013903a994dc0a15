// The notification record's wire format and the sending end of the queues,
// with real named objects.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <boost/archive/text_iarchive.hpp>
#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/interprocess/sync/named_mutex.hpp>
#include <gtest/gtest.h>

#include "CapturingSink.h"
#include "QueueTestSupport.h"
#include "TavikEngine/Workspace/NotifyMessage.h"
#include "TavikEngine/Workspace/notificationqueue.h"
#include "TavikEngine/Workspace/NotificationQueueManager.h"

namespace {

namespace bip = boost::interprocess;
namespace note = tavik::workspace::notification;
using note::NotificationQueue;
using note::NotifyMessage;
using tavik_test::queueNameOf;
using Clock = std::chrono::steady_clock;

// A directory in the place of a queue, so that creating the queue fails;
// removed when it goes out of scope if a failed assertion left it there.
class QueueBlocker {
 public:
  explicit QueueBlocker(const std::string& queue) : path_("/dev/shm/" + queue) {}
  ~QueueBlocker() { ::rmdir(path_.c_str()); }
  QueueBlocker(const QueueBlocker&) = delete;
  QueueBlocker& operator=(const QueueBlocker&) = delete;
  int block() const { return ::mkdir(path_.c_str(), 0700); }
  int unblock() const { return ::rmdir(path_.c_str()); }

 private:
  std::string path_;
};

// Milliseconds that the action took.
long long msFor(const std::function<void()>& action) {
  const Clock::time_point start = Clock::now();
  action();
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

// The sending path composes the record itself; its bytes must be the
// archive's to the byte, for every value type and extreme values, numbers at
// digit-count boundaries of the token writer, doubles the stream spells as
// words, and texts whose characters lie outside Latin-1. One writer takes
// every record in turn: a long record before shorter ones must leave no tail.
TEST(NotifyMessageFormat, WriterBytesAreTheArchivesBytes) {
  using D = std::numeric_limits<double>;
  const double doubles[] = {0.0, -0.0, 0.1, -123.456, 1e300, std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                            std::numeric_limits<double>::denorm_min(),
                            D::quiet_NaN(), -D::quiet_NaN(), D::signaling_NaN(), D::infinity(), -D::infinity(),
                            D::min() - D::denorm_min(), 1e-320, 0.1 + 0.2, 1e23, 9007199254740993.0,
                            123456789012345678.0, 0.5, 9.5e-1};
  const int ints[] = {0, -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      9, 10, 99, 100, 999999999, 1000000000};
  const std::wstring wides[] = {L"", L"ab", L"\u00e9\u20ac\U0001F600",
                                std::wstring(100, L'\u4e2d'), std::wstring(99, L'\U0010FFFF'),
                                L"\u0100\u20ac\uffff\U00010000", std::wstring(L"x\0y", 3),
                                std::wstring(1, wchar_t(0xD800)), std::wstring(1, wchar_t(0x7FFFFFFF))};
  const std::string narrows[] = {"", "t\xff", std::string("\0x", 2),
                                 std::string(10, '\xff'), std::string("a\0 \n\r\t\x80", 7), "\xc3\xa9"};
  note::NotifyRecordWriter writer;
  for (long long handle : {0LL, -1LL, std::numeric_limits<long long>::max(), std::numeric_limits<long long>::min(),
                           99LL, 100LL, 999999999999999999LL, 1000000000000000000LL}) {
    for (unsigned int property : {0u, 13464u, std::numeric_limits<unsigned int>::max(), 9u, 10u, 999999999u,
                                  1000000000u}) {
      NotifyMessage m{handle, property, note::DOUBLE_VALUE, 0, 0, 0.0, 0.0, L"", L"", "", ""};
      auto same = [&](const std::function<void()>& pair) {
        writer.begin(handle, property, m.valueType);
        pair();
        EXPECT_EQ(note::serializeNotifyMessage(m), writer.bytes());
      };
      for (double d : doubles) {
        m.valueType = note::DOUBLE_VALUE, m.oldDoubleValue = d, m.newDoubleValue = -d / 3;
        same([&] { writer.pair(d, -d / 3); });
      }
      for (int i : ints) {
        m.valueType = note::INT_VALUE, m.oldIntValue = i, m.newIntValue = ~i;
        same([&] { writer.pair(i, ~i); });
      }
      for (const std::wstring& w : wides) {
        m.valueType = note::WIDE_TEXT_VALUE, m.oldWideValue = w, m.newWideValue = w + w;
        same([&] { writer.pair(w, w + w); });
      }
      for (const std::string& n : narrows) {
        m.valueType = note::TEXT_VALUE, m.oldTextValue = n, m.newTextValue = n + "!";
        same([&] { writer.pair(n, n + "!"); });
      }
    }
  }
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
    const bool wide = code == 5 || code == 7, narrow = code == 4 || code == 6;
    EXPECT_EQ(std::make_tuple(-77LL, 4000000000u, code, code == 2 ? 2 : 0, code == 0 ? -4.5 : 0.0,
                              std::wstring(wide ? L"w\u20ac" : L""), std::string(narrow ? "t\xff" : "")),
              std::make_tuple(back.handle, back.property, static_cast<int>(back.valueType), back.newIntValue,
                              back.newDoubleValue, back.oldWideValue, back.oldTextValue));
  }
}

TEST(NotificationQueue, NamedObjectsAndTheManagersOneQueuePerId) {
  const long long id = -static_cast<long long>(tavik_test::randomQueueId());
  tavik_test::ScopedQueueObjects cleanup(id);
  NotificationQueue queue(id);
  const std::string name = "tavik_-" + std::to_string(-id);
  EXPECT_EQ((std::vector<std::string>{name, name + "notification_queue_mutex",
                                      name + "notification_queue_empty_condition"}),
            (std::vector<std::string>{queue.queueName(), queue.mutexName(), queue.conditionName()}));
  bip::message_queue opened(bip::open_only, name.c_str());
  EXPECT_EQ(std::make_pair(100ul, 65536ul), std::make_pair(opened.get_max_msg(), opened.get_max_msg_size()));
  bip::named_condition condition(bip::open_only, queue.conditionName().c_str());

  auto* manager = tavik::workspace::NotificationQueueManager::getInstance();
  EXPECT_EQ(manager, tavik::workspace::NotificationQueueManager::instance_);
  const int other = tavik_test::randomQueueId(), blocked = other + 1;
  tavik_test::ScopedQueueObjects cleanupOther(other), cleanupBlocked(blocked);
  const auto first = manager->getQueue(other);
  EXPECT_EQ(first.get(), manager->getQueue(other).get());
  EXPECT_EQ(queueNameOf(other), first->queueName());
  // A directory in the queue's place makes creation fail; nothing is stored.
  const QueueBlocker blocker(queueNameOf(blocked));
  ASSERT_EQ(0, blocker.block());
  EXPECT_THROW(manager->getQueue(blocked), bip::interprocess_exception);
  ASSERT_EQ(0, blocker.unblock());
  EXPECT_EQ(queueNameOf(blocked), manager->getQueue(blocked)->queueName());
}

// The sending path's form hands the last queue out again without a search:
// switching ids must give each id its own object, and a queue that failed to
// open must neither be handed out for its id nor replace the last one.
TEST(NotificationQueue, TheManagersLastQueueFollowsEachRequestAndForgetsAFailedOne) {
  auto* manager = tavik::workspace::NotificationQueueManager::getInstance();
  const int a = tavik_test::randomQueueId(), b = a + 1, blocked = a + 2;
  tavik_test::ScopedQueueObjects cleanupA(a), cleanupB(b), cleanupBlocked(blocked);
  const QueueBlocker blocker(queueNameOf(blocked));
  ASSERT_EQ(0, blocker.block());
  std::vector<std::string> names;
  for (int id : {a, a, b, a, blocked, blocked, b}) {
    try {
      names.push_back(manager->queue(id).queueName());
    } catch (const bip::interprocess_exception&) {
      names.push_back("failed");
    }
  }
  ASSERT_EQ(0, blocker.unblock());
  names.push_back(manager->queue(blocked).queueName());
  names.push_back(manager->queue(b).queueName());
  EXPECT_EQ(std::make_pair(manager->getQueue(a).get(), manager->getQueue(b).get()),
            std::make_pair(&manager->queue(a), &manager->queue(b)));
  EXPECT_EQ((std::vector<std::string>{queueNameOf(a), queueNameOf(a), queueNameOf(b), queueNameOf(a), "failed",
                                      "failed", queueNameOf(b), queueNameOf(blocked), queueNameOf(b)}),
            names);
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

// A sender killed while it holds the queue's mutex leaves it taken for good:
// the next sender waits for it once, bounded, and then sends every record
// without it; none is lost.
TEST_F(NotificationQueuePush, AMutexLeftByAKilledSenderIsWaitedForOnceAndNoRecordIsLost) {
  int ready[2];
  ASSERT_EQ(0, ::pipe(ready));
  const pid_t sender = ::fork();
  if (sender == 0) {
    bip::named_mutex held(bip::open_only, queue_.mutexName().c_str());
    held.lock();
    if (::write(ready[1], "x", 1) == 1)
      for (;;) ::pause();
    ::_exit(1);
  }
  char byte = 0;
  ASSERT_EQ(1, ::read(ready[0], &byte, 1));
  ::close(ready[0]);
  ::close(ready[1]);
  ::kill(sender, SIGKILL);
  int status = 0;
  ::waitpid(sender, &status, 0);

  EXPECT_LT(msFor([&] { queue_.push(1, 2, 3u, 4u); queue_.push(1, 2, 3LL, 4LL); }), 100);
  EXPECT_GE(msFor([&] { queue_.push(1, 2, 3, 4); }), 900);
  EXPECT_LT(msFor([&] { queue_.push(1, 2, 5, 6); }), 100);
  EXPECT_EQ(std::vector<std::string>{"Notification Queue Error: queue " + queueNameOf(id_) +
                                     " stays locked by another process; records are sent "
                                     "without its lock"},
            sink_.messages());
  EXPECT_EQ(std::vector<std::string>{"push"}, sink_.functions(500));
  EXPECT_EQ(2u, pending());
}

TEST_F(NotificationQueuePush, ARecordOverTheMessageSizeIsDroppedWithOneWarning) {
  // 38 bytes of header, then per text a space, its length, a space and its bytes.
  queue_.push(1, 2, std::string(40000, 'o'), std::string(25500, 'n'));
  EXPECT_EQ(std::vector<std::string>{"Notification Queue Error: record of 65552 bytes exceeds the 65536-byte "
                                     "message size of queue " + queueNameOf(id_) + "; record dropped"},
            sink_.messages(500));
  queue_.push(1, 2, std::string(40000, 'o'), std::string(25484, 'n'));  // exactly 65536
  EXPECT_EQ(std::make_pair(1ul, 1ul), std::make_pair(sink_.records().size(), pending()));
}

TEST_F(NotificationQueuePush, AFullQueueWaitsOnceBoundedThenDropsAtOnceUntilThereIsRoom) {
  for (int i = 0; i < 100; ++i) queue_.push(1, 2, i, i + 1);
  const long long waited = msFor([&] { queue_.push(1, 2, 100, 101); });
  EXPECT_TRUE(waited >= 150 && waited < 1000) << waited;
  EXPECT_LT(msFor([&] { queue_.push(1, 2, 101, 102); }), 100);
  EXPECT_EQ(std::vector<std::string>(2, dropped(" is full")), sink_.messages(500));

  std::string buffer(65536, '\0');
  bip::message_queue::size_type size = 0;
  unsigned int priority = 9;
  ASSERT_TRUE(bip::message_queue(bip::open_only, queueNameOf(id_).c_str())
                  .try_receive(&buffer[0], buffer.size(), size, priority));
  EXPECT_EQ("22 serialization::archive 18 0 0 1 2 2 0 1 priority 0",
            buffer.substr(0, size) + " priority " + std::to_string(priority));
  queue_.push(1, 2, 200, 201);  // room again: sent
  EXPECT_EQ(2u, sink_.records().size());
  EXPECT_GE(msFor([&] { queue_.push(1, 2, 300, 301); }), 150);  // full again: the bounded wait once more
  EXPECT_EQ(3u, sink_.records().size());
}

}  // namespace
