#include "OwnedList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "HandleTable.h"
#include "workspace/ElementItems.h"
#include "workspace/Unaligned.h"
#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace l = element_list;

OwnedList::OwnedList(Workspace& workspace, long long owner, unsigned int listItem,
                     const wchar_t* tag, unsigned int recordSize, bool handles,
                     std::function<std::string()> what)
    : workspace_(workspace),
      owner_(owner),
      listItem_(listItem),
      tag_(tag),
      recordSize_(handles ? 8 : recordSize),
      handles_(handles),
      what_(std::move(what)) {}

unsigned long long OwnedList::tailBytes(int room) const {
  return handles_ ? HandleTable::bytesFor(room)
                  : static_cast<unsigned long long>(recordSize_) * static_cast<unsigned>(room);
}

long long OwnedList::list() const {
  long long handle = 0;
  workspace_.getItem(owner_ + listItem_, handle);
  if (handle <= 0) return 0;
  // One operation asks several times: the element is checked once for each
  // handle the owner's item leads to.
  if (handle != checked_) {
    workspace_.checkElement(element_class::kElementList, handle);
    checked_ = handle;
    checkedSize_ = workspace_.getElementSize(handle);
  }
  return handle;
}

OwnedList::State OwnedList::state() const {
  State state{list(), 0, 0};
  if (state.list == 0) return state;
  // list() found an ElementList: its items lie inside it.
  const char* const at = workspace_.getBaseAddress() + state.list;
  const int room = loadAt<std::int32_t>(at + l::Room);
  // Never beyond the element's own table, whatever the items hold.
  if (room < 0 || tailBytes(room) > checkedSize_ - l::kRecords) return state;
  const int count = loadAt<std::int32_t>(at + l::Count);
  state.room = room;
  state.count = count < 0 ? 0 : (count > room ? room : count);
  return state;
}

int OwnedList::room() const { return state().room; }

int OwnedList::count() const { return state().count; }

const char* OwnedList::record(int position) const {
  const State now = state();
  if (position < 0 || position >= now.count) {
    throw WorkspaceException("position " + std::to_string(position) + " is outside the " +
                             std::to_string(now.count) + " " + what_());
  }
  return workspace_.getBaseAddress() + now.list + l::kRecords +
         static_cast<long long>(position) * recordSize_;
}

char* OwnedList::record(int position) {
  return const_cast<char*>(static_cast<const OwnedList&>(*this).record(position));
}

long long OwnedList::make() {
  const long long existing = list();
  if (existing != 0) return existing;
  std::wstring name;
  {
    const char* at = workspace_.getBaseAddress() + owner_ + 20;
    const unsigned int size = workspace_.getElementSize(owner_);
    std::size_t units = 0;
    while (20 + 2 * (units + 1) <= size && loadAt<char16_t>(at + 2 * units) != 0) ++units;
    assignFromUtf16Units(name, at, units);
  }
  name += L'\x1F';
  name += tag_;
  const long long handle =
      workspace_.openOrCreateElement(element_class::kElementList, name, tailBytes(l::kFirstRoom));
  // A list element of this name that no owner item led to (its owner was
  // made anew) starts again empty.
  const unsigned int size = workspace_.getElementSize(handle);
  int room = 0;
  while (tailBytes(room + 1) <= size - l::kRecords) ++room;
  std::memset(workspace_.getBaseAddress() + handle + l::kRecords, 0, size - l::kRecords);
  workspace_.setItem(handle + l::RecordSize, static_cast<int>(recordSize_));
  workspace_.setItem(handle + l::Room, room);
  workspace_.setItem(handle + l::Count, 0);
  workspace_.setItem(handle + l::Indexed, handles_ ? 1 : 0);
  workspace_.setItem(handle + l::Owner, owner_);
  workspace_.setItem(owner_ + listItem_, handle);
  return handle;
}

long long OwnedList::grow(long long handle, int wanted) {
  const int used = count();
  const int current = room();
  if (current >= std::numeric_limits<int>::max() / 2)
    throw WorkspaceException("no room for one more of the " + std::to_string(current) + " " + what_());
  const int fresh = std::max({wanted, 2 * current, l::kFirstRoom});
  const long long grown = workspace_.replaceElement(
      handle, tailBytes(fresh), static_cast<unsigned long long>(used) * recordSize_);
  workspace_.setItem(grown + l::Room, fresh);
  workspace_.setItem(owner_ + listItem_, grown);
  if (handles_)
    HandleTable(workspace_, grown, l::Count, l::kRecords, fresh, what_).rebuildIndex(used);
  return grown;
}

int OwnedList::append() {
  long long handle = make();
  const int used = count();
  if (used >= room()) handle = grow(handle, used + 1);
  char* at = workspace_.getBaseAddress() + handle + l::kRecords +
             static_cast<long long>(used) * recordSize_;
  std::memset(at, 0, recordSize_);
  workspace_.setItem(handle + l::Count, used + 1);
  return used;
}

void OwnedList::removeRecord(int position) {
  char* const at = record(position);  // checks the position
  const int used = count();
  const std::size_t after = static_cast<std::size_t>(used - 1 - position) * recordSize_;
  std::memmove(at, at + recordSize_, after);
  std::memset(at + after, 0, recordSize_);
  workspace_.setItem(list() + l::Count, used - 1);
}

int OwnedList::addHandle(long long handle) {
  long long at = make();
  const int held = HandleTable(workspace_, at, l::Count, l::kRecords, room(), what_).find(handle);
  if (held >= 0) return held;
  const int used = count();
  if (used >= room()) at = grow(at, used + 1);
  return HandleTable(workspace_, at, l::Count, l::kRecords, room(), what_).add(handle);
}

bool OwnedList::replaceHandle(long long from, long long to) {
  const State now = state();
  if (now.list == 0) return false;
  HandleTable table(workspace_, now.list, l::Count, l::kRecords, now.room, what_);
  const int position = table.find(from);
  if (position < 0 || table.find(to) >= 0) return false;
  storeAt<std::int64_t>(workspace_.getBaseAddress() + now.list + l::kRecords + 8ll * position, to);
  table.rebuildIndex(now.count);
  return true;
}

long long OwnedList::handleAt(int position) const {
  return loadAt<std::int64_t>(record(position));
}

std::vector<long long> OwnedList::handles() const {
  const State now = state();
  std::vector<long long> handles(static_cast<std::size_t>(now.count));
  const char* const first = workspace_.getBaseAddress() + now.list + l::kRecords;
  for (int k = 0; k < now.count; ++k) handles[k] = loadAt<std::int64_t>(first + 8ll * k);
  return handles;
}

void OwnedList::clear() {
  const long long handle = list();
  if (handle == 0) return;
  if (handles_)
    HandleTable(workspace_, handle, l::Count, l::kRecords, room(), what_).clear();
  else
    workspace_.setItem(handle + l::Count, 0);
}

}  // namespace workspace
}  // namespace tavik
