#include <gtest/gtest.h>

#include <boost/property_tree/ini_parser.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "inireader/IniReader.h"

namespace {

// Writes INI files under a unique name and points TAVIK_INI at them for the
// lifetime of the fixture.
class IniReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    path_ = "/tmp/tavik_inireader_" + std::to_string(getpid()) + "_" +
            std::to_string(random()) + ".ini";
    const char* home = std::getenv("HOME");
    had_home_ = home != nullptr;
    if (had_home_) home_ = home;
  }
  void TearDown() override {
    std::remove(path_.c_str());
    unsetenv("TAVIK_INI");
    if (had_home_) setenv("HOME", home_.c_str(), 1);
    IniReader::get_instance(true);
  }
  void writeFile(const std::string& text) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << text;
  }
  IniReader* useFile(const std::string& text) {
    writeFile(text);
    setenv("TAVIK_INI", path_.c_str(), 1);
    return IniReader::get_instance(true);
  }

  std::string path_;
  bool had_home_ = false;
  std::string home_;
};

TEST_F(IniReaderTest, WithoutFileEveryItemGivesItsDefault) {
  unsetenv("TAVIK_INI");
  setenv("HOME", "/home/bench/", 1);
  IniReader* reader = IniReader::get_instance(true);
  ASSERT_NE(nullptr, reader);
  EXPECT_EQ(reader, IniReader::get_instance(false));
  EXPECT_EQ(1.0, reader->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ(0.0, reader->get_real_item("ECU_SWITCH_OFF", 0.0));
  EXPECT_EQ(60000, reader->get_int_item("ParallelActionWaitTime", 60000));
  EXPECT_EQ(-7, reader->get_int_item(nullptr, -7));
  EXPECT_TRUE(reader->get_keys("devices").empty());
  EXPECT_EQ("/home/bench/.tavik", reader->get_user_path());
  EXPECT_EQ("/var/lib/tavik", reader->get_system_path());
  unsetenv("HOME");
  EXPECT_EQ(".", reader->get_user_path());
}

TEST_F(IniReaderTest, ValuesAndKeyOrderComeFromTheFile) {
  IniReader* reader = useFile(
      "initialize_demand_values_0 = 1\n"
      "[devices]\n"
      "Zeta=1\n"
      "Alpha=2\n"
      "Mid.dle=3\n"
      "[bench]\n"
      "ECU_SWITCH_ON = 2.5\n"
      "ECU_SWITCH_OFF=-1e-3\n"
      "ParallelActionWaitTime=123\n"
      "transfer_inactive_parameters=1\n"
      "[later]\n"
      "ParallelActionWaitTime=999\n"
      "initialize_demand_values_0=5\n"
      "[paths]\n"
      "user=/data/user//\n"
      "system = /opt/bench\n"
      "[a.b]\n"
      "k=v\n");
  EXPECT_EQ(2.5, reader->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ(-0.001, reader->get_real_item("ECU_SWITCH_OFF", 0.0));
  // First hit wins: top-level keys, then sections in file order.
  EXPECT_EQ(123, reader->get_int_item("ParallelActionWaitTime", 60000));
  EXPECT_EQ(1, reader->get_int_item("initialize_demand_values_0", 0));
  EXPECT_EQ(4000, reader->get_int_item("ParallelActionStabilityTime", 4000));
  EXPECT_EQ(0, reader->get_int_item("ecu_switch_on", 0)) << "keys are case-sensitive";
  EXPECT_EQ((std::vector<std::string>{"Zeta", "Alpha", "Mid.dle"}), reader->get_keys("devices"));
  EXPECT_EQ(std::vector<std::string>{"k"}, reader->get_keys("a.b"));
  EXPECT_TRUE(reader->get_keys("nothing").empty());
  EXPECT_EQ("/data/user", reader->get_user_path());
  EXPECT_EQ("/opt/bench", reader->get_system_path());
}

TEST_F(IniReaderTest, TrueRereadsTheFileAndFalseKeepsWhatWasRead) {
  IniReader* reader = useFile("[s]\nECU_SWITCH_ON=3\n[devices]\nA=1\n");
  EXPECT_EQ(3.0, reader->get_real_item("ECU_SWITCH_ON", 1.0));
  writeFile("[s]\nECU_SWITCH_ON=4\n[devices]\nB=1\nA=1\n");
  EXPECT_EQ(3.0, IniReader::get_instance(false)->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ(std::vector<std::string>{"A"}, IniReader::get_instance(false)->get_keys("devices"));
  EXPECT_EQ(4.0, IniReader::get_instance(true)->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ((std::vector<std::string>{"B", "A"}), reader->get_keys("devices"));
  unsetenv("TAVIK_INI");
  EXPECT_EQ(1.0, IniReader::get_instance(true)->get_real_item("ECU_SWITCH_ON", 1.0));
}

TEST_F(IniReaderTest, MalformedFileNamesFileAndLineAndKeepsEarlierSettings) {
  useFile("[s]\nECU_SWITCH_ON=3\n");
  writeFile("[s]\nECU_SWITCH_ON=3\nthis line has no equals sign\n");
  try {
    IniReader::get_instance(true);
    FAIL() << "expected ini_parser_error";
  } catch (const boost::property_tree::ini_parser_error& e) {
    EXPECT_EQ(path_, e.filename());
    EXPECT_EQ(3u, e.line());
    EXPECT_NE(std::string::npos, std::string(e.what()).find(path_ + "(3)"));
  }
  EXPECT_EQ(3.0, IniReader::get_instance(false)->get_real_item("ECU_SWITCH_ON", 1.0));
}

TEST_F(IniReaderTest, ValueThatIsNotANumberNamesTheKey) {
  IniReader* reader = useFile("[s]\nA=12abc\nB=3.5\nC=\nD=99999999999\nE=7\n");
  try {
    reader->get_real_item("A", 0.0);
    FAIL() << "expected runtime_error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ("INI item \"A\" is not a number: \"12abc\" (file " + path_ + ")",
              std::string(e.what()));
  }
  EXPECT_EQ(3.5, reader->get_real_item("B", 0.0));
  EXPECT_THROW(reader->get_int_item("B", 0), std::runtime_error);
  EXPECT_THROW(reader->get_int_item("C", 0), std::runtime_error);
  EXPECT_THROW(reader->get_real_item("C", 0.0), std::runtime_error);
  try {
    reader->get_int_item("D", 0);
    FAIL() << "expected runtime_error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ("INI item \"D\" is not an int: \"99999999999\" (file " + path_ + ")",
              std::string(e.what()));
  }
  EXPECT_EQ(7.0, reader->get_real_item("E", 0.0));
  EXPECT_EQ(7, reader->get_int_item("E", 0));
}

}  // namespace
