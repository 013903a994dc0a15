// Values at possibly unaligned places of the mapped workspace (element items
// and tables follow one another without padding).
#pragma once

#include <cstring>

namespace tavik {
namespace workspace {

template <class T>
T loadAt(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

template <class T>
void storeAt(char* p, T value) {
  std::memcpy(p, &value, sizeof value);
}

}  // namespace workspace
}  // namespace tavik
