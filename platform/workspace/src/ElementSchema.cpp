#include "workspace/ElementSchema.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "workspace/ElementItems.h"

namespace tavik {
namespace workspace {

using namespace item_type;

namespace {

// Generated from the class table and the item declarations.
#define TAVIK_SCHEMA_ITEM(name, number, code, room) \
  items.push_back({number, #name, item_type::k##code, room, true});
#define TAVIK_SCHEMA_INTERNAL(name, number, code, room) \
  items.push_back({number, #name, item_type::k##code, room, false});
#define TAVIK_SCHEMA_RANGE(fn, stem, first, stride, count, code, room)                        \
  for (int k = 0; k < (count); ++k)                                                            \
    items.push_back({(first) + (stride) * static_cast<unsigned int>(k), #stem + std::to_string(k), \
                     item_type::k##code, room, false});
#define TAVIK_SCHEMA(Class, ns, Enum, id, type, area, size, tail)                              \
  {                                                                                            \
    std::vector<ItemSchema> items;                                                             \
    TAVIK_ITEMS_##Class(TAVIK_SCHEMA_ITEM, TAVIK_SCHEMA_INTERNAL, TAVIK_SCHEMA_RANGE)          \
    schemas.push_back(makeSchema(id, #Class, type, area, size, tail, std::move(items)));       \
  }

ElementSchema makeSchema(int class_id, const char* class_name, int element_type, long long area,
                         unsigned int size, bool variable_tail, std::vector<ItemSchema> items) {
  std::sort(items.begin(), items.end(),
            [](const ItemSchema& a, const ItemSchema& b) { return a.item < b.item; });
  const unsigned int first_item = items.empty() ? size : items.front().item;
  ElementSchema schema;
  schema.class_id = class_id;
  schema.class_name = class_name;
  schema.element_type = element_type;
  schema.area = area;
  schema.size = size;
  schema.first_item = first_item;
  schema.items = std::move(items);
  schema.variable_tail = variable_tail;
  return schema;
}

std::vector<ElementSchema> buildSchemas() {
  std::vector<ElementSchema> schemas;
  TAVIK_ELEMENT_CLASSES(TAVIK_SCHEMA)
  std::sort(schemas.begin(), schemas.end(),
            [](const ElementSchema& a, const ElementSchema& b) { return a.class_id < b.class_id; });
  // The name indexes point into the items, so they are built once the
  // schemas stand where they stay.
  for (ElementSchema& schema : schemas) {
#define TAVIK_SCHEMA_ROW_CELLS(Class, ns, type_item, size_item, count_item) \
    if (schema.class_id == element_class::k##Class) {                        \
      schema.cell_type_item = ns::type_item;                                 \
      schema.cell_size_item = ns::size_item;                                 \
      schema.row_count_item = ns::count_item;                                \
    }
    TAVIK_ROW_CELL_CLASSES(TAVIK_SCHEMA_ROW_CELLS)
#undef TAVIK_SCHEMA_ROW_CELLS
    for (const ItemSchema& item : schema.items) {
      if (!item.by_name) continue;
      std::wstring wide;
      for (char c : item.name) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
      if (!schema.by_name.emplace(std::move(wide), &item).second)
        throw std::logic_error("two items named " + item.name + " in " + schema.class_name);
    }
    if (schema.items.size() >= 0xFFFF) throw std::logic_error("too many items in " + schema.class_name);
    schema.item_at.assign(schema.size, 0);
    for (std::size_t i = 0; i < schema.items.size(); ++i)
      if (schema.items[i].item < schema.size)
        schema.item_at[schema.items[i].item] = static_cast<std::uint16_t>(i + 1);
  }
  return schemas;
}

#undef TAVIK_SCHEMA
#undef TAVIK_SCHEMA_RANGE
#undef TAVIK_SCHEMA_INTERNAL
#undef TAVIK_SCHEMA_ITEM

}  // namespace

const std::vector<ElementSchema>& allSchemas() {
  static const std::vector<ElementSchema> schemas = buildSchemas();
  return schemas;
}

namespace {

// Class ids are small numbers: the schemas are found by index.
constexpr int kClassIdLimit = 64;

struct SchemaTable {
  const ElementSchema* by_id[kClassIdLimit] = {};
  SchemaTable() {
    for (const ElementSchema& schema : allSchemas()) {
      if (schema.class_id < 0 || schema.class_id >= kClassIdLimit)
        throw std::logic_error("class id " + std::to_string(schema.class_id) + " out of range");
      by_id[schema.class_id] = &schema;
    }
  }
};

}  // namespace

const ElementSchema* findSchema(int class_id) {
  static const SchemaTable table;
  if (static_cast<unsigned int>(class_id) >= static_cast<unsigned int>(kClassIdLimit)) return nullptr;
  return table.by_id[class_id];
}

const ItemSchema* findItemBeyondSize(const ElementSchema& schema, unsigned int item) {
  const auto it = std::lower_bound(
      schema.items.begin(), schema.items.end(), item,
      [](const ItemSchema& entry, unsigned int number) { return entry.item < number; });
  if (it == schema.items.end() || it->item != item) return nullptr;
  return &*it;
}

const ItemSchema* findItemByName(const ElementSchema& schema, const std::wstring& name) {
  const auto it = schema.by_name.find(name);
  return it == schema.by_name.end() ? nullptr : it->second;
}

bool isKnownItemType(int type_code) {
  switch (type_code) {
    case 0: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 10: case 12: case 13:
    case 14:
    case 15: case 16: case 17: case 18: case 19:
      return true;
    default:
      return false;
  }
}

void throwUnknownItemType(int type_code) {
  throw std::logic_error("unknown item type code " + std::to_string(type_code));
}

unsigned int valueSize(int type_code, unsigned int room) {
  switch (type_code) {
    case kDouble: case kListenedDouble: case kLongLong: case kListenedLongLong: case kNumberAsText:
      return 8;
    case kInt: case kListenedInt: case kUnsigned: case kListenedUnsigned: return 4;
    case kWideText: case kNarrowText: return room;
    case kListenedWideText256: case kListenedNarrowText256: return 256;
    case kWideText504: case kListenedWideText504: return 504;
    case kListenedWideText1028: return 1028;
    case kListenedWideText4100: return 4100;
    default:
      throwUnknownItemType(type_code);
  }
}

unsigned int rowCellBytes(int type_code) {
  if (!isKnownItemType(type_code)) return 0;
  const unsigned int block = listenerPosition(type_code, 0);
  const unsigned int room = type_code == kWideText || type_code == kNarrowText ? kTextCellRoom : 0;
  const unsigned int bytes =
      block > 0 ? block + kListenerBlockSize : valueSize(type_code, room);
  return (bytes + 7) / 8 * 8;
}

}  // namespace workspace
}  // namespace tavik
