// Thrown when a reload would change a parameter's channel name or type. It
// carries no message (what() is std::exception's). Its type information is
// exported so that a host can catch it by type across the library boundary.
#pragma once

#include <exception>

#include "TavikEngine/Config/Export.h"

namespace tavik {

class TAVIK_EXPORT ReloadException : public std::exception {
 public:
  ReloadException();
  ~ReloadException() override;  // out of line: anchors the exported type information
};

}  // namespace tavik
