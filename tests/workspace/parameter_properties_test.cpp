// Parameter operations by property name: the catalogue, text conversion,
// map bindings, same-set-name links, activation and the initial set value.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedWorkspace.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;
namespace param = tavik::workspace::parameter;

std::string workspaceError(const std::function<void()>& action) {
  try {
    action();
  } catch (const WorkspaceException& e) {
    return e.twhat();
  }
  return "no WorkspaceException";
}

class ParameterPropertiesTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace workspace_;
  ws::Parameter p_{std::wstring(L"Oil Temp")};
};

TEST_F(ParameterPropertiesTest, CatalogueGivesItemNumbersAndTypes) {
  const long long h = p_.getHandle();
  EXPECT_EQ(h + 9156, p_.getHandleForProperty(L"Set_ChannelName"));
  EXPECT_EQ(h + 10420, p_.getHandleForProperty(L"Get_ChannelName"));
  EXPECT_EQ(h + 696, p_.getHandleForProperty(L"Set_Type"));
  EXPECT_EQ(h + 704, p_.getHandleForProperty(L"Get_Type"));
  EXPECT_EQ(h + 13464, p_.getHandleForProperty(L"Value"));
  EXPECT_EQ(ws::item_type::kWideText, p_.getTypeForProperty(L"Set_ChannelName"));
  EXPECT_EQ(ws::item_type::kInt, p_.getTypeForProperty(L"Get_Type"));
  EXPECT_EQ(ws::item_type::kDouble, p_.getTypeForProperty(L"Min"));
  EXPECT_EQ(ws::item_type::kNarrowText, p_.getTypeForProperty(L"Request_ChannelName"));
  // Unknown, differently cased and internal names are not properties.
  for (const wchar_t* name : {L"Colour", L"set_type", L"Log_Flags_0", L""}) {
    EXPECT_EQ(0, p_.getHandleForProperty(name)) << name;
    EXPECT_EQ(-1, p_.getTypeForProperty(name)) << name;
  }
}

TEST_F(ParameterPropertiesTest, TextIsConvertedToTheItemsType) {
  p_.set(L"Set_Type", L" 42 ");
  p_.set(L"Request_Parameter", L"-9000000000");
  p_.set(L"Min", L"-1.5e2");
  p_.set(L"Max", L"7");
  p_.set(L"Unit", L"°C");
  p_.set(L"Request_ChannelName", L"REQ_1");
  EXPECT_EQ(42, p_.get<int>(param::Set_Type));
  EXPECT_EQ(-9000000000LL, p_.get<long long>(param::Request_Parameter));
  EXPECT_EQ(-150.0, p_.get<double>(param::Min));
  EXPECT_EQ(7.0, p_.get<double>(param::Max));
  EXPECT_EQ(L"°C", p_.get<std::wstring>(param::Unit));
  EXPECT_EQ("REQ_1", p_.get<std::string>(param::Request_ChannelName));
  // An empty text clears a number.
  p_.set(L"Set_Type", L"");
  p_.set(L"Min", L"");
  EXPECT_EQ(0, p_.get<int>(param::Set_Type));
  EXPECT_EQ(0.0, p_.get<double>(param::Min));
}

TEST_F(ParameterPropertiesTest, UnconvertibleValuesThrowAndKeepTheItem) {
  p_.set(L"Set_Type", L"3");
  p_.set(L"Max", L"9.5");
  EXPECT_EQ("cannot set property \"Set_Type\" of parameter \"Oil Temp\" to \"abc\": not an integer",
            workspaceError([&] { p_.set(L"Set_Type", L"abc"); }));
  EXPECT_EQ("cannot set property \"Set_Type\" of parameter \"Oil Temp\" to \"1.5\": not an integer",
            workspaceError([&] { p_.set(L"Set_Type", L"1.5"); }));
  EXPECT_EQ(
      "cannot set property \"Set_Type\" of parameter \"Oil Temp\" to \"3000000000\": out of range",
      workspaceError([&] { p_.set(L"Set_Type", L"3000000000"); }));
  EXPECT_EQ("cannot set property \"Max\" of parameter \"Oil Temp\" to \"1,5\": not a number",
            workspaceError([&] { p_.set(L"Max", L"1,5"); }));
  const std::string too_long =
      workspaceError([&] { p_.set(L"Format", std::wstring(40, L'x')); });
  EXPECT_EQ(0u, too_long.find("cannot set property \"Format\" of parameter \"Oil Temp\" to \"xxx"))
      << too_long;
  EXPECT_NE(std::string::npos, too_long.find("does not fit")) << too_long;
  EXPECT_EQ(3, p_.get<int>(param::Set_Type));
  EXPECT_EQ(9.5, p_.get<double>(param::Max));
  EXPECT_EQ(L"", p_.get<std::wstring>(param::Format));
}

TEST_F(ParameterPropertiesTest, UnknownPropertyIsWarnedAndNothingStored) {
  tavik_test::CapturingSink sink;
  p_.set(L"Colour", L"red");
  p_.set_map(L"Colour", L"Torque");
  EXPECT_EQ((std::vector<std::string>{
                "Parameter \"Oil Temp\": unknown property \"Colour\", value \"red\" not stored",
                "Parameter \"Oil Temp\": unknown property \"Colour\", map \"Torque\" not bound"}),
            sink.messages(WARNING.value));
  EXPECT_EQ(0, p_.get<int>(param::kMapBindingCount));
}

TEST_F(ParameterPropertiesTest, MapBindingsAreRecordedPerProperty) {
  p_.set_map(L"Min", L"Torque");
  p_.set_map(L"Max", L"Speed");
  p_.set_map(L"Min", L"Torque 2");  // a property bound again takes the new map
  EXPECT_EQ(L"Torque 2", p_.get_map(L"Min"));
  EXPECT_EQ(L"Speed", p_.get_map(L"Max"));
  EXPECT_EQ(L"", p_.get_map(L"Unit"));
  EXPECT_EQ(2, p_.get<int>(param::kMapBindingCount));

  const wchar_t* more[] = {L"Unit", L"Format", L"Value", L"Demand_Value", L"Set_Type", L"Get_Type"};
  for (const wchar_t* property : more) p_.set_map(property, L"M");
  EXPECT_EQ("cannot bind map \"M\" to property \"Description\" of parameter \"Oil Temp\": the "
            "parameter already has 8 map bindings",
            workspaceError([&] { p_.set_map(L"Description", L"M"); }));
  EXPECT_EQ(L"", p_.get_map(L"Description"));
}

TEST_F(ParameterPropertiesTest, SameSetNameLinksKeepOrderSkipRepeatsAndRefuseOverflow) {
  p_.add_same_setname_parameter(300);
  p_.add_same_setname_parameter(100);
  p_.add_same_setname_parameter(300);
  EXPECT_EQ((std::vector<long long>{300, 100}), p_.getSameSetNameParameters());
  for (long long h = 1000; p_.getSameSetNameParameters().size() < 64; ++h)
    p_.add_same_setname_parameter(h);
  EXPECT_EQ("cannot link parameter 5 to parameter Oil Temp: its same-set-name list already holds "
            "64 parameters",
            workspaceError([&] { p_.add_same_setname_parameter(5); }));
  p_.add_same_setname_parameter(100);  // already linked: no error
  EXPECT_EQ(64u, p_.getSameSetNameParameters().size());
}

TEST_F(ParameterPropertiesTest, ActivateAndInitialSetValue) {
  EXPECT_EQ(0, p_.get<int>(param::Is_Active));
  p_.activate();
  p_.initSetValue(-2.25);
  EXPECT_EQ(1, p_.get<int>(param::Is_Active));
  EXPECT_EQ(-2.25, p_.get<double>(param::Set_Value));
  EXPECT_EQ(-2.25, p_.get<double>(param::Value));
}

}  // namespace
