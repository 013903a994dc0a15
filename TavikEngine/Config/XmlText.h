// The loaders work on wide text; pugixml here keeps UTF-8. These two helpers
// are the one place where text crosses between them.
#pragma once

#include <string>

#include <pugixml.hpp>

namespace tavik {

inline std::wstring wideText(const char* utf8) { return pugi::as_wide(utf8); }
inline std::string utf8Text(const std::wstring& wide) { return pugi::as_utf8(wide); }

}  // namespace tavik
