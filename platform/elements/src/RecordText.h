// Texts inside the records of an element's list (OwnedList): a field of a
// fixed room in bytes, terminator included, as the workspace stores text
// items. Wide text is 16-bit units; narrow text keeps its bytes.
//
// fits*() tell, before anything is written, whether a text can be stored:
// they throw WorkspaceException with the reason a text item would give ("a
// text of N characters does not fit (room for M)", "a text with a zero
// character cannot be stored"), prefixed by `what`. store*() write a text
// that fits and zero the rest of the field. load*() read up to the
// terminator, never beyond the room.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"
#include "workspace/WorkspaceException.h"

namespace tavik {
namespace workspace {
namespace record_text {

inline void refuse(const std::string& what, const std::string& reason) {
  throw WorkspaceException(what + ": " + reason);
}

inline void tooLong(const std::string& what, std::size_t length, std::size_t roomChars) {
  refuse(what, "a text of " + std::to_string(length) + " characters does not fit (room for " +
                   std::to_string(roomChars) + ")");
}

inline void fitsWide(const std::wstring& text, unsigned int room, const std::string& what) {
  if (text.find(L'\0') != std::wstring::npos)
    refuse(what, "a text with a zero character cannot be stored");
  const std::size_t units = utf16Length(text);
  if (units + 1 > room / 2) tooLong(what, units, room / 2 - 1);
}

inline void fitsNarrow(const std::string& text, unsigned int room, const std::string& what) {
  if (text.find('\0') != std::string::npos)
    refuse(what, "a text with a zero character cannot be stored");
  if (text.size() + 1 > room) tooLong(what, text.size(), room - 1);
}

// Precondition: fitsWide(text, room, ...) holds.
inline void storeWide(char* field, unsigned int room, const std::wstring& text) {
  std::memset(field, 0, room);
  std::size_t at = 0;
  forEachUtf16Unit(text, [&](char16_t unit) {
    storeAt<char16_t>(field + 2 * at++, unit);
    return true;
  });
}

// Precondition: fitsNarrow(text, room, ...) holds.
inline void storeNarrow(char* field, unsigned int room, const std::string& text) {
  std::memset(field, 0, room);
  std::memcpy(field, text.data(), text.size());
}

inline std::wstring loadWide(const char* field, unsigned int room) {
  std::size_t units = 0;
  while (units < room / 2 && loadAt<char16_t>(field + 2 * units) != 0) ++units;
  return fromUtf16Units(field, units);
}

inline std::string loadNarrow(const char* field, unsigned int room) {
  std::size_t length = 0;
  while (length < room && field[length] != '\0') ++length;
  return std::string(field, length);
}

}  // namespace record_text
}  // namespace workspace
}  // namespace tavik
