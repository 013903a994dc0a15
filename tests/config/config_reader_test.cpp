// End-to-end loads through tavik::ConfigReader: XML files on disk, a real INI
// file, a fresh shared-memory workspace per test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/LogLevels.h"
#include "wideint/LogFlags.h"
#include "workspace/Device.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
namespace gc = tavik::workspace::global_config;
namespace dev = tavik::workspace::device;
namespace param = tavik::workspace::parameter;
using Strings = std::vector<std::string>;

std::string document(const std::string& body) {
  return "<MeasurementDefinition>" + body + "</MeasurementDefinition>";
}
std::string devices(const std::string& body) {
  return "<GlobalParameters><Devices>" + body + "</Devices></GlobalParameters>";
}
bool exists(const std::wstring& name, long long area) {
  return ws::Workspace::getInstance()->is_existing_element(name, area);
}

const std::string kMotor =
    "<Device><DeviceName>Motor</DeviceName><DeviceType>ECU</DeviceType>"
    "<HEXFile>motor.hex</HEXFile><ASAP2File>motor.a2l</ASAP2File><WatchdogECU>Main</WatchdogECU>"
    "<GetParams><GetParam><Name>Watchdog</Name><Value>WDG_IN</Value></GetParam>"
    "<GetParam><Name>SystemControlPermission</Name><Value></Value></GetParam>"
    "<GetParam><Name>Unknown</Name><Value>X</Value></GetParam></GetParams>"
    "<SetParams><SetParam><Name>Watchdog</Name><Value>WDG_OUT</Value></SetParam>"
    "<SetParam><Name>TestPointNumber</Name><Value>TP</Value></SetParam>"
    "<SetParam><Name>Throttle</Name><Value></Value></SetParam></SetParams></Device>";

class ConfigReaderTest : public ::testing::Test {
 protected:
  std::wstring write(const std::string& xml, const std::string& name = "config.xml") {
    return ini_.dir().write(name, xml).wstring();
  }
  std::wstring status() { return ws::GlobalConfig().get<std::wstring>(gc::StatusText); }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{"[devices]\nMotor=ECU\nDyno=Dynamometer\n"};
  tavik::ConfigReader reader_;
};

// The device items ON, OFF, watchdog timeout, ECUs loaded and ECU count.
std::vector<int> deviceState(const wchar_t* name) {
  ws::Device d{std::wstring(name)};
  return {d.get<int>(dev::ControlOnValue), d.get<int>(dev::ControlOffValue),
          d.get<int>(dev::WatchdogTimeout), d.get<int>(dev::EcusLoaded), d.getEcuCount()};
}
// The wide-text items of a parameter, joined by "|".
std::wstring texts(const wchar_t* name, std::initializer_list<param::Property> items) {
  std::wstring out;
  for (param::Property item : items)
    out += L"|" + ws::Parameter(std::wstring(name)).get<std::wstring>(item);
  return out.substr(1);
}

TEST_F(ConfigReaderTest, LoadsDevicesWithInterfaceParametersAndResetsThemOnTheNextLoad) {
  ws::Parameter(std::wstring(L"Throttle")).set(param::Get_ChannelName, std::wstring(L"old"));
  ASSERT_TRUE(reader_.loadConfig(write(document(devices(kMotor))), false));
  EXPECT_EQ(L"0.0", ws::GlobalConfig().get<std::wstring>(gc::ConfigurationFormatVersion));
  EXPECT_EQ(L"Updating Displays", status());
  ws::Device motor(std::wstring(L"Motor"));
  EXPECT_EQ((std::vector<int>{1, 0, 5, 1, 0}), deviceState(L"Motor"));
  EXPECT_EQ(L"motor.hex|motor.a2l",
            motor.get<std::wstring>(dev::HexFile) + L"|" + motor.get<std::wstring>(dev::Asap2File));
  const std::initializer_list<param::Property> get_side = {
      param::Get_ChannelName, param::Get_DeviceName, param::Get_Suffix};
  const std::initializer_list<param::Property> set_side = {
      param::Set_ChannelName, param::Set_DeviceName, param::Set_Suffix};
  EXPECT_EQ(L"WDG_IN|Motor|Main", texts(L"Motor_wdog_in", get_side));
  EXPECT_EQ(L"WDG_OUT|Motor|Main", texts(L"Motor_wdog_out", set_side));
  EXPECT_EQ(L"TP|Motor|", texts(L"Motor_current_testpoint", set_side));
  const struct {
    const wchar_t* name;
    unsigned int link;
    bool get;
  } links[] = {{L"Motor_wdog_in", dev::WatchdogIn, true},
               {L"Motor_wdog_out", dev::WatchdogOut, false},
               {L"Motor_current_testpoint", dev::TestPointOut, false}};
  for (const auto& l : links) {
    ws::Parameter p{std::wstring(l.name)};
    EXPECT_EQ(p.getHandle(), motor.get<long long>(l.link)) << l.link;
    EXPECT_EQ(l.get ? 2 : 0, p.get<int>(l.get ? param::Get_Type : param::Set_Type)) << l.link;
    EXPECT_EQ(1, p.get<int>(param::Is_Interface) * p.get<int>(param::Is_Device_Signal)) << l.link;
    EXPECT_TRUE(p.getLogFlags() == (l.get ? LOG_FLAG_8 : LOG_FLAG_7)) << l.link;
  }
  // An empty Value creates nothing; a SetParam naming a parameter writes its
  // Get_ChannelName, also when empty.
  EXPECT_EQ(-1, motor.get<long long>(dev::PermissionIn));
  EXPECT_FALSE(exists(L"Motor_permission_in", ws::memory_area::kParameters));
  EXPECT_EQ(L"", texts(L"Throttle", {param::Get_ChannelName}));

  motor.set(dev::DeviceState, 3);
  ASSERT_TRUE(reader_.loadConfig(
      write(document(
                "<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>"
                "<GlobalParameters><CommonParameter><Property><WatchdogTimeout>9</WatchdogTimeout>"
                "</Property></CommonParameter><Devices><Device><DeviceName>Dyno</DeviceName>"
                "<ControlRequest><ONValue>4</ONValue><OFFValue>-2</OFFValue></ControlRequest>"
                "<ECUSettings><ECUSetting><ECUName>A</ECUName><HEXFile>a.hex</HEXFile></ECUSetting>"
                "<ECUSetting><ECUName>B</ECUName></ECUSetting></ECUSettings></Device></Devices>"
                "</GlobalParameters>"),
            "second.xml"),
      false));
  EXPECT_EQ(L"1.2", ws::GlobalConfig().get<std::wstring>(gc::ConfigurationFormatVersion));
  EXPECT_EQ((std::vector<int>{4, -2, 9, 1, 2}), deviceState(L"Dyno"));
  for (unsigned int item : {dev::WatchdogIn, dev::PermissionIn, dev::StopRequestIn,
                            dev::WatchdogOut, dev::PermissionOut, dev::StopRequestOut})
    EXPECT_EQ(-1, motor.get<long long>(item)) << item;
  EXPECT_EQ(0, motor.get<int>(dev::DeviceState));
  EXPECT_EQ(0, motor.get<int>(dev::EcusLoaded));
  EXPECT_GT(motor.get<long long>(dev::TestPointOut), 0);  // not one of the reset links
}

TEST_F(ConfigReaderTest, UndefinedDeviceIsWarnedButEveryDeviceAndPhaseRuns) {
  EXPECT_FALSE(reader_.is_interface_defined(""));  // no keys before the first load
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(reader_.loadConfig(
      write(document(devices("<Device><DeviceName>Pump</DeviceName><DeviceType>ECU</DeviceType>"
                             "</Device>" +
                             kMotor))),
      false));
  EXPECT_EQ(Strings{"ECU-Device: Pump is not defined in Engine Options"},
            sink.messages(WARNING.value));
  EXPECT_EQ(Strings{"loadInterfaces"}, sink.functions(WARNING.value));
  EXPECT_FALSE(exists(L"Pump", ws::memory_area::kDevices));
  EXPECT_TRUE(exists(L"Motor", ws::memory_area::kDevices));
  EXPECT_EQ(L"Updating Displays", status());
  EXPECT_TRUE(reader_.is_interface_defined("Motor"));
  EXPECT_FALSE(reader_.is_interface_defined("motor"));
}

TEST_F(ConfigReaderTest, ConfigurationErrorsAreLoggedOnceThenTheTimingLine) {
  const struct {
    const char* parameter;
    const char* line;
  } cases[] = {
      {"<Name>NN</Name>",
       "Error while loading the config: Error parsing parameter. ParameterName is missing in "
       "config"},
      {"<Name>P</Name><Min>abc</Min>",
       "Error while loading the config: cannot set property \"Min\" of parameter \"P\" to "
       "\"abc\": not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.parameter);
    tavik_test::CapturingSink sink;
    EXPECT_FALSE(reader_.loadConfig(
        write(document("<Parameters><ParameterType><Category>SetParameter</Category><Parameter>" +
                       std::string(c.parameter) + "</Parameter></ParameterType></Parameters>")),
        false));
    EXPECT_EQ(Strings{c.line}, sink.messages(UA_WARNING.value));
    EXPECT_EQ(Strings{"loadConfig"}, sink.functions(UA_WARNING.value));
    const g3::LogRecord& last = sink.records().back();
    EXPECT_EQ("~DurationLogger", last.function);
    const std::string ms = last.message.substr(std::min<size_t>(25, last.message.size()));
    EXPECT_EQ("Function Load Configtook " + std::to_string(std::stoi("0" + ms)) + " milliseconds",
              last.message);
    EXPECT_EQ(L"Step 2/4: Loading Parameters: SetParameter", status());
  }
}

TEST_F(ConfigReaderTest, UnreadableFilesFailWithOneLineAndLeaveTheWorkspaceAlone) {
  ASSERT_TRUE(reader_.loadConfig(write(document(devices(kMotor))), false));
  ws::Device motor(std::wstring(L"Motor"));
  const long long link = motor.get<long long>(dev::WatchdogIn);
  const std::string dir = ini_.dir().path().string();
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(reader_.loadConfig(ini_.dir().path().wstring() + L"/missing.xml", false));
  EXPECT_FALSE(reader_.loadConfig(write("<MeasurementDefinition><Versions>", "broken.xml"), false));
  EXPECT_EQ((Strings{"Error while loading the config: File was not found (file " + dir +
                         "/missing.xml, offset 0)",
                     "Error while loading the config: Start-end tags mismatch (file " + dir +
                         "/broken.xml, offset 32)"}),
            sink.messages(UA_WARNING.value));
  EXPECT_EQ(link, motor.get<long long>(dev::WatchdogIn));
  EXPECT_EQ(L"Updating Displays", status());
}

}  // namespace
