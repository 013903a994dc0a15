#include "inireader/IniReader.h"

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <boost/optional.hpp>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <locale>
#include <mutex>
#include <sstream>
#include <stdexcept>

namespace {

namespace pt = boost::property_tree;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string withoutTrailingSeparators(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

[[noreturn]] void throwNotANumber(const std::string& key, const std::string& value,
                                  const std::string& file, const char* kind) {
  throw std::runtime_error("INI item \"" + key + "\" is not " + kind + ": \"" + value +
                           "\" (file " + file + ")");
}

// Parses the whole text as a number in the classic locale; false when any
// character is left over or nothing was read.
template <typename Number>
bool parseWhole(const std::string& text, Number* out) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  in >> *out;
  if (in.fail()) return false;
  in >> std::ws;
  return in.eof();
}

}  // namespace

struct IniReader::Settings {
  std::mutex mutex;
  bool loaded = false;
  std::string file;  // empty: no file
  pt::ptree tree;

  // First value of `key`: top-level keys first, then each section in file order.
  boost::optional<std::string> find(const std::string& key) const {
    for (const auto& entry : tree) {
      if (entry.second.empty() && entry.first == key) return entry.second.data();
    }
    for (const auto& section : tree) {
      if (section.second.empty()) continue;
      for (const auto& entry : section.second) {
        if (entry.first == key) return entry.second.data();
      }
    }
    return boost::none;
  }

  boost::optional<std::string> pathsItem(const std::string& key) const {
    auto section = tree.find("paths");
    if (section == tree.not_found()) return boost::none;
    auto item = section->second.find(key);
    if (item == section->second.not_found()) return boost::none;
    return item->second.data();
  }
};

IniReader::IniReader() : settings_(new Settings) {}
IniReader::~IniReader() = default;

IniReader* IniReader::get_instance(bool reload) {
  static IniReader instance;
  {
    std::lock_guard<std::mutex> lock(instance.settings_->mutex);
    if (reload || !instance.settings_->loaded) instance.read();
  }
  return &instance;
}

// Called with the mutex held. Parses into a fresh tree first so that a broken
// file leaves the settings read before untouched.
void IniReader::read() {
  const std::string file = environment("TAVIK_INI");
  pt::ptree tree;
  if (!file.empty()) pt::read_ini(file, tree);
  settings_->tree.swap(tree);
  settings_->file = file;
  settings_->loaded = true;
}

double IniReader::get_real_item(const char* key, double default_value) {
  if (key == nullptr) return default_value;
  std::lock_guard<std::mutex> lock(settings_->mutex);
  const auto text = settings_->find(key);
  if (!text) return default_value;
  double value = 0.0;
  if (!parseWhole(*text, &value)) throwNotANumber(key, *text, settings_->file, "a number");
  return value;
}

int IniReader::get_int_item(const char* key, int default_value) {
  if (key == nullptr) return default_value;
  std::lock_guard<std::mutex> lock(settings_->mutex);
  const auto text = settings_->find(key);
  if (!text) return default_value;
  long long value = 0;
  if (!parseWhole(*text, &value) || value < INT_MIN || value > INT_MAX)
    throwNotANumber(key, *text, settings_->file, "an int");
  return static_cast<int>(value);
}

std::vector<std::string> IniReader::get_keys(const std::string& section) {
  std::lock_guard<std::mutex> lock(settings_->mutex);
  std::vector<std::string> keys;
  // find() takes the name literally; a path lookup would split it at '.'.
  auto found = settings_->tree.find(section);
  if (found == settings_->tree.not_found()) return keys;
  for (const auto& entry : found->second) keys.push_back(entry.first);
  return keys;
}

std::string IniReader::get_user_path() {
  std::lock_guard<std::mutex> lock(settings_->mutex);
  if (const auto configured = settings_->pathsItem("user"))
    return withoutTrailingSeparators(*configured);
  const std::string home = withoutTrailingSeparators(environment("HOME"));
  return environment("HOME").empty() ? std::string(".") : home + "/.tavik";
}

std::string IniReader::get_system_path() {
  std::lock_guard<std::mutex> lock(settings_->mutex);
  if (const auto configured = settings_->pathsItem("system"))
    return withoutTrailingSeparators(*configured);
  return "/var/lib/tavik";
}
