// End-to-end loads through tavik::ConfigReader: real XML files on disk, a real
// INI file, a fresh shared-memory workspace per test.
#include <gtest/gtest.h>

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

const char* const kIni = "[devices]\nMotor=ECU\nDyno=Dynamometer\n";

std::string document(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<MeasurementDefinition>" + body + "</MeasurementDefinition>\n";
}

std::string devices(const std::string& body) {
  return "<GlobalParameters><Devices>" + body + "</Devices></GlobalParameters>";
}

const char* const kMotor =
    "<Device><DeviceName>Motor</DeviceName><DeviceType>ECU</DeviceType>"
    "<HEXFile>motor.hex</HEXFile><ASAP2File>motor.a2l</ASAP2File>"
    "<WatchdogECU>Main</WatchdogECU>"
    "<GetParams>"
    "<GetParam><Name>Watchdog</Name><Value>WDG_IN</Value></GetParam>"
    "<GetParam><Name>SystemControlPermission</Name><Value></Value></GetParam>"
    "<GetParam><Name>Unknown</Name><Value>X</Value></GetParam>"
    "</GetParams>"
    "<SetParams>"
    "<SetParam><Name>Watchdog</Name><Value>WDG_OUT</Value></SetParam>"
    "<SetParam><Name>TestPointNumber</Name><Value>TP</Value></SetParam>"
    "</SetParams></Device>";

class ConfigReaderTest : public ::testing::Test {
 protected:
  std::wstring writeConfig(const std::string& xml, const std::string& name = "config.xml") {
    return ini_.dir().write(name, xml).wstring();
  }

  std::wstring text(ws::GlobalConfig& global, unsigned int item) {
    return global.get<std::wstring>(item);
  }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::ScopedIni ini_{kIni};
};

TEST_F(ConfigReaderTest, FullLoadWritesVersionStatusDevicesAndInterfaceParameters) {
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(writeConfig(document(devices(kMotor))), false));

  ws::GlobalConfig global;
  EXPECT_EQ(L"0.0", text(global, gc::ConfigurationFormatVersion));
  EXPECT_EQ(L"Updating Displays", text(global, gc::StatusText));

  ws::Device motor(std::wstring(L"Motor"));
  EXPECT_EQ(1, motor.get<int>(dev::ControlOnValue));
  EXPECT_EQ(0, motor.get<int>(dev::ControlOffValue));
  EXPECT_EQ(5, motor.get<int>(dev::WatchdogTimeout));
  EXPECT_EQ(L"motor.hex", motor.get<std::wstring>(dev::HexFile));
  EXPECT_EQ(L"motor.a2l", motor.get<std::wstring>(dev::Asap2File));
  EXPECT_EQ(1, motor.get<int>(dev::EcusLoaded));  // no ECU settings at all

  ws::Parameter wdog_in(std::wstring(L"Motor_wdog_in"));
  EXPECT_EQ(wdog_in.getHandle(), motor.get<long long>(dev::WatchdogIn));
  EXPECT_EQ(L"WDG_IN", wdog_in.get<std::wstring>(param::Get_ChannelName));
  EXPECT_EQ(2, wdog_in.get<int>(param::Get_Type));
  EXPECT_EQ(L"Motor", wdog_in.get<std::wstring>(param::Get_DeviceName));
  EXPECT_EQ(L"Main", wdog_in.get<std::wstring>(param::Get_Suffix));
  EXPECT_EQ(1, wdog_in.get<int>(544));
  EXPECT_EQ(1, wdog_in.get<int>(776));
  EXPECT_TRUE(wdog_in.getLogFlags() == LOG_FLAG_8);

  ws::Parameter wdog_out(std::wstring(L"Motor_wdog_out"));
  EXPECT_EQ(wdog_out.getHandle(), motor.get<long long>(dev::WatchdogOut));
  EXPECT_EQ(L"WDG_OUT", wdog_out.get<std::wstring>(param::Set_ChannelName));
  EXPECT_EQ(0, wdog_out.get<int>(param::Set_Type));
  EXPECT_EQ(L"Motor", wdog_out.get<std::wstring>(param::Set_DeviceName));
  EXPECT_EQ(L"Main", wdog_out.get<std::wstring>(param::Set_Suffix));
  EXPECT_TRUE(wdog_out.getLogFlags() == LOG_FLAG_7);

  ws::Parameter testpoint(std::wstring(L"Motor_current_testpoint"));
  EXPECT_EQ(testpoint.getHandle(), motor.get<long long>(dev::TestPointOut));
  EXPECT_EQ(L"", testpoint.get<std::wstring>(param::Set_Suffix));  // watchdog only

  // An empty value creates nothing and the link keeps its reset value.
  EXPECT_EQ(-1, motor.get<long long>(dev::PermissionIn));
  EXPECT_FALSE(workspace_.name().empty());
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Motor_permission_in",
                                                                 ws::memory_area::kParameters));
  EXPECT_EQ(-1, motor.get<int>(dev::StopRequestOut));
}

TEST_F(ConfigReaderTest, VersionWatchdogAndControlValuesFromTheFile) {
  const std::string xml = document(
      "<Versions><ConfigurationFormatVersion>1.2</ConfigurationFormatVersion></Versions>"
      "<GlobalParameters><CommonParameter><Property><WatchdogTimeout>9</WatchdogTimeout>"
      "</Property></CommonParameter><Devices>"
      "<Device><DeviceName>Dyno</DeviceName><ControlRequest><ONValue>4</ONValue>"
      "<OFFValue>-2</OFFValue></ControlRequest><ECUSettings>"
      "<ECUSetting><ECUName>A</ECUName><HEXFile>a.hex</HEXFile><ASAP2File>a.a2l</ASAP2File>"
      "</ECUSetting><ECUSetting><ECUName>B</ECUName></ECUSetting></ECUSettings></Device>"
      "</Devices></GlobalParameters>");
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(writeConfig(xml), false));
  ws::GlobalConfig global;
  EXPECT_EQ(L"1.2", text(global, gc::ConfigurationFormatVersion));
  ws::Device dyno(std::wstring(L"Dyno"));
  EXPECT_EQ(9, dyno.get<int>(dev::WatchdogTimeout));
  EXPECT_EQ(4, dyno.get<int>(dev::ControlOnValue));
  EXPECT_EQ(-2, dyno.get<int>(dev::ControlOffValue));
  EXPECT_EQ(2, dyno.getEcuCount());
  EXPECT_EQ(1, dyno.get<int>(dev::EcusLoaded));
}

TEST_F(ConfigReaderTest, UndefinedDeviceIsWarnedButEveryDeviceAndPhaseRuns) {
  tavik_test::CapturingSink sink;
  const std::string xml = document(devices(
      "<Device><DeviceName>Pump</DeviceName><DeviceType>ECU</DeviceType></Device>" +
      std::string(kMotor)));
  tavik::ConfigReader reader;
  EXPECT_FALSE(reader.loadConfig(writeConfig(xml), false));

  EXPECT_EQ(std::vector<std::string>{"ECU-Device: Pump is not defined in Engine Options"},
            sink.messages(WARNING.value));
  auto workspace = ws::Workspace::getInstance();
  EXPECT_FALSE(workspace->is_existing_element(L"Pump", ws::memory_area::kDevices));
  EXPECT_TRUE(workspace->is_existing_element(L"Motor", ws::memory_area::kDevices));
  ws::GlobalConfig global;
  EXPECT_EQ(L"Updating Displays", text(global, gc::StatusText));
}

TEST_F(ConfigReaderTest, ASecondLoadResetsTheDevicesAlreadyInTheWorkspace) {
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(writeConfig(document(devices(kMotor))), false));
  ws::Device motor(std::wstring(L"Motor"));
  ASSERT_GT(motor.get<long long>(dev::WatchdogIn), 0);
  motor.set(dev::DeviceState, 3);

  ASSERT_TRUE(reader.loadConfig(writeConfig(document(""), "empty.xml"), false));
  for (unsigned int item : {dev::WatchdogIn, dev::PermissionIn, dev::StopRequestIn,
                            dev::WatchdogOut, dev::PermissionOut, dev::StopRequestOut})
    EXPECT_EQ(-1, motor.get<long long>(item)) << item;
  EXPECT_EQ(0, motor.get<int>(dev::DeviceState));
  EXPECT_EQ(0, motor.get<int>(dev::EcusLoaded));
  // The test-point link is not one of the links a reload resets.
  EXPECT_GT(motor.get<long long>(dev::TestPointOut), 0);
}

TEST_F(ConfigReaderTest, ConfigurationErrorIsLoggedOnceThenTheTimingLine) {
  // Two group bodies that place each other: the formula phase refuses them.
  const std::string xml = document(
      "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>1</Formula>"
      "</CalculationFormula></CalculationFormulas>"
      "<ActionGroupDatas><ActionGroupData><Name>D</Name><Actions><Action><Name>A</Name>"
      "<Options><Option><Name>O</Name><Values><Value>Formula:F</Value></Values></Option>"
      "</Options></Action></Actions></ActionGroupData></ActionGroupDatas>"
      "<ActionGroupSequences>"
      "<ActionGroupSequence><Name>Q</Name><Category>C</Category><Actions><ActionGroup>"
      "<Name>R</Name><ActionGroupData>D</ActionGroupData></ActionGroup></Actions>"
      "</ActionGroupSequence>"
      "<ActionGroupSequence><Name>R</Name><Category>C</Category><Actions><ActionGroup>"
      "<Name>Q</Name></ActionGroup></Actions></ActionGroupSequence>"
      "</ActionGroupSequences>");
  tavik_test::CapturingSink sink;
  tavik::ConfigReader reader;
  EXPECT_FALSE(reader.loadConfig(writeConfig(xml), false));

  EXPECT_EQ(std::vector<std::string>{"Error while loading the config: Action group bodies place "
                                      "each other in a cycle: R"},
            sink.messages(UA_WARNING.value));
  // The load's own timing line closes the call, after the error line.
  ASSERT_FALSE(sink.records().empty());
  const g3::LogRecord& last = sink.records().back();
  EXPECT_EQ("~DurationLogger", last.function);
  EXPECT_EQ(0u, last.message.find("Function Load Configtook ")) << last.message;
  EXPECT_EQ(last.message.size() - 13, last.message.rfind(" milliseconds")) << last.message;
  ws::GlobalConfig global;
  EXPECT_EQ(L"Step 1/4: Loading Property Maps", text(global, gc::StatusText));
}

TEST_F(ConfigReaderTest, UnreadableFilesFailWithOneLineAndLeaveTheWorkspaceAlone) {
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(writeConfig(document(devices(kMotor))), false));
  ws::Device motor(std::wstring(L"Motor"));
  const long long link = motor.get<long long>(dev::WatchdogIn);
  ws::GlobalConfig global;

  const std::wstring missing = ini_.dir().path().wstring() + L"/missing.xml";
  const std::wstring broken = writeConfig("<MeasurementDefinition><Versions>", "broken.xml");
  tavik_test::CapturingSink sink;
  EXPECT_FALSE(reader.loadConfig(missing, false));
  EXPECT_FALSE(reader.loadConfig(broken, false));

  const std::string dir = ini_.dir().path().string();
  EXPECT_EQ((std::vector<std::string>{
                "Error while loading the config: File was not found (file " + dir +
                    "/missing.xml, offset 0)",
                "Error while loading the config: Start-end tags mismatch (file " + dir +
                    "/broken.xml, offset 32)"}),
            sink.messages(UA_WARNING.value));
  EXPECT_EQ(link, motor.get<long long>(dev::WatchdogIn));
  EXPECT_EQ(L"Updating Displays", text(global, gc::StatusText));
}

TEST_F(ConfigReaderTest, InterfaceDefinitionIsAnExactKeyMatch) {
  tavik::ConfigReader reader;
  EXPECT_FALSE(reader.is_interface_defined(""));  // no keys before the first load
  ASSERT_TRUE(reader.loadConfig(writeConfig(document("")), false));
  EXPECT_TRUE(reader.is_interface_defined("Motor"));
  EXPECT_FALSE(reader.is_interface_defined("motor"));
  EXPECT_FALSE(reader.is_interface_defined(""));
}

TEST_F(ConfigReaderTest, SetParamUpdatesAnExistingParameterOfThatNameEvenWithAnEmptyValue) {
  { ws::Parameter existing(std::wstring(L"Throttle")); existing.set(param::Get_ChannelName, std::wstring(L"old")); }
  const std::string xml = document(devices(
      "<Device><DeviceName>Motor</DeviceName><SetParams>"
      "<SetParam><Name>Throttle</Name><Value></Value></SetParam>"
      "</SetParams></Device>"));
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(writeConfig(xml), false));
  ws::Parameter throttle(std::wstring(L"Throttle"));
  EXPECT_EQ(L"", throttle.get<std::wstring>(param::Get_ChannelName));
}

}  // namespace
