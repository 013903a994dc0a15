#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/OptionKeys.h"

namespace {

using Texts = std::vector<std::wstring>;

pugi::xml_node parse(pugi::xml_document* doc, const std::string& xml) {
  const pugi::xml_parse_result result = doc->load_string(xml.c_str());
  EXPECT_TRUE(result) << result.description();
  return doc->document_element();
}

std::string formulaXml(const std::string& name, const std::string& formula,
                       const std::string& more = "") {
  return "<CalculationFormula><Name>" + name + "</Name><Formula>" + formula + "</Formula>" +
         more + "</CalculationFormula>";
}

Texts namesOf(const std::vector<FormulaEntry>& entries) {
  Texts names;
  for (const FormulaEntry& e : entries) names.push_back(e.name);
  return names;
}

class FormulaParsing : public ::testing::Test {
 protected:
  FormulaEntry parseOne(const std::string& formula, const std::string& more = "") {
    const pugi::xml_node node = parse(&doc_, formulaXml("F", formula, more));
    return loader_.parse_formula(node);
  }
  pugi::xml_document doc_;
  FormuaLoader loader_;
};

TEST_F(FormulaParsing, ReferenceBecomesGetCallWithPrepareAndResetLines) {
  const FormulaEntry e = parseOne("&lt;Engine Speed&gt;.Value * 2");
  EXPECT_EQ(L"F", e.name);
  EXPECT_EQ(L"F", e.identifier);
  EXPECT_EQ(L"self.Engine_Speed.get(Parameter.Property.Value) * 2", e.expression);
  EXPECT_EQ((Texts{L"self.Engine_Speed = Parameter('Engine Speed')",
                   L"self.Engine_Speed.set(Parameter.Property.Is_Active, 1)"}),
            loader_.get_prepare_lines());
  EXPECT_EQ(Texts{L"del self.Engine_Speed"}, loader_.get_reset_lines());
  EXPECT_FALSE(e.this_parameter);
  EXPECT_FALSE(e.parameter_bound);
  EXPECT_FALSE(e.action_property_bound);
  EXPECT_TRUE(e.setter.empty() && e.variable.empty() && e.target.empty());
}

TEST_F(FormulaParsing, HyphensCommasAndBlanksBecomeUnderscoresInTheVariable) {
  const FormulaEntry e = parseOne("&lt;Oil Temp-1&gt;.Value + &lt;Druck,vorne&gt;.Max_2");
  EXPECT_EQ(L"self.Oil_Temp_1.get(Parameter.Property.Value) + "
            L"self.Druck_vorne.get(Parameter.Property.Max_2)",
            e.expression);
  EXPECT_EQ((Texts{L"self.Oil_Temp_1 = Parameter('Oil Temp-1')",
                   L"self.Oil_Temp_1.set(Parameter.Property.Is_Active, 1)",
                   L"self.Druck_vorne = Parameter('Druck,vorne')",
                   L"self.Druck_vorne.set(Parameter.Property.Is_Active, 1)"}),
            loader_.get_prepare_lines());
  EXPECT_EQ((Texts{L"del self.Oil_Temp_1", L"del self.Druck_vorne"}), loader_.get_reset_lines());
}

TEST_F(FormulaParsing, PatternRejectsWhatIsNotAReference) {
  // Umlauts, dots and a leading digit or blank are not part of a reference name;
  // a reference needs "<", ">" and ".".
  const std::string text =
      "&lt;Motor \xC3\x96l&gt;.Value + &lt;1A&gt;.Value + &lt; A&gt;.Value + &lt;A.B&gt;.Value"
      " + &lt;A&gt;Value + A.Value";
  const FormulaEntry e = parseOne(text);
  EXPECT_EQ(L"<Motor \u00d6l>.Value + <1A>.Value + < A>.Value + <A.B>.Value + <A>Value + A.Value",
            e.expression);
  EXPECT_TRUE(loader_.get_prepare_lines().empty());
}

TEST_F(FormulaParsing, PatternTakesTrailingHyphenCommaAndEmptyProperty) {
  const FormulaEntry e = parseOne("&lt;,a-&gt;.x,y + &lt;B_&gt;.");
  EXPECT_EQ(L"self._a_.get(Parameter.Property.x,y) + self.B_.get(Parameter.Property.)",
            e.expression);
  EXPECT_EQ((Texts{L"del self._a_", L"del self.B_"}), loader_.get_reset_lines());
}

TEST_F(FormulaParsing, RepeatedReferenceIsRewrittenEverywhereAndAddsLinesTwice) {
  const FormulaEntry e = parseOne("&lt;A&gt;.Value + &lt;A&gt;.Value / &lt;A&gt;.Min");
  EXPECT_EQ(L"self.A.get(Parameter.Property.Value) + self.A.get(Parameter.Property.Value) / "
            L"self.A.get(Parameter.Property.Min)",
            e.expression);
  EXPECT_EQ(6u, loader_.get_prepare_lines().size());
  EXPECT_EQ((Texts{L"del self.A", L"del self.A", L"del self.A"}), loader_.get_reset_lines());
}

TEST_F(FormulaParsing, ThisParameterIsRewrittenButBindsNothing) {
  const FormulaEntry e = parseOne("&lt;ThisParameter&gt;.Value * &lt;MyThisParameter2&gt;.Value");
  EXPECT_TRUE(e.this_parameter);
  EXPECT_EQ(L"self.ThisParameter.get(Parameter.Property.Value) * "
            L"self.MyThisParameter2.get(Parameter.Property.Value)",
            e.expression);
  EXPECT_TRUE(loader_.get_prepare_lines().empty());
  EXPECT_TRUE(loader_.get_reset_lines().empty());
}

TEST_F(FormulaParsing, NamesHoldingThePlaceHolderTextStayIntact) {
  const FormulaEntry e = parseOne("&lt;Press YY&gt;.Value");
  EXPECT_EQ(L"self.Press_YY.get(Parameter.Property.Value)", e.expression);
}

TEST_F(FormulaParsing, FormulaWithoutReferencesIsKeptAsItIs) {
  const FormulaEntry e = parseOne("3 * (4 + x)");
  EXPECT_EQ(L"3 * (4 + x)", e.expression);
  EXPECT_TRUE(loader_.get_prepare_lines().empty());
  const FormulaEntry empty = loader_.parse_formula(L"K", parse(&doc_, "<CalculationFormula/>"));
  EXPECT_EQ(L"", empty.expression);
  EXPECT_EQ(L"K", empty.name);
}

TEST_F(FormulaParsing, OverlongNameRunIsAConfigErrorNotACrash) {
  const std::string longest = "&lt;" + std::string(1021, 'a') + "&gt;.V";  // run: 1021 + "V"
  const FormulaEntry e = parseOne(longest + " + " + std::string(1000, ' ') + "1");
  EXPECT_EQ(L"self." + std::wstring(1021, L'a') + L".get(Parameter.Property.V) + " +
                std::wstring(1000, L' ') + L"1",
            e.expression);
  try {
    parseOne("&lt;" + std::string(200000, 'a') + "&gt;.Value");
    FAIL() << "expected ConfigException";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("The formula F holds a name or word longer than 1024 characters", e.what());
  }
  EXPECT_THROW(parseOne("1 +" + std::string(1025, '\t')), tavik::ConfigException);
}

TEST_F(FormulaParsing, MinMaxAndFlagDefaultsAndValues) {
  const FormulaEntry defaults = parseOne("1");
  EXPECT_FALSE(defaults.use_min_max);
  EXPECT_EQ(1.0, defaults.min);
  EXPECT_EQ(100.0, defaults.max);
  const FormulaEntry empty = parseOne("1", "<UseMinMaxFlag/><Min/><Max></Max>");
  EXPECT_FALSE(empty.use_min_max);
  EXPECT_EQ(1.0, empty.min);
  EXPECT_EQ(100.0, empty.max);
  const FormulaEntry set = parseOne("1", "<UseMinMaxFlag>true</UseMinMaxFlag><Min>-5.5</Min>"
                                         "<Max>7</Max>");
  EXPECT_TRUE(set.use_min_max);
  EXPECT_EQ(-5.5, set.min);
  EXPECT_EQ(7.0, set.max);
  EXPECT_TRUE(parseOne("1", "<UseMinMaxFlag>1</UseMinMaxFlag>").use_min_max);
  EXPECT_FALSE(parseOne("1", "<UseMinMaxFlag>false</UseMinMaxFlag>").use_min_max);
  EXPECT_FALSE(parseOne("1", "<UseMinMaxFlag>0</UseMinMaxFlag>").use_min_max);
}

TEST_F(FormulaParsing, IdentifierReplacesEverySpecialCharacterButNotBlanks) {
  const pugi::xml_node node = parse(&doc_, formulaXml("F", "1"));
  const std::wstring special =
      L"\u00b0^!\"\u00a7$%&/()=?`\u00b4+*~'#-.,;:_<>|@\u20ac\u00b5\u00e4\u00f6\u00fc";
  EXPECT_EQ(std::wstring(special.size(), L'_'), loader_.parse_formula(special, node).identifier);
  EXPECT_EQ(L"Pr_fstand A\\[]\u00c4\u00df9",
            loader_.parse_formula(L"Pr\u00fcfstand A\\[]\u00c4\u00df9", node).identifier);
  EXPECT_EQ(L"_prop_Cat_Sequence_Act Opt_1_action_property",
            loader_.parse_formula(L"_prop_Cat_Sequence/Act Opt-1_action_property", node)
                .identifier);
}

// --- keyed records ------------------------------------------------------------

const char kSequenceOption[] =
    "<Sequences><Sequence><Category>Cat</Category><Actions>"
    "<Action><Name>Act</Name><Options>"
    "<Option><Name>Opt</Name><Values><Value>Formula:X</Value></Values></Option>"
    "<Option><Name>Other</Name><Values><Value>Formula:Y</Value></Values></Option>"
    "</Options></Action></Actions></Sequence></Sequences>";

const char kGroupData[] =
    "<ActionGroupDatas><ActionGroupData><Name>D1</Name><Actions><Action><Name>Ramp</Name>"
    "<Options><Option><Name>Gain</Name><Values><Value>Formula:X</Value></Values></Option>"
    "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>";

std::string definition(const std::string& body) {
  return "<MeasurementDefinition><CalculationFormulas>" +
         formulaXml("X", "&lt;Engine Speed&gt;.Value * 2") + formulaXml("Unused", "1") +
         "</CalculationFormulas>" + body + "</MeasurementDefinition>";
}

TEST(FormulaKeys, SequenceOptionGivesKeyedRecordAfterItsDefinition) {
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, definition(kSequenceOption)));
  const auto& formulas = loader.get_formulas();
  EXPECT_EQ((Texts{L"X", L"_prop_Cat_Sequence/ActOpt_action_property", L"Unused"}),
            namesOf(formulas));
  const FormulaEntry& keyed = formulas[1];
  EXPECT_EQ(L"_prop_Cat_Sequence_ActOpt_action_property", keyed.identifier);
  EXPECT_EQ(formulas[0].expression, keyed.expression);
  EXPECT_EQ(L"self.Engine_Speed.get(Parameter.Property.Value) * 2", keyed.expression);
  // Each keyed record is a full parse: the lines come twice.
  EXPECT_EQ(4u, loader.get_prepare_lines().size());
  EXPECT_EQ((Texts{L"del self.Engine_Speed", L"del self.Engine_Speed"}), loader.get_reset_lines());
  EXPECT_TRUE(loader.get_formula_uses().empty());
}

TEST(FormulaKeys, GroupDataPlacedBySequencesAndNestedBodies) {
  // Sequence Cat places G directly; sequence Main places body Q, which places P.
  const std::string body =
      std::string(kGroupData) +
      "<Sequences>"
      "<Sequence><Category>Cat</Category><Actions>"
      "<ActionGroup><Name>G</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "</Actions></Sequence>"
      "<Sequence><Category>Main</Category><Actions>"
      "<ActionGroup><Name>Q</Name><ActionGroupData>DQ</ActionGroupData></ActionGroup>"
      "<ActionGroup><Name>G2</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "</Actions></Sequence></Sequences>"
      "<ActionGroupSequences><ActionGroupSequence><Name>Q</Name><Category>QCat</Category>"
      "<Actions><ActionGroup><Name>P</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "</Actions></ActionGroupSequence></ActionGroupSequences>";
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, definition(body)));
  EXPECT_EQ((Texts{L"X", L"_prop_Cat_Sequence/G/RampGain_action_property",
                   L"_prop_Main_Sequence/G2/RampGain_action_property",
                   L"_prop_Main_Sequence/Q/P/RampGain_action_property", L"Unused"}),
            namesOf(loader.get_formulas()));
}

TEST(FormulaKeys, WalkGoesOutwardsOverEveryEnclosingBody) {
  // Sequence Cat places body R; R places body Q; Q places P with the data.
  // A body that no sequence places keeps its own category.
  const std::string body =
      std::string(kSequenceOption) + kGroupData +
      "<Sequences><Sequence><Category>Outer</Category><Actions>"
      "<ActionGroup><Name>R</Name><ActionGroupData>DR</ActionGroupData></ActionGroup>"
      "</Actions></Sequence></Sequences>"
      "<ActionGroupSequences>"
      "<ActionGroupSequence><Name>Q</Name><Category>QCat</Category><Actions>"
      "<ActionGroup><Name>P</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "</Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>R</Name><Category>RCat</Category><Actions>"
      "<ActionGroup><Name>Q</Name><ActionGroupData>DQ</ActionGroupData></ActionGroup>"
      "</Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>Lonely</Name><Category>LCat</Category><Actions>"
      "<ActionGroup><Name>L</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "</Actions></ActionGroupSequence>"
      "</ActionGroupSequences>";
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, definition(body)));
  EXPECT_EQ((Texts{L"X", L"_prop_Cat_Sequence/ActOpt_action_property",
                   L"_prop_Outer_Sequence/R/Q/P/RampGain_action_property",
                   L"_prop_LCat_Sequence/Lonely/L/RampGain_action_property", L"Unused"}),
            namesOf(loader.get_formulas()));
}

TEST(FormulaKeys, NamesAreComparedAsLiteralText) {
  // An apostrophe would break a query built by splicing; a crafted name would
  // select every value. Both must match only themselves.
  const std::string body =
      "<Sequences><Sequence><Category>C'at</Category><Actions>"
      "<Action><Name>A'ct</Name><Options>"
      "<Option><Name>O1</Name><Values><Value>Formula:O'Brien</Value></Values></Option>"
      "<Option><Name>O2</Name><Values><Value>Formula:x' or '1'='1</Value></Values></Option>"
      "<Option><Name>O3</Name><Values><Value>Formula:X</Value></Values></Option>"
      "</Options></Action>"
      "<ActionGroup><Name>G\"'</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup>"
      "</Actions></Sequence></Sequences>"
      "<ActionGroupDatas><ActionGroupData><Name>D'1</Name><Actions><Action><Name>R</Name>"
      "<Options><Option><Name>G</Name><Values><Value>Formula:O'Brien</Value></Values></Option>"
      "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>";
  const std::string xml = "<MeasurementDefinition><CalculationFormulas>" +
                          formulaXml("O'Brien", "1") + formulaXml("x' or '1'='1", "2") +
                          "</CalculationFormulas>" + body + "</MeasurementDefinition>";
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, xml));
  EXPECT_EQ((Texts{L"O'Brien", L"_prop_C'at_Sequence/A'ctO1_action_property",
                   L"_prop_C'at_Sequence/G\"'/RG_action_property", L"x' or '1'='1",
                   L"_prop_C'at_Sequence/A'ctO2_action_property"}),
            namesOf(loader.get_formulas()));
}

TEST(FormulaKeys, CycleOfGroupBodiesIsAConfigError) {
  const std::string body =
      std::string(kGroupData) +
      "<ActionGroupSequences>"
      "<ActionGroupSequence><Name>A</Name><Actions>"
      "<ActionGroup><Name>P</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "<ActionGroup><Name>B</Name></ActionGroup></Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>B</Name><Actions>"
      "<ActionGroup><Name>A</Name></ActionGroup></Actions></ActionGroupSequence>"
      "</ActionGroupSequences>";
  pugi::xml_document doc;
  FormuaLoader loader;
  try {
    loader.load(parse(&doc, definition(body)));
    FAIL() << "expected ConfigException";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("Action group bodies place each other in a cycle: A", e.what());
  }
}

TEST(FormulaKeys, BodyPlacingItselfIsACycleNamedInUtf8) {
  const std::string body =
      std::string(kGroupData) +
      "<ActionGroupSequences><ActionGroupSequence><Name>Schleife \xC3\x84</Name><Actions>"
      "<ActionGroup><Name>P</Name><ActionGroupData>D1</ActionGroupData></ActionGroup>"
      "<ActionGroup><Name>Schleife \xC3\x84</Name></ActionGroup>"
      "</Actions></ActionGroupSequence></ActionGroupSequences>";
  pugi::xml_document doc;
  FormuaLoader loader;
  try {
    loader.load(parse(&doc, definition(body)));
    FAIL() << "expected ConfigException";
  } catch (const tavik::ConfigException& e) {
    EXPECT_STREQ("Action group bodies place each other in a cycle: Schleife \xC3\x84", e.what());
  }
}

TEST(FormulaKeys, LoadStartsAfreshAndMissingSectionGivesNothing) {
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, definition(kSequenceOption)));
  loader.get_formula_uses().push_back(FormulaEntry());
  pugi::xml_document empty;
  loader.load(parse(&empty, "<MeasurementDefinition>" + std::string(kSequenceOption) +
                                "</MeasurementDefinition>"));
  EXPECT_TRUE(loader.get_formulas().empty());
  EXPECT_TRUE(loader.get_formula_uses().empty());
  EXPECT_TRUE(loader.get_prepare_lines().empty());
  EXPECT_TRUE(loader.get_reset_lines().empty());
}

// --- the shared key rule --------------------------------------------------------

TEST(OptionKeys, AnyValueTextMatchesWholeTextNodesOncePerOption) {
  const std::string xml =
      "<MeasurementDefinition><Sequences><Sequence><Category>Cat</Category><Actions>"
      "<Action><Name>A</Name><Options>"
      "<Option><Name>Twice</Name><Values><Value>Map:M</Value><Value>Map:M</Value></Values>"
      "</Option>"
      "<Option><Name>Cdata</Name><Values><Value><![CDATA[Map:M]]></Value></Values></Option>"
      "<Option><Name>Prefix</Name><Values><Value>Map:M2</Value></Values></Option>"
      "<Option><Name>Blank</Name><Values><Value> Map:M</Value></Values></Option>"
      "</Options></Action></Actions></Sequence></Sequences>"
      "<ActionGroupSequences><ActionGroupSequence><Name>B</Name><Category>BC</Category><Actions>"
      "<ActionGroup><ActionGroupData>D</ActionGroupData></ActionGroup>"
      "</Actions></ActionGroupSequence></ActionGroupSequences>"
      "<ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>R</Name>"
      "<Options><Option><Name>O</Name><Values><Value>Map:M</Value></Values></Option>"
      "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
      "</MeasurementDefinition>";
  pugi::xml_document doc;
  tavik::OptionKeyIndex index(parse(&doc, xml));
  // The unnamed placement in body B gives no key: nothing can be loaded there.
  EXPECT_EQ((Texts{L"_prop_Cat_Sequence/ATwice_action_property",
                   L"_prop_Cat_Sequence/ACdata_action_property"}),
            index.keysFor(L"Map:M"));
  EXPECT_EQ(Texts{L"_prop_Cat_Sequence/APrefix_action_property"}, index.keysFor(L"Map:M2"));
  EXPECT_TRUE(index.keysFor(L"Map:").empty());
  EXPECT_TRUE(index.keysFor(L"Formula:M").empty());
}

}  // namespace
