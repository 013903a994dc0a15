#include "ConfigGenerator.h"

#include <sstream>

namespace tavik_bench {

namespace {

void linkPoints(std::ostringstream& xml, int x) {
  xml << "<LinkPoints><LinkPoint><X>" << x << "</X><Y>10</Y></LinkPoint><LinkPoint><X>" << x
      << "</X><Y>20</Y></LinkPoint></LinkPoints>";
}

// The Main sequence: one action per 4 parameters, chained by their Default
// ports; every 16th action also leads to an instance of the group "Block",
// whose exit port leads on to the next action.
void appendSequences(std::ostringstream& xml, int parameters) {
  const int actions = parameters / 4;
  xml << "<Sequences><Sequence><Category>Main</Category><StartActionName>A 0</StartActionName>"
      << "<Actions>\n";
  for (int k = 0; k < actions; ++k) {
    xml << "<Action><Name>A " << k << "</Name><ActionModule>bench.step</ActionModule>"
        << "<ActionCategory>PythonClassAction</ActionCategory><X>" << k << "</X><Y>0</Y><Options>"
        << "<Option><Name>Speed</Name><Type>NumericValue</Type><Values><Value>" << k
        << "</Value></Values></Option>"
        << "<Option><Name>Channels</Name><Type>ChSelect</Type><Values><Value>Param " << 4 * k
        << "</Value><Value>Param " << 4 * k + 1 << "</Value></Values></Option>"
        << "<Option><Name>Target</Name><Type>MapAndValueSelect</Type><Values><Value>";
    if (k % 4 == 0 && k / 4 < parameters / 16)
      xml << "Formula:Formula " << k / 4;
    else
      xml << "Map:Map " << k / 2;
    xml << "</Value></Values></Option></Options><NextActions><Action><PortName>Default</PortName>";
    if (k + 1 < actions) xml << "<ActionName>A " << k + 1 << "</ActionName>";
    linkPoints(xml, k);
    xml << "</Action>";
    if (k % 16 == 15)
      xml << "<Action><PortName>Group</PortName><ActionName>G " << k / 16 << "</ActionName></Action>";
    xml << "</NextActions></Action>\n";
  }
  for (int g = 0; g < actions / 16; ++g) {
    xml << "<ActionGroup><Name>G " << g << "</Name><ActionGroupSequence>Block"
        << "</ActionGroupSequence><ActionGroupData>Block Data</ActionGroupData><NextActions>"
        << "<Action><PortName>Default</PortName><PortVisible>True</PortVisible>";
    if (16 * g + 16 < actions) xml << "<ActionName>A " << 16 * g + 16 << "</ActionName>";
    xml << "<PortActionInfo><ActionName>R 3</ActionName></PortActionInfo>";
    linkPoints(xml, g);
    xml << "</Action></NextActions></ActionGroup>\n";
  }
  xml << "</Actions></Sequence></Sequences>\n<ActionGroupSequences><ActionGroupSequence>"
      << "<Name>Block</Name><StartActionName>R 0</StartActionName><BottomActionName>R 3"
      << "</BottomActionName><Actions>";
  for (int r = 0; r < 4; ++r) {
    xml << "<Action><Name>R " << r << "</Name><Options><Option><Name>Rate</Name>"
        << "<Type>NumericValue</Type></Option></Options><NextActions><Action><PortName>Default"
        << "</PortName>";
    if (r < 3) xml << "<ActionName>R " << r + 1 << "</ActionName>";
    xml << "</Action></NextActions></Action>";
  }
  xml << "</Actions></ActionGroupSequence></ActionGroupSequences>\n<ActionGroupDatas>"
      << "<ActionGroupData><Name>Block Data</Name><Actions>";
  for (int r = 0; r < 4; ++r) {
    xml << "<Action><Name>R " << r << "</Name><Options><Option><Name>Rate</Name><Values><Value>"
        << r << "</Value></Values></Option></Options></Action>";
  }
  xml << "</Actions></ActionGroupData></ActionGroupDatas>\n";
}

}  // namespace

std::string generateConfiguration(int parameters) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MeasurementDefinition>\n"
      << "<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>\n"
      << "<GlobalParameters><Devices><Device><DeviceName>Motor</DeviceName>"
      << "<DeviceType>ECU</DeviceType><GetParams><GetParam><Name>Watchdog</Name>"
      << "<Value>WDG</Value></GetParam></GetParams></Device></Devices></GlobalParameters>\n";

  xml << "<Maps>\n";
  for (int m = 0; m < parameters / 8; ++m) {
    xml << "<Map><Name>Map " << m << "</Name><XValues>";
    for (int i = 0; i < 8; ++i) xml << "<Value>" << i * 10 << "</Value>";
    xml << "</XValues><YValues><Value>1</Value><Value>2</Value></YValues><ZValues>";
    for (int i = 0; i < 16; ++i) xml << "<Value>" << i << "</Value>";
    xml << "</ZValues><ZLowerLimit>0</ZLowerLimit><ZUpperLimit>100</ZUpperLimit>"
        << "<XParameterName>Param " << m * 8 << "</XParameterName></Map>\n";
  }
  xml << "</Maps>\n<CalculationFormulas>\n";
  for (int f = 0; f < parameters / 16; ++f) {
    xml << "<CalculationFormula><Name>Formula " << f << "</Name><Formula>&lt;Param "
        << f * 16 << "&gt;.Value * 2 + &lt;Param " << f * 16 + 1 << "&gt;.Value</Formula>"
        << "<UseMinMaxFlag>true</UseMinMaxFlag><Min>0</Min><Max>500</Max>"
        << "</CalculationFormula>\n";
  }
  xml << "</CalculationFormulas>\n<Parameters><ParameterType><Category>SetParameter</Category>\n";
  for (int p = 0; p < parameters; ++p) {
    xml << "<Parameter><Name>Param " << p << "</Name>"
        << "<Set_ChannelName>CH_" << p / 2 << "</Set_ChannelName>"
        << "<Set_DeviceName>Motor</Set_DeviceName>"
        << "<Get_ChannelName>IN_" << p << "</Get_ChannelName>"
        << "<Unit>rpm</Unit><Min>0</Min><Max>8000</Max><Set_Type>0</Set_Type>";
    if (p % 16 == 2) xml << "<Demand_Value>Formula:Formula " << p / 16 << "</Demand_Value>";
    xml << "</Parameter>\n";
  }
  xml << "</ParameterType></Parameters>\n";
  appendSequences(xml, parameters);
  xml << "</MeasurementDefinition>\n";
  return xml.str();
}

std::string generateTestplanConfiguration(int parameters, int rows) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MeasurementDefinition>\n"
      << "<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>\n"
      << "<Parameters><ParameterType><Category>SetParameter</Category>\n";
  for (int p = 0; p < parameters; ++p)
    xml << "<Parameter><Name>Param " << p << "</Name><Unit>rpm</Unit></Parameter>\n";
  xml << "</ParameterType></Parameters>\n<TestPlans><TestPlan><Category>Main</Category>"
      << "<Parameters>\n";
  for (int p = 0; p <= parameters; ++p) {
    if (p == parameters)
      xml << "<Parameter><Name>Result</Name><Values>";
    else
      xml << "<Parameter><Name>Param " << p << "</Name><AdjType>Value</AdjType><Values>";
    for (int r = 0; r < rows; ++r) xml << "<Value>" << (p == parameters ? 0 : r * 10 + p) << "</Value>";
    xml << "</Values></Parameter>\n";
  }
  xml << "</Parameters></TestPlan></TestPlans>\n</MeasurementDefinition>\n";
  return xml.str();
}

std::string generateGroupOptionsConfiguration(int options) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MeasurementDefinition>\n"
      << "<Sequences><Sequence><Category>Main</Category><StartActionName>G</StartActionName>"
      << "<Actions><ActionGroup><Name>G</Name><ActionGroupSequence>Body</ActionGroupSequence>"
      << "<ActionGroupData>Data</ActionGroupData></ActionGroup></Actions></Sequence></Sequences>\n"
      << "<ActionGroupSequences><ActionGroupSequence><Name>Body</Name><StartActionName>A"
      << "</StartActionName><Actions><Action><Name>A</Name><Options>\n";
  for (int k = 0; k < options; ++k)
    xml << "<Option><Name>Option " << k << "</Name><Type>Value</Type></Option>\n";
  xml << "</Options></Action></Actions></ActionGroupSequence></ActionGroupSequences>\n"
      << "<ActionGroupDatas><ActionGroupData><Name>Data</Name><Actions><Action><Name>A</Name>"
      << "<Options>\n";
  for (int k = options - 1; k >= 0; --k)
    xml << "<Option><Name>Option " << k << "</Name><Values><Value>" << k
        << "</Value></Values></Option>\n";
  xml << "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>\n"
      << "</MeasurementDefinition>\n";
  return xml.str();
}

std::string generateStatusChannelConfiguration(int parameters, int actions, bool statusChannels) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MeasurementDefinition>\n"
      << "<Parameters><ParameterType><Category>InternalVar</Category>\n";
  for (int p = 0; p < parameters; ++p)
    xml << "<Parameter><Name>Param " << p << "</Name><Unit>rpm</Unit></Parameter>\n";
  xml << "</ParameterType></Parameters>\n<Sequences><Sequence><Category>Main</Category>"
      << "<StartActionName>A 0</StartActionName><Actions>\n";
  for (int k = 0; k < actions; ++k) {
    const int first = static_cast<int>((3LL * k) % parameters);
    xml << "<Action><Name>A " << k << "</Name><ActionModule>bench.step</ActionModule>"
        << "<ActionCategory>PythonClassAction</ActionCategory><Options>";
    if (statusChannels) {
      xml << "<Option><Name>Status</Name><Type>DeviceStatusChannel</Type><TypeProperties>"
          << "<DeviceStatusChannelOption><Device>Motor</Device><StatusParameter>Param "
          << (first + 2) % parameters << "</StatusParameter></DeviceStatusChannelOption>"
          << "</TypeProperties><Values><Value>ST_" << k << "</Value></Values></Option>";
    } else {
      xml << "<Option><Name>Status</Name><Type>NumericValue</Type><Values><Value>" << k
          << "</Value></Values></Option>";
    }
    xml << "<Option><Name>Channels</Name><Type>ChSelect</Type><Values><Value>Param " << first
        << "</Value><Value>Param " << (first + 1) % parameters << "</Value></Values></Option>"
        << "</Options><NextActions><Action><PortName>Default</PortName>";
    if (k + 1 < actions) xml << "<ActionName>A " << k + 1 << "</ActionName>";
    xml << "</Action></NextActions></Action>\n";
  }
  xml << "</Actions></Sequence></Sequences>\n</MeasurementDefinition>\n";
  return xml.str();
}

}  // namespace tavik_bench
