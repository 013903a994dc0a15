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

// Points TAVIK_INI at a uniquely named file; restores HOME and a reader
// without file afterwards.
class IniReaderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::remove(path_.c_str());
    unsetenv("TAVIK_INI");
    if (home_) setenv("HOME", home_, 1);
    IniReader::get_instance(true);
  }
  void writeFile(const std::string& text) { std::ofstream(path_, std::ios::trunc) << text; }
  IniReader* useFile(const std::string& text) {
    writeFile(text);
    setenv("TAVIK_INI", path_.c_str(), 1);
    return IniReader::get_instance(true);
  }
  template <typename F>
  std::string errorOf(F read) {
    try {
      read();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "no error";
  }

  const std::string path_ =
      "/tmp/tavik_inireader_" + std::to_string(getpid()) + "_" + std::to_string(std::random_device()()) + ".ini";
  const char* home_ = std::getenv("HOME");
};

TEST_F(IniReaderTest, WithoutFileEveryItemGivesItsDefault) {
  unsetenv("TAVIK_INI");
  setenv("HOME", "/home/bench/", 1);
  IniReader* reader = IniReader::get_instance(true);
  EXPECT_EQ(reader, IniReader::get_instance(false));
  EXPECT_EQ(1.5, reader->get_real_item("ECU_SWITCH_ON", 1.5));
  EXPECT_EQ(60000, reader->get_int_item("ParallelActionWaitTime", 60000));
  EXPECT_TRUE(reader->get_keys("devices").empty());
  EXPECT_EQ("/home/bench/.tavik", reader->get_user_path());
  EXPECT_EQ("/var/lib/tavik", reader->get_system_path());
  unsetenv("HOME");
  EXPECT_EQ(".", reader->get_user_path());
}

TEST_F(IniReaderTest, ValuesKeyOrderAndPathsComeFromTheFile) {
  IniReader* reader = useFile(
      "initialize_demand_values_0 = 1\n[devices]\nZeta=1\nAlpha=2\nMid.dle=3\n"
      "[bench]\nECU_SWITCH_ON = 2.5\nECU_SWITCH_OFF=-1e-3\nParallelActionWaitTime=123\n"
      "[later]\nParallelActionWaitTime=999\ninitialize_demand_values_0=5\n"
      "[paths]\nuser=/data/user//\nsystem = /opt/bench\n[a.b]\nk=v\n");
  EXPECT_EQ(2.5, reader->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ(-0.001, reader->get_real_item("ECU_SWITCH_OFF", 0.0));
  EXPECT_EQ(123, reader->get_int_item("ParallelActionWaitTime", 60000));
  EXPECT_EQ(1, reader->get_int_item("initialize_demand_values_0", 0));
  EXPECT_EQ(4000, reader->get_int_item("ParallelActionStabilityTime", 4000));
  EXPECT_EQ(7, reader->get_int_item("ecu_switch_on", 7));
  EXPECT_EQ((std::vector<std::string>{"Zeta", "Alpha", "Mid.dle"}), reader->get_keys("devices"));
  EXPECT_EQ(std::vector<std::string>{"k"}, reader->get_keys("a.b"));
  EXPECT_EQ("/data/user", reader->get_user_path());
  EXPECT_EQ("/opt/bench", reader->get_system_path());
}

TEST_F(IniReaderTest, TrueRereadsTheFileAndFalseKeepsWhatWasRead) {
  useFile("[s]\nECU_SWITCH_ON=3\n[devices]\nA=1\n");
  writeFile("[s]\nECU_SWITCH_ON=4\n[devices]\nB=1\nA=1\n");
  EXPECT_EQ(3.0, IniReader::get_instance(false)->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ(std::vector<std::string>{"A"}, IniReader::get_instance(false)->get_keys("devices"));
  EXPECT_EQ(4.0, IniReader::get_instance(true)->get_real_item("ECU_SWITCH_ON", 1.0));
  EXPECT_EQ((std::vector<std::string>{"B", "A"}), IniReader::get_instance(false)->get_keys("devices"));
}

TEST_F(IniReaderTest, BadFilesAndValuesAreNamedAndKeepEarlierSettings) {
  IniReader* reader = useFile("[s]\nA=12abc\nB=3.5\nC=\nD=99999999999\n");
  EXPECT_EQ("INI item \"A\" is not a number: \"12abc\" (file " + path_ + ")",
            errorOf([&] { reader->get_real_item("A", 0.0); }));
  EXPECT_EQ("INI item \"B\" is not an int: \"3.5\" (file " + path_ + ")",
            errorOf([&] { reader->get_int_item("B", 0); }));
  EXPECT_EQ("INI item \"C\" is not a number: \"\" (file " + path_ + ")",
            errorOf([&] { reader->get_real_item("C", 0.0); }));
  EXPECT_EQ("INI item \"D\" is not an int: \"99999999999\" (file " + path_ + ")",
            errorOf([&] { reader->get_int_item("D", 0); }));
  writeFile("[s]\nB=4\nthis line has no equals sign\n");
  EXPECT_THROW(IniReader::get_instance(true), boost::property_tree::ini_parser_error);
  EXPECT_EQ(path_ + "(3): '=' character not found in line", errorOf([] { IniReader::get_instance(true); }));
  EXPECT_EQ(3.5, reader->get_real_item("B", 0.0));
}

}  // namespace
