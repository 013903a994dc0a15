// The example host, run as a bench integrator would run it: a separate
// process on the shipped example configuration.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "ScopedIni.h"

namespace {

struct HostRun {
  int status = -1;
  std::string output;
};

// Runs the host in `dir` on a workspace of its own, which it removes:
// `prefix` + host + options + `arguments`.
HostRun runHost(const tavik_test::ScopedTempDir& dir, const std::string& workspace,
                const std::string& prefix, const std::string& arguments) {
  HostRun run;
  FILE* pipe = ::popen(("cd '" + dir.path().string() + "' && " + prefix + "'" + TAVIK_LOAD_BINARY +
                        "' --workspace " + workspace + " --remove-workspace" + arguments)
                           .c_str(),
                       "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string uniqueWorkspaceName() {
  std::random_device device;
  return "tavik_example_test_" + std::to_string(::getpid()) + "_" + std::to_string(device());
}

TEST(ExampleHost, LoadsTheShippedExampleAndRemovesItsWorkspace) {
  tavik_test::ScopedTempDir dir;
  const std::string hooks = "system/ZUMD/SystemPythonActions/ScriptActions/hooks/";
  dir.write(hooks + ".keep", "");
  const std::string workspace = uniqueWorkspaceName();
  const HostRun run = runHost(dir, workspace, "env -u TAVIK_INI ", " 2>/dev/null");
  EXPECT_EQ(0, run.status) << run.output;
  for (const char* part :
       {"result: loaded\nstatus: Updating Displays\n", "devices: 2\n  Motor\n  Dyno\n",
        "parameters: 20\n", "  Cycle Counter\n  Message\n",
        "property maps: 2\n  _prop_Initialize_Sequence/Warm UpIgnition_action_property\n"
        "  Ignition Map\n"
        "test plans: 2\n"
        "  Initialize_Testplan: 4 columns, 2 rows\n"
        "    Initialize_Testplan_Result_Column: 0 0\n"
        "    Initialize_Testplan_Dyno Speed Demand_Column_Demand_Value: 800 1000\n"
        "    Initialize_Testplan_Throttle Demand_Column_Demand_Value: 0 5\n"
        "    Initialize_Testplan_Status_Column: - -\n"
        "  Main_Testplan: 5 columns, 3 rows\n"
        "    Main_Testplan_Result_Column: 0 0 1\n"
        "    Main_Testplan_Dyno Speed Demand_Column_Value: 1500 2500 3500\n"
        "    Main_Testplan_Throttle Demand_Column_Value: 20 45.5 80\n"
        "    Main_Testplan_Ignition Angle_Column_Demand_Value: 12 nan 24\n"
        "    Main_Testplan_Status_Column: - - -\n"
        "sequences: 2\n"
        "  Initialize_Sequence: start Initialize_Sequence/Reset, 2 actions, 0 frames, 0 "
        "comments\n"
        "    Initialize_Sequence/Reset: Default -> Initialize_Sequence/Warm Up\n"
        "    Initialize_Sequence/Warm Up: Default -> -\n"
        "  Main_Sequence: start Main_Sequence/Sweep/Step/Ramp, 3 actions, 1 frames, 1 "
        "comments\n"
        "    Main_Sequence/Evaluate: no exit ports\n"
        "    Main_Sequence/Sweep/Settle: Default -> Main_Sequence/Evaluate\n"
        "    Main_Sequence/Sweep/Step/Ramp: Default -> Main_Sequence/Sweep/Settle\n"
        "action groups: 2\n"
        "  Main_Sequence/Sweep in Main_Sequence: start Main_Sequence/Sweep/Step/Ramp, "
        "actions Main_Sequence/Sweep/Settle, 1 frames, 1 comments\n"
        "    exit Settle.Default -> Main_Sequence/Evaluate\n"
        "  Main_Sequence/Sweep/Step in Main_Sequence/Sweep: start "
        "Main_Sequence/Sweep/Step/Ramp, actions Main_Sequence/Sweep/Step/Ramp, 0 frames, 0 "
        "comments\n"
        "hook file: "})
    EXPECT_NE(std::string::npos, run.output.find(part)) << part << "\n" << run.output;
  EXPECT_TRUE(std::filesystem::exists(dir.path() / hooks / "PropertyHook.py"));
  EXPECT_FALSE(std::filesystem::exists("/dev/shm/" + workspace));
}

TEST(ExampleHost, AMissingConfigurationExitsWithOne) {
  tavik_test::ScopedTempDir dir;
  const HostRun run = runHost(dir, uniqueWorkspaceName(), "", " no-such-file.xml 2>&1");
  EXPECT_EQ(1, run.status) << run.output;
  for (const char* part : {"UA_WARNING [loadConfig] Error while loading the config: File was not "
                           "found (file no-such-file.xml, offset 0)",
                           "result: failed\n"})
    EXPECT_NE(std::string::npos, run.output.find(part)) << part << "\n" << run.output;
}

}  // namespace
