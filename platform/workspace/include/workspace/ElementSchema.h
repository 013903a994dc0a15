// Element class schemas: the fixed layout of every class of workspace element.
//
// A schema says where each item of an element lies (its item number, the byte
// offset inside the element), what it is called in log lines, and its item
// type code. The type code fixes the item's value type and size and where the
// item's listener block lies:
//
//   code  value                         bytes  listener block at
//   0     double                        8      none
//   2     int                           4      none
//   3     unsigned int                  4      none
//   4     long long                     8      none
//   5     wide text, room per item      room   none
//   6     narrow text, room per item    room   none
//   7     wide text                     504    none
//   8     number written as text        8      none
//   12    int                           4      item + 8
//   19    double                        8      item + 8
//   10    long long                     8      item + 16
//   13    unsigned int                  4      item + 16
//   14    wide text                     256    item + 256
//   18    narrow text                   256    item + 256
//   15    wide text                     504    item + 504
//   16    wide text                     1028   item + 1028
//   17    wide text                     4100   item + 4100
//
// A code 8 item holds a double that callers write and read as text (screen
// positions, sizes and colours that configurations give as text): a written
// text must be a whole number text ("12", "-1", "14474460", "0.5"; blanks
// around it allowed) or empty, which stores NaN and reads back empty; other
// text is refused. It reads back as the shortest text of its value.
//
// A listener block is an int32 count followed directly (unaligned) by up to
// 100 listener handles of 8 bytes each. The room of a text item counts bytes
// including the terminator; wide text is stored as 16-bit units.
//
// Schemas are part of the shared-memory layout: every process of the bench
// must agree on them, so an item never moves once it has been published.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "workspace/ElementClasses.h"

namespace tavik {
namespace workspace {

// Item type codes used by this workspace.
namespace item_type {
constexpr int kDouble = 0;
constexpr int kInt = 2;
constexpr int kUnsigned = 3;
constexpr int kLongLong = 4;
constexpr int kWideText = 5;
constexpr int kNarrowText = 6;
constexpr int kWideText504 = 7;
constexpr int kNumberAsText = 8;
constexpr int kListenedLongLong = 10;
constexpr int kListenedInt = 12;
constexpr int kListenedUnsigned = 13;
constexpr int kListenedWideText256 = 14;
constexpr int kListenedWideText504 = 15;
constexpr int kListenedWideText1028 = 16;
constexpr int kListenedWideText4100 = 17;
constexpr int kListenedNarrowText256 = 18;
constexpr int kListenedDouble = 19;
}  // namespace item_type

constexpr int kListenerCapacity = 100;
// int32 count + kListenerCapacity handles of 8 bytes.
constexpr unsigned int kListenerBlockSize = 4 + 8 * kListenerCapacity;

// Byte layout of the element header.
namespace element_header {
constexpr unsigned int kType = 0;
constexpr unsigned int kReferenceCount = 4;
constexpr unsigned int kClassId = 8;
constexpr unsigned int kSize = 12;
constexpr unsigned int kArea = 16;
constexpr unsigned int kName = 20;
}  // namespace element_header

enum class ValueKind { Int, Unsigned, LongLong, Double, WideText, NarrowText, NumberAsText };

struct ItemSchema {
  unsigned int item;  // byte offset inside the element
  std::string name;   // for log lines
  int type_code;
  unsigned int room;  // bytes of a text item (codes 5 and 6); 0 otherwise
  bool by_name;       // whether findItemByName finds it (ITEM in ElementItems.h)
};

struct ElementSchema {
  int class_id;
  std::string class_name;
  int element_type;
  long long area;
  unsigned int size;        // bytes of one element
  unsigned int first_item;  // the name room runs from byte 20 up to here
  std::vector<ItemSchema> items;  // ordered by item number
  // The by_name items under their names widened byte by byte.
  std::unordered_map<std::wstring, const ItemSchema*> by_name;
  // For each item number below `size`: 1 + the index in `items` of the item
  // that starts there, 0 where none does (findItem in one step).
  std::vector<std::uint16_t> item_at;
  // Whether an element may be created with a tail of its own size after the
  // `size` bytes of items (Workspace::openOrCreateElement with extra bytes);
  // the element's header then holds size + tail.
  bool variable_tail = false;
  // Classes whose tail is a table of row cells (TAVIK_ROW_CELL_CLASSES in
  // ElementItems.h): items that no schema lists, one per row from byte `size`
  // on, all of the type code stored in the element's item `cell_type_item`,
  // `cell_size_item` bytes apart (an int, rowCellBytes of that code), as many
  // as the element's item `row_count_item` (a long long) says. Row k is
  // called "Row_k" in log lines. For the other classes cell_type_item is 0.
  unsigned int cell_type_item = 0;
  unsigned int cell_size_item = 0;
  unsigned int row_count_item = 0;
};

// Room in bytes of a text cell of codes 5 and 6 (code 7 has its own room of
// the same size).
constexpr unsigned int kTextCellRoom = 504;
// Bytes one row cell of that item type code takes: the value, its listener
// block where the code has one, rounded up to whole 8 bytes so that every
// cell starts aligned; a text cell of codes 5 and 6 holds kTextCellRoom
// bytes. 0 for a code that is not known.
unsigned int rowCellBytes(int type_code);

// Every schema, ordered by class id.
const std::vector<ElementSchema>& allSchemas();
// The schema of a class id (one table look-up); nullptr when there is none.
const ElementSchema* findSchema(int class_id);
// The item that starts at that item number; nullptr when none does.
const ItemSchema* findItemBeyondSize(const ElementSchema& schema, unsigned int item);
inline const ItemSchema* findItem(const ElementSchema& schema, unsigned int item) {
  if (item < schema.item_at.size()) {
    const std::uint16_t slot = schema.item_at[item];
    return slot == 0 ? nullptr : &schema.items[slot - 1];
  }
  return findItemBeyondSize(schema, item);
}
// The item of that name (compared exactly) among the items the class lets
// callers address by name; nullptr when there is none.
const ItemSchema* findItemByName(const ElementSchema& schema, const std::wstring& name);

[[noreturn]] void throwUnknownItemType(int type_code);

// The value type of an item type code. Precondition: a code listed above
// (std::logic_error otherwise).
inline ValueKind valueKindOf(int type_code) {
  switch (type_code) {
    case item_type::kDouble: case item_type::kListenedDouble: return ValueKind::Double;
    case item_type::kInt: case item_type::kListenedInt: return ValueKind::Int;
    case item_type::kUnsigned: case item_type::kListenedUnsigned: return ValueKind::Unsigned;
    case item_type::kLongLong: case item_type::kListenedLongLong: return ValueKind::LongLong;
    case item_type::kWideText: case item_type::kWideText504: case item_type::kListenedWideText256:
    case item_type::kListenedWideText504: case item_type::kListenedWideText1028:
    case item_type::kListenedWideText4100:
      return ValueKind::WideText;
    case item_type::kNarrowText: case item_type::kListenedNarrowText256: return ValueKind::NarrowText;
    case item_type::kNumberAsText: return ValueKind::NumberAsText;
    default: throwUnknownItemType(type_code);
  }
}
// Bytes an item's value occupies; room is the item's room (codes 5 and 6).
unsigned int valueSize(int type_code, unsigned int room);
inline unsigned int valueSize(const ItemSchema& item) { return valueSize(item.type_code, item.room); }
// Where the listener block of an item of that type code lies inside the
// element: per the table above for the listened codes, 0 (none) for codes 0
// and 2 to 9, and the item number itself for every other code (1, 11 and
// codes outside 0 to 19, which this workspace never gives an item: a reader
// of a foreign layout then looks at the item, never beyond it).
// Inline on every path: a notifying write asks it on each write.
[[gnu::always_inline]] constexpr unsigned int listenerPosition(int type_code, unsigned int item) {
  switch (type_code) {
    case 0: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9:
      return 0;
    case 10: case 13:
      return item + 16;
    case 12: case 19:
      return item + 8;
    case 14: case 18:
      return item + 256;
    case 15:
      return item + 504;
    case 16:
      return item + 1028;
    case 17:
      return item + 4100;
    default:
      return item;
  }
}
// Byte offset of the item's listener block inside the element; 0 when the
// item has none.
inline unsigned int listenerBlockOffset(const ItemSchema& item) {
  return listenerPosition(item.type_code, item.item);
}
// Whether the code is one of the codes listed above.
bool isKnownItemType(int type_code);

}  // namespace workspace
}  // namespace tavik
