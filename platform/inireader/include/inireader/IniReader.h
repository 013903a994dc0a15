// The bench's settings, read from one INI file.
//
// Where the settings come from
//   The file named by the environment variable TAVIK_INI, parsed with
//   Boost.PropertyTree's INI parser (sections "[name]", lines "key=value",
//   ';' or '#' comments, blanks around keys and values ignored). Without the
//   variable (unset or empty) there is no file: every item gives its default,
//   every section is empty and both paths take their defaults.
//
// How an item is found
//   get_real_item / get_int_item look the key up first among the keys written
//   before the first section, then in every section in file order; the first
//   hit wins. Keys are compared exactly (case-sensitive). A key that is absent
//   gives the caller's default; a key that is present but whose value is not a
//   number of the asked kind (also an empty value, or an int out of range)
//   throws std::runtime_error naming the key, its value and the file.
//
// The two directories
//   get_user_path()   = key "user" of the section [paths], default $HOME/.tavik
//                       (or "." when HOME is not set);
//   get_system_path() = key "system" of the section [paths], default /var/lib/tavik.
//   Trailing '/' characters are removed, so callers append "/..." themselves.
//
// Reading and re-reading
//   get_instance(true) reads the file again (TAVIK_INI is looked up again as
//   well); get_instance(false) keeps what was read before. The first call reads
//   in either case. A file that cannot be opened or parsed throws
//   boost::property_tree::ini_parser_error (its what() carries the file name
//   and line); the settings read before stay in place.
//
// The reader is safe to call from several threads.
#pragma once

#include <memory>
#include <string>
#include <vector>

class IniReader {
 public:
  // The process's one reader; never null.
  static IniReader* get_instance(bool reload);

  double get_real_item(const char* key, double default_value);
  int get_int_item(const char* key, int default_value);

  // Keys of one section in file order; empty when there is no such section.
  std::vector<std::string> get_keys(const std::string& section);

  std::string get_user_path();
  std::string get_system_path();

  IniReader(const IniReader&) = delete;
  IniReader& operator=(const IniReader&) = delete;

 private:
  IniReader();
  ~IniReader();
  void read();

  struct Settings;
  std::unique_ptr<Settings> settings_;
};
