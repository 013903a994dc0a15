// The signal that ends a configuration load early without a configuration
// error: an abort request seen in GlobalConfig, or a sequence that failed
// after its own error was logged. Loaders throw it; the configuration
// reader's loadConfig catches it and returns false WITHOUT a further log
// line (the cause is the operator's request, or was already reported).
// Every other exception that reaches loadConfig is logged with its text.
#pragma once

#include <exception>

namespace tavik {

class LoadAbortedException : public std::exception {
 public:
  const char* what() const noexcept override { return "configuration load aborted"; }
};

}  // namespace tavik
