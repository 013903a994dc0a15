#include <gtest/gtest.h>

#include <locale>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/FormulaReferences.h"
#include "TavikEngine/Config/OptionKeys.h"
#include "TavikEngine/LogLevels.h"

namespace {

using tavik_test::definitionXml;
using tavik_test::formulaXml;
using tavik_test::parseXml;
using tavik_test::placementsXml;
using Texts = std::vector<std::wstring>;

// The names of the records that `loader` keeps after loading `xml`, or the
// ConfigException's text.
Texts loadNames(FormuaLoader* loader, const std::string& xml) {
  pugi::xml_document doc;
  try {
    loader->load(parseXml(&doc, xml));
  } catch (const tavik::ConfigException& e) {
    return {pugi::as_wide(e.what())};
  }
  Texts names;
  for (const FormulaEntry& e : loader->get_formulas()) names.push_back(e.name);
  return names;
}

TEST(FormulaParsing, ReferencesBecomeGetCallsWithTheirLines) {
  const std::wstring longest(1024, L'a');  // the longest run of name characters searched
  // Formula, expression, and the variable and parameter name of each reference bound.
  using Row =
      std::tuple<std::string, std::wstring, std::vector<std::pair<std::wstring, std::wstring>>>;
  const Row rows[] = {
      {"&lt;Engine Speed&gt;.Value * 2", L"self.Engine_Speed.get(Parameter.Property.Value) * 2",
       {{L"Engine_Speed", L"Engine Speed"}}},
      // Blanks, hyphens and commas become "_"; a name holding the property
      // place-holder "YY" keeps it; a property ends before a ",".
      {"max(&lt;Oil Temp-1&gt;.V, &lt;Druck,vorne&gt;.Max_2,&lt;,a-&gt;.x,y) + &lt;Press YY&gt;.M",
       L"max(self.Oil_Temp_1.get(Parameter.Property.V), self.Druck_vorne.get(Parameter.Property."
       L"Max_2),self._a_.get(Parameter.Property.x),y) + self.Press_YY.get(Parameter.Property.M)",
       {{L"Oil_Temp_1", L"Oil Temp-1"}, {L"Druck_vorne", L"Druck,vorne"}, {L"_a_", L",a-"},
        {L"Press_YY", L"Press YY"}}},
      // A missing "." makes no reference (here a chained comparison);
      // brackets, "#", quotes and references inside string literals are text.
      {"A.V + (1 &lt;A&gt;V) + len('(#\\'&lt;B&gt;.V') + 0x1F + (1 &gt;.5e-3j)",
       L"A.V + (1 <A>V) + len('(#\\'<B>.V') + 0x1F + (1 >.5e-3j)", {}},
      // Every occurrence is replaced, and each binds again; a name holding
      // "ThisParameter" binds nothing here.
      {"&lt;ThisParameter&gt;.V * &lt;MyThisParameter2&gt;.V + &lt;B_&gt;.V / &lt;B_&gt;.Min - "
       "&lt;B_&gt;.V",
       L"self.ThisParameter.get(Parameter.Property.V) * self.MyThisParameter2.get(Parameter."
       L"Property.V) + self.B_.get(Parameter.Property.V) / self.B_.get(Parameter.Property.Min) - "
       L"self.B_.get(Parameter.Property.V)",
       {{L"B_", L"B_"}, {L"B_", L"B_"}, {L"B_", L"B_"}}},
      // A reference is rewritten where it stands, not where its text
      // starts a longer one.
      {"&lt;A&gt;.V + &lt;A&gt;.Value",
       L"self.A.get(Parameter.Property.V) + self.A.get(Parameter.Property.Value)",
       {{L"A", L"A"}, {L"A", L"A"}}},
      {"&lt;" + pugi::as_utf8(longest) + "&gt;.V",
       L"self." + longest + L".get(Parameter.Property.V)", {{longest, longest}}},
  };
  for (const auto& [formula, expression, bound] : rows) {
    SCOPED_TRACE(formula.substr(0, 80));
    pugi::xml_document doc;
    FormuaLoader loader;
    const FormulaEntry e = loader.parse_formula(parseXml(&doc, formulaXml("F", formula)));
    Texts prepare, reset;
    for (const auto& [variable, name] : bound) {
      prepare.push_back(L"self." + variable + L" = Parameter('" + name + L"')");
      prepare.push_back(L"self." + variable + L".set(Parameter.Property.Is_Active, 1)");
      reset.push_back(L"del self." + variable);
    }
    EXPECT_EQ(std::make_tuple(expression, prepare, reset, formula.find("&lt;This") == 0),
              std::make_tuple(e.expression, loader.get_prepare_lines(), loader.get_reset_lines(),
                              e.this_parameter));
  }
}

// A formula that could not stay one expression in its call is refused: one
// WARNING, no lines, an empty expression, and no record after a load, only
// its name among the refused ones.
TEST(FormulaParsing, FormulasThatWouldBreakTheHookFileAreRefused) {
  const std::pair<std::string, std::string> rows[] = {
      {"1)\nimport os\nos.system('id')", "it holds a line break"},
      {"  ", "the expression is empty"},
      {"(1 + &lt;A&gt;.V", "a bracket is not closed"},
      {"1) + (2", "it closes a bracket that is not open"},
      {"[1)", "its brackets do not pair up"},
      {"1; import os", "it holds \";\" outside a string literal"},
      {"1 # )", "it holds \"#\" outside a string literal"},
      {"&lt;A'B&gt;.V", "a name runs into a string literal"},
      {"&lt;r'B&gt;.Value", "a string literal is not closed"},
      {"&lt;A\"B&gt;.V", "a name runs into a string literal"},
      {"&lt;Motor \xC3\x96l&gt;.V", "it holds a non-ASCII character outside a string literal"},
      {"&lt;A.B&gt;.V", "it holds a parameter reference that could not be read"},
      {"&lt;&gt;. + 1", "it holds a parameter reference that could not be read"},
      {"&lt;1st&gt;.V", "a number runs into a name"},
      {"&lt;A&gt;.", "the reference <A>. names no valid property"},
      {"&lt;A&gt;.if + 1", "the reference <A>.if names no valid property"},
      {"&lt;A&gt;.1x", "the reference <A>.1x names no valid property"},
      {"\xC0\x80", "its text is not well-formed UTF-8"},
      {"f'{&lt;A&gt;.V}'", "it holds a parameter reference that could not be read"},
      {"'\\x4'", "a string literal holds a truncated escape"},
      {"b'\xC3\xA4'", "a bytes literal holds a non-ASCII character"},
      // Checked as it stands in the hook file, references rewritten.
      {"&lt;A&gt;.V=1", "it is not one expression: \"=\" cannot stand after \")\""},
      {std::string(1025, '-'), "it holds a name or word longer than 1024 characters"},
  };
  for (const auto& [formula, reason] : rows) {
    SCOPED_TRACE(formula);
    tavik_test::CapturingSink sink;
    FormuaLoader loader;
    EXPECT_EQ(Texts{}, loadNames(&loader, definitionXml(formulaXml("F", formula),
                                                        placementsXml("Formula:"))));
    EXPECT_EQ(std::vector<std::string>{"The formula F is refused: " + reason},
              sink.messages(WARNING.value));
    EXPECT_TRUE(loader.get_prepare_lines().empty() && loader.get_reset_lines().empty());
    EXPECT_TRUE(loader.isRefused(L"F") && !loader.isRefused(L"X"));
  }
}

TEST(FormulaKeys, KeyedRecordsFollowTheirDefinitionInPlacementOrder) {
  FormuaLoader loader;
  EXPECT_EQ((Texts{L"X", L"_prop_C'at_Sequence/ActOpt_action_property",
                   L"_prop_C'at_Sequence/ActTwo_action_property",
                   L"_prop_C'at_Sequence/G\"'/RampGain_action_property",
                   L"_prop_Main_Sequence/Q/P/RampGain_action_property",
                   L"_prop_Outer_Sequence/R/Q2/P2/RampGain_action_property",
                   L"_prop_LCat_Sequence/Lonely/L/RampGain_action_property", L"x' or '1'='1",
                   L"_prop_C'at_Sequence/ActNear_action_property"}),
            loadNames(&loader, definitionXml(formulaXml("X", "&lt;Engine Speed&gt;.Value * 2") +
                                                 formulaXml("x' or '1'='1", "1"),
                                             placementsXml("Formula:"))));
  const auto& formulas = loader.get_formulas();
  EXPECT_EQ(L"_prop_C_at_Sequence_ActOpt_action_property", formulas[1].identifier);
  EXPECT_EQ(L"self.Engine_Speed.get(Parameter.Property.Value) * 2", formulas[6].expression);
  EXPECT_EQ(Texts{L"del self.Engine_Speed"}, loader.get_reset_lines());  // parsed once
  // Every character of the special class becomes "_" in an identifier; others stay.
  const std::wstring special =
      L"\u00b0^!\"\u00a7$%&/()=?`\u00b4+*~'#-.,;:_<>|@\u20ac\u00b5\u00e4\u00f6\u00fc";
  pugi::xml_document doc;
  const pugi::xml_node one = parseXml(&doc, formulaXml("F", "1"));
  EXPECT_EQ(std::wstring(special.size(), L'_'), loader.parse_formula(special, one).identifier);
  EXPECT_EQ(L"Pr_fstand A\\[]\u00c4\u00df9",
            loader.parse_formula(L"Pr\u00fcfstand A\\[]\u00c4\u00df9", one).identifier);

  // A new load starts afresh; no CalculationFormulas section gives nothing.
  loader.get_formula_uses().push_back(FormulaEntry());
  EXPECT_EQ(Texts{}, loadNames(&loader, "<MeasurementDefinition/>"));
  EXPECT_TRUE(loader.get_formula_uses().empty() && loader.get_prepare_lines().empty() &&
              loader.get_reset_lines().empty());
}

TEST(FormulaKeys, ACycleOfGroupBodiesIsAConfigError) {
  FormuaLoader loader;
  const std::string cycle = placementsXml("Formula:") + tavik_test::kBodiesInACycle;
  EXPECT_EQ(Texts{L"Action group bodies place each other in a cycle: Schleife \u00c4"},
            loadNames(&loader, definitionXml(formulaXml("X", "1"), cycle)));
}

// The reference scan, position and length of each reference: where the name
// run ends, what may start it, and what the property takes.
TEST(FormulaReferences, EachReferenceEndsAtTheFirstCharacterOutsideItsNameRun) {
  using Spans = std::vector<std::pair<size_t, size_t>>;
  const std::vector<std::pair<std::wstring, Spans>> rows = {
      {L"<Param 1>.Value * 2", {{0, 15}}},
      {L"<a>.b<c >.d", {{0, 5}, {5, 6}}},
      {L"<<a>.b", {{1, 5}}},
      {L"<,x>.y", {{0, 6}}},
      {L"<a\tb-c>.c,d_e f", {{0, 9}}},
      {L"max(<A>.Value, <B>.Value)", {{4, 9}, {15, 9}}},
      {L"'<A>.V' + <B>.V + \"\\\"<C>.V\" + R\"\"\"<D>.V\"\"\"", {{10, 5}}},
      {L"'<A>.V", {}},
      {L"<a>.", {{0, 4}}},
      {L"<a>.-", {{0, 4}}},
      {L"<1a>.x", {}},
      {L"<_a>.x", {}},
      {L"<a>x.y", {}},
      {L"<a b>>.c", {}},
      {L"<a.b>.c", {}},
      {L"<a>", {}},
      {L"<", {}},
  };
  for (const auto& [text, expected] : rows) {
    SCOPED_TRACE(pugi::as_utf8(text));
    Spans found;
    for (const tavik::FormulaReference& r : tavik::findFormulaReferences(text, std::locale()))
      found.emplace_back(r.at, r.length);
    EXPECT_EQ(expected, found);
  }
}

// An index of two loaders' values gives each value the keys, in the order,
// that the index of its own loader gives: options holding values of both
// kinds are listed under each.
TEST(OptionKeyIndex, TwoPrefixesGiveEachValueTheKeysOfItsOwnIndex) {
  pugi::xml_document doc;
  std::string both = placementsXml("Map:");
  const std::string formulas = placementsXml("Formula:");
  both.insert(both.find("</Values></Option><Option><Name>Near</Name>"),
              "<Value>Formula:X</Value>");
  const pugi::xml_node md = parseXml(&doc, definitionXml("", both + formulas));
  tavik::OptionKeyIndex combined(md, "Map:", "Formula:");
  tavik::OptionKeyIndex maps(md, "Map:");
  tavik::OptionKeyIndex formulaKeys(md, "Formula:");
  const std::vector<std::pair<std::wstring, size_t>> rows = {
      {L"Map:X", 10}, {L"Formula:X", 11}, {L"Map:Y", 0}, {L"X", 0}, {L"Formula:x' or '1'='1", 1}};
  for (const auto& [value, count] : rows) {
    SCOPED_TRACE(pugi::as_utf8(value));
    const Texts own = value.rfind(L"Map:", 0) == 0 ? maps.keysFor(value) : formulaKeys.keysFor(value);
    EXPECT_EQ(count, own.size());
    EXPECT_EQ(own, combined.keysFor(value));
  }
}

}  // namespace
