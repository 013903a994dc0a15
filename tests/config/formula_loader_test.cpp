#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/FormuaLoader.h"

namespace {

using Texts = std::vector<std::wstring>;

pugi::xml_node parse(pugi::xml_document* doc, const std::string& xml) {
  EXPECT_TRUE(doc->load_string(xml.c_str()));
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

// The names of the records that loading `xml` gives, or the ConfigException's text.
Texts loadNames(const std::string& xml) {
  pugi::xml_document doc;
  FormuaLoader loader;
  try {
    loader.load(parse(&doc, xml));
  } catch (const tavik::ConfigException& e) {
    return {pugi::as_wide(e.what())};
  }
  return namesOf(loader.get_formulas());
}

std::string definition(const std::string& formulas, const std::string& body) {
  return "<MeasurementDefinition><CalculationFormulas>" + formulas + "</CalculationFormulas>" +
         body + "</MeasurementDefinition>";
}

TEST(FormulaParsing, ReferencesBecomeGetCallsWithTheirLines) {
  struct Row {
    const char* formula;
    std::wstring expression;
    std::vector<std::pair<std::wstring, std::wstring>> bound;  // variable, parameter name
  };
  const Row rows[] = {
      {"&lt;Engine Speed&gt;.Value * 2", L"self.Engine_Speed.get(Parameter.Property.Value) * 2",
       {{L"Engine_Speed", L"Engine Speed"}}},
      {"&lt;Oil Temp-1&gt;.V + &lt;Druck,vorne&gt;.Max_2",
       L"self.Oil_Temp_1.get(Parameter.Property.V) + "
       L"self.Druck_vorne.get(Parameter.Property.Max_2)",
       {{L"Oil_Temp_1", L"Oil Temp-1"}, {L"Druck_vorne", L"Druck,vorne"}}},
      // Umlauts, dots, a leading digit or blank, a missing ">" or "." make no reference.
      {"&lt;Motor \xC3\x96l&gt;.V + &lt;1A&gt;.V + &lt; A&gt;.V + &lt;A.B&gt;.V + &lt;A&gt;V + A.V",
       L"<Motor \u00d6l>.V + <1A>.V + < A>.V + <A.B>.V + <A>V + A.V", {}},
      {"&lt;,a-&gt;.x,y + &lt;B_&gt;.",
       L"self._a_.get(Parameter.Property.x,y) + self.B_.get(Parameter.Property.)",
       {{L"_a_", L",a-"}, {L"B_", L"B_"}}},
      {"&lt;A&gt;.Value + &lt;A&gt;.Value / &lt;A&gt;.Min",
       L"self.A.get(Parameter.Property.Value) + self.A.get(Parameter.Property.Value) / "
       L"self.A.get(Parameter.Property.Min)",
       {{L"A", L"A"}, {L"A", L"A"}, {L"A", L"A"}}},
      {"&lt;ThisParameter&gt;.Value * &lt;MyThisParameter2&gt;.Value",
       L"self.ThisParameter.get(Parameter.Property.Value) * "
       L"self.MyThisParameter2.get(Parameter.Property.Value)", {}},
      // A name holding the property place-holder keeps it.
      {"&lt;Press YY&gt;.Value", L"self.Press_YY.get(Parameter.Property.Value)",
       {{L"Press_YY", L"Press YY"}}},
      {"3 * (4 + x)", L"3 * (4 + x)", {}},
      {"", L"", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.formula);
    pugi::xml_document doc;
    FormuaLoader loader;
    const FormulaEntry e = loader.parse_formula(parse(&doc, formulaXml("F", row.formula)));
    Texts prepare, reset;
    for (const auto& [variable, name] : row.bound) {
      prepare.push_back(L"self." + variable + L" = Parameter('" + name + L"')");
      prepare.push_back(L"self." + variable + L".set(Parameter.Property.Is_Active, 1)");
      reset.push_back(L"del self." + variable);
    }
    EXPECT_EQ(row.expression, e.expression);
    EXPECT_EQ(prepare, loader.get_prepare_lines());
    EXPECT_EQ(reset, loader.get_reset_lines());
    EXPECT_EQ(std::string(row.formula).find("&lt;ThisParameter&gt;") == 0, e.this_parameter);
  }
}

TEST(FormulaParsing, MinMaxFlagAndIdentifier) {
  pugi::xml_document doc;
  FormuaLoader loader;
  const auto limits = [&](const std::string& more) {
    const FormulaEntry e = loader.parse_formula(parse(&doc, formulaXml("F", "1", more)));
    return std::make_tuple(e.use_min_max, e.min, e.max);
  };
  EXPECT_EQ(std::make_tuple(false, 1.0, 100.0), limits(""));
  EXPECT_EQ(std::make_tuple(false, 1.0, 100.0), limits("<UseMinMaxFlag/><Min/><Max></Max>"));
  EXPECT_EQ(std::make_tuple(true, -5.5, 7.0),
            limits("<UseMinMaxFlag>true</UseMinMaxFlag><Min>-5.5</Min><Max>7</Max>"));
  EXPECT_EQ(std::make_tuple(true, 1.0, 100.0), limits("<UseMinMaxFlag>1</UseMinMaxFlag>"));
  EXPECT_EQ(std::make_tuple(false, 1.0, 100.0), limits("<UseMinMaxFlag>false</UseMinMaxFlag>"));

  // Every character of the special class becomes "_", blanks and others stay.
  const pugi::xml_node node = parse(&doc, formulaXml("F", "1"));
  const std::wstring special =
      L"\u00b0^!\"\u00a7$%&/()=?`\u00b4+*~'#-.,;:_<>|@\u20ac\u00b5\u00e4\u00f6\u00fc";
  EXPECT_EQ(std::wstring(special.size(), L'_'), loader.parse_formula(special, node).identifier);
  EXPECT_EQ(L"Pr_fstand A\\[]\u00c4\u00df9",
            loader.parse_formula(L"Pr\u00fcfstand A\\[]\u00c4\u00df9", node).identifier);
}

TEST(FormulaParsing, OverlongNameRunIsAConfigErrorNotACrash) {
  pugi::xml_document doc;
  FormuaLoader loader;
  const std::string longest = "&lt;" + std::string(1021, 'a') + "&gt;.V + " +
                              std::string(1000, ' ') + "1";  // runs of 1022 and 1003
  EXPECT_EQ(L"self." + std::wstring(1021, L'a') + L".get(Parameter.Property.V) + " +
                std::wstring(1000, L' ') + L"1",
            loader.parse_formula(parse(&doc, formulaXml("F", longest))).expression);
  EXPECT_EQ(Texts{L"The formula F holds a name or word longer than 1024 characters"},
            loadNames(definition(formulaXml("F", "&lt;" + std::string(200000, 'a') + "&gt;.V"),
                                 "")));
}

// Sequence C'at holds options naming X (one twice, once as CDATA) and places
// the group data D'1 as G"'; Main places body Q, which places D'1 as P (and
// once without a group name); Outer places R, which places Q2, which places
// D'1 as P2; no sequence places Lonely. Quotes in names must match literally.
const char kPlacements[] =
    "<Sequences><Sequence><Category>C'at</Category><Actions><Action><Name>Act</Name><Options>"
    "<Option><Name>Opt</Name><Values><Value>Formula:X</Value></Values></Option>"
    "<Option><Name>Two</Name><Values><Value>Formula:X</Value><Value><![CDATA[Formula:X]]>"
    "</Value></Values><Values><Value>Formula:X</Value></Values></Option>"
    "<Option><Name>Near</Name><Values><Value> Formula:X</Value><Value>Formula:XX</Value>"
    "<Value>Formula:x' or '1'='1</Value></Values></Option></Options></Action>"
    "<ActionGroup><Name>G\"'</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup>"
    "</Actions></Sequence>"
    "<Sequence><Category>Main</Category><Actions><ActionGroup><Name>Q</Name></ActionGroup>"
    "</Actions></Sequence>"
    "<Sequence><Category>Outer</Category><Actions><ActionGroup><Name>R</Name></ActionGroup>"
    "</Actions></Sequence></Sequences>"
    "<ActionGroupDatas><ActionGroupData><Name>D'1</Name><Actions><Action><Name>Ramp</Name>"
    "<Options><Option><Name>Gain</Name><Values><Value>Formula:X</Value></Values></Option>"
    "</Options></Action></Actions></ActionGroupData></ActionGroupDatas><ActionGroupSequences>"
    "<ActionGroupSequence><Name>Q</Name><Category>QCat</Category><Actions><ActionGroup>"
    "<Name>P</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup><ActionGroup>"
    "<ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions></ActionGroupSequence>"
    "<ActionGroupSequence><Name>Q2</Name><Category>Q2Cat</Category><Actions><ActionGroup>"
    "<Name>P2</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions>"
    "</ActionGroupSequence>"
    "<ActionGroupSequence><Name>R</Name><Category>RCat</Category><Actions><ActionGroup>"
    "<Name>Q2</Name></ActionGroup></Actions></ActionGroupSequence>"
    "<ActionGroupSequence><Name>Lonely</Name><Category>LCat</Category><Actions><ActionGroup>"
    "<Name>L</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions>"
    "</ActionGroupSequence></ActionGroupSequences>";

TEST(FormulaKeys, KeyedRecordsFollowTheirDefinitionInPlacementOrder) {
  pugi::xml_document doc;
  FormuaLoader loader;
  loader.load(parse(&doc, definition(formulaXml("X", "&lt;Engine Speed&gt;.Value * 2") +
                                         formulaXml("x' or '1'='1", "1"),
                                     kPlacements)));
  const auto& formulas = loader.get_formulas();
  EXPECT_EQ((Texts{L"X", L"_prop_C'at_Sequence/ActOpt_action_property",
                   L"_prop_C'at_Sequence/ActTwo_action_property",
                   L"_prop_C'at_Sequence/G\"'/RampGain_action_property",
                   L"_prop_Main_Sequence/Q/P/RampGain_action_property",
                   L"_prop_Outer_Sequence/R/Q2/P2/RampGain_action_property",
                   L"_prop_LCat_Sequence/Lonely/L/RampGain_action_property", L"x' or '1'='1",
                   L"_prop_C'at_Sequence/ActNear_action_property"}),
            namesOf(formulas));
  EXPECT_EQ(L"_prop_C_at_Sequence_ActOpt_action_property", formulas[1].identifier);
  EXPECT_EQ(L"self.Engine_Speed.get(Parameter.Property.Value) * 2", formulas[6].expression);
  EXPECT_EQ(Texts(7, L"del self.Engine_Speed"), loader.get_reset_lines());  // a full parse each

  // A new load starts afresh; no CalculationFormulas section gives nothing.
  loader.get_formula_uses().push_back(FormulaEntry());
  pugi::xml_document empty;
  loader.load(parse(&empty, "<MeasurementDefinition>" + std::string(kPlacements) +
                                "</MeasurementDefinition>"));
  EXPECT_TRUE(loader.get_formulas().empty() && loader.get_formula_uses().empty() &&
              loader.get_prepare_lines().empty() && loader.get_reset_lines().empty());
}

TEST(FormulaKeys, ACycleOfGroupBodiesIsAConfigError) {
  // P sits in body "Schleife Ä", which places B, which places "Schleife Ä".
  EXPECT_EQ(Texts{L"Action group bodies place each other in a cycle: Schleife \u00c4"},
            loadNames(definition(
                formulaXml("X", "1"),
                "<ActionGroupDatas><ActionGroupData><Name>D1</Name><Actions><Action><Name>A"
                "</Name><Options><Option><Name>O</Name><Values><Value>Formula:X</Value></Values>"
                "</Option></Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
                "<ActionGroupSequences><ActionGroupSequence><Name>Schleife \xC3\x84</Name>"
                "<Actions><ActionGroup><Name>P</Name><ActionGroupData>D1</ActionGroupData>"
                "</ActionGroup><ActionGroup><Name>B</Name></ActionGroup></Actions>"
                "</ActionGroupSequence><ActionGroupSequence><Name>B</Name><Actions><ActionGroup>"
                "<Name>Schleife \xC3\x84</Name></ActionGroup></Actions></ActionGroupSequence>"
                "</ActionGroupSequences>")));
}

}  // namespace
