// Notifying item writes on a real workspace segment, with listeners whose
// queues are real interprocess message queues.
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "CapturingSink.h"
#include "QueueTestSupport.h"
#include "ScopedWorkspace.h"
#include "workspace/GlobalConfig.h"
#include "workspace/IPCListener.h"
#include "workspace/ItemObserver.h"

namespace {

namespace bip = boost::interprocess;
using tavik::workspace::IPCListener;
using tavik_test::queueNameOf;

constexpr int kWarning = 500, kReadWrite = 506, kNotifications = 514;
// Listened GlobalConfig items (code 14, 12, 19, 10, 13, 18, 15, 17) and one without listeners.
constexpr unsigned int kWide256 = 11296, kInt = 12360, kDouble = 13176, kLongLong = 13992,
                       kUnsigned = 14816, kNarrow = 15640, kWide504 = 16704, kWide4100 = 19848,
                       kUnlistened = 10760;

class ItemNotify : public ::testing::Test {
 protected:
  long long addListener(const std::wstring& name, int queueId, int always) {
    const long long listener = IPCListener(name).getHandle();
    ws_->setItem(listener + 584, queueId);
    ws_->setItem(listener + 608, always);
    cleanups_.push_back(std::make_unique<tavik_test::ScopedQueueObjects>(queueId));
    return listener;
  }
  void listen(unsigned int item, long long listener) { ws_->addListener(config_.getHandle() + item, listener); }
  int notified(long long listener) {
    int value = -1;
    ws_->getItem(listener + 600, value);
    return value;
  }
  void writeRaw(unsigned int position, const void* bytes, std::size_t size) {
    std::memcpy(ws_->getBaseAddress() + config_.getHandle() + position, bytes, size);
  }
  // Every record waiting in the queue; none when the queue was never created.
  std::vector<std::string> receiveAll(int queueId) {
    std::vector<std::string> records;
    try {
      bip::message_queue queue(bip::open_only, queueNameOf(queueId).c_str());
      std::string buffer(queue.get_max_msg_size(), '\0');
      bip::message_queue::size_type size = 0;
      unsigned int priority = 0;
      while (queue.try_receive(&buffer[0], buffer.size(), size, priority)) records.push_back(buffer.substr(0, size));
    } catch (const bip::interprocess_exception&) {
    }
    return records;
  }
  std::string record(unsigned int item, const std::string& tail) const {
    return "22 serialization::archive 18 0 0 " + h() + " " + std::to_string(item) + " " + tail;
  }
  std::string notifyLine(unsigned int item, const std::string& change) const {
    return "Notify Element GlobalConfig, handle: " + h() + ", property: " + std::to_string(item) +
           ", value changed from " + change;
  }
  std::string h() const { return std::to_string(config_.getHandle()); }

  tavik_test::ScopedWorkspace workspace_;
  boost::shared_ptr<tavik::workspace::Workspace> ws_ = tavik::workspace::Workspace::getInstance();
  tavik::workspace::GlobalConfig config_;
  std::vector<std::unique_ptr<tavik_test::ScopedQueueObjects>> cleanups_;
  tavik_test::CapturingSink sink_;
};

TEST_F(ItemNotify, AListenerProcessReadsEachRecordAndUnsignedAndLongLongOnlyMark) {
  const int q = tavik_test::randomQueueId();
  const long long listener = addListener(L"Display", q, 0);
  for (unsigned int item : {kInt, kDouble, kWide256, kNarrow, kUnsigned, kLongLong}) listen(item, listener);
  config_.set(kInt, 7);
  config_.set(kDouble, -2.5);
  config_.set(kWide256, std::wstring(L"1.2 Gr\u00fc\u00dfe \u20ac"));
  config_.set(kNarrow, std::string("Bob \xe9"));
  int exitCode = -1;
  EXPECT_EQ("handle " + h() + "\nproperty 12360\nvalueType 2\nold 0\nnew 7\n"
            "handle " + h() + "\nproperty 13176\nvalueType 0\nold 0\nnew -2.5\n"
            "handle " + h() + "\nproperty 11296\nvalueType 5\nold \nnew 1.2 Gr\u00fc\u00dfe \u20ac\n"
            "handle " + h() + "\nproperty 15640\nvalueType 4\nold \nnew Bob \xe9\n",
            tavik_test::runListener(q, 4, exitCode));
  EXPECT_EQ(0, exitCode);

  ws_->setItem(listener + 600, 0);
  sink_.clear();
  config_.set(kUnsigned, 3000000000u);
  EXPECT_EQ(1, notified(listener));
  ws_->setItem(listener + 600, 0);
  config_.set(kLongLong, 8589934599LL);
  EXPECT_EQ(1, notified(listener));
  EXPECT_TRUE(receiveAll(q).empty());
  EXPECT_EQ((std::vector<std::string>{notifyLine(14816, "0 to -1294967296"), notifyLine(13992, "0 to 7")}),
            sink_.messages(kNotifications));
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> LoadCounter[14816] to 3000000000", sink_.messages(kReadWrite)[3]);
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> ActiveTestplan[13992] to 8589934599", sink_.messages(kReadWrite)[7]);
}

TEST_F(ItemNotify, OnlyListenersWithTheAlwaysFlagHearOfAnUnchangedValue) {
  const int q = tavik_test::randomQueueId();
  const long long first = addListener(L"First", q, 0), second = addListener(L"Second", q + 1, 1),
                  third = addListener(L"Third", q + 2, 1);
  ws_->setItem(config_.getHandle() + kInt, 5);
  for (long long l : {first, second, third}) listen(kInt, l);
  config_.set(kInt, 5);
  EXPECT_EQ(0, notified(first));
  EXPECT_EQ(1, notified(second));
  EXPECT_EQ(1, notified(third));
  EXPECT_TRUE(receiveAll(q).empty());
  EXPECT_EQ(std::vector<std::string>{record(kInt, "2 5 5")}, receiveAll(q + 1));
  EXPECT_EQ(std::vector<std::string>{record(kInt, "2 5 5")}, receiveAll(q + 2));
  EXPECT_EQ(std::vector<std::string>(2, notifyLine(kInt, "5 to 5")), sink_.messages(kNotifications));

  listen(kWide504, first);  // nobody wants the unchanged text, yet it is written and logged
  ws_->setItem(config_.getHandle() + kWide504, std::wstring(L"Project"));
  sink_.clear();
  config_.set(kWide504, std::wstring(L"Project"));
  EXPECT_EQ(0, notified(first));
  EXPECT_TRUE(sink_.messages(kNotifications).empty());
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> ProjectName[16704] to Project", sink_.messages().back());
}

TEST_F(ItemNotify, NanAlwaysNotifiesButItsUnreadableRecordIsDropped) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Plot", q, 0);
  listen(kDouble, l);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double value : {nan, nan, 1.0, 1.0, 2.0}) config_.set(kDouble, value);
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ(std::vector<std::string>{record(kDouble, "0 1.00000000000000000e+00 2.00000000000000000e+00")},
            receiveAll(q));
  EXPECT_EQ(std::vector<std::string>(3, "Notification Queue Error: a double record of a value that is not a "
                                        "finite number cannot be read by the listener of queue " +
                                            queueNameOf(q) + "; record dropped"),
            sink_.messages(kWarning));
  EXPECT_EQ((std::vector<std::string>{notifyLine(kDouble, "0.000000 to nan"), notifyLine(kDouble, "nan to nan"),
                                      notifyLine(kDouble, "nan to 1.000000"), notifyLine(kDouble, "1.000000 to 2.000000")}),
            sink_.messages(kNotifications));
}

TEST_F(ItemNotify, LogLinesComeInOrderReadsMarkNotificationThenTheWrite) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Watcher", q, 1);
  listen(kInt, l);
  config_.set(kInt, 7);
  const std::string lh = std::to_string(l);
  std::vector<std::string> lines;
  for (const auto& r : sink_.records()) lines.push_back(std::string(r.level_text) + " " + r.function + " " + r.message);
  EXPECT_EQ((std::vector<std::string>{
                "READ_WRITE get Read item: QueueId[584] for Element Watcher[" + lh + "]. Value: " + std::to_string(q),
                "READ_WRITE get Read item: AlwaysNotify[608] for Element Watcher[" + lh + "]. Value: 1",
                "READ_WRITE set Set Watcher[" + lh + "] -> Position[600] to 1",
                "NOTIFICATIONS set " + notifyLine(kInt, "0 to 7"),
                "READ_WRITE set Set GlobalConfig[" + h() + "] -> BenchState[12360] to 7"}),
            lines);

  g3::log_levels::disable(READ_WRITE);
  g3::log_levels::disable(NOTIFICATIONS);
  sink_.clear();
  ws_->setItem(l + 600, 0);
  config_.set(kInt, 3);
  g3::log_levels::enableAll();
  EXPECT_TRUE(sink_.records().empty());
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ((std::vector<std::string>{record(kInt, "2 0 7"), record(kInt, "2 7 3")}), receiveAll(q));
}

TEST_F(ItemNotify, TheListenerBlockFollowsTheItemTypeCodeAndItsCountIsBounded) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"L", q, 0);
  EXPECT_EQ(0, config_.getListenerCount(kInt));
  listen(kInt, l);
  std::int32_t count = 0;
  long long first = 0;
  std::memcpy(&count, ws_->getBaseAddress() + config_.getHandle() + kInt + 8, sizeof count);
  std::memcpy(&first, ws_->getBaseAddress() + config_.getHandle() + kInt + 12, sizeof first);
  EXPECT_EQ(1, count);
  EXPECT_EQ(l, first);
  EXPECT_EQ(kInt + 8, config_.getListenerOffset(kInt));
  EXPECT_EQ(kWide4100 + 4100, config_.getListenerOffset(kWide4100));
  EXPECT_EQ(0u, config_.getListenerOffset(kUnlistened));

  // Without listeners: one write, one line, nobody told (a negative count too).
  const std::int32_t negative = -5;
  writeRaw(kInt + 8, &negative, sizeof negative);
  config_.set(kUnlistened, 4);
  config_.set(kInt, 10);
  EXPECT_EQ(0, notified(l));
  EXPECT_EQ((std::vector<std::string>{"Set GlobalConfig[" + h() + "] -> ProgressTotal[10760] to 4",
                                      "Set GlobalConfig[" + h() + "] -> BenchState[12360] to 10"}),
            sink_.messages());

  // A count above 100 reads only the block's 100 handles; the bytes after
  // them (the double item) are no listener.
  config_.set(kDouble, 1e300);
  const std::int32_t tooMany = 1000;
  writeRaw(kInt + 8, &tooMany, sizeof tooMany);
  for (int i = 0; i < 100; ++i) writeRaw(kInt + 12 + 8 * i, &l, sizeof l);
  EXPECT_EQ(100, config_.getListenerCount(kInt));
  sink_.clear();
  config_.set(kInt, 1);
  EXPECT_EQ(100u, sink_.messages(kNotifications).size());
  EXPECT_TRUE(sink_.messages(kWarning).empty());
  EXPECT_EQ(100u, receiveAll(q).size());
}

class Recorder : public tavik::workspace::ItemObserver {
 public:
  void itemChanged(long long handle, unsigned int item, int oldValue, int newValue) override {
    calls.push_back(std::to_string(handle) + " " + std::to_string(item) + " " + std::to_string(oldValue) + " " +
                    std::to_string(newValue));
  }
  std::vector<std::string> calls;
};

TEST_F(ItemNotify, NotifyerElementTellsItsObserversAndAlwaysWrites) {
  IPCListener listener(L"Observed");
  const std::string lh = std::to_string(listener.getHandle());
  listener.set(600, 2);
  EXPECT_FALSE(listener.hasObservers());
  auto recorder = boost::make_shared<Recorder>();
  listener.addObserver(recorder);
  listener.addObserver(recorder);
  listener.addObserver(nullptr);
  listener.set(600, 5);
  EXPECT_EQ(std::vector<std::string>{lh + " 600 2 5"}, recorder->calls);
  EXPECT_EQ(5, notified(listener.getHandle()));
  EXPECT_EQ((std::vector<std::string>{"Set Observed[" + lh + "] -> Position[600] to 2",
                                      "Set Observed[" + lh + "] -> Position[600] to 5"}),
            sink_.messages());
}

}  // namespace
