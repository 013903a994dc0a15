// The module's own log levels, on top of g3log's (DEBUG 100, INFO 300,
// WARNING 500, FATAL 1000, CONTRACT 2000, FATAL_SIGNAL 2001,
// FATAL_EXCEPTION 2002).
//
// The bench's levels sit directly above WARNING, each one above the one before
// it, so that readers of the log can filter them as one consecutive range.
// They are constexpr: every unit may log from its static initialisation on.
#pragma once

#include "g3log/g3log.hpp"

constexpr LEVELS DEBUG{G3LOG_DEBUG.value + 1, "DEBUG"};
constexpr LEVELS TIMING{WARNING.value + 1, "TIMING"};
constexpr LEVELS INTERFACE_{TIMING.value + 1, "INTERFACE_"};
constexpr LEVELS WORKSPACE{INTERFACE_.value + 1, "WORKSPACE"};
constexpr LEVELS KERNEL{WORKSPACE.value + 1, "KERNEL"};
constexpr LEVELS SM_KERNEL{KERNEL.value + 1, "SM_KERNEL"};
constexpr LEVELS READ_WRITE{SM_KERNEL.value + 1, "READ_WRITE"};
constexpr LEVELS SEQUENCE{READ_WRITE.value + 1, "SEQUENCE"};
constexpr LEVELS UA_DEBUG{SEQUENCE.value + 1, "UA_DEBUG"};
constexpr LEVELS UA_INFO{UA_DEBUG.value + 1, "UA_INFO"};
constexpr LEVELS UA_WARNING{UA_INFO.value + 1, "UA_WARNING"};
constexpr LEVELS PUA_DEBUG{UA_WARNING.value + 1, "PUA_DEBUG"};
constexpr LEVELS PUA_INFO{PUA_DEBUG.value + 1, "PUA_INFO"};
constexpr LEVELS PUA_WARNING{PUA_INFO.value + 1, "PUA_WARNING"};
constexpr LEVELS NOTIFICATIONS{PUA_WARNING.value + 1, "NOTIFICATIONS"};

static_assert(TIMING.value == 501 && READ_WRITE.value == 506 && UA_WARNING.value == 510 &&
                  NOTIFICATIONS.value == 514,
              "the bench's log level values are fixed");

namespace tavik {
// Date and time formats of the bench's log files.
constexpr const char* kLogDateFormat = "%Y-%m-%d";
constexpr const char* kLogTimeFormat = "%H:%M:%S.%f6";
}  // namespace tavik
