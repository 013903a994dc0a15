// Notifying item writes on a real workspace segment, with listeners whose
// queues are real interprocess message queues read by another process.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "CapturingSink.h"
#include "QueueTestSupport.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Workspace/ItemNotifyerElement.h"
#include "workspace/GlobalConfig.h"
#include "workspace/IPCListener.h"
#include "workspace/ItemObserver.h"

namespace {

namespace bip = boost::interprocess;
using tavik::workspace::GlobalConfig;
using tavik::workspace::IPCListener;
using tavik::workspace::Workspace;
using tavik_test::queueNameOf;

constexpr int kWarning = 500;
constexpr int kReadWrite = 506;
constexpr int kNotifications = 514;

// Listened GlobalConfig items and the positions of their listener blocks.
constexpr unsigned int kWide256 = 11296, kInt = 12360, kDouble = 13176, kLongLong = 13992,
                       kUnsigned = 14816, kNarrow = 15640, kWide504 = 16704, kWide4100 = 19848;
constexpr unsigned int kIntBlock = kInt + 8;
constexpr unsigned int kUnlistenedInt = 10760;  // ProgressTotal

struct ScopedLevels {
  ~ScopedLevels() { g3::log_levels::enableAll(); }
};

class ItemNotify : public ::testing::Test {
 protected:
  // A listener element with its queue id and always-notify flag, its queue's
  // named objects removed at the end of the test.
  long long addListener(const std::wstring& name, int queueId, int always) {
    IPCListener listener(name);
    const long long h = listener.getHandle();
    ws_->setItem(h + 584, queueId);
    ws_->setItem(h + 608, always);
    cleanups_.push_back(std::make_unique<tavik_test::ScopedQueueObjects>(queueId));
    return h;
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
  std::vector<std::string> receiveAll(int queueId) {
    bip::message_queue queue(bip::open_only, queueNameOf(queueId).c_str());
    std::vector<std::string> records;
    std::string buffer(queue.get_max_msg_size(), '\0');
    bip::message_queue::size_type size = 0;
    unsigned int priority = 0;
    while (queue.try_receive(&buffer[0], buffer.size(), size, priority)) records.push_back(buffer.substr(0, size));
    return records;
  }
  static bool queueExists(int queueId) {
    try {
      bip::message_queue queue(bip::open_only, queueNameOf(queueId).c_str());
      return true;
    } catch (const bip::interprocess_exception&) {
      return false;
    }
  }
  std::string h() const { return std::to_string(config_.getHandle()); }
  std::string header(unsigned int item) const {
    return "22 serialization::archive 18 0 0 " + h() + " " + std::to_string(item) + " ";
  }

  tavik_test::ScopedWorkspace workspace_;
  boost::shared_ptr<Workspace> ws_ = Workspace::getInstance();
  GlobalConfig config_;
  std::vector<std::unique_ptr<tavik_test::ScopedQueueObjects>> cleanups_;
  tavik_test::CapturingSink sink_;
};

TEST_F(ItemNotify, AListenerInAnotherProcessReceivesIntDoubleWideAndNarrowRecords) {
  const int q = tavik_test::randomQueueId();
  const long long listener = addListener(L"Display", q, 0);
  for (unsigned int item : {kInt, kDouble, kWide256, kNarrow, kUnsigned, kLongLong}) listen(item, listener);

  config_.set(kInt, 7);
  config_.set(kDouble, -2.5);
  config_.set(kWide256, std::wstring(L"1.2 Gr\u00fc\u00dfe \u20ac"));
  config_.set(kNarrow, std::string("Bob \xe9"));
  const auto result = tavik_test::runListener(q, 4);
  EXPECT_EQ(0, result.exitCode);
  EXPECT_EQ("handle " + h() + "\nproperty 12360\nvalueType 2\nold 0\nnew 7\n"
            "handle " + h() + "\nproperty 13176\nvalueType 0\nold 0\nnew -2.5\n"
            "handle " + h() + "\nproperty 11296\nvalueType 5\nold \nnew 1.2 Gr\u00fc\u00dfe \u20ac\n"
            "handle " + h() + "\nproperty 15640\nvalueType 4\nold \nnew Bob \xe9\n",
            result.output);
  EXPECT_EQ(1, notified(listener));

  // Unsigned and 64-bit writes send nothing, yet mark and log.
  ws_->setItem(listener + 600, 0);
  sink_.clear();
  config_.set(kUnsigned, 3000000000u);
  EXPECT_EQ(1, notified(listener));
  ws_->setItem(listener + 600, 0);
  config_.set(kLongLong, 8589934599LL);
  EXPECT_EQ(1, notified(listener));
  EXPECT_TRUE(receiveAll(q).empty());
  EXPECT_EQ((std::vector<std::string>{
                "Notify Element GlobalConfig, handle: " + h() +
                    ", property: 14816, value changed from 0 to -1294967296",
                "Notify Element GlobalConfig, handle: " + h() +
                    ", property: 13992, value changed from 0 to 7"}),
            sink_.messages(kNotifications));
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> LoadCounter[14816] to 3000000000", sink_.messages(kReadWrite)[3]);
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> ActiveTestplan[13992] to 8589934599", sink_.messages(kReadWrite)[7]);
  EXPECT_EQ(3000000000u, config_.get<unsigned int>(kUnsigned));
  EXPECT_EQ(8589934599LL, config_.get<long long>(kLongLong));
}

TEST_F(ItemNotify, ThreeListenersTheUnchangedOneWithoutAlwaysFlagIsSkipped) {
  const int q1 = tavik_test::randomQueueId(), q2 = q1 + 1, q3 = q1 + 2;
  const long long l1 = addListener(L"First", q1, 0);
  const long long l2 = addListener(L"Second", q2, 1);
  const long long l3 = addListener(L"Third", q3, 1);
  ws_->setItem(config_.getHandle() + kInt, 5);
  for (long long l : {l1, l2, l3}) listen(kInt, l);

  config_.set(kInt, 5);
  EXPECT_EQ(0, notified(l1));
  EXPECT_EQ(1, notified(l2));
  EXPECT_EQ(1, notified(l3));
  EXPECT_FALSE(queueExists(q1));
  EXPECT_EQ(std::vector<std::string>{header(kInt) + "2 5 5"}, receiveAll(q2));
  EXPECT_EQ(std::vector<std::string>{header(kInt) + "2 5 5"}, receiveAll(q3));
  const std::string line = "Notify Element GlobalConfig, handle: " + h() + ", property: 12360, value changed from 5 to 5";
  EXPECT_EQ((std::vector<std::string>{line, line}), sink_.messages(kNotifications));
}

TEST_F(ItemNotify, AnUnchangedValueWithoutAlwaysFlagsTellsNobodyButIsWrittenAndLogged) {
  const int q = tavik_test::randomQueueId();
  const long long l1 = addListener(L"A", q, 0);
  const long long l2 = addListener(L"B", q, 0);
  listen(kWide504, l1);
  listen(kWide504, l2);
  ws_->setItem(config_.getHandle() + kWide504, std::wstring(L"Project"));
  config_.set(kWide504, std::wstring(L"Project"));
  EXPECT_EQ(0, notified(l1));
  EXPECT_EQ(0, notified(l2));
  EXPECT_FALSE(queueExists(q));
  EXPECT_TRUE(sink_.messages(kNotifications).empty());
  EXPECT_EQ("Set GlobalConfig[" + h() + "] -> ProjectName[16704] to Project", sink_.messages(kReadWrite).back());
}

TEST_F(ItemNotify, NanAlwaysNotifiesButItsUnreadableRecordIsDropped) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Plot", q, 0);
  listen(kDouble, l);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  config_.set(kDouble, nan);
  config_.set(kDouble, nan);
  config_.set(kDouble, 1.0);
  config_.set(kDouble, 1.0);
  config_.set(kDouble, 2.0);
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ((std::vector<std::string>{header(kDouble) + "0 1.00000000000000000e+00 2.00000000000000000e+00"}),
            receiveAll(q));
  const std::string dropped = "Notification Queue Error: a double record of a value that is not a finite "
                              "number cannot be read by the listener of queue " + queueNameOf(q) +
                              "; record dropped";
  EXPECT_EQ((std::vector<std::string>{dropped, dropped, dropped}), sink_.messages(kWarning));
  EXPECT_EQ(4u, sink_.messages(kNotifications).size());
  EXPECT_EQ("Notify Element GlobalConfig, handle: " + h() + ", property: 13176, value changed from nan to nan",
            sink_.messages(kNotifications)[1]);
}

TEST_F(ItemNotify, ListenerBlockPositionsFollowTheItemTypeCode) {
  const long long l = addListener(L"L", tavik_test::randomQueueId(), 0);
  listen(kInt, l);
  EXPECT_EQ(kIntBlock, config_.getListenerOffset(kInt));
  const char* element = ws_->getBaseAddress() + config_.getHandle();
  std::int32_t count = 0;
  long long first = 0;
  std::memcpy(&count, element + kInt + 8, sizeof count);
  std::memcpy(&first, element + kInt + 12, sizeof first);
  EXPECT_EQ(1, count);
  EXPECT_EQ(l, first);
  EXPECT_EQ(1, config_.getListenerCount(kInt));

  EXPECT_EQ(kWide4100 + 4100, config_.getListenerOffset(kWide4100));
  EXPECT_EQ(0u, config_.getListenerOffset(kUnlistenedInt));
  EXPECT_EQ(0, config_.getListenerCount(kUnlistenedInt));
  EXPECT_EQ(0, config_.getListenerCount(kDouble));
}

TEST_F(ItemNotify, LogLinesComeInOrderMarkThenNotificationThenTheWrite) {
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
                "NOTIFICATIONS set Notify Element GlobalConfig, handle: " + h() +
                    ", property: 12360, value changed from 0 to 7",
                "READ_WRITE set Set GlobalConfig[" + h() + "] -> BenchState[12360] to 7"}),
            lines);
}

TEST_F(ItemNotify, WithTheLevelsOffNothingIsLoggedButListenersAreStillTold) {
  ScopedLevels restore;
  g3::log_levels::disable(READ_WRITE);
  g3::log_levels::disable(NOTIFICATIONS);
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Quiet", q, 0);
  listen(kInt, l);
  config_.set(kInt, 3);
  EXPECT_TRUE(sink_.records().empty());
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ(std::vector<std::string>{header(kInt) + "2 0 3"}, receiveAll(q));
}

TEST_F(ItemNotify, ItemsWithoutListenersCostOneWriteAndOneLine) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Idle", q, 1);
  config_.set(kUnlistenedInt, 4);
  config_.set(kInt, 9);  // listened item, but nobody registered
  // A stored negative count means no listeners, even with a handle in slot 0.
  const std::int32_t negative = -5;
  writeRaw(kIntBlock, &negative, sizeof negative);
  writeRaw(kIntBlock + 4, &l, sizeof l);
  EXPECT_EQ(0, config_.getListenerCount(kInt));
  config_.set(kInt, 10);
  EXPECT_EQ(0, notified(l));
  EXPECT_FALSE(queueExists(q));
  EXPECT_EQ((std::vector<std::string>{"Set GlobalConfig[" + h() + "] -> ProgressTotal[10760] to 4",
                                      "Set GlobalConfig[" + h() + "] -> BenchState[12360] to 9",
                                      "Set GlobalConfig[" + h() + "] -> BenchState[12360] to 10"}),
            sink_.messages());
  EXPECT_EQ(10, config_.get<int>(kInt));
}

TEST_F(ItemNotify, AStoredCountAbove100ReadsOnlyTheBlocks100Handles) {
  const int q = tavik_test::randomQueueId();
  const long long l = addListener(L"Many", q, 0);
  // The bytes after the 100th handle belong to the double item; make them a
  // handle that is no listener.
  config_.set(kDouble, 1e300);
  const std::int32_t count = 1000;
  writeRaw(kIntBlock, &count, sizeof count);
  for (int i = 0; i < 100; ++i) writeRaw(kIntBlock + 4 + 8 * i, &l, sizeof l);
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
  EXPECT_TRUE(listener.hasObservers());
  listener.set(600, 5);
  EXPECT_EQ(std::vector<std::string>{lh + " 600 2 5"}, recorder->calls);
  EXPECT_EQ(5, notified(listener.getHandle()));
  EXPECT_EQ((std::vector<std::string>{"Set Observed[" + lh + "] -> Position[600] to 2",
                                      "Set Observed[" + lh + "] -> Position[600] to 5"}),
            sink_.messages());
}

}  // namespace
