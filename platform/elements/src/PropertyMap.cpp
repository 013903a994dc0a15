#include "workspace/PropertyMap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "workspace/ElementOpen.h"
#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

namespace m = property_map;

struct Shape {
  unsigned long long x;
  unsigned long long y;
  unsigned long long values;  // z values
  unsigned long long slots;   // x + y + values
};

// The shape of a map of x by y; WorkspaceException (naming the map by
// name()) when its table could not be held by any element.
template <class Name>
Shape shapeOf(const Name& name, unsigned long long x, unsigned long long y) {
  constexpr unsigned long long kMaxSlots = std::numeric_limits<std::uint32_t>::max() / 8;
  const unsigned long long rows = y == 0 ? 1 : y;
  if (x > kMaxSlots || y > kMaxSlots || (x != 0 && rows > kMaxSlots / x) ||
      x + y + x * rows > kMaxSlots) {
    throw WorkspaceException("the property map \"" + name() + "\" of " + std::to_string(x) +
                             " by " + std::to_string(y) + " values is too large");
  }
  return Shape{x, y, x * rows, x + y + x * rows};
}

long long loadCount(Workspace& workspace, long long handle, unsigned int item) {
  long long value = 0;
  workspace.getItem(handle + item, value);
  return value;
}

// Values the element's table has room for.
unsigned long long tableRoom(const Workspace& workspace, long long handle) {
  return (workspace.getElementSize(handle) - m::kValueTable) / 8;
}

// Every value of the table 0, then the counts of the shape (items of the
// map's own, written in place). Precondition: handle denotes a map.
void takeShape(Workspace& workspace, long long handle, const Shape& shape) {
  char* const element = workspace.getBaseAddress() + handle;
  std::memset(element + m::kValueTable, 0, 8 * tableRoom(workspace, handle));
  storeAt<std::int64_t>(element + m::XCount, static_cast<std::int64_t>(shape.x));
  storeAt<std::int64_t>(element + m::YCount, static_cast<std::int64_t>(shape.y));
  storeAt<std::int64_t>(element + m::ValueCount, static_cast<std::int64_t>(shape.values));
}

long long openMap(const std::wstring& name, unsigned long long x, unsigned long long y) {
  const Shape shape =
      shapeOf([&name] { return narrowUnits(toUtf16Units(name)); }, x, y);
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  const long long handle =
      workspace->openOrCreateElement(element_class::kPropertyMap, name, 8 * shape.slots);
  if (x == 0 && y == 0) return handle;
  // A map with a shape is opened as it is; a new map (or one without a
  // shape) takes the shape given when its table holds it.
  if (loadCount(*workspace, handle, m::XCount) != 0 || loadCount(*workspace, handle, m::YCount) != 0)
    return handle;
  if (shape.slots <= tableRoom(*workspace, handle)) takeShape(*workspace, handle, shape);
  return handle;
}

}  // namespace

PropertyMap::PropertyMap(const std::wstring& name, unsigned long long x, unsigned long long y)
    : ElementClass(openMap(name, x, y), AsGiven{}) {}

PropertyMap::PropertyMap(long long handle)
    : ElementClass(handle) {}

void PropertyMap::reset(unsigned long long x, unsigned long long y) {
  requireValid("reset");
  const Shape shape = shapeOf([this] { return getName(); }, x, y);
  const unsigned long long room = tableRoom(*workspace_, handle_);
  if (shape.slots > room) {
    // Headroom, so that configurations that alternate between two sizes do
    // not remake the map on every load; never beyond what an element holds.
    constexpr unsigned long long kLargest =
        (std::numeric_limits<std::uint32_t>::max() - m::kValueTable) / 8;
    const unsigned long long grown = std::max(shape.slots, std::min(2 * room, kLargest));
    handle_ = workspace_->replaceElement(handle_, 8 * grown, 0);
  }
  // Every item's value as a new map holds it; listener blocks are not
  // values and stay. The proxy holds a map: the schema's items are its own.
  static const ElementSchema* const schema = findSchema(element_class::kPropertyMap);
  char* const element = workspace_->getBaseAddress() + handle_;
  for (const ItemSchema& item : schema->items) std::memset(element + item.item, 0, valueSize(item));
  takeShape(*workspace_, handle_, shape);
}

unsigned long long PropertyMap::getXCount() const {
  requireValid("getXCount");
  return static_cast<unsigned long long>(loadCount(*workspace_, handle_, m::XCount));
}

unsigned long long PropertyMap::getYCount() const {
  requireValid("getYCount");
  return static_cast<unsigned long long>(loadCount(*workspace_, handle_, m::YCount));
}

unsigned long long PropertyMap::getValueCount() const {
  requireValid("getValueCount");
  return static_cast<unsigned long long>(loadCount(*workspace_, handle_, m::ValueCount));
}

long long PropertyMap::slotOffset(Part part, unsigned index, const char* operation) const {
  requireValid(operation);
  // The size lookup also refuses a handle that denotes no element; the counts
  // of the map are then read in place, not through one lookup each.
  const unsigned int size = workspace_->getElementSize(handle_);
  const char* const element = workspace_->getBaseAddress() + handle_;
  const auto x = static_cast<unsigned long long>(loadAt<std::int64_t>(element + m::XCount));
  const auto y = static_cast<unsigned long long>(loadAt<std::int64_t>(element + m::YCount));
  const auto values = static_cast<unsigned long long>(loadAt<std::int64_t>(element + m::ValueCount));
  unsigned long long count = 0;
  unsigned long long first = 0;
  const char* what = "";
  switch (part) {
    case Part::X: count = x; first = 0; what = "X axis values"; break;
    case Part::Y: count = y; first = x; what = "Y axis values"; break;
    case Part::Z: count = values; first = x + y; what = "values"; break;
  }
  const unsigned long long slot = first + index;
  // The counts are memory another process may have written: the slot must
  // also lie inside this element.
  const unsigned long long room = (size - m::kValueTable) / 8;
  if (index >= count || slot >= room) {
    throw WorkspaceException(std::string(operation) + ": index " + std::to_string(index) +
                             " is out of range for property map " + getName() + ", which has " +
                             std::to_string(count) + " " + what);
  }
  return handle_ + m::kValueTable + static_cast<long long>(8 * slot);
}

namespace {

void storeDouble(Workspace& workspace, long long offset, double value) {
  std::memcpy(workspace.getBaseAddress() + offset, &value, sizeof value);
}

double loadDouble(const Workspace& workspace, long long offset) {
  double value = 0.0;
  std::memcpy(&value, workspace.getBaseAddress() + offset, sizeof value);
  return value;
}

}  // namespace

void PropertyMap::addXAchsisValue(unsigned index, double value) {
  storeDouble(*workspace_, slotOffset(Part::X, index, "addXAchsisValue"), value);
}

void PropertyMap::addYAchsisValue(unsigned index, double value) {
  storeDouble(*workspace_, slotOffset(Part::Y, index, "addYAchsisValue"), value);
}

void PropertyMap::addValue(unsigned index, double value) {
  storeDouble(*workspace_, slotOffset(Part::Z, index, "addValue"), value);
}

double PropertyMap::getXAchsisValue(unsigned index) const {
  return loadDouble(*workspace_, slotOffset(Part::X, index, "getXAchsisValue"));
}

double PropertyMap::getYAchsisValue(unsigned index) const {
  return loadDouble(*workspace_, slotOffset(Part::Y, index, "getYAchsisValue"));
}

double PropertyMap::getValue(unsigned index) const {
  return loadDouble(*workspace_, slotOffset(Part::Z, index, "getValue"));
}

}  // namespace workspace
}  // namespace tavik
