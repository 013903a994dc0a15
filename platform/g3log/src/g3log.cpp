#include "g3log/g3log.hpp"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace g3 {
namespace {

// Zero-initialised, so every level is enabled from the very start of the
// process, before any dynamic initialisation has run.
std::atomic<bool> g_disabled[kMaxLevelValue + 1];

struct InstalledSink {
  SinkId id;
  Sink sink;
};
using SinkList = std::vector<InstalledSink>;

std::mutex& sinkMutex() {
  static std::mutex m;
  return m;
}

// Records are dispatched to a snapshot of the list, so a sink may itself log or
// install sinks without deadlocking.
std::shared_ptr<const SinkList>& sinkList() {
  static std::shared_ptr<const SinkList> list = std::make_shared<SinkList>();
  return list;
}

std::atomic<int> g_sink_count{0};
SinkId g_next_id = 1;

bool inRange(int value) { return value >= 0 && value <= kMaxLevelValue; }

}  // namespace

bool logLevel(const LEVELS& level) {
  return g_sink_count.load(std::memory_order_relaxed) > 0 && inRange(level.value) &&
         !g_disabled[level.value].load(std::memory_order_relaxed);
}

namespace log_levels {
void enable(const LEVELS& level) {
  if (inRange(level.value)) g_disabled[level.value] = false;
}
void disable(const LEVELS& level) {
  if (inRange(level.value)) g_disabled[level.value] = true;
}
void enableAll() {
  for (auto& flag : g_disabled) flag = false;
}
void disableAll() {
  for (auto& flag : g_disabled) flag = true;
}
bool enabled(const LEVELS& level) { return inRange(level.value) && !g_disabled[level.value]; }
}  // namespace log_levels

SinkId addSink(Sink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  auto next = std::make_shared<SinkList>(*sinkList());
  const SinkId id = g_next_id++;
  next->push_back({id, std::move(sink)});
  sinkList() = std::move(next);
  g_sink_count = static_cast<int>(sinkList()->size());
  return id;
}

void removeSink(SinkId id) {
  std::lock_guard<std::mutex> lock(sinkMutex());
  auto next = std::make_shared<SinkList>();
  for (const auto& s : *sinkList())
    if (s.id != id) next->push_back(s);
  sinkList() = std::move(next);
  g_sink_count = static_cast<int>(sinkList()->size());
}

void removeAllSinks() {
  std::lock_guard<std::mutex> lock(sinkMutex());
  sinkList() = std::make_shared<SinkList>();
  g_sink_count = 0;
}

namespace detail {

void dispatch(const char* file, int line, const char* function, const LEVELS& level,
              std::string message) {
  std::shared_ptr<const SinkList> sinks;
  {
    std::lock_guard<std::mutex> lock(sinkMutex());
    sinks = sinkList();
  }
  if (sinks->empty()) return;
  const LogRecord record{level.value, level.text, file, line, function, std::move(message)};
  for (const auto& s : *sinks) s.sink(record);
}

void logf(const char* file, int line, const char* function, const LEVELS& level,
          const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string message;
  if (needed > 0) {
    message.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(&message[0], message.size(), format, args);
    message.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  dispatch(file, line, function, level, std::move(message));
}

void wlogf(const char* file, int line, const char* function, const LEVELS& level,
           const wchar_t* format, ...) {
  // vswprintf cannot tell how much room a text needs, so the text is printed
  // into a memory stream that grows as far as the text does.
  wchar_t* buffer = nullptr;
  size_t size = 0;
  std::wstring text;
  if (FILE* stream = open_wmemstream(&buffer, &size)) {
    va_list args;
    va_start(args, format);
    const int written = std::vfwprintf(stream, format, args);
    va_end(args);
    std::fclose(stream);
    if (written >= 0) {
      text.assign(buffer, size);
    } else {
      // A text that cannot be converted at all (an encoding error).
      text = L"[unformattable log text] ";
      text += format;
    }
    std::free(buffer);
  }
  dispatch(file, line, function, level, toUtf8(text));
}

}  // namespace detail
}  // namespace g3
