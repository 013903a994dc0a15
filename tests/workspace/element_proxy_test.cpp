// The element proxy: typed reads with their READ_WRITE lines, names, item
// types, the plain int write, reference counts, element types and versions.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
  std::wstring wide;
  std::string narrow;
  const double value = p.get<double>(ws::parameter::Value);
  p.get(ws::parameter::Get_ChannelName, wide);
  p.get(ws::parameter::Request_ChannelName, narrow);
  const int type = p.get<int>(ws::parameter::Set_Type);
  EXPECT_EQ(std::make_tuple(0.1, std::wstring(L"Pedal\u0141"), std::string("Req-1"), -3, 0LL),
            std::make_tuple(value, wide, narrow, type, p.get<long long>(ws::parameter::Request_Parameter)));
  EXPECT_EQ((std::vector<std::string>{"Read item: Value[13464]" + element + "0.10000000000000001",
                                      "Read item: Get_ChannelName[10420]" + element + "PedalA",
                                      "Read item: Request_ChannelName[11684]" + element + "Req-1",
                                      "Read item: Set_Type[696]" + element + "-3",
                                      "Read item: Request_Parameter[3272]" + element + "0"}),
            sink.messages());
  const g3::LogRecord& first = sink.records()[0];
  EXPECT_EQ("READ_WRITE get SharedElement.h", first.level_text + " " + first.function + " " +
                                                  first.file.substr(first.file.rfind('/') + 1));
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

TEST_F(ElementProxyTest, NamesItemTypesAndElementTypes) {
  ws::Parameter p(L"K\u00FChlmittel \u0416");
  std::wstring wide;
  p.getName(wide);
  EXPECT_EQ(L"K\u00FChlmittel \u0416", wide);
  EXPECT_EQ("K\xFChlmittel \x16", p.getName());
  EXPECT_EQ(std::string("A=\0", 3), ws::SharedElement<CountingElement>::narrow(L"\u0141\U0001F600"));
  EXPECT_EQ(std::make_pair(19, 6),
            std::make_pair(p.getItemType(ws::parameter::Value), p.getItemType(ws::parameter::Request_ChannelName)));
  long long handle = 99;
  EXPECT_EQ(-1, workspace_->getElementType(L"K\u00FChlmittel \u0416", handle));  // only area 0xA00000 is searched
  EXPECT_EQ(0, handle);
  EXPECT_EQ(std::make_pair(2, 14), std::make_pair(workspace_->getElementType(p.getHandle()),
                                                  workspace_->getElementType(ws::Device(L"Speed").getHandle())));
  for (long long none : {0LL, -7LL, p.getHandle() + 8, 1LL << 40}) EXPECT_EQ(-1, workspace_->getElementType(none));
}

TEST_F(ElementProxyTest, AnInvalidProxyTouchesNoMemory) {
  for (long long handle : {0LL, -1LL}) {
    CountingElement invalid(handle);
    CapturingSink sink;
    invalid.increaseReferenceCounter();
    EXPECT_EQ(std::vector<std::string>{"try to increase counter for invalid element"}, sink.messages(500));
    EXPECT_EQ(std::vector<std::string>{"increaseReferenceCounter"}, sink.functions(500));
    std::wstring name;
    EXPECT_THROW(invalid.get<int>(10768), WorkspaceException);
    EXPECT_THROW(invalid.get(10776, name), WorkspaceException);
    EXPECT_THROW(invalid.getName(), WorkspaceException);
    EXPECT_THROW(invalid.getItemType(10768), WorkspaceException);
    EXPECT_THROW(invalid.set(10768, 1), WorkspaceException);
  }
  EXPECT_THROW(CountingElement(1LL << 40).getName(), WorkspaceException);  // no element there
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
