// Test helper: installs a logging sink for its lifetime and keeps every record.
#pragma once

#include <string>
#include <vector>

#include "g3log/g3log.hpp"

namespace tavik_test {

class CapturingSink {
 public:
  CapturingSink() {
    id_ = g3::addSink([this](const g3::LogRecord& r) { records_.push_back(r); });
  }
  ~CapturingSink() { g3::removeSink(id_); }
  CapturingSink(const CapturingSink&) = delete;
  CapturingSink& operator=(const CapturingSink&) = delete;

  const std::vector<g3::LogRecord>& records() const { return records_; }
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& r : records_) out.push_back(r.message);
    return out;
  }
  // Messages of records at one level value only.
  std::vector<std::string> messages(int level_value) const {
    std::vector<std::string> out;
    for (const auto& r : records_)
      if (r.level_value == level_value) out.push_back(r.message);
    return out;
  }
  // Function names of records at one level value only.
  std::vector<std::string> functions(int level_value) const {
    std::vector<std::string> out;
    for (const auto& r : records_)
      if (r.level_value == level_value) out.push_back(r.function);
    return out;
  }
  // Records at one level value as "function: message".
  std::vector<std::string> lines(int level_value) const {
    std::vector<std::string> out;
    for (const auto& r : records_)
      if (r.level_value == level_value) out.push_back(r.function + ": " + r.message);
    return out;
  }
  void clear() { records_.clear(); }

 private:
  g3::SinkId id_;
  std::vector<g3::LogRecord> records_;
};

}  // namespace tavik_test
