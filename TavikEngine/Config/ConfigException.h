// A configuration error found while loading. The loaders throw it; the
// configuration reader's entry points catch it, log its message and fail.
#pragma once

#include <exception>
#include <string>

namespace tavik {

class ConfigException : public std::exception {
 public:
  explicit ConfigException(const std::string& message) : message_(message) {}
  ~ConfigException() override = default;
  // The message given at the throw, unchanged.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace tavik
