// Test helper: a second process of the bench that the test talks to while it
// runs, line by line over its standard input and output (runProgram in
// ScopedWorkspace.h only reads a finished program's output).
//
//   tavik_test::PeerProcess peer({PEER_PATH, "arg"});
//   peer.readLine();          // waits for the peer's first line
//   peer.writeLine("go");
//   peer.finish(exitCode);    // the rest of its output; waits for its end
//
// The child inherits the environment, so it opens the test's workspace.
// Destruction closes both pipes and, when the child still runs, kills and
// reaps it: no test leaves a process behind.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik_test {

class PeerProcess {
 public:
  explicit PeerProcess(const std::vector<std::string>& command) {
    int toChild[2];
    int fromChild[2];
    if (::pipe(toChild) != 0) throw std::runtime_error("pipe failed");
    if (::pipe(fromChild) != 0) {
      ::close(toChild[0]);
      ::close(toChild[1]);
      throw std::runtime_error("pipe failed");
    }
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(toChild[0], STDIN_FILENO);
      ::dup2(fromChild[1], STDOUT_FILENO);
      ::close(toChild[0]);
      ::close(toChild[1]);
      ::close(fromChild[0]);
      ::close(fromChild[1]);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
    if (pid_ < 0) {
      closePipes();
      throw std::runtime_error("fork failed");
    }
  }
  ~PeerProcess() {
    closePipes();
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // The next line the peer printed, without its newline; what is left when
  // it ends its output first.
  std::string readLine() {
    std::string line;
    char c;
    while (readByte(c) && c != '\n') line.push_back(c);
    return line;
  }
  void writeLine(const std::string& line) {
    const std::string text = line + "\n";
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(input_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }
  // The rest of the peer's output; waits for it to end and sets exitCode (-1
  // when it did not exit normally).
  std::string finish(int& exitCode) {
    ::close(input_);
    input_ = -1;
    std::string rest;
    for (char c; readByte(c);) rest.push_back(c);
    int status = 0;
    exitCode = -1;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
    return rest;
  }

 private:
  bool readByte(char& c) {
    for (;;) {
      const ssize_t n = ::read(output_, &c, 1);
      if (n == 1) return true;
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
  }
  void closePipes() {
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
    input_ = output_ = -1;
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
};

}  // namespace tavik_test
