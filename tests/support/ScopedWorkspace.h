// Test helper: a workspace segment of the test's own for the helper's lifetime.
//
//   tavik_test::ScopedWorkspace workspace;   // first thing in a test or fixture
//   tavik::workspace::Parameter p(L"Speed"); // lands in the fresh segment
//
// Construction sets TAVIK_WORKSPACE to a name no other run uses
// ("tavik_test_<pid>_<random>") and TAVIK_WORKSPACE_SIZE to a modest size
// (64 MiB unless given), and drops the process's Workspace instance, so the
// next Workspace::getInstance() maps the fresh segment. Child processes
// started meanwhile inherit both variables and so open the same segment.
// Destruction drops the instance again, removes the segment and restores the
// two variables. Proxies still alive keep their mapping until they go.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

#include "workspace/Workspace.h"

namespace tavik_test {

class ScopedWorkspace {
 public:
  explicit ScopedWorkspace(std::size_t size_bytes = 64u << 20)
      : name_("tavik_test_" + std::to_string(::getpid()) + "_" + std::to_string(randomNumber())),
        saved_name_(save("TAVIK_WORKSPACE")),
        saved_size_(save("TAVIK_WORKSPACE_SIZE")) {
    ::setenv("TAVIK_WORKSPACE", name_.c_str(), 1);
    ::setenv("TAVIK_WORKSPACE_SIZE", std::to_string(size_bytes).c_str(), 1);
    tavik::workspace::Workspace::resetInstance();
  }
  ~ScopedWorkspace() {
    tavik::workspace::Workspace::resetInstance();
    tavik::workspace::Workspace::removeSharedMemory(name_);
    restore("TAVIK_WORKSPACE", saved_name_);
    restore("TAVIK_WORKSPACE_SIZE", saved_size_);
  }
  ScopedWorkspace(const ScopedWorkspace&) = delete;
  ScopedWorkspace& operator=(const ScopedWorkspace&) = delete;

  const std::string& name() const { return name_; }

 private:
  struct Saved {
    bool set;
    std::string value;
  };
  static unsigned long randomNumber() {
    std::random_device device;
    return (static_cast<unsigned long>(device()) << 16) ^ device();
  }
  static Saved save(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? Saved{true, value} : Saved{false, std::string()};
  }
  static void restore(const char* variable, const Saved& saved) {
    if (saved.set)
      ::setenv(variable, saved.value.c_str(), 1);
    else
      ::unsetenv(variable);
  }

  std::string name_;
  Saved saved_name_;
  Saved saved_size_;
};

// Runs a command in a child process (which inherits the scope's workspace)
// and returns what it printed; sets exitCode (-1 when it did not exit).
inline std::string runProgram(const std::string& command, int& exitCode) {
  std::string output;
  exitCode = -1;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
  return output;
}

// The message of the WorkspaceException that the action throws, or
// "no WorkspaceException".
inline std::string workspaceError(const std::function<void()>& action) {
  try {
    action();
  } catch (const WorkspaceException& e) {
    return e.twhat();
  }
  return "no WorkspaceException";
}

}  // namespace tavik_test
