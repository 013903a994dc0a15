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
    return pick(-1, [](const g3::LogRecord& r) { return r.message; });
  }
  // Messages of records at one level value only.
  std::vector<std::string> messages(int level_value) const {
    return pick(level_value, [](const g3::LogRecord& r) { return r.message; });
  }
  // Function names of records at one level value only.
  std::vector<std::string> functions(int level_value) const {
    return pick(level_value, [](const g3::LogRecord& r) { return r.function; });
  }
  // Records at one level value as "function: message".
  std::vector<std::string> lines(int level_value) const {
    return pick(level_value, [](const g3::LogRecord& r) { return r.function + ": " + r.message; });
  }
  void clear() { records_.clear(); }

 private:
  // What `part` gives of each record at the level value (-1: every record).
  template <typename Part>
  std::vector<std::string> pick(int level_value, Part part) const {
    std::vector<std::string> out;
    for (const auto& r : records_)
      if (level_value == -1 || r.level_value == level_value) out.push_back(part(r));
    return out;
  }
  g3::SinkId id_;
  std::vector<g3::LogRecord> records_;
};

}  // namespace tavik_test
