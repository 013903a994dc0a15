// Test helper: a temporary directory with an INI file that the INI reader
// uses for the helper's lifetime.
//
//   tavik_test::ScopedIni ini("[devices]\nMotor=ECU\n");
//   ini.dir()  -> the temporary directory (removed at the end)
//
// Construction writes the text to <dir>/bench.ini, points TAVIK_INI at it and
// makes the reader read it (IniReader::get_instance(true)). Unless the text
// has a [paths] section of its own, the user and system directories are
// <dir>/user and <dir>/system, with the folder of the property hook file
// already made, so no test writes outside its directory. Destruction restores
// TAVIK_INI, re-reads, and removes the directory.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "inireader/IniReader.h"

namespace tavik_test {

class ScopedTempDir {
 public:
  // The directory's name is `prefix` followed by six random characters.
  explicit ScopedTempDir(const std::string& prefix = "tavik_test_") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(&pattern[0]) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file below the directory (parents created) and returns its path.
  std::filesystem::path write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
  }

 private:
  std::filesystem::path path_;
};

class ScopedIni {
 public:
  // directoryPrefix: see ScopedTempDir.
  explicit ScopedIni(const std::string& text, const std::string& directoryPrefix = "tavik_test_")
      : dir_(directoryPrefix) {
    const char* old = std::getenv("TAVIK_INI");
    had_old_ = old != nullptr;
    if (old) old_ = old;
    std::string content = text;
    if (content.find("[paths]") == std::string::npos) {
      dir_.write("system/ZUMD/SystemPythonActions/ScriptActions/hooks/.keep", "");
      content += "\n[paths]\nuser=" + (dir_.path() / "user").string() +
                 "\nsystem=" + (dir_.path() / "system").string() + "\n";
    }
    file_ = dir_.write("bench.ini", content);
    ::setenv("TAVIK_INI", file_.c_str(), 1);
    IniReader::get_instance(true);
  }
  ~ScopedIni() {
    if (had_old_)
      ::setenv("TAVIK_INI", old_.c_str(), 1);
    else
      ::unsetenv("TAVIK_INI");
    try {
      IniReader::get_instance(true);
    } catch (...) {
    }
  }
  ScopedIni(const ScopedIni&) = delete;
  ScopedIni& operator=(const ScopedIni&) = delete;

  const ScopedTempDir& dir() const { return dir_; }
  const std::filesystem::path& file() const { return file_; }
  // Where the property hook file lands with the default paths.
  std::filesystem::path hookFile() const {
    return dir_.path() / "system/ZUMD/SystemPythonActions/ScriptActions/hooks/PropertyHook.py";
  }

 private:
  ScopedTempDir dir_;
  std::filesystem::path file_;
  bool had_old_ = false;
  std::string old_;
};

}  // namespace tavik_test
