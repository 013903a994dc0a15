// Sinks of the logging facade: where finished records go.
//
// The host (or a test) installs any number of sinks; each receives every record
// whose level is enabled, in installation order, on the logging thread. With no
// sink installed g3::logLevel() reports every level as off, so no record is
// even composed.
#pragma once

#include <functional>
#include <string>

#include "g3log/loglevels.hpp"

namespace g3 {

struct LogRecord {
  int level_value;
  std::string level_text;
  std::string file;
  int line;
  std::string function;
  std::string message;  // UTF-8 for wide records; narrow records are passed on byte for byte
};

using SinkId = int;
using Sink = std::function<void(const LogRecord&)>;

SinkId addSink(Sink sink);
void removeSink(SinkId id);
void removeAllSinks();

}  // namespace g3
