#include "ConfigGenerator.h"

#include <sstream>

namespace tavik_bench {

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
  xml << "</ParameterType></Parameters>\n</MeasurementDefinition>\n";
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

}  // namespace tavik_bench
