// Reading and writing one item's value in element memory, converting between
// the caller's value type and the item's own type.
//
// Numbers convert among numbers: integers keep their value and are refused
// when it does not fit the target type; a double becomes an integer by
// truncation toward zero and is refused when NaN or out of range. Texts
// convert among texts: narrow -> wide widens byte by byte, wide -> narrow
// keeps the low 8 bits of each 16-bit unit. Text <-> number is refused, and so
// is a text that does not fit the item's room with its terminator or that
// holds a zero character. A refusal throws ItemValueError with the reason;
// the workspace adds which element and item it concerns.
//
// The memory need not be aligned; every access copies bytes.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

#include "workspace/ElementSchema.h"
#include "workspace/Unaligned.h"

// Internal to the segment: never exported from a shared library that holds it.
#pragma GCC visibility push(hidden)

namespace tavik {
namespace workspace {

class ItemValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a value access needs to know of an item: its type code and, for codes
// 5 and 6, its room in bytes.
struct ItemSlot {
  int type_code;
  unsigned int room;
};

void readItemValue(const char* item_memory, ItemSlot item, int& value);
void readItemValue(const char* item_memory, ItemSlot item, unsigned int& value);
void readItemValue(const char* item_memory, ItemSlot item, long long& value);
void readItemValue(const char* item_memory, ItemSlot item, double& value);
void readItemValue(const char* item_memory, ItemSlot item, std::string& value);
void readItemValue(const char* item_memory, ItemSlot item, std::wstring& value);

void writeItemValue(char* item_memory, ItemSlot item, int value);
void writeItemValue(char* item_memory, ItemSlot item, unsigned int value);
void writeItemValue(char* item_memory, ItemSlot item, long long value);
void writeItemValue(char* item_memory, ItemSlot item, double value);
void writeItemValue(char* item_memory, ItemSlot item, const std::string& value);
void writeItemValue(char* item_memory, ItemSlot item, const std::wstring& value);

}  // namespace workspace
}  // namespace tavik

#pragma GCC visibility pop
