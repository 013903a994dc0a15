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

class ElementProxyTest : public ::testing::Test {
 protected:
  ~ElementProxyTest() override { g3::log_levels::enableAll(); }
  tavik_test::ScopedWorkspace scope_;
  boost::shared_ptr<ws::Workspace> workspace_ = ws::Workspace::getInstance();
};

TEST_F(ElementProxyTest, ReadsLogItemElementAndValueText) {
  ws::Parameter p(L"Throttle");
  const std::string element = " for Element Throttle[" + std::to_string(p.getHandle()) + "]. Value: ";
  p.set(ws::parameter::Value, 0.1);
  p.set(ws::parameter::Get_ChannelName, std::wstring(L"Pedal\u0141"));
  p.set(ws::parameter::Request_ChannelName, std::string("Req-1"));
  p.set(ws::parameter::Set_Type, -3);
  CapturingSink sink;
  EXPECT_EQ(0.1, p.get<double>(ws::parameter::Value));
  std::wstring wide;
  p.get(ws::parameter::Get_ChannelName, wide);
  EXPECT_EQ(L"Pedal\u0141", wide);  // the value itself keeps the character
  std::string narrow;
  p.get(ws::parameter::Request_ChannelName, narrow);
  EXPECT_EQ("Req-1", narrow);
  EXPECT_EQ(-3, p.get<int>(ws::parameter::Set_Type));
  EXPECT_EQ(0LL, p.get<long long>(ws::parameter::Request_Parameter));
  EXPECT_EQ((std::vector<std::string>{"Read item: Value[13464]" + element + "0.10000000000000001",
                                      "Read item: Get_ChannelName[10420]" + element + "PedalA",
                                      "Read item: Request_ChannelName[11684]" + element + "Req-1",
                                      "Read item: Set_Type[696]" + element + "-3",
                                      "Read item: Request_Parameter[3272]" + element + "0"}),
            sink.messages());
  EXPECT_EQ("READ_WRITE", std::string(sink.records()[0].level_text));
  EXPECT_EQ("get", sink.records()[0].function);
  EXPECT_NE(std::string::npos, sink.records()[0].file.find("SharedElement.h"));
}

TEST_F(ElementProxyTest, WithReadWriteOffNothingIsComposedAndThePlainSetNeverLogs) {
  CountingElement element(ws::GlobalConfig().getHandle());
  CapturingSink sink;
  g3::log_levels::disable(READ_WRITE);
  std::wstring status;
  element.get(10776, status);
  EXPECT_EQ(0, element.get<int>(10768));
  EXPECT_EQ(0, element.calls);
  g3::log_levels::enable(READ_WRITE);
  element.set(10768, 12);
  EXPECT_TRUE(sink.records().empty());
  EXPECT_EQ(12, element.get<int>(10768));
  EXPECT_EQ(1, element.calls);
  EXPECT_EQ(std::vector<std::string>{"Read item: ProgressCurrent[10768] for Element GlobalConfig[" +
                                     std::to_string(element.getHandle()) + "]. Value: 12"},
            sink.messages());
}

TEST_F(ElementProxyTest, NamesItemTypesAndValueTexts) {
  ws::Parameter p(L"K\u00FChlmittel \u0416");
  std::wstring wide;
  p.getName(wide);
  EXPECT_EQ(L"K\u00FChlmittel \u0416", wide);
  EXPECT_EQ("K\xFChlmittel \x16", p.getName());
  EXPECT_EQ(19, p.getItemType(ws::parameter::Value));
  EXPECT_EQ(6, p.getItemType(ws::parameter::Request_ChannelName));
  using Proxy = ws::SharedElement<CountingElement>;
  EXPECT_EQ(std::string("A=\0", 3), Proxy::narrow(L"\u0141\U0001F600"));  // above U+FFFF: two units
  EXPECT_EQ("4294967295", Proxy::toString(4294967295u));
  EXPECT_EQ("-9000000000", Proxy::toString(-9000000000LL));
  EXPECT_EQ("1.5", Proxy::toString(1.5));
}

TEST_F(ElementProxyTest, AnInvalidProxyTouchesNoMemory) {
  for (long long handle : {0LL, -1LL}) {
    CountingElement invalid(handle);
    CapturingSink sink;
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
  }
  EXPECT_THROW(CountingElement(1LL << 40).getName(), WorkspaceException);  // no element there
}

TEST_F(ElementProxyTest, ElementTypeByNameAndByHandle) {
  const long long parameter = ws::Parameter(L"Speed").getHandle();
  long long handle = 99;
  EXPECT_EQ(-1, workspace_->getElementType(L"Speed", handle));  // only area 0xA00000 is searched
  EXPECT_EQ(0, handle);
  EXPECT_EQ(2, workspace_->getElementType(parameter));
  EXPECT_EQ(14, workspace_->getElementType(ws::Device(L"Speed").getHandle()));
  for (long long none : {0LL, -7LL, parameter + 8, 1LL << 40}) EXPECT_EQ(-1, workspace_->getElementType(none));
}

TEST(ConfigVersion, ComparesDottedNumericComponents) {
  const struct { const wchar_t *a, *b; bool greater; } rows[] = {
      {L"1.10", L"1.2", true},   {L"1.2", L"1.10", false}, {L"1.2", L"1.2", false},
      {L"1.2.0", L"1.2", false}, {L"1.2.1", L"1.2", true}, {L"0.0", L"1.2", false},
      {L"2", L"1.9.9", true},    {L"1.02", L"1.2", false}, {L"1.3beta", L"1.2", true},
      {L"123456789012345678901234567890", L"99999999999999999999", true}};
  for (const auto& row : rows)
    EXPECT_EQ(row.greater, ws::ConfigVersion(row.a) > ws::ConfigVersion(row.b)) << row.a << " " << row.b;
}

}  // namespace
