// End-to-end loads and reload checks through tavik::ConfigReader: XML files on
// disk, a real INI file, a fresh shared-memory workspace per test.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "CapturingSink.h"
#include "LoaderXml.h"
#include "ParameterText.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "SegmentRoot.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/Regex.h"
#include "TavikEngine/LogLevels.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Device.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/PropertyMap.h"
#include "workspace/PropertyTable.h"
#include "workspace/SharedAction.h"
#include "workspace/Unaligned.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace gc = tavik::workspace::global_config;
namespace dev = tavik::workspace::device;
namespace param = tavik::workspace::parameter;
using tavik_test::properties;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

using tavik_test::documentXml;

std::string devices(const std::string& body) {
  return documentXml("<GlobalParameters><Devices>" + body + "</Devices></GlobalParameters>");
}
std::wstring global(unsigned int item) { return ws::GlobalConfig().get<std::wstring>(item); }

const std::string kMotor =
    "<Device><DeviceName>Motor</DeviceName><DeviceType>ECU</DeviceType>"
    "<HEXFile>motor.hex</HEXFile><ASAP2File>motor.a2l</ASAP2File><WatchdogECU>Main</WatchdogECU>"
    "<GetParams><GetParam><Name>Watchdog</Name><Value>WDG_IN</Value></GetParam>"
    "<GetParam><Name>SystemControlPermission</Name><Value></Value></GetParam>"
    "<GetParam><Name>Unknown</Name><Value>X</Value></GetParam></GetParams>"
    "<SetParams><SetParam><Name>Watchdog</Name><Value>WDG_OUT</Value></SetParam>"
    "<SetParam><Name>TestPointNumber</Name><Value>TP</Value></SetParam>"
    "<SetParam><Name>Throttle</Name><Value></Value></SetParam></SetParams></Device>";

// "ON|OFF|watchdog timeout|ECUs loaded|ECU count|HEX file|ASAP2 file" of a device.
std::wstring deviceState(const wchar_t* name) {
  ws::Device d{std::wstring(name)};
  std::wstring out;
  for (unsigned int item :
       {dev::ControlOnValue, dev::ControlOffValue, dev::WatchdogTimeout, dev::EcusLoaded})
    out += std::to_wstring(d.get<int>(item)) + L"|";
  return out + std::to_wstring(d.getEcuCount()) + L"|" + d.get<std::wstring>(dev::HexFile) + L"|" +
         d.get<std::wstring>(dev::Asap2File);
}
const std::wstring kGetSide =
    L"Get_ChannelName Get_DeviceName Get_Suffix Get_Type Is_Interface Is_Device_Signal LogFlags";
const std::wstring kSetSide =
    L"Set_ChannelName Set_DeviceName Set_Suffix Set_Type Is_Interface Is_Device_Signal LogFlags";
// Motor's link items, each as the name of the parameter it holds or its number.
Strings links(std::initializer_list<unsigned int> items) {
  ws::Device motor(std::wstring(L"Motor"));
  Strings out;
  for (unsigned int item : items) {
    const long long handle = motor.get<long long>(item);
    out.push_back(handle > 0 ? ws::Parameter(handle).getName() : std::to_string(handle));
  }
  return out;
}

class ConfigReaderTest : public ::testing::Test {
 protected:
  bool load(const std::string& xml, const std::string& name = "config.xml") {
    return reader_.loadConfig(ini_.dir().write(name, xml).wstring(), false);
  }
  // The reload check of a file as "true"/"false", then its UA_WARNING lines.
  Strings checkReload(const std::string& xml) {
    tavik_test::CapturingSink sink;
    Strings out{reader_.checkReloadParameters(ini_.dir().write("check.xml", xml).wstring())
                    ? "true" : "false"};
    for (const std::string& line : sink.lines(UA_WARNING.value)) out.push_back(line);
    return out;
  }
  // The result and line of a check refused at a parameter's item.
  static Strings refused(const std::string& head, const std::string& name) {
    return Strings{"false", "checkReloadParameterTree: " + head + " has changed for " + name +
                                " Please disconnect before loading the configuration"};
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{"[devices]\nMotor=ECU\nDyno=Dynamometer\n"};
  tavik::ConfigReader reader_;
};

TEST_F(ConfigReaderTest, LoadsDevicesWarnsOfUndefinedOnesAndResetsThemOnTheNextLoad) {
  ws::Parameter(std::wstring(L"Throttle")).set(param::Get_ChannelName, std::wstring(L"old"));
  EXPECT_FALSE(reader_.is_interface_defined(""));  // no keys before the first load
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(load(devices(
      "<Device><DeviceName>Pump</DeviceName><DeviceType>ECU</DeviceType></Device>" + kMotor)));
  EXPECT_EQ(Strings{"loadInterfaces: ECU-Device: Pump is not defined in Engine Options"},
            sink.lines(WARNING.value));
  EXPECT_TRUE(reader_.is_interface_defined("Motor") && !reader_.is_interface_defined("motor"));
  EXPECT_EQ((WStrings{L"0.0", L"Updating Displays"}),
            (WStrings{global(gc::ConfigurationFormatVersion), global(gc::StatusText)}));
  EXPECT_EQ(L"1|0|5|1|0|motor.hex|motor.a2l", deviceState(L"Motor"));
  EXPECT_EQ(
      (WStrings{L"WDG_IN|Motor|Main|2|1|1|100", L"WDG_OUT|Motor|Main|0|1|1|80",
                L"TP|Motor||0|1|1|80"}),
      (WStrings{properties(L"Motor_wdog_in", kGetSide), properties(L"Motor_wdog_out", kSetSide),
                properties(L"Motor_current_testpoint", kSetSide)}));
  // An empty Value links and creates nothing; a SetParam naming a parameter
  // of the workspace writes its Get_ChannelName, also when empty.
  EXPECT_EQ((Strings{"Motor_wdog_in", "-1", "Motor_wdog_out", "Motor_current_testpoint"}),
            links({dev::WatchdogIn, dev::PermissionIn, dev::WatchdogOut, dev::TestPointOut}));
  const auto workspace = ws::Workspace::getInstance();
  EXPECT_FALSE(
      workspace->is_existing_element(L"Motor_permission_in", ws::memory_area::kParameters) ||
      workspace->is_existing_element(L"Pump", ws::memory_area::kDevices));
  EXPECT_EQ(L"",
            ws::Parameter(std::wstring(L"Throttle")).get<std::wstring>(param::Get_ChannelName));

  ws::Device motor(std::wstring(L"Motor"));
  motor.set(dev::DeviceState, 3);
  ASSERT_TRUE(load(
      documentXml("<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>"
               "<GlobalParameters><CommonParameter><Property><WatchdogTimeout>9</WatchdogTimeout>"
               "</Property></CommonParameter><Devices><Device><DeviceName>Dyno</DeviceName>"
               "<ControlRequest><ONValue>4</ONValue><OFFValue>-2</OFFValue></ControlRequest>"
               "<ECUSettings><ECUSetting><ECUName>A</ECUName><HEXFile>a.hex</HEXFile></ECUSetting>"
               "<ECUSetting><ECUName>B</ECUName></ECUSetting></ECUSettings></Device></Devices>"
               "</GlobalParameters>"),
      "second.xml"));
  EXPECT_EQ(L"1.2", global(gc::ConfigurationFormatVersion));
  EXPECT_EQ(L"4|-2|9|1|2||", deviceState(L"Dyno"));
  // Every link but the test point's is reset, with the state and the ECU flag.
  EXPECT_EQ((Strings{"-1", "-1", "-1", "-1", "-1", "-1", "Motor_current_testpoint"}),
            links({dev::WatchdogIn, dev::PermissionIn, dev::StopRequestIn, dev::WatchdogOut,
                   dev::PermissionOut, dev::StopRequestOut, dev::TestPointOut}));
  EXPECT_EQ(0, motor.get<int>(dev::DeviceState));
  EXPECT_EQ(L"1|0|5|0|0|motor.hex|motor.a2l", deviceState(L"Motor"));
}

TEST_F(ConfigReaderTest, ConfigurationErrorsAreLoggedOnceThenTheTimingLine) {
  const struct {
    std::string parameter;
    std::string reason;
  } cases[] = {
      {"<Name>NN</Name>", "Error parsing parameter. ParameterName is missing in config"},
      {"<Name>P</Name><Min>Map:" + std::string(262, 'm') + "</Min>",
       "cannot bind map \"" + std::string(262, 'm') + "\" to property \"Min\" of parameter "
           "\"P\": a text of 262 characters does not fit (room for 261)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameter);
    tavik_test::CapturingSink sink;
    EXPECT_FALSE(
        load(documentXml("<Parameters><ParameterType><Category>SetParameter</Category>"
                      "<Parameter>" +
                      std::string(c.parameter) + "</Parameter></ParameterType></Parameters>")));
    Strings lines;
    for (const g3::LogRecord& r : sink.records())
      if (r.level_value == UA_WARNING.value || r.level_value == TIMING.value)
        // The whole number of milliseconds depends on the machine.
        lines.push_back(r.function + ": " +
                        std::regex_replace(r.message, std::regex("took \\d+ milli"), "took N milli"));
    EXPECT_EQ((Strings{"~DurationLogger: Function Preparing Mapstook N milliseconds",
                       "~DurationLogger: Function Loading Parameterstook N milliseconds",
                       "loadConfig: Error while loading the config: " + std::string(c.reason),
                       "~DurationLogger: Function Load Configtook N milliseconds"}),
              lines);
    EXPECT_EQ(TIMING.value, sink.records().back().level_value);
    EXPECT_EQ(L"Step 2/4: Loading Parameters: SetParameter", global(gc::StatusText));
  }
}

// A file that is missing, broken or no regular file fails the load and the
// reload check with one line naming it, and the loaded configuration stays.
TEST_F(ConfigReaderTest, UnreadableFilesFailWithOneLineAndLeaveTheWorkspaceAlone) {
  ASSERT_TRUE(load(devices(kMotor)));
  const std::filesystem::path dir = ini_.dir().path(), fifo = dir / "fifo.xml";
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  const std::pair<std::filesystem::path, std::string> files[] = {
      {dir / "missing.xml", "File was not found"},
      {ini_.dir().write("broken.xml", "<MeasurementDefinition><Versions>"),
       "Start-end tags mismatch"},
      {dir, "Error reading from file/stream"},
      {fifo, "Error reading from file/stream"}};
  tavik_test::CapturingSink sink;
  Strings expected;
  for (const auto& [path, reason] : files) {
    EXPECT_FALSE(reader_.loadConfig(path.wstring(), false));
    EXPECT_FALSE(reader_.checkReloadParameters(path.wstring()));
    const std::string tail = reason + " (file " + path.string() + ", offset " +
                             (reason[0] == 'S' ? "32)" : "0)");
    expected.push_back("loadConfig: Error while loading the config: " + tail);
    expected.push_back("checkReloadParameters: Error while checking if reload is possible: " +
                       tail);
  }
  EXPECT_EQ(expected, sink.lines(UA_WARNING.value));
  EXPECT_EQ(L"1|0|5|1|0|motor.hex|motor.a2l", deviceState(L"Motor"));
  EXPECT_EQ(L"Updating Displays", global(gc::StatusText));
}

// `text` as UTF-16LE bytes after a byte-order mark.
std::string utf16le(const std::u16string& text) {
  std::string out("\xFF\xFE", 2);
  for (const char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

// A file of setting parameters: `parameters` between the category and the
// end of its ParameterType.
std::string settingParameters(const std::string& parameters) {
  return documentXml("<Parameters><ParameterType><Category>SetParameter</Category>" + parameters +
                     "</ParameterType></Parameters>");
}

// Bytes that the file's encoding (as the parser detects it: byte-order mark,
// declaration, else UTF-8) does not decode would vanish from names; such a
// file is refused like a broken one, at the offset of the first bad byte, and
// the loaded configuration stays. Text the encoding holds loads as written.
TEST_F(ConfigReaderTest, BytesThatAreNoTextOfTheFilesEncodingAreRefusedAtTheirOffset) {
  ASSERT_TRUE(load(devices(kMotor)));
  const auto parameters = settingParameters;
  const std::string latin1 = parameters("<Parameter><Name>A\xFC</Name></Parameter>"
                                        "<Parameter><Name>A</Name></Parameter>");
  const std::string overlong = parameters("<Parameter><Name>A\xC0\xAF</Name></Parameter>");
  const std::string surrogate =  // after a euro sign, U+D800 in three bytes
      parameters("<Parameter><Name>\xE2\x82\xAC\xED\xA0\x80</Name></Parameter>");
  const std::string windows = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";
  std::u16string lone = u"<MeasurementDefinition><Parameters><ParameterType><Category>"
                        u"SetParameter</Category><Parameter><Name>A?</Name></Parameter>"
                        u"</ParameterType></Parameters></MeasurementDefinition>";
  const std::size_t question = lone.find(u'?');
  lone[question] = 0xD800;
  const struct {
    std::string bytes;
    std::string reason;
    std::size_t offset;
  } refused[] = {
      {latin1, "Invalid UTF-8 byte sequence", latin1.find('\xFC')},
      // An encoding the parser does not know reads as UTF-8.
      {windows + latin1, "Invalid UTF-8 byte sequence", windows.size() + latin1.find('\xFC')},
      {overlong, "Invalid UTF-8 byte sequence", overlong.find('\xC0')},
      {surrogate, "Invalid UTF-8 byte sequence", surrogate.find('\xED')},
      {utf16le(lone), "Invalid UTF-16LE byte sequence", 2 + 2 * question},
  };
  tavik_test::CapturingSink sink;
  Strings expected;
  for (const auto& c : refused) {
    const std::filesystem::path path = ini_.dir().write("encoded.xml", c.bytes);
    EXPECT_FALSE(reader_.loadConfig(path.wstring(), false));
    EXPECT_FALSE(reader_.checkReloadParameters(path.wstring()));
    const std::string tail =
        c.reason + " (file " + path.string() + ", offset " + std::to_string(c.offset) + ")";
    expected.push_back("loadConfig: Error while loading the config: " + tail);
    expected.push_back("checkReloadParameters: Error while checking if reload is possible: " +
                       tail);
  }
  EXPECT_EQ(expected, sink.lines(UA_WARNING.value));
  EXPECT_EQ(L"1|0|5|1|0|motor.hex|motor.a2l", deviceState(L"Motor"));
  EXPECT_EQ(L"Updating Displays", global(gc::StatusText));
  const auto workspace = ws::Workspace::getInstance();
  EXPECT_FALSE(workspace->is_existing_element(L"A", ws::memory_area::kParameters));

  // Declared Latin-1, 0xFC is "ü": two parameters. UTF-16 with its mark and
  // UTF-8 with its mark carry a character outside the BMP.
  const struct {
    std::string bytes;
    WStrings names;
  } loaded[] = {
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + latin1, {L"A\u00FC", L"A"}},
      {utf16le(u"<MeasurementDefinition><Parameters><ParameterType><Category>SetParameter"
               u"</Category><Parameter><Name>B\u00FC\U0001F600</Name></Parameter></ParameterType>"
               u"</Parameters></MeasurementDefinition>"),
       {L"B\u00FC\U0001F600"}},
      {"\xEF\xBB\xBF" + parameters("<Parameter><Name>C\xF0\x9F\x98\x80</Name></Parameter>"),
       {L"C\U0001F600"}},
  };
  for (const auto& c : loaded) {
    EXPECT_TRUE(load(c.bytes, "encoded.xml"));
    WStrings names;
    for (const std::wstring& name : c.names)
      names.push_back(properties(name, L"ParameterName Category_Type"));
    WStrings want;
    for (const std::wstring& name : c.names) want.push_back(name + L"|2");
    EXPECT_EQ(want, names);
  }
  EXPECT_EQ(expected, sink.lines(UA_WARNING.value));  // nothing more
}

// Nothing reads comments and processing instructions: bytes there that the
// encoding does not decode (a Latin-1 "\u00B0C" in a file read as UTF-8, as
// one declaring windows-1252 is) load. The same bytes in a name still refuse
// the file, at the name's offset, with a comment before it.
TEST_F(ConfigReaderTest, BytesThatAreNoTextInCommentsAndProcessingInstructionsLoad) {
  const std::string comment = "<!-- Temperatur in \xB0" "C -->";
  const auto parameter = [](const char* name) {
    return std::string("<Parameter><Name>") + name + "</Name></Parameter>";
  };
  const std::string windows = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>";
  const struct {
    std::string bytes;
    const wchar_t* name;
  } loaded[] = {
      {comment + settingParameters(parameter("A")), L"A"},
      {windows + comment + settingParameters(parameter("B")), L"B"},
      {"<?xml version=\"1.0\" encoding=\"cp1252\"?>" +
           settingParameters(comment + parameter("C") + comment),
       L"C"},
      {settingParameters("<?note \xE2\x82 \xC3(?>" + parameter("D")), L"D"},
  };
  tavik_test::CapturingSink sink;
  for (const auto& c : loaded) {
    const std::filesystem::path path = ini_.dir().write("commented.xml", c.bytes);
    EXPECT_TRUE(reader_.loadConfig(path.wstring(), false));
    EXPECT_TRUE(reader_.checkReloadParameters(path.wstring()));
    EXPECT_EQ(std::wstring(c.name) + L"|2", properties(c.name, L"ParameterName Category_Type"));
  }
  EXPECT_EQ(Strings{}, sink.lines(UA_WARNING.value));

  const std::string named = windows + settingParameters(comment + parameter("E\xB0" "C"));
  const std::filesystem::path path = ini_.dir().write("named.xml", named);
  EXPECT_FALSE(reader_.loadConfig(path.wstring(), false));
  EXPECT_FALSE(reader_.checkReloadParameters(path.wstring()));
  const std::string tail = "Invalid UTF-8 byte sequence (file " + path.string() + ", offset " +
                           std::to_string(named.find("E\xB0") + 1) + ")";
  EXPECT_EQ((Strings{"loadConfig: Error while loading the config: " + tail,
                     "checkReloadParameters: Error while checking if reload is possible: " + tail}),
            sink.lines(UA_WARNING.value));
  EXPECT_EQ(171u, named.find("E\xB0") + 1);
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"E",
                                                                 ws::memory_area::kParameters));
}

// Failures outside the configuration (the INI file) are named, not swallowed.
TEST_F(ConfigReaderTest, IniFailuresDuringTheLoadAreLoggedWithTheirText) {
  const std::string ini = ini_.file().string();
  const struct {
    const char* text;
    std::string line;
  } cases[] = {
      {"initialize_demand_values_0=x\n",
       "INI item \"initialize_demand_values_0\" is not an int: \"x\" (file " + ini + ")"},
      {"ParallelActionWaitTime=x\n",
       "INI item \"ParallelActionWaitTime\" is not an int: \"x\" (file " + ini + ")"},
      {"[devices\n", ini + "(1): unmatched '['"},
  };
  const std::string original = "[devices]\nMotor=ECU\n[paths]\nsystem=" +
                               (ini_.dir().path() / "system").string() + "\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ini_.dir().write("bench.ini", c.text + original);
    tavik_test::CapturingSink sink;
    EXPECT_FALSE(load(devices(kMotor)));
    EXPECT_EQ(Strings{"Error while loading the config: " + c.line}, sink.messages(UA_WARNING.value));
  }
  ini_.dir().write("bench.ini", original);
}

// The hook file is replaced whole; when it cannot be, the previous
// configuration's file must not go on running against this one.
TEST_F(ConfigReaderTest, APreviousHookFileIsReplacedOrRemovedOrTheLoadFails) {
  namespace fs = std::filesystem;
  const fs::path hook = ini_.hookFile();
  const fs::path temporary = hook.string() + "." + std::to_string(::getpid()) + ".new";
  const std::string cannot =
      "Could not write the property hook file " + hook.string() + ": Is a directory";
  const struct {
    fs::path blocked;  // made a folder: where the new file goes first, or the hook file itself
    bool result;
    Strings warnings, uaWarnings;
    std::string left;
  } cases[] = {
      {"", true, {}, {}, "PropertyHook.py"},
      {temporary, true,
       {cannot, "Removed the property hook file of the previous configuration " + hook.string()},
       {}, temporary.filename().string()},
      {hook, false, {cannot},
       {"The property hook file of the previous configuration could not be replaced or removed "
        "and stays in place: " + hook.string()},
       "PropertyHook.py"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.blocked);
    fs::remove_all(hook);
    fs::remove_all(temporary);
    std::ofstream(hook) << "old";
    if (!c.blocked.empty()) {
      fs::remove(c.blocked);
      fs::create_directories(c.blocked / "x");
    }
    tavik_test::CapturingSink sink;
    EXPECT_EQ(c.result, load(documentXml("")));
    EXPECT_EQ(c.warnings, sink.messages(WARNING.value));
    EXPECT_EQ(c.uaWarnings, sink.messages(UA_WARNING.value));
    Strings left;
    for (const auto& entry : fs::directory_iterator(hook.parent_path()))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ((Strings{".keep", c.left}), left);
    EXPECT_EQ(L"Updating Displays", global(gc::StatusText));
    std::ifstream in(hook);  // the new file, whole
    std::string first;
    EXPECT_EQ(c.blocked.empty(), std::getline(in, first) &&
                                     first == "from math import pow, log, log10, sqrt, cos, sin, "
                                              "tan, acos, asin, atan");
  }
  fs::remove_all(temporary);
}

// A name defined twice: a WARNING; a parameter takes every definition in
// load order, a map its last one wholly; the reload check compares the
// fields as loaded, so the file just loaded may be reloaded. Numbers that are
// not entirely numbers are named.
TEST_F(ConfigReaderTest, DuplicateNamesAndTextsThatAreNoNumbersAreReported) {
  const std::string map =
      "<Map><Name>M</Name><XValues><Value>1,5</Value><Value>7abc</Value><Value/></XValues>"
      "<ZLowerLimit>1e999</ZLowerLimit></Map>";
  const std::string xml = documentXml(
      "<GlobalParameters><CommonParameter><Property><WatchdogTimeout> 0x10 </WatchdogTimeout>"
      "<PControlWaitTime>5s</PControlWaitTime></Property></CommonParameter></GlobalParameters>"
      "<Maps><Map><Name>M</Name><XValues><Value>3</Value></XValues><ZLowerLimit>4"
      "</ZLowerLimit></Map>" + map + "</Maps>"
      "<Parameters><ParameterType><Category>Measurement</Category><Parameter><Name>P</Name>"
      "<Set_ChannelName>B</Set_ChannelName></Parameter></ParameterType><ParameterType>"
      "<Category>SetParameter</Category><Parameter><Name>P</Name><Set_ChannelName>A"
      "</Set_ChannelName><Unit>rpm</Unit></Parameter><Parameter><Name>P</Name></Parameter>"
      "</ParameterType></Parameters>");
  tavik_test::CapturingSink sink;
  ASSERT_TRUE(load(xml));
  const std::string value = "MeasurementDefinition/Maps/Map/XValues/Value is not a number; ";
  EXPECT_EQ((Strings{"The text \"1,5\" of " + value + "1 is used",
                     "The text \"7abc\" of " + value + "7 is used",
                     "The text \"1e999\" of MeasurementDefinition/Maps/Map/ZLowerLimit is not a "
                     "number; inf is used",
                     "Map M is defined more than once; the last definition is loaded",
                     "Parameter P is defined more than once; the definition in SetParameter is "
                     "applied over the earlier one",
                     "Parameter P is defined more than once; the definition in Measurement is "
                     "applied over the earlier one",
                     "The text \"5s\" of MeasurementDefinition/GlobalParameters/CommonParameter/"
                     "Property/PControlWaitTime is not a number; 5 is used"}),
            sink.messages(WARNING.value));
  EXPECT_EQ(L"B|rpm|3", properties(L"P", L"Set_ChannelName Unit Category_Type"));
  const ws::PropertyMap m(std::wstring(L"M"), 3, 0);
  // Nothing of the first Map: not its 3, not its lower limit 4.
  EXPECT_EQ(std::make_pair(1.0, std::numeric_limits<double>::infinity()),
            std::make_pair(m.get<double>(ws::property_map::XFirst),
                           m.get<double>(ws::property_map::ZLowerLimit)));
  sink.clear();
  EXPECT_TRUE(reader_.checkReloadParameters(ini_.dir().write("config.xml", xml).wstring()));
  EXPECT_EQ(Strings{}, sink.messages(UA_WARNING.value));
}

// The reload check compares a loaded configuration with edited copies of it.
TEST_F(ConfigReaderTest, EachReloadDifferenceRefusesWithItsLineAndOnlyTheFirstIsReported) {
  const std::string op =
      "<ParameterType><Category>OperatingPoint</Category><Parameter><Name>OP1</Name>"
      "<Set_ChannelName>SC_OP</Set_ChannelName><Get_ChannelName>GC_OP</Get_ChannelName>"
      "<Set_Type>1</Set_Type><Get_Type>2</Get_Type></Parameter></ParameterType>";
  const std::string others =
      "<ParameterType><Category>SetParameter</Category><Parameter><Name>S1</Name>"
      "<Set_ChannelName>SC1</Set_ChannelName><Get_ChannelName>GC1</Get_ChannelName></Parameter>"
      "</ParameterType><ParameterType><Category>Invisible</Category>"
      "<Parameter><Name>V1</Name><Get_Type>2</Get_Type></Parameter>"
      "<Parameter><Name>V2</Name></Parameter></ParameterType>";
  const std::string all = op + others;
  const auto file = [](const std::string& parameters) {
    return documentXml("<GlobalParameters><CommonParameter><Property><ThrottleParameter>OP1"
                       "</ThrottleParameter></Property></CommonParameter></GlobalParameters>"
                       "<Parameters>" + parameters + "</Parameters>");
  };
  ASSERT_TRUE(load(file(all)));
  const auto check = [&](const std::string& parameters) { return checkReload(file(parameters)); };
  const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  EXPECT_EQ(Strings{"true"}, check(all));
  EXPECT_EQ(refused("Set Channelname", "S1"), check(replaced(all, ">SC1<", ">SC9<")));
  EXPECT_EQ(refused("Get Channelname", "OP1"), check(replaced(all, ">GC_OP<", ">GC_X<")));
  EXPECT_EQ(refused("Set Type", "OP1"), check(replaced(all, "<Set_Type>1<", "<Set_Type>0<")));
  // The last Invisible parameter: its missing Get_Type read 0 at load.
  EXPECT_EQ(refused("Get Type", "V2"),
            check(replaced(all, "<Name>V2</Name>", "<Name>V2</Name><Get_Type>2</Get_Type>")));
  EXPECT_EQ(refused("Set Channelname", "S1"),
            check(replaced(replaced(all, ">SC1<", ">X<"), ">GC1<", ">Y<")));
  // OperatingPoint is compared first, wherever it stands in the file.
  EXPECT_EQ(refused("Set Channelname", "OP1"),
            check(replaced(others, "<Get_Type>2<", "<Get_Type>3<") +
                  replaced(op, ">SC_OP<", ">Z<")));
  // A new parameter is compared with a fresh one and not created.
  const std::string fresh =
      "<ParameterType><Category>Measurement</Category><Parameter><Name>New</Name>"
      "<Set_Type>0</Set_Type></Parameter></ParameterType>";
  EXPECT_EQ(Strings{"true"}, check(all + fresh));
  EXPECT_EQ(refused("Get Channelname", "New"),
            check(all + replaced(fresh, "<Set_Type>", "<Get_ChannelName>G</Get_ChannelName><Set_Type>")));
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"New", ws::memory_area::kParameters));
}

// Every configuration of this repository (the examples, the fuzz seeds, the
// test fixtures on disk), checked right after its load and after loading it
// again over itself: nothing changed, so the check says true without a word.
TEST_F(ConfigReaderTest, EveryConfigurationOfTheRepositoryMayBeReloadedRightAfterItsLoad) {
  const std::filesystem::path source(TAVIK_SOURCE_DIR);
  std::vector<std::filesystem::path> files;
  for (const char* folder : {"examples", "tests"})
    for (const auto& entry : std::filesystem::recursive_directory_iterator(source / folder))
      if (entry.is_regular_file() && (entry.path().extension() == ".xml" ||
                                      entry.path().parent_path().filename() == "seeds"))
        files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 5u);
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.string());
    for (int round = 0; round < 2; ++round) {
      EXPECT_TRUE(reader_.loadConfig(file.wstring(), false));
      tavik_test::CapturingSink sink;
      EXPECT_TRUE(reader_.checkReloadParameters(file.wstring()));
      EXPECT_EQ(Strings{}, sink.lines(UA_WARNING.value));
    }
  }
}

// Items a load writes from elsewhere than the parameter's definition: a
// device's interface signal and a SetParam naming a parameter, and the
// device status channels of an action and of an action in a group (its value
// from the group data). The last write counts; the file just loaded, and
// loaded again, checks true.
TEST_F(ConfigReaderTest, TheReloadCheckExpectsTheLastWriteOfDevicesDefinitionsAndOptions) {
  const auto statusChannel = [](const std::string& option, const std::string& status,
                                const std::string& values) {
    return "<Option><Name>" + option + "</Name><Type>DeviceStatusChannel</Type><TypeProperties>"
           "<DeviceStatusChannelOption><Device>Motor</Device><StatusParameter>" + status +
           "</StatusParameter></DeviceStatusChannelOption></TypeProperties>" + values + "</Option>";
  };
  const std::string file = documentXml(
      "<GlobalParameters><Devices><Device><DeviceName>Motor</DeviceName><GetParams><GetParam>"
      "<Name>Watchdog</Name><Value>WDG_IN</Value></GetParam></GetParams><SetParams><SetParam>"
      "<Name>Motor_wdog_in</Name><Value>WDG_RB</Value></SetParam></SetParams></Device></Devices>"
      "</GlobalParameters><Parameters><ParameterType><Category>Measurement</Category>"
      "<Parameter><Name>DevStat</Name><Get_Type>0</Get_Type></Parameter>"
      "<Parameter><Name>GrpStat</Name><Get_ChannelName>DEF</Get_ChannelName></Parameter>"
      "<Parameter><Name>Quiet</Name><Get_ChannelName>Q1</Get_ChannelName></Parameter>"
      "<Parameter><Name>Motor_wdog_in</Name><Unit>-</Unit></Parameter></ParameterType>"
      "</Parameters><Sequences><Sequence><Category>Main</Category><StartActionName>A"
      "</StartActionName><Actions><Action><Name>A</Name><Options>" +
      statusChannel("Health", "DevStat", "<Values><Value>ST1</Value></Values>") +
      statusChannel("Silent", "Quiet", "<Values><Value></Value></Values>") +
      "</Options><NextActions><Action><PortName>Default</PortName><ActionName>G</ActionName>"
      "</Action></NextActions></Action><ActionGroup><Name>G</Name><ActionGroupSequence>Body"
      "</ActionGroupSequence><ActionGroupData>Data</ActionGroupData></ActionGroup></Actions>"
      "</Sequence></Sequences><ActionGroupSequences><ActionGroupSequence><Name>Body</Name>"
      "<StartActionName>In</StartActionName><Actions><Action><Name>In</Name><Options>" +
      statusChannel("Health", "GrpStat", "") +
      "</Options></Action></Actions></ActionGroupSequence></ActionGroupSequences>"
      "<ActionGroupDatas><ActionGroupData><Name>Data</Name><Actions><Action><Name>In</Name>"
      "<Options><Option><Name>Health</Name><Values><Value>G1</Value></Values></Option>"
      "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>");
  const auto check = [&](const std::string& from, const std::string& to) {
    std::string text = file;
    if (!from.empty()) text.replace(text.find(from), from.size(), to);
    return checkReload(text);
  };
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(load(file));
    EXPECT_EQ((WStrings{L"ST1|2", L"G1|2", L"Q1|2", L"WDG_RB|2"}),
              properties({L"DevStat", L"GrpStat", L"Quiet", L"Motor_wdog_in"},
                         L"Get_ChannelName Get_Type"));
    EXPECT_EQ(Strings{"true"}, check("", ""));
  }
  // The options write after the definitions.
  EXPECT_EQ(Strings{"true"}, check("<Get_Type>0<", "<Get_Type>1<"));
  EXPECT_EQ(Strings{"true"}, check(">DEF<", ">DEF2<"));
  EXPECT_EQ(refused("Get Channelname", "DevStat"), check(">ST1<", ">ST2<"));
  EXPECT_EQ(refused("Get Channelname", "GrpStat"), check(">G1<", ">G2<"));
  EXPECT_EQ(refused("Get Channelname", "GrpStat"), check(">G1<", "><"));
  // An empty option value leaves the definition's channel.
  EXPECT_EQ(refused("Get Channelname", "Quiet"), check(">Q1<", ">Q2<"));
  EXPECT_EQ(refused("Get Type", "DevStat"),
            check("<Name>Health</Name><Type>DeviceStatusChannel<", "<Name>Health</Name><Type>Value<"));
  // The SetParam writes after the interface signal.
  EXPECT_EQ(refused("Get Channelname", "Motor_wdog_in"), check(">WDG_RB<", ">WDG_X<"));
  EXPECT_EQ(Strings{"true"}, check(">WDG_IN<", ">WDG_Y<"));
}

// The load stores channel names through the channel-mapping file; the reload
// check compares them the same way, also in a reader that loaded nothing.
TEST_F(ConfigReaderTest, TheReloadCheckComparesChannelNamesAsTheMappingStoresThem) {
  const std::string mappingFile = "user/Settings/MA/channel_mapping.aka";
  ini_.dir().write(mappingFile, "Ch1=Alias1\n[Sec]\nCh2=Alias2\n");
  const std::string parameters = documentXml(
      "<Parameters><ParameterType><Category>SetParameter</Category><Parameter><Name>P</Name>"
      "<Set_ChannelName>Ch1</Set_ChannelName><Get_ChannelName>Sec.Ch2</Get_ChannelName>"
      "</Parameter><Parameter><Name>Q</Name><Set_ChannelName>Plain</Set_ChannelName></Parameter>"
      "</ParameterType></Parameters>");
  ASSERT_TRUE(load(parameters));
  ASSERT_EQ((WStrings{L"Alias1|Alias2", L"Plain|"}),
            properties({L"P", L"Q"}, L"Set_ChannelName Get_ChannelName"));

  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = parameters;
    return text.replace(text.find(from), from.size(), to);
  };
  const std::string changedP = "checkReloadParameterTree: Set Channelname has changed for P Please "
                               "disconnect before loading the configuration";
  const std::string changedQ = "checkReloadParameterTree: Set Channelname has changed for Q Please "
                               "disconnect before loading the configuration";
  tavik::ConfigReader fresh;  // no load has run in it
  // The check's result as "true"/"false", then its INFO and UA_WARNING lines.
  const auto check = [&](tavik::ConfigReader& reader, const std::string& xml) {
    tavik_test::CapturingSink sink;
    Strings out{reader.checkReloadParameters(ini_.dir().write("check.xml", xml).wstring())
                    ? "true" : "false"};
    for (int level : {INFO.value, UA_WARNING.value})
      for (const std::string& line : sink.lines(level)) out.push_back(line);
    return out;
  };
  const struct {
    const char* step;
    std::string mapping;  // written before the checks; "-" removes the file
    std::string xml;
    Strings loader, fresh;
  } cases[] = {
      {"unchanged", "", parameters, {"true"}, {"true"}},
      {"a real change", "", replaced(">Ch1<", ">Ch9<"), {"false", changedP}, {"false", changedP}},
      {"an unmapped name changed", "", replaced(">Plain<", ">Other<"), {"false", changedQ},
       {"false", changedQ}},
      // A load would now store Alias9.
      {"the mapping changed", "Ch1=Alias9\n[Sec]\nCh2=Alias2\n", parameters, {"false", changedP},
       {"false", changedP}},
      // Without the file a load keeps the mapping it read; a reader that read
      // none stores the names as written.
      {"the file removed", "-", parameters, {"true"}, {"false", changedP}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    if (c.mapping == "-")
      std::filesystem::remove(ini_.dir().path() / mappingFile);
    else if (!c.mapping.empty())
      ini_.dir().write(mappingFile, c.mapping);
    EXPECT_EQ(c.loader, check(reader_, c.xml));
    EXPECT_EQ(c.fresh, check(fresh, c.xml));
  }
  // The checks wrote nothing.
  EXPECT_EQ((WStrings{L"Alias1|Alias2", L"Plain|"}),
            properties({L"P", L"Q"}, L"Set_ChannelName Get_ChannelName"));
}


// Parameters that another process of the bench made are the workspace's like
// any other: a selector, a channel table, a device's SetParam, the throttle and
// a control-mode request find them, a parameter of the file that shares a set
// channel with one is linked to it, and what the file does not define of them
// (a map binding) stays. Loading the file again changes none of it.
TEST_F(ConfigReaderTest, ParametersAnotherProcessMadeAreFoundByEveryLookUpOfTheLoad) {
  const pid_t peer = ::fork();
  ASSERT_GE(peer, 0);
  if (peer == 0) {  // a second process that opens the workspace by its name
    ws::Workspace::resetInstance();
    ws::Parameter speed(std::wstring(L"Peer_Speed"));
    speed.set(param::Set_ChannelName, std::wstring(L"ch"));
    speed.set(param::Set_DeviceName, std::wstring(L"dev"));
    speed.set_map(L"Min", L"Peer_Map");
    for (const wchar_t* name : {L"Peer_Row", L"Peer_Throttle", L"Peer_Dyno", L"Peer_Engine"})
      ws::Parameter{std::wstring(name)};
    ::_exit(0);
  }
  int status = -1;
  ASSERT_EQ(peer, ::waitpid(peer, &status, 0));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::string file = documentXml(
      "<GlobalParameters><CommonParameter><Property><ThrottleParameter>Peer_Throttle"
      "</ThrottleParameter></Property><ModeRequestCh><ModeRequest><Name>3</Name>"
      "<Dyno>Peer_Dyno</Dyno><Engine>Peer_Engine</Engine></ModeRequest></ModeRequestCh>"
      "</CommonParameter><Devices><Device><DeviceName>Motor</DeviceName><SetParams><SetParam>"
      "<Name>Peer_Speed</Name><Value>IN_SPEED</Value></SetParam></SetParams></Device></Devices>"
      "</GlobalParameters><Parameters><ParameterType><Category>SetParameter</Category>"
      "<Parameter><Name>Own</Name><Set_ChannelName>ch</Set_ChannelName><Set_DeviceName>dev"
      "</Set_DeviceName></Parameter></ParameterType><ParameterType><Category>OperatingPoint"
      "</Category><Parameter><Name>Point</Name></Parameter></ParameterType></Parameters>"
      "<Sequences><Sequence><Category>Main</Category><Actions><Action><Name>Step</Name><Options>"
      "<Option><Name>Channels</Name><Type>ChSelect</Type><Values><Value>Peer_Speed</Value>"
      "<Value>Own</Value></Values></Option><Option><Name>Table</Name><Type>ChTableSelect</Type>"
      "<ValueColumns><Row><Value>Peer_Row</Value></Row></ValueColumns></Option></Options>"
      "</Action></Actions></Sequence></Sequences>");
  const auto handle = [](const wchar_t* name, long long area = ws::memory_area::kParameters) {
    return ws::Workspace::getInstance()->getElement(name, area);
  };
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    tavik_test::CapturingSink sink;
    ASSERT_TRUE(load(file));
    EXPECT_EQ(Strings{}, sink.lines(WARNING.value));
    EXPECT_EQ(Strings{}, sink.lines(UA_WARNING.value));
    EXPECT_EQ((std::vector<long long>{handle(L"Peer_Speed"), handle(L"Own")}),
              ws::ChannelSelector(handle(L"_prop_Main_Sequence/StepChannels",
                                         ws::memory_area::kChannelSelectors))
                  .getParameters());
    EXPECT_EQ(handle(L"Peer_Row"),
              ws::PropertyTable(handle(L"_prop_Main_Sequence/StepTable",
                                       ws::memory_area::kPropertyTables))
                  .getParameter(0));
    const ws::Parameter speed(handle(L"Peer_Speed"));
    EXPECT_EQ(L"IN_SPEED", speed.get<std::wstring>(param::Get_ChannelName));
    EXPECT_EQ(L"Peer_Map", speed.get_map(L"Min"));
    EXPECT_EQ(std::vector<long long>{handle(L"Own")}, speed.getSameSetNameParameters());
    EXPECT_EQ(std::vector<long long>{handle(L"Peer_Speed")},
              ws::Parameter(handle(L"Own")).getSameSetNameParameters());
    const ws::GlobalConfig config;
    EXPECT_EQ((std::vector<long long>{handle(L"Peer_Throttle"), 1, handle(L"Peer_Dyno"),
                                      handle(L"Peer_Engine"), 3}),
              (std::vector<long long>{config.get<long long>(gc::ThrottleParameter),
                                      config.get<int>(gc::ControlModeCount),
                                      config.get<long long>(gc::controlModeDyno(0)),
                                      config.get<long long>(gc::controlModeEngine(0)),
                                      config.get<int>(gc::controlModeName(0))}));
  }
}

// --- a process killed while it holds the segment lock ---

// Where the child dies: cumulative steps of making the listener "Half" as
// Workspace::openOrCreateElement makes an element, then a grown name index
// whose capacity was not yet written; or with an index no repair can mend.
enum class Death { Allocated, Named, Addressed, TornGrowth, Unrepairable };

// Takes the segment lock, goes as far as `death`, tells the parent through
// `ready` and waits for its SIGKILL.
// Allocates an element of the class named `name` as
// Workspace::openOrCreateElement writes it, before any index knows it.
char* allocateElement(char* base, ws::SegmentRoot& root, const ws::ElementSchema& schema,
                      const std::u16string& name) {
  ws::SegmentArena arena(base, root.arena);
  char* const element = static_cast<char*>(arena.allocate(schema.size, std::nothrow));
  std::memset(element, 0, schema.size);
  ws::storeAt<std::int32_t>(element + ws::element_header::kType, schema.element_type);
  ws::storeAt<std::int32_t>(element + ws::element_header::kClassId, schema.class_id);
  ws::storeAt<std::uint32_t>(element + ws::element_header::kSize, schema.size);
  ws::storeAt<std::int32_t>(element + ws::element_header::kArea, static_cast<int>(schema.area));
  std::memcpy(element + ws::element_header::kName, name.data(), 2 * name.size());
  return element;
}

void holdTheLock(Death death, int ready) {
  char* const base = ws::Workspace::getInstance()->getBaseAddress();
  ws::SegmentRoot& root = *reinterpret_cast<ws::SegmentRoot*>(base);
  root.mutex.lock([] {});
  ws::SegmentArena arena(base, root.arena);
  const ws::ElementSchema& schema = *ws::findSchema(ws::element_class::kIPCListener);
  const long long handle = allocateElement(base, root, schema, u"Half") - base;
  if (death >= Death::Named && death != Death::Unrepairable) {
    ws::reserveName(arena, base, root.names);
    ws::insertName(base, root.names,
                   ws::NameSlot{ws::hashName(std::u16string(u"Half")),
                                static_cast<std::int64_t>(schema.area), handle,
                                root.creation_order.count});
  }
  if (death >= Death::Addressed && death != Death::Unrepairable) {
    ws::reserveHandle(arena, base, root.by_address);
    ws::insertByAddress(base, root.by_address, handle);
  }
  if (death == Death::TornGrowth) {
    ws::IndexArray grown;
    ws::allocateEntries<ws::NameSlot>(arena, base, 2 * root.names.capacity, grown);
    std::memset(base + grown.at, 0, grown.capacity * sizeof(ws::NameSlot));
    const ws::NameSlot* slots = ws::entriesOf<ws::NameSlot>(base, root.names);
    for (std::uint64_t i = 0; i < root.names.capacity; ++i)
      if (slots[i].handle != 0) ws::insertName(base, grown, slots[i]);
    root.names.at = grown.at;  // the capacity still says half of it
  }
  if (death == Death::Unrepairable) root.by_address.count = root.by_address.capacity + 1;
  if (::write(ready, "x", 1) != 1) ::_exit(1);
  for (;;) ::pause();
}

// Runs `child` in a forked process, which calls `ready` when it is where the
// test wants it, and kills it (SIGKILL) there, or after `delay` when no
// ready call comes first. The child never returns into the test, whose
// scope would remove the workspace.
void killChild(const std::function<void(int ready)>& child,
               std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
  int ready[2];
  ASSERT_EQ(0, ::pipe(ready));
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(ready[0]);
    try {
      child(ready[1]);
    } catch (...) {
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  if (delay.count() > 0)
    std::this_thread::sleep_for(delay);
  else
    EXPECT_EQ(1, ::read(ready[0], &byte, 1));
  ::close(ready[0]);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

// Ends the test process (SIGALRM) when the scope outlives `seconds`: a
// workspace that stays locked fails the test instead of hanging it.
struct Deadline {
  explicit Deadline(unsigned seconds) { ::alarm(seconds); }
  ~Deadline() { ::alarm(0); }
};

// A configuration of the operating points P0 .. P<count - 1>.
std::string operatingPoints(int count) {
  std::string parameters;
  for (int k = 0; k < count; ++k)
    parameters += "<Parameter><Name>P" + std::to_string(k) + "</Name></Parameter>";
  return documentXml("<GlobalParameters><CommonParameter><Property><ThrottleParameter>P0"
                     "</ThrottleParameter></Property></CommonParameter></GlobalParameters>"
                     "<Parameters><ParameterType><Category>OperatingPoint</Category>" +
                     parameters + "</ParameterType></Parameters>");
}

TEST_F(ConfigReaderTest, AProcessKilledHoldingTheSegmentLockStopsNoLoadAndLeavesNoHalfElement) {
  const auto workspace = ws::Workspace::getInstance();
  const auto halfListener = [&] {
    std::vector<long long> listed;
    workspace->getAllElementsOfType(ws::element_type::kIPCListener, listed, ws::memory_area::kListeners);
    const long long found = workspace->findElement(L"Half", ws::memory_area::kListeners);
    if (found <= 0) return std::string(listed.empty() ? "none" : "listed but not found");
    return std::string(listed == std::vector<long long>{found} ? "found and listed" : "found, not listed") +
           (ws::IPCListener(found).getName() == "Half" ? "" : " under another name");
  };
  int round = 0;
  for (const Death death : {Death::Allocated, Death::Named, Death::Addressed, Death::TornGrowth}) {
    SCOPED_TRACE(static_cast<int>(death));
    killChild([death](int ready) { holdTheLock(death, ready); });
    ++round;
    {
      const Deadline deadline(10);
      // Each round's file makes 40 parameters more than the one before.
      EXPECT_TRUE(load(operatingPoints(40 * round)));
    }
    EXPECT_EQ(death == Death::Allocated ? "none" : "found and listed", halfListener());
    EXPECT_TRUE(workspace->is_existing_element(L"P" + std::to_wstring(40 * round - 1),
                                               ws::memory_area::kParameters));
    EXPECT_EQ(workspace->getUsedBytes() + workspace->getFreeBytes(), std::size_t(64) << 20);
  }

  // A death that leaves an index no repair can mend: the repair says why
  // and every later use says the lock cannot be recovered, none waits.
  killChild([](int ready) { holdTheLock(Death::Unrepairable, ready); });
  const Deadline deadline(10);
  const ws::IndexArray& index = reinterpret_cast<ws::SegmentRoot*>(workspace->getBaseAddress())->by_address;
  const std::string lost =
      "the workspace lock is not recoverable: a process died holding it and its repair failed; "
      "remove the workspace and make it anew";
  EXPECT_EQ((Strings{"the workspace index at " + std::to_string(index.at) + " holds " +
                         std::to_string(index.capacity + 1) + " entries in room for " +
                         std::to_string(index.capacity),
                     lost, lost}),
            (Strings{tavik_test::workspaceError([&] { workspace->findElement(L"P0", ws::memory_area::kParameters); }),
                     tavik_test::workspaceError([] { ws::Parameter(std::wstring(L"New")); }),
                     // The load's first step lets it reach the host.
                     tavik_test::workspaceError([&] { load(operatingPoints(1)); })}));
}

// A host killed at some moment of a load, as a bench loses one: the next
// load into the same workspace ends in bounded time and holds everything.
TEST_F(ConfigReaderTest, AHostKilledDuringALoadStopsNoLaterLoad) {
  const std::wstring path = ini_.dir().write("large.xml", operatingPoints(3000)).wstring();
  for (const int ms : {1, 4, 15, 40}) {
    SCOPED_TRACE(ms);
    killChild([&](int) { reader_.loadConfig(path, false); }, std::chrono::milliseconds(ms));
    const Deadline deadline(20);
    EXPECT_TRUE(reader_.loadConfig(path, false));
    std::vector<long long> parameters;
    ws::Workspace::getInstance()->getAllElementsOfType(ws::element_type::kParameter, parameters,
                                                       ws::memory_area::kParameters);
    EXPECT_LE(3000u, parameters.size());
    EXPECT_TRUE(ws::Workspace::getInstance()->is_existing_element(L"P2999", ws::memory_area::kParameters));
  }
}

// Takes the segment lock and remakes the action `old`, named `name`, as a
// group as Workspace::remakeAsClass does, up to the new copy standing in the
// creation order, or on to the name leading to it; then waits for its SIGKILL.
void dieRemaking(long long old, const std::u16string& name, bool repointed, int ready) {
  char* const base = ws::Workspace::getInstance()->getBaseAddress();
  ws::SegmentRoot& root = *reinterpret_cast<ws::SegmentRoot*>(base);
  root.mutex.lock([] {});
  ws::SegmentArena arena(base, root.arena);
  const ws::ElementSchema& schema = *ws::findSchema(ws::element_class::kActionGroup);
  const long long fresh = allocateElement(base, root, schema, name) - base;
  ws::reserveHandle(arena, base, root.by_address);
  ws::insertByAddress(base, root.by_address, fresh);
  ws::NameSlot* slot = ws::nameSlotOf(base, root.names, schema.area, ws::hashName(name), old);
  ws::entriesOf<std::int64_t>(base, root.creation_order)[slot->order] = fresh;
  if (repointed) slot->handle = fresh;
  if (::write(ready, "x", 1) != 1) ::_exit(1);
  for (;;) ::pause();
}

// A process killed while it remakes an element leaves the old copy or the
// new one, in the old one's place, and the old copy's message names the class.
TEST_F(ConfigReaderTest, AProcessKilledRemakingAnElementLeavesOneCopyInItsPlace) {
  const auto workspace = ws::Workspace::getInstance();
  const auto listed = [&](int type) {
    std::vector<long long> handles;
    workspace->getAllElementsOfType(type, handles, ws::memory_area::kActions);
    return handles;
  };
  const long long old = workspace->openOrCreateElement(ws::element_class::kSharedAction, L"S/A");
  const long long later = workspace->openOrCreateElement(ws::element_class::kSharedAction, L"S/B");
  killChild([&](int ready) { dieRemaking(old, u"S/A", false, ready); });
  {
    const Deadline deadline(10);
    EXPECT_EQ((std::vector<long long>{old, later}), listed(ws::element_type::kSharedAction));
  }
  EXPECT_EQ(old, workspace->findElement(L"S/A", ws::memory_area::kActions));
  EXPECT_EQ(std::vector<long long>{}, listed(ws::element_type::kActionGroup));

  killChild([&](int ready) { dieRemaking(old, u"S/A", true, ready); });
  const long long group = workspace->findElement(L"S/A", ws::memory_area::kActions);
  EXPECT_EQ((std::vector<long long>{group, later}),
            (std::vector<long long>{listed(ws::element_type::kActionGroup).at(0),
                                    listed(ws::element_type::kSharedAction).at(0)}));
  EXPECT_EQ("the SharedAction element S/A[" + std::to_string(old) +
                "] was replaced by an element of class ActionGroup: open it again by name",
            tavik_test::workspaceError([&] { ws::SharedAction action(old); }));
}

// Two processes that remake one element at once: the first makes the new
// copy, the second is refused as for any remade element, and no copy is
// left that no name leads to.
TEST_F(ConfigReaderTest, TwoProcessesRemakingOneElementAtOnceMakeOneNewCopy) {
  const auto workspace = ws::Workspace::getInstance();
  const long long old = workspace->openOrCreateElement(ws::element_class::kChunk, L"C", 8);
  int size = 0;
  workspace->getItem(old + ws::chunk::Size, size);  // both children find it live in their cache
  ws::SegmentRoot& root = *reinterpret_cast<ws::SegmentRoot*>(workspace->getBaseAddress());
  root.mutex.lock([] {});
  const std::string replaced = "the Chunk element C[" + std::to_string(old) +
                               "] was replaced by a larger one: open it again by name";
  pid_t children[2];
  for (pid_t& child : children) {
    child = ::fork();
    if (child == 0) {
      try {
        workspace->replaceElement(old, 64, 0);
        ::_exit(0);
      } catch (const WorkspaceException& e) {
        ::_exit(e.what() == replaced ? 1 : 2);
      }
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // both wait for the lock
  root.mutex.unlock();
  std::vector<int> exits;
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    exits.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }
  std::sort(exits.begin(), exits.end());
  EXPECT_EQ((std::vector<int>{0, 1}), exits);
  std::vector<long long> chunks;
  workspace->getAllElementsOfType(ws::element_type::kChunk, chunks, ws::memory_area::kChunks);
  EXPECT_EQ(std::vector<long long>{workspace->findElement(L"C", ws::memory_area::kChunks)}, chunks);
}
}  // namespace
