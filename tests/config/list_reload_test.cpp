// The lists of parameters and devices (same-set-name links, map bindings,
// ECUs) loaded again and again over a running workspace: whatever was loaded
// before, they hold what a load into a fresh workspace that holds the same
// parameters gives (a parameter of an earlier file stays, and stays linked
// while it shares the channel), and they stop growing once they have room for
// the files. Real XML files, a real segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "LoaderXml.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "workspace/Device.h"
#include "workspace/ElementItems.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;

// The properties that may be bound to maps.
const std::vector<std::string> kProperties = {
    "Demand_Value",   "Demand_Value_1", "Demand_Value_2", "Demand_Value_3", "Demand_Value_4",
    "Demand_Value_5", "Demand_Value_6", "Demand_Value_7", "Demand_Value_8", "Demand_Value_9",
    "Demand_Value_10", "Min",           "Max",            "Unit",           "Format",
    "Description",    "ECU_Switch_On",  "ECU_Switch_Off", "Request_Switch_Off", "Set_Value"};

// Device Motor with `ecus` ECUs named <prefix>k (and, when `watchdog`, a set
// watchdog on channel CH); `set` parameters S0.. writing channel CH of Motor;
// parameter Mapped with its first `bound` properties bound to maps M<k> and
// the others set to plain numbers.
std::string configuration(int ecus, const std::string& prefix, bool watchdog, int set, int bound) {
  std::string xml = "<GlobalParameters><Devices><Device><DeviceName>Motor</DeviceName><ECUSettings>";
  for (int k = 0; k < ecus; ++k)
    xml += "<ECUSetting><ECUName>" + prefix + std::to_string(k) + "</ECUName><HEXFile>" + prefix +
           ".hex</HEXFile><ASAP2File>" + prefix + ".a2l</ASAP2File></ECUSetting>";
  xml += "</ECUSettings>";
  if (watchdog) xml += "<SetParams><SetParam><Name>Watchdog</Name><Value>CH</Value></SetParam></SetParams>";
  xml += "</Device></Devices></GlobalParameters><Parameters><ParameterType><Category>SetParameter"
         "</Category>";
  for (int k = 0; k < set; ++k)
    xml += "<Parameter><Name>S" + std::to_string(k) +
           "</Name><Set_ChannelName>CH</Set_ChannelName><Set_DeviceName>Motor</Set_DeviceName>"
           "</Parameter>";
  xml += "<Parameter><Name>Mapped</Name>";
  for (int k = 0; k < int(kProperties.size()); ++k) {
    const std::string& p = kProperties[k];
    xml += "<" + p + ">" + (k < bound ? "Map:M" + std::to_string(k) : "0") + "</" + p + ">";
  }
  xml += "</Parameter></ParameterType></Parameters>";
  return tavik_test::documentXml(xml);
}

// File A: 100 linked set parameters and the set watchdog on their channel,
// 20 map bindings, 40 ECUs. File B: 60 set parameters, no watchdog, 5 map
// bindings, 10 ECUs of other names.
const std::string kFileA = configuration(40, "E", true, 100, 20);
const std::string kFileB = configuration(10, "F", false, 60, 5);

std::string names(const std::vector<long long>& handles) {
  std::string out;
  for (long long handle : handles) out += ws::Parameter(handle).getName() + ",";
  return out;
}

// The lists, as names: S0's and S59's links, the watchdog's links, Mapped's
// bindings, Motor's ECUs.
std::vector<std::string> lists() {
  std::vector<std::string> out;
  for (const wchar_t* name : {L"S0", L"S59", L"Motor_wdog_out"})
    out.push_back(names(ws::Parameter(std::wstring(name)).getSameSetNameParameters()));
  const ws::Parameter mapped(std::wstring(L"Mapped"));
  std::string bindings = std::to_string(mapped.getMapBindingCount()) + ":";
  for (const std::string& property : kProperties)
    for (wchar_t c : mapped.get_map(std::wstring(property.begin(), property.end()))) bindings += char(c);
  out.push_back(bindings);
  ws::Device motor(std::wstring(L"Motor"));
  std::string ecus = std::to_string(motor.get<int>(ws::device::EcuCount)) + ":";
  for (const ws::Device::Ecu& ecu : motor.getEcus())
    ecus += std::string(ecu.name.begin(), ecu.name.end()) + "|" + ecu.hex + "|" + ecu.a2l + ",";
  out.push_back(ecus);
  return out;
}

class ListReloadTest : public ::testing::Test {
 protected:
  bool load(tavik::ConfigReader& reader, const std::string& xml) {
    return reader.loadConfig(ini_.dir().write("config.xml", xml).wstring(), true);
  }
  std::vector<std::string> freshLists(const std::string& xml) {
    tavik_test::ScopedWorkspace workspace;
    tavik::ConfigReader reader;
    EXPECT_TRUE(load(reader, xml));
    return lists();
  }
  tavik_test::ScopedIni ini_{"[devices]\nMotor=ECU\n"};
};

TEST_F(ListReloadTest, AlternatingLoadsKeepEveryListAtWhatAFreshLoadGives) {
  const std::vector<std::string> freshA = freshLists(kFileA);
  const std::vector<std::string> freshB = freshLists(kFileB);
  std::string linksOfS0, ecusOfA;
  for (int k = 1; k < 100; ++k) linksOfS0 += "S" + std::to_string(k) + ",";
  for (int k = 0; k < 40; ++k) ecusOfA += "E" + std::to_string(k) + "|E.hex|E.a2l,";
  ASSERT_EQ(5u, freshA.size());
  // The watchdog parameter is made before the set parameters: first partner.
  EXPECT_EQ("Motor_wdog_out," + linksOfS0, freshA[0]);
  EXPECT_EQ(100u, std::count(freshA[2].begin(), freshA[2].end(), ','));
  EXPECT_EQ("20:M0M1M2M3M4M5M6M7M8M9M10M11M12M13M14M15M16M17M18M19", freshA[3]);
  EXPECT_EQ("40:" + ecusOfA, freshA[4]);
  EXPECT_EQ(59u, std::count(freshB[0].begin(), freshB[0].end(), ','));
  EXPECT_EQ("", freshB[2]);  // the watchdog parameter is not B's: not made
  EXPECT_EQ("5:M0M1M2M3M4", freshB[3]);
  EXPECT_EQ("10:F0|F.hex|F.a2l,F1|F.hex|F.a2l,F2|F.hex|F.a2l,F3|F.hex|F.a2l,F4|F.hex|F.a2l,"
            "F5|F.hex|F.a2l,F6|F.hex|F.a2l,F7|F.hex|F.a2l,F8|F.hex|F.a2l,F9|F.hex|F.a2l,",
            freshB[4]);

  // B over A: A's parameters stay, the watchdog and S60 to S99 still on
  // channel CH of Motor, so the links are A's; the bindings and ECUs are B's.
  const std::vector<std::string> overA = {freshA[0], freshA[1], freshA[2], freshB[3], freshB[4]};

  tavik_test::ScopedWorkspace workspace;
  tavik::ConfigReader reader;
  const auto workspaceNow = ws::Workspace::getInstance();
  std::size_t usedAfterFirstRounds = 0;
  for (int load_number = 0; load_number < 100; ++load_number) {
    SCOPED_TRACE(load_number);
    const bool a = load_number % 2 == 0;
    ASSERT_TRUE(load(reader, a ? kFileA : kFileB));
    ASSERT_EQ(a ? freshA : overA, lists());
    // Every list has room for both files after the first two loads: no load
    // after them makes or grows an element.
    if (load_number == 1) usedAfterFirstRounds = workspaceNow->getUsedBytes();
    if (load_number > 1) {
      ASSERT_EQ(usedAfterFirstRounds, workspaceNow->getUsedBytes());
    }
  }
}

}  // namespace
