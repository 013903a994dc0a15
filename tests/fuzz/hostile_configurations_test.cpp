// Thousands of generated hostile configurations, each loaded and checked for
// reload; every hook file they leave must parse in Python with nothing but
// the imports and the class at module level (one python3 run for all).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ConfigGenerator.h"
#include "LoadHarness.h"

namespace {

TEST(HostileConfigurations, LoadWithoutBrokenPromisesAndEveryHookFileParses) {
  if (std::system("python3 -c pass > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const int count = std::getenv("TAVIK_HOSTILE_COUNT") ? std::atoi(std::getenv("TAVIK_HOSTILE_COUNT")) : 2500;
  tavik_fuzz::LoadHarness harness;
  tavik_test::ScopedTempDir temporary;
  // TAVIK_HOSTILE_DIR keeps the hook files (and the python report) for a look.
  const char* keep = std::getenv("TAVIK_HOSTILE_DIR");
  const std::filesystem::path dir = keep ? std::filesystem::path(keep) : temporary.path();
  std::string files;
  int loaded = 0, written = 0;
  for (int i = 0; i < count; ++i) {
    tavik_fuzz::Choices choices(static_cast<std::uint32_t>(i));
    const std::string xml = tavik_fuzz::ConfigGenerator(choices).document();
    const tavik_fuzz::Outcome outcome = harness.run(xml);
    ASSERT_EQ("", outcome.fault) << "configuration " << i << ":\n" << xml;
    loaded += outcome.loaded;
    if (outcome.hook.empty()) continue;
    const std::filesystem::path file = dir / ("hook_" + std::to_string(i) + ".py");
    std::ofstream(file, std::ios::binary) << outcome.hook;
    if (keep) std::ofstream(dir / ("config_" + std::to_string(i) + ".xml"), std::ios::binary) << xml;
    files += " " + file.filename().string();
    ++written;
  }
  // Most of them get through the load; some stop at a value the workspace refuses.
  EXPECT_GT(loaded, count / 5);
  EXPECT_GT(written, count / 5);
  const std::string output = (dir / "python.txt").string();
  const int status = std::system(("cd '" + dir.string() + "' && python3 -B -E -s '" +
                                  TAVIK_CHECK_HOOKS + "'" + files + " > '" + output + "' 2>&1")
                                     .c_str());
  std::ifstream in(output);
  const std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(0, status) << report;
  EXPECT_NE(std::string::npos, report.find(std::to_string(written) + " hook files checked, 0 bad"))
      << report;
}

}  // namespace
