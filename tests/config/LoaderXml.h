// Test helper: configuration XML for the loader and reader tests, and the text
// of the ConfigException a load throws.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include <pugixml.hpp>

#include "TavikEngine/Config/ConfigException.h"

namespace tavik_test {

// A MeasurementDefinition holding `body`.
inline std::string documentXml(const std::string& body) {
  return "<MeasurementDefinition>" + body + "</MeasurementDefinition>";
}

inline std::string formulaXml(const std::string& name, const std::string& text,
                              const std::string& more = "") {
  return "<CalculationFormula><Name>" + name + "</Name><Formula>" + text + "</Formula>" + more +
         "</CalculationFormula>";
}

// A MeasurementDefinition with the CalculationFormula elements `formulas`
// followed by `body`.
inline std::string definitionXml(const std::string& formulas, const std::string& body) {
  return documentXml("<CalculationFormulas>" + formulas + "</CalculationFormulas>" + body);
}

// `xml` parsed into `doc`: its root element.
inline pugi::xml_node parseXml(pugi::xml_document* doc, const std::string& xml) {
  EXPECT_TRUE(doc->load_string(xml.c_str())) << xml;
  return doc->document_element();
}

// Sequence C'at holds options whose values name X (written `prefix` + "X"),
// one of them twice, once as CDATA, and places the group data D'1 as G"';
// Main places body Q, which places D'1 as P (and once without a group name);
// Outer places R, which places Q2, which places D'1 as P2; no sequence places
// Lonely. Option Near holds only near misses of X and a name with quotes.
inline std::string placementsXml(const std::string& prefix) {
  std::string xml =
      "<Sequences><Sequence><Category>C'at</Category><Actions><Action><Name>Act</Name><Options>"
      "<Option><Name>Opt</Name><Values><Value>@X</Value></Values></Option><Option><Name>Two</Name>"
      "<Values><Value>@X</Value><Value><![CDATA[@X]]></Value></Values><Values><Value>@X</Value>"
      "</Values></Option><Option><Name>Near</Name><Values><Value> @X</Value><Value>@XX</Value>"
      "<Value>@x' or '1'='1</Value></Values></Option></Options></Action><ActionGroup><Name>G\"'"
      "</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions></Sequence><Sequence>"
      "<Category>Main</Category><Actions><ActionGroup><Name>Q</Name></ActionGroup></Actions>"
      "</Sequence><Sequence><Category>Outer</Category><Actions><ActionGroup><Name>R</Name>"
      "</ActionGroup></Actions></Sequence></Sequences><ActionGroupDatas><ActionGroupData><Name>D'1"
      "</Name><Actions><Action><Name>Ramp</Name><Options><Option><Name>Gain</Name><Values><Value>@X"
      "</Value></Values></Option></Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
      "<ActionGroupSequences><ActionGroupSequence><Name>Q</Name><Category>QCat</Category><Actions>"
      "<ActionGroup><Name>P</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup><ActionGroup>"
      "<ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>Q2</Name><Category>Q2Cat</Category><Actions><ActionGroup><Name>P2"
      "</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup></Actions></ActionGroupSequence>"
      "<ActionGroupSequence><Name>R</Name><Category>RCat</Category><Actions><ActionGroup><Name>Q2"
      "</Name></ActionGroup></Actions></ActionGroupSequence><ActionGroupSequence><Name>Lonely"
      "</Name><Category>LCat</Category><Actions><ActionGroup><Name>L</Name><ActionGroupData>D'1"
      "</ActionGroupData></ActionGroup></Actions></ActionGroupSequence></ActionGroupSequences>";
  for (size_t at = 0; (at = xml.find('@', at)) != std::string::npos; at += prefix.size())
    xml.replace(at, 1, prefix);
  return xml;
}

// Group bodies that place each other in a cycle: "Schleife Ä" places the data
// D'1 of placementsXml as S, and B; B places "Schleife Ä".
inline const std::string kBodiesInACycle =
    "<ActionGroupSequences><ActionGroupSequence><Name>Schleife \xC3\x84</Name><Actions>"
    "<ActionGroup><Name>S</Name><ActionGroupData>D'1</ActionGroupData></ActionGroup><ActionGroup>"
    "<Name>B</Name></ActionGroup></Actions></ActionGroupSequence><ActionGroupSequence><Name>B"
    "</Name><Actions><ActionGroup><Name>Schleife \xC3\x84</Name></ActionGroup></Actions>"
    "</ActionGroupSequence></ActionGroupSequences>";

// Child elements given as "Key=Value;Key=Value" (a value may hold "=", not
// the separator): "Name=A;X=1" -> "<Name>A</Name><X>1</X>".
inline std::string childrenXml(const std::string& fields, char separator = ';') {
  std::string xml;
  std::istringstream in(fields);
  for (std::string field; std::getline(in, field, separator);) {
    const std::string key = field.substr(0, field.find('='));
    xml += "<" + key + ">" + field.substr(key.size() + 1) + "</" + key + ">";
  }
  return xml;
}

// The message of the ConfigException that the action throws, or
// "no ConfigException".
inline std::string configError(const std::function<void()>& action) {
  try {
    action();
  } catch (const tavik::ConfigException& e) {
    return e.what();
  }
  return "no ConfigException";
}

}  // namespace tavik_test
