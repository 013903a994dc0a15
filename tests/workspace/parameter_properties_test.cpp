// Parameter operations by property name: the catalogue, text conversion,
// map bindings, same-set-name links, activation and the initial set value.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <tuple>
#include <vector>

#include "CapturingSink.h"
#include "ScopedWorkspace.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;
namespace param = tavik::workspace::parameter;

#define WORKSPACE_ERROR(statement) tavik_test::workspaceError([&] { statement; })

class ParameterPropertiesTest : public ::testing::Test {
 protected:
  tavik_test::ScopedWorkspace workspace_;
  ws::Parameter p_{std::wstring(L"Oil Temp")};
};

TEST_F(ParameterPropertiesTest, CatalogueNamesGiveItemNumbersAndTypes) {
  EXPECT_EQ((std::vector<long long>{9156, 704, 13464, ws::item_type::kWideText,
                                    ws::item_type::kNarrowText, ws::item_type::kListenedDouble,
                                    ws::item_type::kInt, -1, -1}),
            (std::vector<long long>{p_.getHandleForProperty(L"Set_ChannelName"), p_.getHandleForProperty(L"Get_Type"),
                                    p_.getHandleForProperty(L"Value"), p_.getTypeForProperty(L"Set_ChannelName"),
                                    p_.getTypeForProperty(L"Request_ChannelName"), p_.getTypeForProperty(13464u),
                                    p_.getTypeForProperty(704u), p_.getTypeForProperty(13465u),
                                    p_.getTypeForProperty(0u)}));
  for (const wchar_t* name : {L"Colour", L"set_type", L"Log_Flags_0", L""})
    EXPECT_EQ(std::make_pair(0LL, -1), std::make_pair(p_.getHandleForProperty(name), p_.getTypeForProperty(name)));
}

TEST_F(ParameterPropertiesTest, TextIsConvertedToTheItemsTypeOrRefusedKeepingTheItem) {
  p_.set(L"Set_Type", L" 42 ");
  p_.set(L"Request_Parameter", L"-9000000000");
  p_.set(L"Min", L"-1.5e2");
  p_.set(L"Unit", L"\u00b0C");
  p_.set(L"Request_ChannelName", L"REQ_1");
  const std::string prefix = "cannot set property \"Set_Type\" of parameter \"Oil Temp\" to ";
  EXPECT_EQ(prefix + "\"1.5\": not an integer", WORKSPACE_ERROR(p_.set(L"Set_Type", L"1.5")));
  EXPECT_EQ(prefix + "\"3000000000\": out of range", WORKSPACE_ERROR(p_.set(L"Set_Type", L"3000000000")));
  EXPECT_EQ("cannot set property \"Min\" of parameter \"Oil Temp\" to \"1,5\": not a number",
            WORKSPACE_ERROR(p_.set(L"Min", L"1,5")));
  EXPECT_NE(std::string::npos, WORKSPACE_ERROR(p_.set(L"Format", std::wstring(40, L'x'))).find("does not fit"));
  EXPECT_EQ(std::make_tuple(42, -9000000000LL, -150.0, std::wstring(L"\u00b0C"), std::string("REQ_1")),
            std::make_tuple(p_.get<int>(param::Set_Type), p_.get<long long>(param::Request_Parameter),
                            p_.get<double>(param::Min), p_.get<std::wstring>(param::Unit),
                            p_.get<std::string>(param::Request_ChannelName)));
  p_.set(L"Set_Type", L"");  // an empty text clears a number
  EXPECT_EQ(0, p_.get<int>(param::Set_Type));
}

// Plain decimal numbers take a shorter way than the others: both ways must
// read a text alike, up to the bits of the double and the refusals.
TEST_F(ParameterPropertiesTest, NumberTextsReadAlikeOnBothWays) {
  // The text, the double it stores into Min, what it stores into
  // Request_Parameter (long long); -2, kept, where it is not an integer.
  const std::tuple<const wchar_t*, double, long long> cases[] = {
      {L"-0", -0.0, 0}, {L"+5", 5.0, 5}, {L"007", 7.0, 7}, {L" \v8", 8.0, 8}, {L".5", 0.5, -2}, {L"5.", 5.0, -2},
      {L"1e-400", 0.0, -2}, {L"4.9e-324", 4.9e-324, -2}, {L"1.7976931348623157e308", 1.7976931348623157e308, -2},
      {L"9223372036854775807", 9223372036854775807.0, 9223372036854775807LL},
      {L"-9223372036854775809", -9223372036854775809.0, -2}};
  for (const auto& [text, real, integer] : cases) {
    SCOPED_TRACE(std::string(text, text + std::wcslen(text)));
    p_.set(L"Min", text);
    const double stored = p_.get<double>(param::Min);
    EXPECT_EQ(0, std::memcmp(&real, &stored, sizeof stored));
    p_.set(param::Request_Parameter, -2LL);
    const std::string error = WORKSPACE_ERROR(p_.set(L"Request_Parameter", text));
    if (integer == -2) EXPECT_NE(std::string::npos, error.find("\": not an integer")) << error;
    else EXPECT_EQ("no WorkspaceException", error);
    EXPECT_EQ(integer, p_.get<long long>(param::Request_Parameter));
  }
  for (const wchar_t* text : {L"1e400", L"-1e400", L"inf", L"nan", L"0x10", L"1e", L"1e+", L"-", L"1..2", L"5\v"})
    EXPECT_NE(std::string::npos, WORKSPACE_ERROR(p_.set(L"Min", text)).find("\": not a number"));
}

TEST_F(ParameterPropertiesTest, MapBindingsPerPropertyAndUnknownNamesWarn) {
  tavik_test::CapturingSink sink;
  p_.set(L"Colour", L"red");
  p_.set_map(L"Colour", L"Torque");
  EXPECT_EQ((std::vector<std::string>{
                "Parameter \"Oil Temp\": unknown property \"Colour\", value \"red\" not stored",
                "Parameter \"Oil Temp\": unknown property \"Colour\", map \"Torque\" not bound"}),
            sink.messages(WARNING.value));
  p_.set_map(L"Min", L"Torque");
  p_.set_map(L"Max", L"Speed");
  p_.set_map(L"Min", L"Torque 2");  // bound again: the new map
  EXPECT_EQ(std::make_pair(std::wstring(L"Torque 2"), std::wstring(L"Speed")),
            std::make_pair(p_.get_map(L"Min"), p_.get_map(L"Max")));
  for (const wchar_t* property : {L"Unit", L"Format", L"Value", L"Demand_Value", L"Set_Type", L"Get_Type"})
    p_.set_map(property, L"M");
  p_.set_map(L"Description", L"M");  // a ninth binding: the list grows
  EXPECT_EQ(std::make_pair(9, std::wstring(L"M")),
            std::make_pair(p_.getMapBindingCount(), p_.get_map(L"Description")));
  // One binding dropped from the middle; the others keep theirs.
  p_.clear_map(L"Max");
  p_.clear_map(L"Max");
  p_.clear_map(L"Colour");
  EXPECT_EQ(std::make_tuple(8, std::wstring(), std::wstring(L"Torque 2"), std::wstring(L"M")),
            std::make_tuple(p_.getMapBindingCount(), p_.get_map(L"Max"), p_.get_map(L"Min"),
                            p_.get_map(L"Description")));
}

TEST_F(ParameterPropertiesTest, SameSetNameLinksActivationAndInitialValue) {
  for (long long h : {300, 100, 300}) p_.add_same_setname_parameter(h);
  EXPECT_EQ((std::vector<long long>{300, 100}), p_.getSameSetNameParameters());
  for (long long h = 1000; p_.getSameSetNameParameters().size() < 64; ++h) p_.add_same_setname_parameter(h);
  p_.add_same_setname_parameter(5);  // a 65th link: the list grows
  EXPECT_EQ(5, p_.getSameSetNameParameters().back());
  p_.activate();
  p_.initSetValue(-2.25);
  EXPECT_EQ(std::make_tuple(1, -2.25, -2.25), std::make_tuple(p_.get<int>(param::Is_Active),
                                                              p_.get<double>(param::Set_Value),
                                                              p_.get<double>(param::Value)));
}

// The catalogue's hash table against the schema it is built from: every
// by-name item is found under its own name and no other item is found at
// all; a name one unit longer, or one with a unit above 8 bits where the
// item has its letter, finds nothing.
TEST_F(ParameterPropertiesTest, EveryByNameItemOfTheSchemaAndNothingElseIsInTheCatalogue) {
  const ws::ElementSchema* schema = ws::findSchema(ws::element_class::kParameter);
  ASSERT_NE(nullptr, schema);
  std::size_t byName = 0;
  for (const ws::ItemSchema& item : schema->items) {
    SCOPED_TRACE(item.name);
    const std::wstring name(item.name.begin(), item.name.end());
    std::wstring high = name;
    high[0] = static_cast<wchar_t>(high[0] + 0x100);
    param::Property property = param::Property(0), other = property;
    const bool found = ws::Parameter::findProperty(name, property);
    EXPECT_EQ(item.by_name, found);
    byName += found;
    if (found) {
      EXPECT_EQ(item.item, static_cast<unsigned int>(property));
    }
    EXPECT_FALSE(ws::Parameter::findProperty(name + L" ", other) || ws::Parameter::findProperty(high, other));
  }
  EXPECT_EQ(schema->by_name.size(), byName);
}

}  // namespace
