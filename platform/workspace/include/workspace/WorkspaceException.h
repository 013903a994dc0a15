// Failure of a workspace operation.
#pragma once

#include <exception>
#include <string>

class WorkspaceException : public std::exception {
 public:
  explicit WorkspaceException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  // The message as text, as callers of the workspace library read it.
  std::string twhat() const { return message_; }

 private:
  std::string message_;
};

// The segment has no room for what an operation must allocate (an element, a
// larger copy of one, an entry of its indexes). Nothing changed. A caller
// that may skip one bad value and go on can tell this apart: every later
// allocation of the load would fail alike.
class WorkspaceFullException : public WorkspaceException {
 public:
  using WorkspaceException::WorkspaceException;
};
