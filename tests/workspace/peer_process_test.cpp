// A second process maps the same workspace segment by name and sees the same
// elements at the same handles.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "ScopedWorkspace.h"
#include "workspace/GlobalConfig.h"
#include "workspace/Parameter.h"

namespace {

namespace ws = tavik::workspace;

// Runs the peer program (environment inherited) and returns its stdout;
// exit_code receives its exit status.
std::string runPeer(int& exit_code) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    ::execl(WORKSPACE_PEER_PATH, WORKSPACE_PEER_PATH, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipe_ends[1]);
  std::string output;
  char buffer[256];
  ssize_t n;
  while ((n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0) output.append(buffer, n);
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

TEST(PeerProcess, SeesAndChangesTheSameElements) {
  tavik_test::ScopedWorkspace scope;
  ws::GlobalConfig global;
  global.set(ws::global_config::ProgressCurrent, 42);
  global.set(ws::global_config::StatusText, std::wstring(L"Step 2/4: Loading Parameters"));

  int exit_code = -1;
  const std::string output = runPeer(exit_code);
  ASSERT_EQ(0, exit_code) << output;

  const long long created = ws::Workspace::getInstance()->getElement(L"From Peer", 0x400000);
  EXPECT_EQ("handle " + std::to_string(global.getHandle()) +
                "\ntype 1\nname GlobalConfig\nprogress 42\nstatus Step 2/4: Loading Parameters\n"
                "created " + std::to_string(created) + "\n",
            output);
  EXPECT_EQ(99, global.get<int>(ws::global_config::ProgressTotal));
  EXPECT_EQ(2.5, ws::Parameter(created).get<double>(ws::parameter::Value));
  std::vector<long long> parameters;
  ws::Workspace::getInstance()->getAllElementsOfType(2, parameters, 0x400000);
  EXPECT_EQ(std::vector<long long>{created}, parameters);
}

}  // namespace
