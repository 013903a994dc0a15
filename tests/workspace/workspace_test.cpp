// The workspace's own services on a real shared-memory segment, and a second
// process that maps the same segment.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <boost/interprocess/shared_memory_object.hpp>

#include "ScopedWorkspace.h"
#include "workspace/Device.h"
#include "workspace/GlobalConfig.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/Parameter.h"
#include "workspace/SharedAction.h"

namespace {

namespace ws = tavik::workspace;
using ws::Workspace;

::testing::AssertionResult has(const std::string& text, const std::string& error) {
  if (error.find(text) != std::string::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "\"" << error << "\" lacks \"" << text << "\"";
}

#define WORKSPACE_ERROR(statement) tavik_test::workspaceError([&] { statement; })
#define EXPECT_ERROR_HAS(text, statement) EXPECT_TRUE(has(text, WORKSPACE_ERROR(statement)))

class WorkspaceTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace scope_;
  boost::shared_ptr<Workspace> workspace_ = Workspace::getInstance();
};

TEST_F(WorkspaceTest, ElementsAreMadeOnceWithTheirHeaderAndFoundByNameAndArea) {
  const long long b = ws::Parameter(L"b").getHandle();
  const long long device = ws::Device(L"b").getHandle();  // same name, other area
  const long long a = ws::Parameter(L"a").getHandle();
  std::int32_t header[5];
  std::memcpy(header, workspace_->getBaseAddress() + b, sizeof header);
  EXPECT_EQ((std::vector<std::int32_t>{2, 0, 2, 14336, 0x400000}), std::vector<std::int32_t>(header, header + 5));
  std::vector<long long> parameters = {42}, devices;
  workspace_->getAllElementsOfType(2, parameters, 0x400000);
  workspace_->getAllElementsOfType(14, devices, 0);
  EXPECT_EQ((std::vector<std::vector<long long>>{{b, a}, {device}}),
            (std::vector<std::vector<long long>>{parameters, devices}));
  workspace_->increaseReferenceCounter(a);
  ws::Parameter(a).increaseReferenceCounter();
  EXPECT_EQ((std::vector<long long>{b, 1, 0, a, 2}),
            (std::vector<long long>{ws::Parameter(L"b").getHandle(), workspace_->is_existing_element(L"a", 0x400000),
                                    workspace_->is_existing_element(L"a", 0), workspace_->getElement(L"a", 0x400000),
                                    workspace_->getReferenceCount(a)}));
  EXPECT_EQ("no workspace element named \"c\" in memory area 0x400000",
            WORKSPACE_ERROR(workspace_->getElement(L"c", 0x400000)));
}

// Screen positions, sizes and colours arrive as text and are kept as numbers.
TEST_F(WorkspaceTest, NumberItemsWrittenAsTextKeepTheNumberAndReadBackItsShortestText) {
  const long long color = ws::SharedAction(L"A", 0).getHandle() + ws::shared_action::Color;
  std::vector<std::wstring> read;
  for (const wchar_t* text : {L"14474460", L" 12.50\t", L"-1", L"", L"1e3"}) {
    workspace_->setItem(color, std::wstring(text));
    read.emplace_back();
    workspace_->getItem(color, read.back());
  }
  workspace_->setItem(color, 7);
  double number = 0;
  workspace_->getItem(color, number);
  EXPECT_EQ((std::vector<std::wstring>{L"14474460", L"12.5", L"-1", L"", L"1000"}), read);
  EXPECT_EQ(7.0, number);
  EXPECT_ERROR_HAS("the text \"12px\" is not a number", workspace_->setItem(color, std::wstring(L"12px")));
  EXPECT_ERROR_HAS("is not a number", workspace_->setItem(color, std::string("\xe9")));
}

TEST_F(WorkspaceTest, NamesAndHandlesAreChecked) {
  EXPECT_EQ(std::string(261, 'n'), ws::Parameter(std::wstring(261, L'n')).getName());
  EXPECT_ERROR_HAS("(262 characters) does not fit a Parameter element (room for 261 characters)",
                   ws::Parameter(std::wstring(262, L'n')));
  EXPECT_ERROR_HAS("does not fit", ws::Parameter(std::wstring(260, L'n') + L"\U0001F600"));
  EXPECT_ERROR_HAS("holds a zero character", ws::Parameter(std::wstring(L"a\0b", 3)));
  const long long device = ws::Device(L"ECU1").getHandle();
  EXPECT_ERROR_HAS("the element Device ECU1[" + std::to_string(device) + "] is not a Parameter",
                   ws::Parameter{device});
  EXPECT_ERROR_HAS("no workspace element at handle", ws::Device{device + 8});
  const long long handle = ws::Parameter(L"Shared").getHandle();
  const std::int32_t deviceClass = ws::element_class::kDevice;  // another class left under the name
  std::memcpy(workspace_->getBaseAddress() + handle + 8, &deviceClass, 4);
  EXPECT_EQ("the element \"Shared\" in memory area 0x400000 is a Device, not a Parameter",
            WORKSPACE_ERROR(workspace_->openOrCreateElement(ws::element_class::kParameter, L"Shared")));
}

TEST_F(WorkspaceTest, ValuesConvertToTheItemTypeKeepingTheirValueAndMustFitTheirRoom) {
  ws::Device device(L"Dyno");
  const long long link = device.getHandle() + ws::device::WatchdogIn;            // long long
  const long long timeout = device.getHandle() + ws::device::WatchdogTimeout;    // int
  workspace_->setItem(link, -1);
  workspace_->setItem(timeout, -2.5);
  EXPECT_EQ((std::vector<int>{-1, -2}),
            (std::vector<int>{device.get<int>(ws::device::WatchdogIn), device.get<int>(ws::device::WatchdogTimeout)}));
  workspace_->setItem(link, 5000000000LL);
  EXPECT_EQ("cannot read item WatchdogIn[608] of Device Dyno[" + std::to_string(device.getHandle()) +
                "]: the value 5000000000 does not fit int",
            WORKSPACE_ERROR(device.get<int>(ws::device::WatchdogIn)));
  EXPECT_ERROR_HAS("does not fit int", workspace_->setItem(timeout, std::nan("")));
  EXPECT_EQ(-2, device.get<int>(ws::device::WatchdogTimeout));
  const long long counter = ws::GlobalConfig().getHandle() + ws::global_config::LoadCounter;  // unsigned
  EXPECT_ERROR_HAS("the value -1 does not fit unsigned int", workspace_->setItem(counter, -1));

  ws::Parameter p(L"Torque");
  const long long wide = p.getHandle() + ws::parameter::Set_ChannelName;        // 256 bytes
  const long long narrow = p.getHandle() + ws::parameter::Request_ChannelName;  // 256 bytes
  workspace_->setItem(wide, std::string("M\xE4x"));
  workspace_->setItem(narrow, std::wstring(L"A\u0141\u20AC"));
  EXPECT_EQ(L"M\u00E4x", p.get<std::wstring>(ws::parameter::Set_ChannelName));
  EXPECT_EQ("AA\xAC", p.get<std::string>(ws::parameter::Request_ChannelName));
  EXPECT_ERROR_HAS("zero character", workspace_->setItem(narrow, std::wstring(L"x\u0100y")));
  workspace_->setItem(wide, std::wstring(L"\U0001F600"));
  EXPECT_EQ(L"\U0001F600", p.get<std::wstring>(ws::parameter::Set_ChannelName));
  workspace_->setItem(wide, std::wstring(127, L'w'));
  EXPECT_ERROR_HAS("a text of 128 characters does not fit (room for 127)",
                   workspace_->setItem(wide, std::wstring(128, L'x')));
  EXPECT_EQ(std::wstring(127, L'w'), p.get<std::wstring>(ws::parameter::Set_ChannelName));
  EXPECT_ERROR_HAS("a text item cannot hold or give a number", workspace_->setItem(wide, 1));
  EXPECT_ERROR_HAS("is not an item of Parameter Torque[", p.get<int>(697));
  EXPECT_ERROR_HAS("no workspace element at offset 8", workspace_->getItemType(8));
  EXPECT_EQ("unknown", workspace_->getPropertyName(p.getHandle(), 697));
}

TEST_F(WorkspaceTest, ListenersAreAppendedToTheItemsBlockUpTo100) {
  ws::Parameter p(L"Listened");
  const long long item = p.getHandle() + ws::parameter::Value;
  const long long first = ws::IPCListener(L"listener 0").getHandle();
  workspace_->addListener(item, first);
  workspace_->addListener(item, first);  // already there: not added twice
  for (int i = 1; i < 100; ++i)
    workspace_->addListener(item, ws::IPCListener(L"listener " + std::to_wstring(i)).getHandle());
  std::int32_t count = 0;
  long long stored = 0;
  std::memcpy(&count, workspace_->getBaseAddress() + p.getHandle() + 13472, 4);
  std::memcpy(&stored, workspace_->getBaseAddress() + p.getHandle() + 13476, 8);
  EXPECT_EQ((std::vector<long long>{100, first}), (std::vector<long long>{count, stored}));
  EXPECT_ERROR_HAS("already has 100 listeners", workspace_->addListener(item, ws::IPCListener(L"101").getHandle()));
  EXPECT_ERROR_HAS("takes no listeners", workspace_->addListener(p.getHandle() + ws::parameter::Set_Type, first));
  EXPECT_ERROR_HAS("is not a IPCListener", workspace_->addListener(item, p.getHandle()));
}

TEST(WorkspaceSegment, FullSegmentBadSizeAndOneSegmentPerScope) {
  std::string name;
  {
    tavik_test::ScopedWorkspace scope(256 * 1024);
    name = scope.name();
    EXPECT_EQ(0u, name.find("tavik_test_" + std::to_string(::getpid()) + "_"));
    ws::Parameter kept(L"kept");
    kept.set(ws::parameter::Value, 1.5);
    std::string error = "no WorkspaceException";
    for (int i = 0; i < 40 && error == "no WorkspaceException"; ++i)
      error = WORKSPACE_ERROR(ws::Parameter(L"p" + std::to_wstring(i)));
    EXPECT_TRUE(has("is full", error));
    EXPECT_EQ(1.5, kept.get<double>(ws::parameter::Value));
    tavik_test::ScopedWorkspace inner;
    EXPECT_FALSE(Workspace::getInstance()->is_existing_element(L"kept", 0x400000));
    ::setenv("TAVIK_WORKSPACE_SIZE", "64M", 1);
    Workspace::resetInstance();
    EXPECT_ERROR_HAS("TAVIK_WORKSPACE_SIZE must be a number of bytes", Workspace::getInstance());
  }
  namespace bip = boost::interprocess;
  EXPECT_THROW(bip::shared_memory_object(bip::open_only, name.c_str(), bip::read_only), bip::interprocess_exception);
}

TEST(PeerProcess, SeesAndChangesTheSameElements) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig global;
  global.set(ws::global_config::ProgressCurrent, 42);
  global.set(ws::global_config::StatusText, std::wstring(L"Step 2/4: Loading Parameters"));
  int exitCode = -1;
  const std::string output = tavik_test::runProgram(WORKSPACE_PEER_PATH, exitCode);
  ASSERT_EQ(0, exitCode) << output;
  EXPECT_EQ("handle " + std::to_string(global.getHandle()) +
                "\ntype 1\nname GlobalConfig\nprogress 42\nstatus Step 2/4: Loading Parameters\n",
            output);
  EXPECT_EQ(99, global.get<int>(ws::global_config::ProgressTotal));
  const long long created = Workspace::getInstance()->getElement(L"From Peer", 0x400000);
  EXPECT_EQ(2.5, ws::Parameter(created).get<double>(ws::parameter::Value));
}

}  // namespace
