// The workspace: one shared-memory segment that every process of the bench maps.
//
// Elements live inside the segment and are known by their handle, the byte
// offset of the element's first byte from the start of the mapping (> 0). An
// item of an element is addressed as handle + item number. Element layout:
//
//   byte 0   int32   element type code (2 parameter, 14 device, 24 action group, ...)
//   byte 4   int32   reference count
//   byte 8   int32   element class id (which schema the element follows)
//   byte 12  uint32  element size in bytes
//   byte 16  int32   memory area
//   byte 20  16-bit characters of the name, zero-terminated; the room ends
//            where the element's first item begins
//
// Which items an element has, their names and their item type codes come
// from its class schema (ElementSchema.h). Item type codes decide where an
// item's listener block lies (see ElementSchema.h). Elements are zero-filled
// when created and are never freed. An element that must hold more than it
// was made for is remade (replaceElement): its name then leads to the new
// copy, and the old copy stays mapped but refuses every item access and
// every open by handle with a WorkspaceException saying it was replaced. An
// element whose name a load takes for another class of its memory area is
// remade the same way (remakeAsClass). A handle thus never reaches memory
// that is used for something else.
//
// Segment name: environment variable TAVIK_WORKSPACE (default
// "tavik_workspace"); size: TAVIK_WORKSPACE_SIZE in bytes (default 1 GiB,
// pages are only used when touched). Both are read when the process's
// instance is first created.
//
// Several processes may use one segment at the same time: creation, the
// name and address indexes, reference counts and listener registration are
// guarded by a mutex inside the segment. Item reads and writes take no lock
// (as on the bench: a reader may see another process's write in progress).
// Threads of one process may share the instance on the same terms.
//
// A process killed at any point stops no other one. The mutex is robust:
// the next process to take it after its holder died repairs the indexes
// first (every change under the mutex is published by one last write, see
// src/SegmentRepair.h) and goes on. An element the killed process was making
// is then either whole, found by its name and listed, or not there at all;
// room it took may stay lost. Items it left half-written stay so until they
// are written again (the next load of a file resets what it defines). When
// the repair itself fails, every later call that needs the mutex throws a
// WorkspaceException saying that the workspace must be made anew; none waits
// for ever. Room is never given back: not that of a remade element's old
// copy, nor that of elements a failed or killed load made, until the segment
// is removed and made anew.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "workspace/ElementSchema.h"
#include "workspace/WorkspaceException.h"

namespace tavik {
namespace workspace {

class SharedMemory {
 public:
  // Address at which the segment is mapped in this process.
  char* getBaseAddress() const { return base_; }
  // Handle of the element of that name in that memory area; 0 when absent.
  long long findElement(const std::wstring& name, long long area) const;

 protected:
  char* base_ = nullptr;
  // The segment's own bookkeeping (mutex and indexes), inside the mapping.
  void* root_ = nullptr;
};

class Workspace : public SharedMemory {
 public:
  // The process's one workspace; opens or creates the segment on first call.
  static boost::shared_ptr<Workspace> getInstance();

  // Test and tool support: forget the process's instance (proxies that still
  // hold it keep their mapping), so that the next getInstance() opens the
  // segment named by the environment at that time.
  static void resetInstance();
  // Removes a segment by name (its mappings stay valid until unmapped).
  static bool removeSharedMemory(const std::string& name);
  // The segment name this instance mapped.
  const std::string& getSegmentName() const;
  // Bytes of the segment in use (elements and bookkeeping), for tools.
  std::size_t getUsedBytes() const;
  // Bytes of the segment still free for elements and their indexes.
  std::size_t getFreeBytes() const;

  ~Workspace();
  // One object per mapping: a copy would unmap the segment twice.
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // Typed item access at an absolute offset (handle + item number). The
  // offset must be the first byte of an item of an existing element (an item
  // of its class's schema, or a row cell of a row-cell class, see
  // ElementSchema.h), else a WorkspaceException. A value of another type than the item's is converted
  // to/from the item's own type (numbers among numbers, texts among texts);
  // text <-> number is a WorkspaceException. A text longer than the item's
  // room is a WorkspaceException. Wide text is stored as 16-bit units
  // (characters above U+FFFF as surrogate pairs); narrow text stored into a
  // wide item is widened byte by byte and wide text read narrow keeps the low
  // 8 bits of each unit.
  void getItem(long long offset, int& value) const;
  void getItem(long long offset, unsigned int& value) const;
  void getItem(long long offset, long long& value) const;
  void getItem(long long offset, double& value) const;
  void getItem(long long offset, std::string& value) const;
  void getItem(long long offset, std::wstring& value) const;
  void setItem(long long offset, int value);
  void setItem(long long offset, unsigned int value);
  void setItem(long long offset, long long value);
  void setItem(long long offset, double value);
  void setItem(long long offset, const std::string& value);
  void setItem(long long offset, const std::wstring& value);

  // Item type code of the item at that offset (WorkspaceException when none).
  int getItemType(long long offset) const;

  // One lookup for a read-and-write of the same item (the notifying write):
  // resolveItem finds the item at an offset once, with the checks and the
  // exception texts of the offset forms; the overloads below then read or
  // write it without looking it up again, with exactly the conversions,
  // checks and exception texts of getItem/setItem(offset, ...). A refused
  // value looks the item up again to name it. A ResolvedItem belongs to the
  // Workspace object that made it: used with another one it is refused
  // (WorkspaceException). It is meant for the write at hand: an element
  // remade after it was resolved (replaceElement) is not noticed, and the
  // shape of a row-cell table is read when it is resolved, so resolve again
  // after either. The fields are for reading only. A
  // number of the item's own type (int for codes 2 and 12, unsigned int for
  // 3 and 13, long long for 4 and 10, double for 0, 19 and 8) is read and
  // written inline; every other access goes through the library.
  struct ResolvedItem {
    long long offset;
    int type_code;
    unsigned int room;          // bytes of a text item of codes 5 and 6; 0 otherwise
    unsigned int element_size;  // size of the element holding the item
    std::uint64_t workspace;    // which Workspace object resolved it
  };
  ResolvedItem resolveItem(long long offset) const;
  void getItem(const ResolvedItem& item, int& value) const { readNumber(item, value); }
  void getItem(const ResolvedItem& item, unsigned int& value) const { readNumber(item, value); }
  void getItem(const ResolvedItem& item, long long& value) const { readNumber(item, value); }
  void getItem(const ResolvedItem& item, double& value) const { readNumber(item, value); }
  void getItem(const ResolvedItem& item, std::string& value) const;
  void getItem(const ResolvedItem& item, std::wstring& value) const;
  void setItem(const ResolvedItem& item, int value) { writeNumber(item, value); }
  void setItem(const ResolvedItem& item, unsigned int value) { writeNumber(item, value); }
  void setItem(const ResolvedItem& item, long long value) { writeNumber(item, value); }
  void setItem(const ResolvedItem& item, double value) { writeNumber(item, value); }
  void setItem(const ResolvedItem& item, const std::string& value);
  void setItem(const ResolvedItem& item, const std::wstring& value);
  // Narrow name of an item of an element, for log lines; "unknown" when the
  // element's class has no item at that number.
  std::string getPropertyName(long long handle, unsigned int item) const;

  // WorkspaceException when the handle denotes no element.
  void increaseReferenceCounter(long long handle);
  int getReferenceCount(long long handle) const;

  // Whether the handle is the first byte of an element.
  bool isElement(long long handle) const;
  // Size in bytes of the element at that handle; WorkspaceException when the
  // handle denotes no element.
  unsigned int getElementSize(long long handle) const;

  bool is_existing_element(const std::wstring& name, long long area) const;
  // Handle of the named element; WorkspaceException when absent.
  long long getElement(const std::wstring& name, long long area) const;
  // Replaces the contents of handles with the handles of every element of
  // that element type code in that area, in creation order (a remade
  // element where its first copy was created).
  void getAllElementsOfType(int type, std::vector<long long>& handles, long long area) const;

  // Element type code of the element of that name in area 0xA00000 (handle
  // set to the lookup's result), or of the element at a handle; -1 when there
  // is none (also for a handle that is not the start of an element). Defined
  // inline by the element-access layer.
  int getElementType(const std::wstring& name, long long& handle);
  int getElementType(long long handle);

  // Used by the element classes' constructors: opens the element of that
  // name in the class's area, creating it (zero-filled) when absent.
  // WorkspaceException when the name does not fit the class's name room
  // (including its zero terminator) or holds a zero character, or when the
  // existing element of that name has another class; WorkspaceFullException
  // when the segment is full.
  long long openOrCreateElement(int class_id, const std::wstring& name);
  // The same for a class whose elements carry a tail of their own size after
  // the class's items (ElementSchema::variable_tail): a created element gets
  // extra_bytes (rounded up to whole 8 bytes) of zero-filled tail, reflected
  // in its size. An existing element is returned as it is, whatever its tail;
  // the class decides whether that tail suits it. WorkspaceException also
  // for extra bytes on a class without a tail, or for an element too large.
  long long openOrCreateElement(int class_id, const std::wstring& name,
                                unsigned long long extra_bytes);
  // Remakes an element of a class with a tail (see above) with extra_bytes
  // (rounded up to whole 8 bytes) of tail: the same class, name and
  // reference count; the items and the first keep_tail_bytes of the old tail
  // are copied, the rest is zero-filled, and the items' listener blocks start
  // empty (the listeners stay registered on the old copy, which no write
  // reaches any more). Returns the new handle; the name index, the address
  // index and getAllElementsOfType then know only the new copy, which
  // getAllElementsOfType lists where the old one stood.
  // WorkspaceException when the handle denotes no element of such a class
  // (or one remade already) or the element would be too large;
  // WorkspaceFullException when the segment is full (then nothing changed).
  long long replaceElement(long long handle, unsigned long long extra_bytes,
                           unsigned long long keep_tail_bytes);
  // Makes the element at handle anew as an element of class class_id of the
  // same memory area (actions, action groups and sequences share one): a
  // fresh element as openOrCreateElement creates it, under the same name,
  // with the old one's reference count, in its place in getAllElementsOfType.
  // The old copy is refused from then on as a remade one is, its message
  // naming the new class, and its listeners are never told anything again.
  // Returns the new handle. WorkspaceException when the handle denotes no
  // element (or one remade already), the class is unknown or of another
  // memory area, or the name does not fit the class's name room;
  // WorkspaceFullException when the segment is full (then nothing changed).
  long long remakeAsClass(long long handle, int class_id);
  // Whether the handle denotes the old copy of a remade element.
  bool isReplaced(long long handle) const;
  // Checks that handle denotes an element of that class; WorkspaceException otherwise.
  void checkElement(int class_id, long long handle) const;

  // Registers a listener (the handle of an IPCListener element) on an item:
  // appends it to the item's listener block; a listener already registered
  // on the item is not added twice. WorkspaceException when the item's type
  // has no listener block, the block already holds 100, or the listener
  // handle is not an IPCListener element.
  void addListener(long long item_offset, long long listener_handle);

 private:
  Workspace();
  template <class V>
  void read(const ResolvedItem& item, V& value) const;
  template <class V>
  void write(const ResolvedItem& item, const V& value);
  // Whether a number of type V moves between the item and the caller as it
  // is: the item is this object's and stores exactly a V.
  template <class V>
  bool holdsOwnNumber(const ResolvedItem& item) const;
  template <class V>
  void readNumber(const ResolvedItem& item, V& value) const;
  template <class V>
  void writeNumber(const ResolvedItem& item, V value);

  struct Impl;
  std::unique_ptr<Impl> impl_;
  // This object's own number (no two Workspace objects of a process share
  // one): tells a thread's cached elements and ResolvedItems apart.
  std::uint64_t generation_ = 0;
};

template <class V>
inline bool Workspace::holdsOwnNumber(const ResolvedItem& item) const {
  if (item.workspace != generation_) return false;
  const int code = item.type_code;
  if (std::is_same<V, int>::value) return code == item_type::kInt || code == item_type::kListenedInt;
  if (std::is_same<V, unsigned int>::value)
    return code == item_type::kUnsigned || code == item_type::kListenedUnsigned;
  if (std::is_same<V, long long>::value)
    return code == item_type::kLongLong || code == item_type::kListenedLongLong;
  return code == item_type::kDouble || code == item_type::kListenedDouble ||
         code == item_type::kNumberAsText;
}

template <class V>
inline void Workspace::readNumber(const ResolvedItem& item, V& value) const {
  if (holdsOwnNumber<V>(item))
    std::memcpy(&value, base_ + item.offset, sizeof value);
  else
    read(item, value);
}

template <class V>
inline void Workspace::writeNumber(const ResolvedItem& item, V value) {
  if (holdsOwnNumber<V>(item))
    std::memcpy(base_ + item.offset, &value, sizeof value);
  else
    write(item, value);
}

}  // namespace workspace
}  // namespace tavik
