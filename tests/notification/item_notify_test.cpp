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
#include "TavikEngine/Workspace/IPCListener.h"
#include "TavikEngine/Workspace/ItemObserver.h"

namespace {

using tavik::workspace::IPCListener;
using tavik_test::queueNameOf;
using Lines = std::vector<std::string>;

constexpr int kWarning = 500, kReadWrite = 506, kNotifications = 514;
// Listened GlobalConfig items (code 14, 12, 19, 10, 13, 18, 15, 17) and one without listeners.
constexpr unsigned int kWide256 = 11296, kInt = 12360, kDouble = 13176, kLongLong = 13992,
                       kUnsigned = 14816, kNarrow = 15640, kWide504 = 16704, kWide4100 = 19848,
                       kUnlistened = 10760;

class ItemNotify : public ::testing::Test {
 protected:
  // A listener on queue id_ + offset that hears the given items.
  long long addListener(int offset, int always, std::initializer_list<unsigned int> items) {
    const long long listener = IPCListener(L"Listener " + std::to_wstring(offset)).getHandle();
    ws_->setItem(listener + 584, id_ + offset);
    ws_->setItem(listener + 608, always);
    cleanups_.push_back(std::make_unique<tavik_test::ScopedQueueObjects>(id_ + offset));
    for (unsigned int item : items) ws_->addListener(config_.getHandle() + item, listener);
    return listener;
  }
  int notified(long long listener) {
    int mark = -1;
    ws_->getItem(listener + 600, mark);
    return mark;
  }
  // Bytes of the configuration element, bypassing the workspace's checks.
  template <class T> T peek(unsigned int position) {
    T value;
    std::memcpy(&value, ws_->getBaseAddress() + config_.getHandle() + position, sizeof value);
    return value;
  }
  template <class T> void poke(unsigned int position, T value) {
    std::memcpy(ws_->getBaseAddress() + config_.getHandle() + position, &value, sizeof value);
  }
  Lines receiveAll(int offset = 0) { return tavik_test::receiveAll(id_ + offset); }
  std::string record(unsigned int item, const std::string& tail) const {
    return "22 serialization::archive 18 0 0 " + h() + " " + std::to_string(item) + " " + tail;
  }
  std::string notifyLine(unsigned int item, const std::string& change) const {
    return "Notify Element GlobalConfig, handle: " + h() + ", property: " + std::to_string(item) +
           ", value changed from " + change;
  }
  std::string setLine(const std::string& element, long long handle, const std::string& item) const {
    return "Set " + element + "[" + std::to_string(handle) + "] -> " + item + " to ";
  }
  std::string configLine(const std::string& item) const { return setLine("GlobalConfig", config_.getHandle(), item); }
  std::string h() const { return std::to_string(config_.getHandle()); }
  // Every logged line but the reads.
  Lines changes() const {
    Lines lines;
    for (const std::string& line : sink_.messages())
      if (line.rfind("Read item: ", 0) != 0) lines.push_back(line);
    return lines;
  }

  const int id_ = tavik_test::randomQueueId();
  tavik_test::ScopedWorkspace workspace_;
  boost::shared_ptr<tavik::workspace::Workspace> ws_ = tavik::workspace::Workspace::getInstance();
  tavik::workspace::GlobalConfig config_;
  std::vector<std::unique_ptr<tavik_test::ScopedQueueObjects>> cleanups_;
  tavik_test::CapturingSink sink_;
};

TEST_F(ItemNotify, AListenerProcessReadsEachRecordAndUnsignedAndLongLongOnlyMark) {
  const long long l = addListener(0, 0, {kInt, kDouble, kWide256, kNarrow, kUnsigned, kLongLong});
  config_.set(kInt, 7);
  config_.set(kDouble, -2.5);
  config_.set(kWide256, std::wstring(L"1.2 Gr\u00fc\u00dfe \u20ac"));
  config_.set(kNarrow, std::string("Bob \xe9"));
  int exitCode = -1;
  EXPECT_EQ(h() + " 12360 2: 0 -> 7\n" + h() + " 13176 0: 0 -> -2.5\n" + h() +
                " 11296 5:  -> 1.2 Gr<fc><df>e <20ac>\n" + h() + " 15640 4:  -> Bob \xe9\n",
            tavik_test::runProgram(TAVIK_QUEUE_LISTENER " " + std::to_string(id_) + " 4 2000", exitCode));
  EXPECT_EQ(0, exitCode);

  sink_.clear();
  config_.set(kUnsigned, 3000000000u);
  config_.set(kLongLong, 8589934599LL);
  EXPECT_TRUE(receiveAll().empty());
  const std::string mark = setLine("Listener 0", l, "Position[600]") + "1";
  EXPECT_EQ((Lines{mark, notifyLine(kUnsigned, "0 to -1294967296"), configLine("LoadCounter[14816]") + "3000000000",
                   mark, notifyLine(kLongLong, "0 to 7"), configLine("ActiveTestplan[13992]") + "8589934599"}),
            changes());
}

TEST_F(ItemNotify, OnlyListenersWithTheAlwaysFlagHearOfAnUnchangedValue) {
  ws_->setItem(config_.getHandle() + kInt, 5);
  const long long first = addListener(0, 0, {kInt, kWide504}), second = addListener(1, 1, {kInt}),
                  third = addListener(2, 1, {kInt});
  config_.set(kInt, 5);
  EXPECT_EQ((std::vector<int>{0, 1, 1}), (std::vector<int>{notified(first), notified(second), notified(third)}));
  EXPECT_EQ((std::vector<Lines>{{}, {record(kInt, "2 5 5")}, {record(kInt, "2 5 5")}}),
            (std::vector<Lines>{receiveAll(0), receiveAll(1), receiveAll(2)}));
  EXPECT_EQ(Lines(2, notifyLine(kInt, "5 to 5")), sink_.messages(kNotifications));

  ws_->setItem(config_.getHandle() + kWide504, std::wstring(L"Project"));
  sink_.clear();
  config_.set(kWide504, std::wstring(L"Project"));  // nobody wants it, yet it is written and logged
  EXPECT_EQ(Lines{configLine("ProjectName[16704]") + "Project"}, changes());
}

TEST_F(ItemNotify, NanAlwaysNotifiesButItsUnreadableRecordIsDropped) {
  const long long l = addListener(0, 0, {kDouble});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double value : {nan, nan, 1.0, 1.0, 2.0}) config_.set(kDouble, value);
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ(Lines{record(kDouble, "0 1.00000000000000000e+00 2.00000000000000000e+00")}, receiveAll());
  EXPECT_EQ(Lines(3, "Notification Queue Error: a double record of a value that is not a finite number cannot be "
                     "read by the listener of queue " + queueNameOf(id_) + "; record dropped"),
            sink_.messages(kWarning));
  EXPECT_EQ((Lines{notifyLine(kDouble, "0.000000 to nan"), notifyLine(kDouble, "nan to nan"),
                   notifyLine(kDouble, "nan to 1.000000"), notifyLine(kDouble, "1.000000 to 2.000000")}),
            sink_.messages(kNotifications));
}

TEST_F(ItemNotify, LogLinesComeInOrderReadsMarkNotificationThenTheWrite) {
  const long long l = addListener(0, 1, {kInt});
  config_.set(kInt, 7);
  const std::string lh = std::to_string(l);
  Lines lines;
  for (const auto& r : sink_.records()) lines.push_back(std::string(r.level_text) + " " + r.function + " " + r.message);
  EXPECT_EQ((Lines{"READ_WRITE get Read item: QueueId[584] for Element Listener 0[" + lh + "]. Value: " +
                       std::to_string(id_),
                   "READ_WRITE get Read item: AlwaysNotify[608] for Element Listener 0[" + lh + "]. Value: 1",
                   "READ_WRITE set " + setLine("Listener 0", l, "Position[600]") + "1",
                   "NOTIFICATIONS set " + notifyLine(kInt, "0 to 7"),
                   "READ_WRITE set " + configLine("BenchState[12360]") + "7"}),
            lines);

  g3::log_levels::disable(READ_WRITE);
  g3::log_levels::disable(NOTIFICATIONS);
  sink_.clear();
  ws_->setItem(l + 600, 0);
  config_.set(kInt, 3);
  g3::log_levels::enableAll();
  EXPECT_TRUE(sink_.records().empty());
  EXPECT_EQ(1, notified(l));
  EXPECT_EQ((Lines{record(kInt, "2 0 7"), record(kInt, "2 7 3")}), receiveAll());
}

TEST_F(ItemNotify, TheListenerBlockFollowsTheItemTypeCodeAndItsCountIsBounded) {
  EXPECT_EQ(0, config_.getListenerCount(kInt));
  const long long l = addListener(0, 0, {kInt});
  EXPECT_EQ((std::vector<long long>{1, l, kInt + 8, kWide4100 + 4100, 0}),
            (std::vector<long long>{peek<std::int32_t>(kInt + 8), peek<long long>(kInt + 12),
                                    config_.getListenerOffset(kInt), config_.getListenerOffset(kWide4100),
                                    config_.getListenerOffset(kUnlistened)}));

  poke<std::int32_t>(kInt + 8, -5);  // a negative count: nobody told, like an item without listeners
  config_.set(kUnlistened, 4);
  config_.set(kInt, 10);
  EXPECT_EQ(0, notified(l));
  EXPECT_EQ((Lines{configLine("ProgressTotal[10760]") + "4", configLine("BenchState[12360]") + "10"}),
            sink_.messages());

  // A count above 100 reads only the block's 100 handles, not the double item after them.
  config_.set(kDouble, 1e300);
  poke<std::int32_t>(kInt + 8, 1000);
  for (unsigned int i = 0; i < 100; ++i) poke(kInt + 12 + 8 * i, l);
  EXPECT_EQ(100, config_.getListenerCount(kInt));
  sink_.clear();
  config_.set(kInt, 1);
  EXPECT_EQ(Lines(100, record(kInt, "2 10 1")), receiveAll());
  EXPECT_EQ(std::make_pair(100ul, 0ul),
            std::make_pair(sink_.messages(kNotifications).size(), sink_.messages(kWarning).size()));
}

// Without READ_WRITE the listeners' items are read and marked in place; with
// it they go through their proxies. Both must tell the same listeners the
// same records, mark the same ones, and refuse a handle that is not a
// listener as opening its proxy refuses it (the listeners before it told,
// the ones after it not).
TEST_F(ItemNotify, InPlaceAndProxyListenersTellMarkAndRefuseAlike) {
  const long long quiet = addListener(0, 0, {kInt}), eager = addListener(1, 1, {kInt});
  const long long notAListener = config_.getHandle(), noElement = config_.getHandle() + 1;
  std::vector<Lines> outcomes;
  for (bool traced : {true, false}) {
    traced ? g3::log_levels::enable(READ_WRITE) : g3::log_levels::disable(READ_WRITE);
    Lines events;
    const auto record = [&](const std::string& step) {
      events.push_back(step + ": marks " + std::to_string(notified(quiet)) + std::to_string(notified(eager)));
      for (int offset : {0, 1})
        for (const std::string& r : receiveAll(offset)) events.push_back(std::to_string(offset) + " " + r);
      ws_->setItem(quiet + 600, 0);
      ws_->setItem(eager + 600, 0);
    };
    ws_->setItem(config_.getHandle() + kInt, 5);
    config_.set(kInt, 5);
    record("unchanged");
    config_.set(kInt, 6);
    record("changed");
    int value = 6;
    for (long long bad : {notAListener, noElement}) {
      poke<std::int32_t>(kInt + 8, 3);
      poke(kInt + 12 + 8, bad);  // between the two listeners
      poke(kInt + 12 + 16, eager);
      events.push_back(tavik_test::workspaceError([&] { config_.set(kInt, ++value); }));
      events.push_back("holds " + std::to_string(peek<std::int32_t>(kInt)));
      record("refused");
      poke<std::int32_t>(kInt + 8, 2);
      poke(kInt + 12 + 8, eager);
    }
    outcomes.push_back(events);
  }
  g3::log_levels::enableAll();
  const std::string notA = tavik_test::workspaceError([&] { IPCListener proxy(notAListener); });
  const std::string none = tavik_test::workspaceError([&] { IPCListener proxy(noElement); });
  const Lines expected{"unchanged: marks 01", "1 " + record(kInt, "2 5 5"),
                       "changed: marks 11",   "0 " + record(kInt, "2 5 6"), "1 " + record(kInt, "2 5 6"),
                       notA, "holds 7", "refused: marks 10", "0 " + record(kInt, "2 6 7"),
                       none, "holds 8", "refused: marks 10", "0 " + record(kInt, "2 7 8")};
  EXPECT_EQ((std::vector<Lines>{expected, expected}), outcomes);
}

struct Recorder : tavik::workspace::ItemObserver {
  void itemChanged(long long handle, unsigned int item, int oldValue, int newValue) override {
    calls.push_back(std::to_string(handle) + " " + std::to_string(item) + " " + std::to_string(oldValue) + " " +
                    std::to_string(newValue));
  }
  Lines calls;
};

TEST_F(ItemNotify, NotifyerElementTellsItsObserversAndAlwaysWrites) {
  IPCListener listener(L"Observed");
  listener.set(600, 2);
  EXPECT_FALSE(listener.hasObservers());
  auto recorder = boost::make_shared<Recorder>();
  for (const auto& observer : {recorder, recorder, boost::shared_ptr<Recorder>()}) listener.addObserver(observer);
  listener.set(600, 5);
  EXPECT_EQ(Lines{std::to_string(listener.getHandle()) + " 600 2 5"}, recorder->calls);
  EXPECT_EQ(5, notified(listener.getHandle()));
  const std::string set = setLine("Observed", listener.getHandle(), "Position[600]");
  EXPECT_EQ((Lines{set + "2", set + "5"}), sink_.messages());
}

}  // namespace
