#include "workspace/Workspace.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>

#include <boost/interprocess/shared_memory_object.hpp>

#include "ItemValue.h"
#include "SegmentMapping.h"
#include "SegmentRepair.h"
#include "SegmentRoot.h"
#include "workspace/ElementSchema.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace bip = boost::interprocess;

namespace {

constexpr const char* kDefaultSegmentName = "tavik_workspace";
constexpr std::size_t kDefaultSegmentSize = std::size_t(1) << 30;
// Below this a segment cannot even hold its own bookkeeping and one element.
constexpr std::size_t kMinimumSegmentSize = 256 * 1024;

std::string hexText(long long value) {
  std::ostringstream out;
  out << "0x" << std::hex << std::uppercase << value;
  return out.str();
}

std::size_t segmentSizeFromEnvironment() {
  const char* text = std::getenv("TAVIK_WORKSPACE_SIZE");
  if (text == nullptr || *text == '\0') return kDefaultSegmentSize;
  errno = 0;
  char* end = nullptr;
  const unsigned long long size = std::strtoull(text, &end, 10);
  if (*text < '0' || *text > '9' || *end != '\0' || errno == ERANGE ||
      size < kMinimumSegmentSize || size > std::numeric_limits<std::size_t>::max()) {
    throw WorkspaceException(std::string("TAVIK_WORKSPACE_SIZE must be a number of bytes of at least ") +
                             std::to_string(kMinimumSegmentSize) + ", not \"" + text + "\"");
  }
  return static_cast<std::size_t>(size);
}

std::string segmentNameFromEnvironment() {
  const char* text = std::getenv("TAVIK_WORKSPACE");
  return (text == nullptr || *text == '\0') ? std::string(kDefaultSegmentName) : std::string(text);
}

// Each Workspace object gets its own number, so that a thread's cached
// element never outlives the mapping it was found in.
std::uint64_t nextGeneration() {
  static std::mutex mutex;
  static std::uint64_t generation = 0;
  std::lock_guard<std::mutex> lock(mutex);
  return ++generation;
}

// The last few elements that item access found, per thread: repeated access
// to a handful of elements (a parameter, the global configuration, a
// listener) needs no index search and no lock. An entry is good only while
// no element of the segment has been remade since it was taken (the
// segment's replacement count, `epoch` here): a remade element's old handle
// must reach the index, which refuses it.
struct ElementCache {
  struct Entry {
    long long handle = 0;
    std::uint32_t size = 0;
    const ElementSchema* schema = nullptr;
  };
  static constexpr unsigned kEntries = 4;
  std::uint64_t generation = 0;
  std::uint64_t epoch = 0;
  Entry entries[kEntries];
  unsigned next = 0;  // the entry replaced next (round robin)

  bool current(std::uint64_t generation_now, std::uint64_t epoch_now) const {
    return generation == generation_now && epoch == epoch_now;
  }
  // The cached element that holds offset; nullptr when none is cached.
  const Entry* containing(std::uint64_t generation_now, std::uint64_t epoch_now,
                          long long offset) const {
    if (!current(generation_now, epoch_now)) return nullptr;
    // An empty entry has size 0; an offset below the handle wraps around.
    for (const Entry& entry : entries)
      if (static_cast<unsigned long long>(offset) - static_cast<unsigned long long>(entry.handle) <
          entry.size)
        return &entry;
    return nullptr;
  }
  bool holds(std::uint64_t generation_now, std::uint64_t epoch_now, long long handle) const {
    if (!current(generation_now, epoch_now)) return false;
    for (const Entry& entry : entries)
      if (entry.handle == handle) return true;
    return false;
  }
  void remember(std::uint64_t generation_now, std::uint64_t epoch_now, const Entry& entry) {
    if (!current(generation_now, epoch_now)) *this = ElementCache{generation_now, epoch_now, {}, 0};
    entries[next] = entry;
    next = (next + 1) % kEntries;
  }
};
thread_local ElementCache t_cache;

// Element starts this thread has found in the address index, by handle (a
// direct-mapped table): a load asks again and again whether a handle it
// holds is an element (a list, a parameter it linked) with thousands of other
// elements in between, which the small cache above has long forgotten.
// Elements never move and are never freed, so an entry stays true until the
// workspace object changes or an element is remade.
struct KnownStarts {
  static constexpr unsigned kSlots = 1024;
  std::uint64_t generation = 0;
  std::uint64_t epoch = 0;
  ElementCache::Entry slots[kSlots];

  static unsigned slotOf(long long handle) {
    return static_cast<unsigned>((static_cast<unsigned long long>(handle) >> 3) * 0x9E3779B1u >>
                                 22) & (kSlots - 1);
  }
  const ElementCache::Entry* find(std::uint64_t generation_now, std::uint64_t epoch_now,
                                  long long handle) const {
    if (generation != generation_now || epoch != epoch_now) return nullptr;
    const ElementCache::Entry& entry = slots[slotOf(handle)];
    return entry.handle == handle && entry.schema != nullptr ? &entry : nullptr;
  }
  void remember(std::uint64_t generation_now, std::uint64_t epoch_now,
                const ElementCache::Entry& entry) {
    if (generation != generation_now || epoch != epoch_now) {
      for (ElementCache::Entry& slot : slots) slot = ElementCache::Entry();
      generation = generation_now;
      epoch = epoch_now;
    }
    slots[slotOf(entry.handle)] = entry;
  }
};
thread_local KnownStarts t_known;

std::mutex g_instance_mutex;
boost::shared_ptr<Workspace> g_instance;

}  // namespace

// What one mapped element is: where it starts, how big it is, which class.
struct ElementView {
  long long handle;
  std::uint32_t size;
  const ElementSchema* schema;
};

struct Workspace::Impl {
  Impl(const std::string& segment_name, std::size_t size)
      : name(segment_name), segment(segment_name, size) {}

  std::string name;
  SegmentMapping segment;
};

namespace {

SegmentRoot& rootOf(void* root) { return *static_cast<SegmentRoot*>(root); }

// The segment's replacement count, which the thread's cache is checked against.
inline std::uint64_t epochOf(void* root) {
  return rootOf(root).replacements.load(std::memory_order_acquire);
}

std::string elementNameAt(const char* base, long long handle, const ElementSchema& schema) {
  const char* p = base + handle + element_header::kName;
  const std::size_t max_units = (schema.first_item - element_header::kName) / 2;
  std::u16string units;
  for (std::size_t i = 0; i < max_units; ++i) {
    const char16_t unit = loadAt<char16_t>(p + 2 * i);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return narrowUnits(units);
}

std::string describeElement(const char* base, const ElementView& view) {
  return view.schema->class_name + " " + elementNameAt(base, view.handle, *view.schema) + "[" +
         std::to_string(view.handle) + "]";
}

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

// Whether the element's stored name is the wide name's 16-bit units. The
// stored name ends with a zero unit inside its room, and the wide name holds
// no zero, so the comparison stops inside the name room.
bool nameMatches(const char* base, long long handle, const std::wstring& name) {
  const char* p = base + handle + element_header::kName;
  std::size_t i = 0;
  const bool same = forEachUtf16Unit(name, [p, &i](char16_t unit) {
    return loadAt<char16_t>(p + 2 * i++) == unit;
  });
  return same && loadAt<char16_t>(p + 2 * i) == 0;
}

// Handle of the element of that name in that area, 0 when absent. The caller
// holds the segment mutex.
long long findLocked(const char* base, const SegmentRoot& root, const std::wstring& name,
                     std::uint64_t hash, long long area) {
  return findName(base, root.names, area, hash,
                  [base, &name](long long handle) { return nameMatches(base, handle, name); });
}

}  // namespace

long long SharedMemory::findElement(const std::wstring& name, long long area) const {
  const NameKey key = nameKeyOf(name);
  // No stored name holds a zero character.
  if (key.has_zero) return 0;
  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  return findLocked(base_, root, name, key.hash, area);
}

boost::shared_ptr<Workspace> Workspace::getInstance() {
  std::lock_guard<std::mutex> lock(g_instance_mutex);
  if (!g_instance) g_instance.reset(new Workspace());
  return g_instance;
}

void Workspace::resetInstance() {
  std::lock_guard<std::mutex> lock(g_instance_mutex);
  g_instance.reset();
}

bool Workspace::removeSharedMemory(const std::string& name) {
  return bip::shared_memory_object::remove(name.c_str());
}

Workspace::Workspace() {
  impl_ = std::make_unique<Impl>(segmentNameFromEnvironment(), segmentSizeFromEnvironment());
  base_ = impl_->segment.base();
  root_ = impl_->segment.root();
  generation_ = nextGeneration();
}

Workspace::~Workspace() {
  if (t_cache.generation == generation_) t_cache = ElementCache();
}

const std::string& Workspace::getSegmentName() const { return impl_->name; }

std::size_t Workspace::getUsedBytes() const {
  return static_cast<std::size_t>(impl_->segment.root()->arena.used);
}

std::size_t Workspace::getFreeBytes() const {
  const ArenaState& arena = impl_->segment.root()->arena;
  return static_cast<std::size_t>(arena.end - arena.used);
}

namespace {

// The schema of the element at handle, of that size; nullptr when its class
// is unknown or its size does not suit the class.
const ElementSchema* schemaOfElement(const char* base, long long handle, std::uint32_t size) {
  const ElementSchema* schema = findSchema(loadAt<std::int32_t>(base + handle + element_header::kClassId));
  if (schema == nullptr || (schema->variable_tail ? size < schema->size : size != schema->size))
    return nullptr;
  return schema;
}

// A remade element's old copy stays mapped and in the address index, so
// that a handle another process still holds is refused with a clear message
// and never reaches memory that is used again (replacedClassId).
const ElementSchema* replacedSchemaOf(std::int32_t stored_class_id) {
  return stored_class_id < 0 ? findSchema(classIdOfReplaced(stored_class_id)) : nullptr;
}

[[noreturn]] void throwReplaced(const char* base, long long handle, const ElementSchema& schema) {
  const int stored = loadAt<std::int32_t>(base + handle + element_header::kClassId);
  const ElementSchema* by = findSchema(-stored >> kClassIdBits);
  throw WorkspaceException("the " + schema.class_name + " element " +
                           elementNameAt(base, handle, schema) + "[" + std::to_string(handle) +
                           "] was replaced by " +
                           (by ? "an element of class " + by->class_name : "a larger one") +
                           ": open it again by name");
}

// Puts the new copy `fresh` of the element `old` (named `units` in `area`)
// in the old copy's place: the name leads to it, getAllElementsOfType lists
// it where the old copy stood, the address index knows it, and the old copy
// refuses every access from now on (stored_class_id, negative). The caller
// holds the segment mutex and has made room in the address index.
void takePlace(char* base, SegmentRoot& root, long long old, long long fresh, long long area,
               const std::u16string& units, std::int32_t stored_class_id) {
  // Each step is one write, and the name entry is repointed after the new
  // copy is indexed and listed, so that a process killed in between leaves
  // what the segment repair puts right (SegmentRepair.h).
  insertByAddress(base, root.by_address, fresh);
  if (NameSlot* slot = nameSlotOf(base, root.names, area, hashName(units), old)) {
    if (slot->order < root.creation_order.count)
      entriesOf<std::int64_t>(base, root.creation_order)[slot->order] = fresh;
    std::atomic_signal_fence(std::memory_order_release);
    slot->handle = fresh;
    std::atomic_signal_fence(std::memory_order_release);
  }
  storeAt<std::int32_t>(base + old + element_header::kClassId, stored_class_id);
  root.replacements.fetch_add(1, std::memory_order_acq_rel);
}

// Under the segment mutex, before an element is remade: another process (or
// thread) may have remade it since the caller found it live, and a second
// copy would then be made that no name leads to.
void requireNotRemadeMeanwhile(const char* base, long long handle, const ElementSchema& schema) {
  if (loadAt<std::int32_t>(base + handle + element_header::kClassId) != schema.class_id)
    throwReplaced(base, handle, schema);
}

[[noreturn]] void throwNoElementAt(long long offset) {
  throw WorkspaceException("no workspace element at offset " + std::to_string(offset));
}

// The element that holds the absolute offset, found in the address index;
// throws when none does.
ElementView elementContainingSlow(const char* base, void* root_ptr, std::uint64_t generation,
                                  long long offset) {
  SegmentRoot& root = rootOf(root_ptr);
  long long handle = 0;
  {
    SegmentLock lock(base, root);
    handle = handleAtOrBelow(base, root.by_address, offset);
  }
  if (handle <= 0) throwNoElementAt(offset);
  const std::uint32_t size = loadAt<std::uint32_t>(base + handle + element_header::kSize);
  if (offset - handle >= static_cast<long long>(size)) throwNoElementAt(offset);
  const ElementSchema* schema = schemaOfElement(base, handle, size);
  if (schema == nullptr) {
    const int class_id = loadAt<std::int32_t>(base + handle + element_header::kClassId);
    if (const ElementSchema* was = replacedSchemaOf(class_id)) throwReplaced(base, handle, *was);
    throw WorkspaceException("the workspace element at " + std::to_string(handle) +
                             " has an unknown class " + std::to_string(class_id));
  }
  t_cache.remember(generation, epochOf(root_ptr), ElementCache::Entry{handle, size, schema});
  return ElementView{handle, size, schema};
}

// The element that holds the absolute offset; throws when none does. A
// recently used element is found in the thread's cache.
inline ElementView elementContaining(const char* base, void* root, std::uint64_t generation,
                                     long long offset) {
  if (const ElementCache::Entry* hit = t_cache.containing(generation, epochOf(root), offset))
    return ElementView{hit->handle, hit->size, hit->schema};
  return elementContainingSlow(base, root, generation, offset);
}

std::string rowCellName(unsigned long long k) { return "Row_" + std::to_string(k); }

// The item at an offset: one the element's schema lists, or a row cell.
struct ItemAt {
  ElementView element;
  const ItemSchema* listed;  // nullptr for a row cell
  unsigned int number;       // the item number
  ItemSlot slot;
  unsigned long long row;    // the row of a row cell

  std::string name() const { return listed != nullptr ? listed->name : rowCellName(row); }
};

// Whether a row cell of a row-cell element starts at that item number; fills
// slot and row when one does. The shape items are memory another process may
// have written: a cell counts only with a known type, the cell size of that
// type, a row below the row count and every byte inside the element.
bool rowCellAt(const char* base, const ElementView& view, unsigned int number, ItemSlot& slot,
               unsigned long long& row) {
  const ElementSchema& schema = *view.schema;
  if (schema.cell_type_item == 0 || number < schema.size) return false;
  const char* element = base + view.handle;
  const int type = loadAt<std::int32_t>(element + schema.cell_type_item);
  const std::int32_t size = loadAt<std::int32_t>(element + schema.cell_size_item);
  const std::int64_t rows = loadAt<std::int64_t>(element + schema.row_count_item);
  const unsigned int bytes = rowCellBytes(type);
  if (bytes == 0 || size != static_cast<std::int32_t>(bytes) || rows <= 0) return false;
  const unsigned int offset = number - schema.size;
  if (offset % bytes != 0) return false;
  const unsigned long long k = offset / bytes;
  if (k >= static_cast<unsigned long long>(rows) ||
      static_cast<unsigned long long>(number) + bytes > view.size)
    return false;
  const bool text = type == item_type::kWideText || type == item_type::kNarrowText;
  slot = ItemSlot{type, text ? kTextCellRoom : 0};
  row = k;
  return true;
}

[[noreturn]] void throwNoItem(const char* base, const ElementView& view, long long offset,
                              unsigned int number) {
  throw WorkspaceException("offset " + std::to_string(offset) + " is not an item of " +
                           describeElement(base, view) + " (no item " + std::to_string(number) +
                           ")");
}

inline ItemAt itemAt(const char* base, void* root, std::uint64_t generation, long long offset) {
  const ElementView view = elementContaining(base, root, generation, offset);
  ItemAt at;
  at.element = view;
  at.number = static_cast<unsigned int>(offset - view.handle);
  at.listed = findItem(*view.schema, at.number);
  at.row = 0;
  if (at.listed != nullptr)
    at.slot = ItemSlot{at.listed->type_code, at.listed->room};
  else if (!rowCellAt(base, view, at.number, at.slot, at.row))
    throwNoItem(base, view, offset, at.number);
  return at;
}

// "cannot read item Value[5784] of Parameter Torque[4096]: <reason>"
[[noreturn]] void throwValueError(const char* verb, const char* base, const ItemAt& at,
                                  const ItemValueError& e) {
  throw WorkspaceException(std::string("cannot ") + verb + " item " + at.name() + "[" +
                           std::to_string(at.number) + "] of " + describeElement(base, at.element) +
                           ": " + e.what());
}

[[gnu::noinline]] ItemSlot slotThroughIndex(const char* base, void* root, std::uint64_t generation,
                                            long long offset) {
  return itemAt(base, root, generation, offset).slot;
}

// The slot of the item at an offset, as itemAt finds it. A listed item of a
// cached element takes no more than the cache and the schema; the small slot
// comes back in registers whichever way it was found.
inline ItemSlot slotAt(const char* base, void* root, std::uint64_t generation, long long offset) {
  if (const ElementCache::Entry* hit = t_cache.containing(generation, epochOf(root), offset)) {
    if (const ItemSchema* listed =
            findItem(*hit->schema, static_cast<unsigned int>(offset - hit->handle)))
      return ItemSlot{listed->type_code, listed->room};
  }
  return slotThroughIndex(base, root, generation, offset);
}

// A refused value looks the item up again to name it.
template <class V>
void readAt(const char* base, void* root, std::uint64_t generation, long long offset, V& value) {
  const ItemSlot slot = slotAt(base, root, generation, offset);
  try {
    readItemValue(base + offset, slot, value);
  } catch (const ItemValueError& e) {
    throwValueError("read", base, itemAt(base, root, generation, offset), e);
  }
}

template <class V>
void writeAt(char* base, void* root, std::uint64_t generation, long long offset, const V& value) {
  const ItemSlot slot = slotAt(base, root, generation, offset);
  try {
    writeItemValue(base + offset, slot, value);
  } catch (const ItemValueError& e) {
    throwValueError("write", base, itemAt(base, root, generation, offset), e);
  }
}

}  // namespace

void Workspace::getItem(long long offset, int& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::getItem(long long offset, unsigned int& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::getItem(long long offset, long long& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::getItem(long long offset, double& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::getItem(long long offset, std::string& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::getItem(long long offset, std::wstring& value) const {
  readAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, int value) {
  writeAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, unsigned int value) {
  writeAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, long long value) {
  writeAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, double value) {
  writeAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, const std::string& value) {
  writeAt(base_, root_, generation_, offset, value);
}
void Workspace::setItem(long long offset, const std::wstring& value) {
  writeAt(base_, root_, generation_, offset, value);
}

int Workspace::getItemType(long long offset) const {
  return slotAt(base_, root_, generation_, offset).type_code;
}

namespace {

// Everything resolveItem does, for what its fast path leaves: an element not
// in the thread's cache, a row cell, an offset that is not an item.
[[gnu::noinline]] Workspace::ResolvedItem resolveThroughIndex(const char* base, void* root,
                                                              std::uint64_t generation,
                                                              long long offset) {
  const ItemAt at = itemAt(base, root, generation, offset);
  return Workspace::ResolvedItem{offset, at.slot.type_code, at.slot.room, at.element.size,
                                 generation};
}

}  // namespace

Workspace::ResolvedItem Workspace::resolveItem(long long offset) const {
  // A listed item of a cached element is read straight from the cache entry
  // and the schema, without copying the element's view on the way.
  if (const ElementCache::Entry* hit = t_cache.containing(generation_, epochOf(root_), offset)) {
    const unsigned int number = static_cast<unsigned int>(offset - hit->handle);
    if (const ItemSchema* listed = findItem(*hit->schema, number))
      return ResolvedItem{offset, listed->type_code, listed->room, hit->size, generation_};
  }
  return resolveThroughIndex(base_, root_, generation_, offset);
}

namespace {

[[noreturn]] void throwForeignItem(const Workspace::ResolvedItem& item) {
  throw WorkspaceException("the item at offset " + std::to_string(item.offset) +
                           " was resolved by another workspace object");
}

}  // namespace

template <class V>
void Workspace::read(const ResolvedItem& item, V& value) const {
  if (item.workspace != generation_) throwForeignItem(item);
  try {
    readItemValue(base_ + item.offset, ItemSlot{item.type_code, item.room}, value);
  } catch (const ItemValueError& e) {
    throwValueError("read", base_, itemAt(base_, root_, generation_, item.offset), e);
  }
}

template <class V>
void Workspace::write(const ResolvedItem& item, const V& value) {
  if (item.workspace != generation_) throwForeignItem(item);
  try {
    writeItemValue(base_ + item.offset, ItemSlot{item.type_code, item.room}, value);
  } catch (const ItemValueError& e) {
    throwValueError("write", base_, itemAt(base_, root_, generation_, item.offset), e);
  }
}

// The numeric forms are inline (Workspace.h) and come here for a conversion,
// a refusal or another object's item.
template void Workspace::read(const ResolvedItem&, int&) const;
template void Workspace::read(const ResolvedItem&, unsigned int&) const;
template void Workspace::read(const ResolvedItem&, long long&) const;
template void Workspace::read(const ResolvedItem&, double&) const;
template void Workspace::write(const ResolvedItem&, const int&);
template void Workspace::write(const ResolvedItem&, const unsigned int&);
template void Workspace::write(const ResolvedItem&, const long long&);
template void Workspace::write(const ResolvedItem&, const double&);
void Workspace::getItem(const ResolvedItem& item, std::string& value) const { read(item, value); }
void Workspace::getItem(const ResolvedItem& item, std::wstring& value) const { read(item, value); }
void Workspace::setItem(const ResolvedItem& item, const std::string& value) { write(item, value); }
void Workspace::setItem(const ResolvedItem& item, const std::wstring& value) { write(item, value); }

std::string Workspace::getPropertyName(long long handle, unsigned int item) const {
  if (!isElement(handle)) return "unknown";
  const ElementView view = elementContaining(base_, root_, generation_, handle);
  const ItemSchema* found = findItem(*view.schema, item);
  if (found != nullptr) return found->name;
  ItemSlot cell;
  unsigned long long row = 0;
  return rowCellAt(base_, view, item, cell, row) ? rowCellName(row) : std::string("unknown");
}

bool Workspace::isElement(long long handle) const {
  if (handle <= 0) return false;
  const std::uint64_t epoch = epochOf(root_);
  if (t_cache.holds(generation_, epoch, handle)) return true;
  if (const ElementCache::Entry* known = t_known.find(generation_, epoch, handle)) {
    t_cache.remember(generation_, epoch, *known);
    return true;
  }
  {
    SegmentRoot& root = rootOf(root_);
    SegmentLock lock(base_, root);
    if (handleAtOrBelow(base_, root.by_address, handle) != handle) return false;
  }
  // The caller goes on to use the element: keep it in the cache when it is
  // one of a known class.
  const std::uint32_t size = loadAt<std::uint32_t>(base_ + handle + element_header::kSize);
  if (const ElementSchema* schema = schemaOfElement(base_, handle, size)) {
    const ElementCache::Entry entry{handle, size, schema};
    t_cache.remember(generation_, epoch, entry);
    t_known.remember(generation_, epoch, entry);
  }
  return true;
}

unsigned int Workspace::getElementSize(long long handle) const {
  if (!isElement(handle))
    throw WorkspaceException("no workspace element at handle " + std::to_string(handle));
  return elementContaining(base_, root_, generation_, handle).size;
}

void Workspace::increaseReferenceCounter(long long handle) {
  // One lock serves the address search (when the element is not cached) and
  // the count.
  bool found = handle > 0;
  bool cached = found && t_cache.holds(generation_, epochOf(root_), handle);
  {
    SegmentRoot& root = rootOf(root_);
    SegmentLock lock(base_, root);
    if (found && !cached) found = handleAtOrBelow(base_, root.by_address, handle) == handle;
    if (found) {
      char* counter = base_ + handle + element_header::kReferenceCount;
      const std::int32_t count = loadAt<std::int32_t>(counter);
      if (count < std::numeric_limits<std::int32_t>::max()) storeAt<std::int32_t>(counter, count + 1);
    }
  }
  if (!found) {
    throw WorkspaceException("cannot raise the reference count: no workspace element at handle " +
                             std::to_string(handle));
  }
  // As isElement does: the caller goes on to use the element.
  if (!cached) {
    const std::uint32_t size = loadAt<std::uint32_t>(base_ + handle + element_header::kSize);
    if (const ElementSchema* schema = schemaOfElement(base_, handle, size))
      t_cache.remember(generation_, epochOf(root_), ElementCache::Entry{handle, size, schema});
  }
}

int Workspace::getReferenceCount(long long handle) const {
  if (!isElement(handle))
    throw WorkspaceException("no workspace element at handle " + std::to_string(handle));
  return loadAt<std::int32_t>(base_ + handle + element_header::kReferenceCount);
}

bool Workspace::is_existing_element(const std::wstring& name, long long area) const {
  return findElement(name, area) > 0;
}

long long Workspace::getElement(const std::wstring& name, long long area) const {
  const long long handle = findElement(name, area);
  if (handle <= 0) {
    throw WorkspaceException("no workspace element named \"" + narrowName(name) +
                             "\" in memory area " + hexText(area));
  }
  return handle;
}

void Workspace::getAllElementsOfType(int type, std::vector<long long>& handles,
                                     long long area) const {
  handles.clear();
  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  const std::int64_t* order = entriesOf<std::int64_t>(base_, root.creation_order);
  for (std::uint64_t i = 0; i < root.creation_order.count; ++i) {
    const long long handle = order[i];
    const char* element = base_ + handle;
    if (loadAt<std::int32_t>(element + element_header::kType) == type &&
        loadAt<std::int32_t>(element + element_header::kArea) == area &&
        loadAt<std::int32_t>(element + element_header::kClassId) > 0) {
      handles.push_back(handle);
    }
  }
}

long long Workspace::openOrCreateElement(int class_id, const std::wstring& name) {
  return openOrCreateElement(class_id, name, 0);
}

long long Workspace::openOrCreateElement(int class_id, const std::wstring& name,
                                         unsigned long long extra_bytes) {
  const ElementSchema* schema = findSchema(class_id);
  if (schema == nullptr)
    throw WorkspaceException("unknown element class " + std::to_string(class_id));
  if (extra_bytes > 0 && !schema->variable_tail) {
    throw WorkspaceException("a " + schema->class_name +
                             " element has no room of its own size after its items");
  }
  // Whole 8-byte units keep the next element's items aligned.
  const unsigned long long tail = (extra_bytes + 7) / 8 * 8;
  if (extra_bytes > std::numeric_limits<std::uint32_t>::max() ||
      tail > std::numeric_limits<std::uint32_t>::max() - schema->size) {
    throw WorkspaceException("a " + schema->class_name + " element of " +
                             std::to_string(extra_bytes) + " extra bytes is too large");
  }
  const std::uint32_t element_size = schema->size + static_cast<std::uint32_t>(tail);
  const NameKey key = nameKeyOf(name);
  if (key.has_zero) {
    throw WorkspaceException("the element name \"" + narrowName(name) +
                             "\" holds a zero character");
  }
  const std::size_t room_units = (schema->first_item - element_header::kName) / 2;
  if (key.units + 1 > room_units) {
    throw WorkspaceException("the element name \"" + narrowName(name) + "\" (" +
                             std::to_string(key.units) + " characters) does not fit a " +
                             schema->class_name + " element (room for " +
                             std::to_string(room_units - 1) + " characters)");
  }
  const std::uint64_t hash = key.hash;

  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  const long long existing = findLocked(base_, root, name, hash, schema->area);
  if (existing > 0) {
    // An element keeps its class for good: the lock guards the index only.
    lock.unlock();
    const int existing_class = loadAt<std::int32_t>(base_ + existing + element_header::kClassId);
    if (existing_class != class_id) {
      const ElementSchema* other = findSchema(existing_class);
      throw WorkspaceException("the element \"" + narrowName(name) + "\" in memory area " +
                               hexText(schema->area) + " is a " +
                               (other ? other->class_name : std::to_string(existing_class)) +
                               ", not a " + schema->class_name);
    }
    return existing;
  }

  SegmentArena arena(base_, root.arena);
  void* memory = arena.allocate(element_size, std::nothrow);
  if (memory == nullptr) {
    throw WorkspaceFullException(
        "the workspace \"" + impl_->name + "\" is full: no room for the " +
        schema->class_name + " element \"" + narrowName(name) + "\"");
  }
  // The indexes grow inside the segment too: every one makes room before any
  // changes, so an index without room leaves no half-registered element.
  if (!reserveName(arena, base_, root.names) || !reserveHandle(arena, base_, root.by_address) ||
      !reserveHandle(arena, base_, root.creation_order)) {
    arena.deallocate(memory);
    throw WorkspaceFullException(
        "the workspace \"" + impl_->name + "\" is full: no room to index the " +
        schema->class_name + " element \"" + narrowName(name) + "\"");
  }
  char* element = static_cast<char*>(memory);
  std::memset(element, 0, element_size);
  storeAt<std::int32_t>(element + element_header::kType, schema->element_type);
  storeAt<std::int32_t>(element + element_header::kClassId, schema->class_id);
  storeAt<std::uint32_t>(element + element_header::kSize, element_size);
  storeAt<std::int32_t>(element + element_header::kArea, static_cast<std::int32_t>(schema->area));
  char* name_at = element + element_header::kName;
  forEachUtf16Unit(name, [&name_at](char16_t unit) {
    storeAt<char16_t>(name_at, unit);
    name_at += 2;
    return true;
  });
  const long long handle = element - base_;
  insertName(base_, root.names,
             NameSlot{hash, static_cast<std::int64_t>(schema->area), handle, root.creation_order.count});
  insertByAddress(base_, root.by_address, handle);
  appendHandle(base_, root.creation_order, handle);
  return handle;
}

long long Workspace::replaceElement(long long handle, unsigned long long extra_bytes,
                                   unsigned long long keep_tail_bytes) {
  if (!isElement(handle))
    throw WorkspaceException("no workspace element at handle " + std::to_string(handle));
  // Refuses an element that was remade already (its view names it).
  const ElementView old = elementContaining(base_, root_, generation_, handle);
  const ElementSchema& schema = *old.schema;
  if (!schema.variable_tail) {
    throw WorkspaceException("a " + schema.class_name +
                             " element has no room of its own size after its items");
  }
  const unsigned long long tail = (extra_bytes + 7) / 8 * 8;
  if (extra_bytes > std::numeric_limits<std::uint32_t>::max() ||
      tail > std::numeric_limits<std::uint32_t>::max() - schema.size) {
    throw WorkspaceException("a " + schema.class_name + " element of " +
                             std::to_string(extra_bytes) + " extra bytes is too large");
  }
  const std::uint32_t element_size = schema.size + static_cast<std::uint32_t>(tail);
  const unsigned long long old_tail = old.size - schema.size;
  const unsigned long long kept = std::min({keep_tail_bytes, old_tail, tail});

  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  requireNotRemadeMeanwhile(base_, handle, schema);
  SegmentArena arena(base_, root.arena);
  const std::string name = elementNameAt(base_, handle, schema);
  void* memory = arena.allocate(element_size, std::nothrow);
  if (memory == nullptr) {
    throw WorkspaceFullException(
        "the workspace \"" + impl_->name + "\" is full: no room to grow the " +
        schema.class_name + " element \"" + name + "\" to " + std::to_string(element_size) +
        " bytes");
  }
  if (!reserveHandle(arena, base_, root.by_address)) {
    arena.deallocate(memory);
    throw WorkspaceFullException(
        "the workspace \"" + impl_->name + "\" is full: no room to index the " +
        schema.class_name + " element \"" + name + "\"");
  }
  char* element = static_cast<char*>(memory);
  const char* from = base_ + handle;
  // Header, name and items as they were; listeners stay with the old copy,
  // so that nobody is told about the new element's writes under the old one.
  std::memcpy(element, from, schema.size);
  storeAt<std::uint32_t>(element + element_header::kSize, element_size);
  for (const ItemSchema& item : schema.items)
    if (const unsigned int block = listenerBlockOffset(item))
      std::memset(element + block, 0, kListenerBlockSize);
  std::memcpy(element + schema.size, from + schema.size, kept);
  std::memset(element + schema.size + kept, 0, tail - kept);

  const long long fresh = element - base_;
  takePlace(base_, root, handle, fresh, schema.area, nameUnitsAt(base_, handle, schema),
            replacedClassId(schema.class_id));
  return fresh;
}

long long Workspace::remakeAsClass(long long handle, int class_id) {
  const ElementSchema* schema = findSchema(class_id);
  if (schema == nullptr)
    throw WorkspaceException("unknown element class " + std::to_string(class_id));
  if (!isElement(handle))
    throw WorkspaceException("no workspace element at handle " + std::to_string(handle));
  // Refuses an element that was remade already (its view names it).
  const ElementView old = elementContaining(base_, root_, generation_, handle);
  if (old.schema->area != schema->area) {
    throw WorkspaceException("the element " + describeElement(base_, old) + " is in memory area " +
                             hexText(old.schema->area) + ", a " + schema->class_name +
                             " element in " + hexText(schema->area));
  }
  const std::u16string units = nameUnitsAt(base_, handle, *old.schema);
  const std::string name = narrowUnits(units);
  const std::size_t room_units = (schema->first_item - element_header::kName) / 2;
  if (units.size() + 1 > room_units) {
    throw WorkspaceException("the element name \"" + name + "\" (" +
                             std::to_string(units.size()) + " characters) does not fit a " +
                             schema->class_name + " element (room for " +
                             std::to_string(room_units - 1) + " characters)");
  }

  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  requireNotRemadeMeanwhile(base_, handle, *old.schema);
  SegmentArena arena(base_, root.arena);
  void* memory = arena.allocate(schema->size, std::nothrow);
  if (memory == nullptr || !reserveHandle(arena, base_, root.by_address)) {
    if (memory != nullptr) arena.deallocate(memory);
    throw WorkspaceFullException("the workspace \"" + impl_->name + "\" is full: no room to make the " +
                                 old.schema->class_name + " element \"" + name + "\" anew as a " +
                                 schema->class_name);
  }
  char* element = static_cast<char*>(memory);
  std::memset(element, 0, schema->size);
  storeAt<std::int32_t>(element + element_header::kType, schema->element_type);
  storeAt<std::int32_t>(element + element_header::kReferenceCount,
                        loadAt<std::int32_t>(base_ + handle + element_header::kReferenceCount));
  storeAt<std::int32_t>(element + element_header::kClassId, schema->class_id);
  storeAt<std::uint32_t>(element + element_header::kSize, schema->size);
  storeAt<std::int32_t>(element + element_header::kArea, static_cast<std::int32_t>(schema->area));
  std::memcpy(element + element_header::kName, units.data(), 2 * units.size());
  const long long fresh = element - base_;
  takePlace(base_, root, handle, fresh, schema->area, units,
            replacedClassId(old.schema->class_id, schema->class_id));
  return fresh;
}

bool Workspace::isReplaced(long long handle) const {
  return isElement(handle) &&
         loadAt<std::int32_t>(base_ + handle + element_header::kClassId) < 0;
}

void Workspace::checkElement(int class_id, long long handle) const {
  if (!isElement(handle))
    throw WorkspaceException("no workspace element at handle " + std::to_string(handle));
  const ElementView view = elementContaining(base_, root_, generation_, handle);
  if (view.schema->class_id != class_id) {
    const ElementSchema* wanted = findSchema(class_id);
    throw WorkspaceException("the element " + describeElement(base_, view) + " is not a " +
                             (wanted ? wanted->class_name : std::to_string(class_id)));
  }
}

void Workspace::addListener(long long item_offset, long long listener_handle) {
  const ItemAt at = itemAt(base_, root_, generation_, item_offset);
  const unsigned int block = listenerPosition(at.slot.type_code, at.number);
  const std::string item_text = at.name() + "[" + std::to_string(at.number) + "] of " +
                                describeElement(base_, at.element);
  if (block == 0) throw WorkspaceException("the item " + item_text + " takes no listeners");
  checkElement(element_class::kIPCListener, listener_handle);

  SegmentRoot& root = rootOf(root_);
  SegmentLock lock(base_, root);
  char* count_at = base_ + at.element.handle + block;
  const std::int32_t count = loadAt<std::int32_t>(count_at);
  if (count < 0 || count > kListenerCapacity) {
    throw WorkspaceException("the listener block of " + item_text + " is broken (count " +
                             std::to_string(count) + ")");
  }
  char* handles = count_at + 4;
  for (std::int32_t i = 0; i < count; ++i)
    if (loadAt<std::int64_t>(handles + 8 * i) == listener_handle) return;
  if (count == kListenerCapacity) {
    throw WorkspaceException("the item " + item_text + " already has " +
                             std::to_string(kListenerCapacity) + " listeners");
  }
  storeAt<std::int64_t>(handles + 8 * count, listener_handle);
  // The count publishes the handle (a process killed in between leaves none).
  std::atomic_signal_fence(std::memory_order_release);
  storeAt<std::int32_t>(count_at, count + 1);
}

}  // namespace workspace
}  // namespace tavik
