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
