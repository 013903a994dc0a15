// The element proxy: typed reads with their READ_WRITE lines, names, item
// types, the plain int write, reference counts, element types and versions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Workspace/SharedElement.h"
#include "workspace/Device.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::CapturingSink;
using ws::ConfigVersion;
using ws::Workspace;

// A proxy that counts how often a log line asked for an item name.
class CountingElement : public ws::SharedElement<CountingElement> {
 public:
  using ws::SharedElement<CountingElement>::SharedElement;
  std::string getPropertyName(unsigned int property) const override {
    ++calls;
    return ws::SharedElement<CountingElement>::getPropertyName(property);
  }
  mutable int calls = 0;
};

struct LevelsRestored {
  ~LevelsRestored() { g3::log_levels::enableAll(); }
};

class ElementProxyTest : public ::testing::Test {
 protected:
  std::string handleText(long long handle) { return "[" + std::to_string(handle) + "]"; }

  tavik_test::ScopedWorkspace scope_;
  boost::shared_ptr<Workspace> workspace_ = Workspace::getInstance();
  LevelsRestored levels_;
};

TEST_F(ElementProxyTest, IntReadLogsItemElementAndValue) {
  ws::GlobalConfig global;
  workspace_->setItem(global.getHandle() + 10768, 7);
  CapturingSink sink;
  EXPECT_EQ(7, global.get<int>(10768));
  ASSERT_EQ(1u, sink.records().size());
  const g3::LogRecord& line = sink.records()[0];
  EXPECT_EQ("Read item: ProgressCurrent[10768] for Element GlobalConfig" +
                handleText(global.getHandle()) + ". Value: 7",
            line.message);
  EXPECT_EQ(506, line.level_value);
  EXPECT_EQ("READ_WRITE", line.level_text);
  EXPECT_EQ("get", line.function);
  EXPECT_NE(std::string::npos, line.file.find("SharedElement.h"));
}

TEST_F(ElementProxyTest, OutFormAndValueTextsOfEachType) {
  ws::Parameter p(L"Throttle");
  const std::string element = " for Element Throttle" + handleText(p.getHandle()) + ". Value: ";
  p.set(ws::parameter::Value, 0.1);
  p.set(ws::parameter::Get_ChannelName, std::wstring(L"Pedal\u0141"));
  workspace_->setItem(p.getHandle() + ws::parameter::Request_ChannelName, std::string("Req-1"));
  CapturingSink sink;

  EXPECT_EQ(0.1, p.get<double>(ws::parameter::Value));
  std::wstring wide;
  p.get(ws::parameter::Get_ChannelName, wide);
  EXPECT_EQ(L"Pedal\u0141", wide);  // the value itself is unchanged
  std::string narrow;
  p.get(ws::parameter::Request_ChannelName, narrow);
  EXPECT_EQ("Req-1", narrow);
  EXPECT_EQ(0u, p.get<unsigned int>(ws::parameter::Set_Type));
  EXPECT_EQ(0LL, p.get<long long>(ws::parameter::Request_Parameter));

  EXPECT_EQ((std::vector<std::string>{
                "Read item: Value[13464]" + element + "0.10000000000000001",
                "Read item: Get_ChannelName[10420]" + element + "PedalA",
                "Read item: Request_ChannelName[11684]" + element + "Req-1",
                "Read item: Set_Type[696]" + element + "0",
                "Read item: Request_Parameter[3272]" + element + "0",
            }),
            sink.messages());
}

TEST_F(ElementProxyTest, NothingIsComposedWhenReadWriteIsOff) {
  const long long handle = ws::GlobalConfig().getHandle();
  CountingElement element(handle);
  CapturingSink sink;
  g3::log_levels::disable(READ_WRITE);
  EXPECT_EQ(0, element.get<int>(10768));
  std::wstring status;
  element.get(10776, status);
  EXPECT_EQ(0, element.calls);
  EXPECT_TRUE(sink.records().empty());

  g3::log_levels::enable(READ_WRITE);
  element.get(10776, status);
  EXPECT_EQ(1, element.calls);
  EXPECT_EQ(1u, sink.records().size());
}

TEST_F(ElementProxyTest, NamesAndItemTypesComeFromTheElement) {
  ws::Parameter p(L"K\u00FChlmittel \u0416");
  std::wstring wide;
  p.getName(wide);
  EXPECT_EQ(L"K\u00FChlmittel \u0416", wide);
  EXPECT_EQ("K\xFChlmittel \x16", p.getName());
  EXPECT_EQ(19, p.getItemType(ws::parameter::Value));
  EXPECT_EQ(5, p.getItemType(ws::parameter::Set_ChannelName));
  EXPECT_EQ(6, p.getItemType(ws::parameter::Request_ChannelName));
  EXPECT_EQ(2, p.getItemType(ws::parameter::Set_Type));
  // Low 8 bits of each 16-bit unit; a character above U+FFFF is two units.
  EXPECT_EQ(std::string("A=\0", 3), ws::SharedElement<CountingElement>::narrow(L"\u0141\U0001F600"));
  EXPECT_EQ("-3", ws::SharedElement<CountingElement>::toString(-3));
  EXPECT_EQ("4294967295", ws::SharedElement<CountingElement>::toString(4294967295u));
  EXPECT_EQ("-9000000000", ws::SharedElement<CountingElement>::toString(-9000000000LL));
  EXPECT_EQ("1.5", ws::SharedElement<CountingElement>::toString(1.5));
}

TEST_F(ElementProxyTest, PlainIntSetWritesWithoutAnyLine) {
  const long long handle = ws::GlobalConfig().getHandle();
  CountingElement element(handle);
  CapturingSink sink;
  element.set(10760, 0);
  element.set(10760, 12);
  EXPECT_TRUE(sink.records().empty());
  int total = 0;
  workspace_->getItem(handle + 10760, total);
  EXPECT_EQ(12, total);
}

TEST_F(ElementProxyTest, InvalidProxyTouchesNoMemory) {
  for (long long handle : {0LL, -1LL}) {
    CountingElement invalid(handle);
    CapturingSink sink;
    // A workspace call with this handle would throw: the warning is all there is.
    invalid.increaseReferenceCounter();
    ASSERT_EQ(1u, sink.records().size());
    EXPECT_EQ("try to increase counter for invalid element", sink.records()[0].message);
    EXPECT_EQ(500, sink.records()[0].level_value);
    EXPECT_EQ("increaseReferenceCounter", sink.records()[0].function);

    std::wstring name;
    EXPECT_THROW(invalid.get<int>(10768), WorkspaceException);
    EXPECT_THROW(invalid.get(10776, name), WorkspaceException);
    EXPECT_THROW(invalid.getName(), WorkspaceException);
    EXPECT_THROW(invalid.getItemType(10768), WorkspaceException);
    EXPECT_THROW(invalid.set(10768, 1), WorkspaceException);
    EXPECT_EQ(handle, invalid.getHandle());
    EXPECT_EQ(0, invalid.calls);
  }
  // A positive handle that is no element is refused, not read.
  CountingElement stray(1LL << 40);
  EXPECT_THROW(stray.getName(), WorkspaceException);
}

TEST_F(ElementProxyTest, ElementTypeByNameAndByHandle) {
  const long long parameter = ws::Parameter(L"Speed").getHandle();
  const long long device = ws::Device(L"Speed").getHandle();
  long long handle = 99;
  EXPECT_EQ(-1, workspace_->getElementType(L"Speed", handle));  // only area 0xA00000 is searched
  EXPECT_LE(handle, 0);
  EXPECT_EQ(2, workspace_->getElementType(parameter));
  EXPECT_EQ(14, workspace_->getElementType(device));
  EXPECT_EQ(-1, workspace_->getElementType(0));
  EXPECT_EQ(-1, workspace_->getElementType(-7));
  EXPECT_EQ(-1, workspace_->getElementType(parameter + 8));
  EXPECT_EQ(-1, workspace_->getElementType(1LL << 40));
}

TEST(ConfigVersion, ComparesDottedNumericComponents) {
  auto greater = [](const wchar_t* a, const wchar_t* b) {
    return ConfigVersion(a) > ConfigVersion(b);
  };
  EXPECT_TRUE(greater(L"1.10", L"1.2"));
  EXPECT_FALSE(greater(L"1.2", L"1.10"));
  EXPECT_FALSE(greater(L"1.2", L"1.2"));
  EXPECT_FALSE(greater(L"1.2.0", L"1.2"));
  EXPECT_FALSE(greater(L"1.2", L"1.2.0"));
  EXPECT_TRUE(greater(L"1.2.1", L"1.2"));
  EXPECT_FALSE(greater(L"0.0", L"1.2"));
  EXPECT_TRUE(greater(L"2", L"1.9.9"));
  EXPECT_FALSE(greater(L"1.02", L"1.2"));
  EXPECT_FALSE(greater(L"", L"0"));
  EXPECT_TRUE(greater(L"1.3beta", L"1.2"));
  EXPECT_TRUE(greater(L"123456789012345678901234567890", L"99999999999999999999"));
  EXPECT_EQ(L"1.2", ConfigVersion(L"1.2").text());
}

}  // namespace
