#include "workspace/PropertyMap.h"

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

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

// The shape of a map of x by y; WorkspaceException when its table could not
// be held by any element.
Shape shapeOf(const std::wstring& name, unsigned long long x, unsigned long long y) {
  constexpr unsigned long long kMaxSlots = std::numeric_limits<std::uint32_t>::max() / 8;
  const unsigned long long rows = y == 0 ? 1 : y;
  if (x > kMaxSlots || y > kMaxSlots || (x != 0 && rows > kMaxSlots / x) ||
      x + y + x * rows > kMaxSlots) {
    throw WorkspaceException("the property map \"" + narrowName(name) + "\" of " +
                             std::to_string(x) + " by " + std::to_string(y) +
                             " values is too large");
  }
  return Shape{x, y, x * rows, x + y + x * rows};
}

long long loadCount(Workspace& workspace, long long handle, unsigned int item) {
  long long value = 0;
  workspace.getItem(handle + item, value);
  return value;
}

long long openMap(const std::wstring& name, unsigned long long x, unsigned long long y) {
  const Shape shape = shapeOf(name, x, y);
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  const long long handle =
      workspace->openOrCreateElement(element_class::kPropertyMap, name, 8 * shape.slots);

  const long long storedX = loadCount(*workspace, handle, m::XCount);
  const long long storedY = loadCount(*workspace, handle, m::YCount);
  const bool sameShape = storedX == static_cast<long long>(x) && storedY == static_cast<long long>(y);
  if (sameShape || (x == 0 && y == 0)) return handle;

  const unsigned long long room = (workspace->getElementSize(handle) - m::kValueTable) / 8;
  if (shape.slots > room) {
    throw WorkspaceException("the property map \"" + narrowName(name) + "\" holds " +
                             std::to_string(room) + " values and cannot take " +
                             std::to_string(x) + " by " + std::to_string(y) + " values (" +
                             std::to_string(shape.slots) + ")");
  }
  // A new element, or a new shape for an old one: no value of the old shape
  // may show through the new one.
  std::memset(workspace->getBaseAddress() + handle + m::kValueTable, 0, 8 * room);
  workspace->setItem(handle + m::XCount, static_cast<long long>(shape.x));
  workspace->setItem(handle + m::YCount, static_cast<long long>(shape.y));
  workspace->setItem(handle + m::ValueCount, static_cast<long long>(shape.values));
  return handle;
}

}  // namespace

PropertyMap::PropertyMap(const std::wstring& name, unsigned long long x, unsigned long long y)
    : ElementClass(openMap(name, x, y), AsGiven{}) {}

PropertyMap::PropertyMap(long long handle)
    : ElementClass(handle) {}

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
