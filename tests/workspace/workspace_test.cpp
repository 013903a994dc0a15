// The workspace's own services on a real shared-memory segment.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <boost/interprocess/shared_memory_object.hpp>

#include "ScopedWorkspace.h"
#include "workspace/Device.h"
#include "workspace/GlobalConfig.h"
#include "workspace/IPCListener.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;
using ws::Workspace;

class WorkspaceTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace scope_;
  boost::shared_ptr<Workspace> workspace_ = Workspace::getInstance();
};

// Expects a WorkspaceException whose message contains the text.
#define EXPECT_WORKSPACE_ERROR(statement, text)                                          \
  try {                                                                                  \
    statement;                                                                           \
    ADD_FAILURE() << "no WorkspaceException";                                            \
  } catch (const WorkspaceException& e) {                                                \
    EXPECT_NE(std::string::npos, e.twhat().find(text)) << e.twhat();                     \
  }

TEST_F(WorkspaceTest, ElementIsCreatedOnceZeroFilledWithItsHeader) {
  ws::Parameter first(L"Engine Speed");
  ws::Parameter again(L"Engine Speed");
  EXPECT_EQ(first.getHandle(), again.getHandle());
  EXPECT_GT(first.getHandle(), 0);
  EXPECT_EQ("Engine Speed", first.getName());
  EXPECT_EQ(0.0, first.get<double>(ws::parameter::Value));
  EXPECT_EQ(L"", first.get<std::wstring>(ws::parameter::Set_ChannelName));

  const char* element = workspace_->getBaseAddress() + first.getHandle();
  std::int32_t header[5];
  std::memcpy(header, element, sizeof header);
  EXPECT_EQ(2, header[0]);         // type code
  EXPECT_EQ(0, header[1]);         // reference count
  EXPECT_EQ(2, header[2]);         // class id
  EXPECT_EQ(14336, header[3]);     // size
  EXPECT_EQ(0x400000, header[4]);  // area
  EXPECT_EQ(first.getHandle(), workspace_->findElement(L"Engine Speed", 0x400000));
  EXPECT_EQ(0, workspace_->findElement(L"Engine Speed", 0));
}

TEST_F(WorkspaceTest, NameMustFitTheNameRoomWithItsTerminator) {
  // Parameter items start at 544: 262 units of name room, one for the terminator.
  ws::Parameter longest(std::wstring(261, L'n'));
  EXPECT_EQ(std::string(261, 'n'), longest.getName());
  EXPECT_WORKSPACE_ERROR(ws::Parameter(std::wstring(262, L'n')),
                         "(262 characters) does not fit a Parameter element (room for 261 characters)");
  // A character above U+FFFF takes two units.
  EXPECT_WORKSPACE_ERROR(ws::Parameter(std::wstring(260, L'n') + L"\U0001F600"), "does not fit");
  EXPECT_WORKSPACE_ERROR(ws::Parameter(std::wstring(L"a\0b", 3)), "holds a zero character");
  EXPECT_FALSE(workspace_->is_existing_element(std::wstring(262, L'n'), 0x400000));
  ws::Parameter empty(L"");  // an unnamed configured parameter is still an element
  EXPECT_EQ("", empty.getName());
}

TEST_F(WorkspaceTest, HandleOfAnotherClassIsRefused) {
  ws::Device device(L"ECU1");
  ws::Parameter parameter(L"ECU1");  // same name, other area: another element
  EXPECT_NE(device.getHandle(), parameter.getHandle());
  EXPECT_WORKSPACE_ERROR(ws::Parameter{device.getHandle()}, "Device ECU1[");
  EXPECT_WORKSPACE_ERROR(ws::Parameter{device.getHandle()}, "is not a Parameter");
  EXPECT_WORKSPACE_ERROR(ws::Device{device.getHandle() + 8}, "no workspace element at handle");
  EXPECT_EQ(parameter.getHandle(), ws::Parameter(parameter.getHandle()).getHandle());
}

TEST_F(WorkspaceTest, NameHeldByAnotherClassIsRefused) {
  // Today each class has an area of its own; stand in for an element that
  // another class left under the name by rewriting the class id (byte 8).
  const long long handle = ws::Parameter(L"Shared Name").getHandle();
  const std::int32_t device_class = ws::element_class::kDevice;
  std::memcpy(workspace_->getBaseAddress() + handle + 8, &device_class, 4);
  EXPECT_WORKSPACE_ERROR(workspace_->openOrCreateElement(ws::element_class::kParameter, L"Shared Name"),
                         "the element \"Shared Name\" in memory area 0x400000 is a Device, not a Parameter");
}

TEST_F(WorkspaceTest, NumbersConvertToTheItemTypeKeepingTheirValue) {
  ws::Device device(L"Dyno");
  const long long link = device.getHandle() + ws::device::WatchdogIn;
  workspace_->setItem(link, -1);
  long long as_long_long = 0;
  int as_int = 0;
  workspace_->getItem(link, as_long_long);
  workspace_->getItem(link, as_int);
  EXPECT_EQ(-1, as_long_long);
  EXPECT_EQ(-1, as_int);

  workspace_->setItem(link, 5000000000LL);
  EXPECT_WORKSPACE_ERROR(workspace_->getItem(link, as_int),
                         "cannot read item WatchdogIn[608] of Device Dyno[");
  EXPECT_WORKSPACE_ERROR(workspace_->getItem(link, as_int), "the value 5000000000 does not fit int");

  const long long timeout = device.getHandle() + ws::device::WatchdogTimeout;
  workspace_->setItem(timeout, 7.9);
  EXPECT_EQ(7, device.get<int>(ws::device::WatchdogTimeout));
  workspace_->setItem(timeout, -2.5);
  EXPECT_EQ(-2, device.get<int>(ws::device::WatchdogTimeout));
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(timeout, std::nan("")), "does not fit int");
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(timeout, 5000000000LL), "does not fit int");
  EXPECT_EQ(-2, device.get<int>(ws::device::WatchdogTimeout));  // refused writes change nothing

  ws::GlobalConfig global;
  const long long counter = global.getHandle() + ws::global_config::LoadCounter;
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(counter, -1), "the value -1 does not fit unsigned int");
  workspace_->setItem(counter, 4000000000u);
  EXPECT_EQ(4000000000LL, global.get<long long>(ws::global_config::LoadCounter));
  workspace_->setItem(global.getHandle() + ws::global_config::CycleTime, 3);
  EXPECT_EQ(3.0, global.get<double>(ws::global_config::CycleTime));
}

TEST_F(WorkspaceTest, TextsConvertAmongTextsAndMustFitTheirRoom) {
  ws::Parameter p(L"Torque");
  const long long set_channel = p.getHandle() + ws::parameter::Set_ChannelName;    // wide, 256 bytes
  const long long request = p.getHandle() + ws::parameter::Request_ChannelName;  // narrow, 256 bytes

  workspace_->setItem(set_channel, std::string("M\xE4x"));  // narrow into wide: byte by byte
  EXPECT_EQ(L"M\u00E4x", p.get<std::wstring>(ws::parameter::Set_ChannelName));
  workspace_->setItem(request, std::wstring(L"A\u0141\u20AC"));  // wide into narrow: low 8 bits
  std::string narrow;
  p.get(ws::parameter::Request_ChannelName, narrow);
  EXPECT_EQ("AA\xAC", narrow);
  // U+0100 would become a zero byte and cut the text: refused.
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(request, std::wstring(L"x\u0100y")), "zero character");
  workspace_->setItem(set_channel, std::wstring(L"\U0001F600"));  // surrogate pair survives
  EXPECT_EQ(L"\U0001F600", p.get<std::wstring>(ws::parameter::Set_ChannelName));

  workspace_->setItem(set_channel, std::wstring(127, L'w'));
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(set_channel, std::wstring(128, L'x')),
                         "a text of 128 characters does not fit (room for 127)");
  EXPECT_EQ(std::wstring(127, L'w'), p.get<std::wstring>(ws::parameter::Set_ChannelName));
  workspace_->setItem(request, std::string(255, 'r'));
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(request, std::string(256, 'r')), "room for 255");
  workspace_->setItem(set_channel, std::wstring(L"ab"));  // a shorter text leaves no tail behind
  EXPECT_EQ(L"ab", p.get<std::wstring>(ws::parameter::Set_ChannelName));

  EXPECT_WORKSPACE_ERROR(workspace_->setItem(set_channel, 1), "a text item cannot hold or give a number");
  EXPECT_WORKSPACE_ERROR(p.get<int>(ws::parameter::Set_ChannelName), "cannot read item Set_ChannelName[9156]");
  EXPECT_WORKSPACE_ERROR(workspace_->setItem(p.getHandle() + ws::parameter::Set_Type, std::wstring(L"1")),
                         "a number item cannot hold or give a text");
}

TEST_F(WorkspaceTest, OffsetsMustBeTheFirstByteOfAnItem) {
  ws::Parameter p(L"Lambda");
  int value = 0;
  EXPECT_WORKSPACE_ERROR(workspace_->getItem(p.getHandle() + 697, value),
                         "is not an item of Parameter Lambda[");
  EXPECT_WORKSPACE_ERROR(workspace_->getItem(p.getHandle() + 14336, value), "no workspace element at offset");
  EXPECT_WORKSPACE_ERROR(workspace_->getItem(8, value), "no workspace element at offset 8");
  EXPECT_WORKSPACE_ERROR(workspace_->getItemType(-5), "no workspace element at offset -5");
  EXPECT_EQ(14, workspace_->getItemType(ws::GlobalConfig().getHandle() + 11296));
  EXPECT_EQ(19, workspace_->getItemType(p.getHandle() + ws::parameter::Value));
  EXPECT_EQ("Set_Type", workspace_->getPropertyName(p.getHandle(), 696));
  EXPECT_EQ("unknown", workspace_->getPropertyName(p.getHandle(), 697));
  EXPECT_EQ("unknown", workspace_->getPropertyName(0, 696));
}

TEST_F(WorkspaceTest, ElementsOfATypeComeInCreationOrder) {
  const long long b = ws::Parameter(L"b").getHandle();
  const long long device = ws::Device(L"a").getHandle();
  const long long a = ws::Parameter(L"a").getHandle();
  const long long c = ws::Parameter(L"c").getHandle();
  ws::Parameter(L"b");  // opening again adds nothing
  std::vector<long long> handles = {42};
  workspace_->getAllElementsOfType(2, handles, 0x400000);
  EXPECT_EQ((std::vector<long long>{b, a, c}), handles);
  workspace_->getAllElementsOfType(14, handles, 0);
  EXPECT_EQ(std::vector<long long>{device}, handles);
  workspace_->getAllElementsOfType(2, handles, 0);
  EXPECT_TRUE(handles.empty());
}

TEST_F(WorkspaceTest, LookupByNameAndArea) {
  const long long handle = ws::Parameter(L"Oil Temp").getHandle();
  EXPECT_TRUE(workspace_->is_existing_element(L"Oil Temp", 0x400000));
  EXPECT_FALSE(workspace_->is_existing_element(L"Oil Temp", 0));
  EXPECT_FALSE(workspace_->is_existing_element(L"Oil", 0x400000));
  EXPECT_EQ(handle, workspace_->getElement(L"Oil Temp", 0x400000));
  EXPECT_WORKSPACE_ERROR(workspace_->getElement(L"Oil", 0x400000),
                         "no workspace element named \"Oil\" in memory area 0x400000");
}

TEST_F(WorkspaceTest, ReferenceCountRisesPerRequest) {
  ws::Parameter p(L"Counted");
  workspace_->increaseReferenceCounter(p.getHandle());
  p.increaseReferenceCounter();
  EXPECT_EQ(2, workspace_->getReferenceCount(p.getHandle()));
  EXPECT_WORKSPACE_ERROR(workspace_->increaseReferenceCounter(p.getHandle() + 8), "no workspace element");
}

TEST_F(WorkspaceTest, ListenersAreAppendedToTheItemsBlock) {
  ws::Parameter p(L"Listened");
  const long long value_item = p.getHandle() + ws::parameter::Value;
  const long long first = ws::IPCListener(L"listener 0").getHandle();
  workspace_->addListener(value_item, first);
  workspace_->addListener(value_item, first);  // already there: not added twice

  const char* block = workspace_->getBaseAddress() + p.getHandle() + 13472;
  std::int32_t count = 0;
  long long stored = 0;
  std::memcpy(&count, block, 4);
  std::memcpy(&stored, block + 4, 8);
  EXPECT_EQ(1, count);
  EXPECT_EQ(first, stored);

  for (int i = 1; i < 100; ++i)
    workspace_->addListener(value_item, ws::IPCListener(L"listener " + std::to_wstring(i)).getHandle());
  std::memcpy(&count, block, 4);
  EXPECT_EQ(100, count);
  const long long one_more = ws::IPCListener(L"listener 100").getHandle();
  EXPECT_WORKSPACE_ERROR(workspace_->addListener(value_item, one_more),
                         "the item Value[13464] of Parameter Listened[");
  EXPECT_WORKSPACE_ERROR(workspace_->addListener(value_item, one_more), "already has 100 listeners");
  EXPECT_WORKSPACE_ERROR(workspace_->addListener(p.getHandle() + ws::parameter::Set_Type, first),
                         "takes no listeners");
  ws::GlobalConfig global;
  EXPECT_WORKSPACE_ERROR(workspace_->addListener(global.getHandle() + 12360, p.getHandle()),
                         "is not a IPCListener");
}

TEST_F(WorkspaceTest, DeviceRecordsOneEcuPerCallAndUpdatesAKnownOne) {
  ws::Device device(L"Engine");
  device.add_ecu(L"ECU\u00C4", "a.hex", "a.a2l");
  device.add_ecu(L"ECU2", "b.hex", "b.a2l");
  device.add_ecu(L"ECU\u00C4", "c.hex", "c.a2l");
  EXPECT_EQ(2, device.getEcuCount());
  std::string hex;
  device.get(ws::device::ecuHexFile(0), hex);
  EXPECT_EQ("c.hex", hex);
  EXPECT_EQ(L"ECU2", device.get<std::wstring>(ws::device::ecuName(1)));

  EXPECT_WORKSPACE_ERROR(device.add_ecu(L"ECU3", std::string(512, 'h'), "x"), "room for 511");
  EXPECT_EQ(2, device.getEcuCount());
  for (int k = 2; k < 16; ++k) device.add_ecu(L"E" + std::to_wstring(k), "h", "a");
  EXPECT_WORKSPACE_ERROR(device.add_ecu(L"E16", "h", "a"),
                         "cannot add ECU E16 to device Engine: its table already holds 16 ECUs");
  device.add_ecu(L"E15", "h2", "a2");  // a known ECU can still be updated
  EXPECT_EQ(16, device.getEcuCount());
}

TEST_F(WorkspaceTest, ParameterDoubleSetWritesThroughTheWorkspace) {
  ws::Parameter p(L"Demand");
  p.set(ws::parameter::Demand_Value_10, 0.25);
  p.set(ws::parameter::Value, 3);  // an int into a double item
  EXPECT_EQ(0.25, p.get<double>(1432));
  EXPECT_EQ(3.0, p.get<double>(ws::parameter::Value));
  EXPECT_THROW(ws::Parameter(0LL).set(ws::parameter::Value, 1.0), WorkspaceException);
}

TEST(WorkspaceSegment, FullSegmentRefusesNewElementsAndKeepsOldOnes) {
  tavik_test::ScopedWorkspace scope(256 * 1024);
  ws::Parameter kept(L"kept");
  kept.set(ws::parameter::Value, 1.5);
  bool refused = false;
  for (int i = 0; i < 40 && !refused; ++i) {
    try {
      ws::Parameter(L"p" + std::to_wstring(i));
    } catch (const WorkspaceException& e) {
      EXPECT_NE(std::string::npos, e.twhat().find("is full")) << e.twhat();
      refused = true;
    }
  }
  EXPECT_TRUE(refused);
  EXPECT_EQ(1.5, kept.get<double>(ws::parameter::Value));
}

TEST(WorkspaceSegment, BadSizeSettingIsAClearError) {
  tavik_test::ScopedWorkspace scope;
  ::setenv("TAVIK_WORKSPACE_SIZE", "64M", 1);
  EXPECT_WORKSPACE_ERROR(Workspace::getInstance(), "TAVIK_WORKSPACE_SIZE must be a number of bytes");
}

TEST(WorkspaceSegment, EachScopeHasItsOwnSegmentRemovedAtTheEnd) {
  std::string first_name;
  long long handle = 0;
  {
    tavik_test::ScopedWorkspace first;
    first_name = first.name();
    EXPECT_EQ(0u, first_name.find("tavik_test_" + std::to_string(::getpid()) + "_"));
    EXPECT_EQ(first_name, Workspace::getInstance()->getSegmentName());
    handle = ws::Parameter(L"only here").getHandle();
    {
      tavik_test::ScopedWorkspace second;
      EXPECT_NE(first_name, second.name());
      EXPECT_FALSE(Workspace::getInstance()->is_existing_element(L"only here", 0x400000));
    }
  }
  namespace bip = boost::interprocess;
  EXPECT_THROW(bip::shared_memory_object(bip::open_only, first_name.c_str(), bip::read_only),
               bip::interprocess_exception);
  EXPECT_GT(handle, 0);
}

}  // namespace
