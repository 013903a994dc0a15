#include "workspace/ActionGroup.h"

#include <cstdint>
#include <cstring>

#include "HandleTable.h"
#include "workspace/Utf16.h"
#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

namespace {

namespace g = action_group;

constexpr unsigned int kCommentTable = g::kFrameTable + HandleTable::bytesFor(g::kFrameCapacity);
constexpr unsigned int kNextActionTable =
    kCommentTable + HandleTable::bytesFor(g::kCommentCapacity);
static_assert(g::kFrameTable >= g::NextActionCount + 4, "the tables follow the items");
static_assert(kNextActionTable + g::kNextActionCapacity * g::kNextActionSize == g::kElementSize,
              "the exit-port table ends the fixed part of the group");
static_assert(g::kInnerNameRoom + g::kPortNameRoom == g::kNextTarget &&
                  g::kNextY + 4 == g::kNextActionSize,
              "an exit port's fields fill its entry");

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

// Actions a tail of that many bytes can list.
int roomOfTail(unsigned int tailBytes) {
  int room = 0;
  while (HandleTable::bytesFor(room + 1) <= tailBytes) ++room;
  return room;
}

unsigned int tailOf(const Workspace& workspace, long long handle) {
  return workspace.getElementSize(handle) - g::kActionTable;
}

long long openGroup(const std::wstring& name, int count) {
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (count < 0) {
    const long long handle = workspace->findElement(name, memory_area::kActions);
    if (handle < 1) return 0;
    workspace->checkElement(element_class::kActionGroup, handle);
    return handle;
  }
  if (count > g::kMaxActions) {
    throw WorkspaceException("the action group \"" + narrowName(name) + "\" of " +
                             std::to_string(count) + " actions is too large");
  }
  const long long handle = workspace->openOrCreateElement(element_class::kActionGroup, name,
                                                          HandleTable::bytesFor(count));
  int stored = 0;
  workspace->getItem(handle + g::ActionRoom, stored);
  if (stored == count) return handle;
  if (HandleTable::bytesFor(count) > tailOf(*workspace, handle)) {
    throw WorkspaceException("the action group \"" + narrowName(name) + "\" has room for " +
                             std::to_string(roomOfTail(tailOf(*workspace, handle))) +
                             " actions and cannot take " + std::to_string(count));
  }
  std::memset(workspace->getBaseAddress() + handle + g::kActionTable, 0,
              tailOf(*workspace, handle));
  workspace->setItem(handle + g::ActionCount, 0);
  workspace->setItem(handle + g::ActionRoom, count);
  return handle;
}

enum class List { Actions, Frames, Comments };

HandleTable tableOf(const ActionGroup& group, Workspace& workspace, List list) {
  const long long handle = group.getHandle();
  switch (list) {
    case List::Actions: {
      // The stored room is memory another process may have written: the list
      // never reaches past the tail.
      int room = 0;
      workspace.getItem(handle + g::ActionRoom, room);
      if (room < 0 || HandleTable::bytesFor(room) > tailOf(workspace, handle)) room = 0;
      return HandleTable(workspace, handle, g::ActionCount, g::kActionTable, room,
                         [&group] { return "actions of action group " + group.getName(); });
    }
    case List::Frames:
      return HandleTable(workspace, handle, g::FrameCount, g::kFrameTable, g::kFrameCapacity,
                         [&group] { return "frames of action group " + group.getName(); });
    case List::Comments:
    default:
      return HandleTable(workspace, handle, g::CommentCount, kCommentTable, g::kCommentCapacity,
                         [&group] { return "comments of action group " + group.getName(); });
  }
}

void requireElement(const ActionGroup& group, const Workspace& workspace, long long handle,
                    const char* operation) {
  if (!workspace.isElement(handle)) {
    throw WorkspaceException(std::string(operation) + ": no workspace element at handle " +
                             std::to_string(handle) + " for action group " + group.getName());
  }
}

std::wstring textAt(const char* p, unsigned int room) {
  std::size_t count = 0;
  while (count < room / 2 && loadAt<char16_t>(p + 2 * count) != 0) ++count;
  return fromUtf16Units(p, count);
}

}  // namespace

ActionGroup::ActionGroup(const std::wstring& name, int count)
    : ElementClass(openGroup(name, count), AsGiven{}) {}

void ActionGroup::addAction(long long handle) {
  requireValid("addAction");
  requireElement(*this, *workspace_, handle, "addAction");
  tableOf(*this, *workspace_, List::Actions).add(handle);
}

void ActionGroup::addFrame(long long handle) {
  requireValid("addFrame");
  requireElement(*this, *workspace_, handle, "addFrame");
  tableOf(*this, *workspace_, List::Frames).add(handle);
}

void ActionGroup::addComment(long long handle) {
  requireValid("addComment");
  requireElement(*this, *workspace_, handle, "addComment");
  tableOf(*this, *workspace_, List::Comments).add(handle);
}

int ActionGroup::getActionCount() const {
  requireValid("getActionCount");
  return tableOf(*this, *workspace_, List::Actions).count();
}
int ActionGroup::getFrameCount() const {
  requireValid("getFrameCount");
  return tableOf(*this, *workspace_, List::Frames).count();
}
int ActionGroup::getCommentCount() const {
  requireValid("getCommentCount");
  return tableOf(*this, *workspace_, List::Comments).count();
}
long long ActionGroup::getAction(int position) const {
  requireValid("getAction");
  return tableOf(*this, *workspace_, List::Actions).at(position);
}
long long ActionGroup::getFrame(int position) const {
  requireValid("getFrame");
  return tableOf(*this, *workspace_, List::Frames).at(position);
}
long long ActionGroup::getComment(int position) const {
  requireValid("getComment");
  return tableOf(*this, *workspace_, List::Comments).at(position);
}

int ActionGroup::getNextActionCount() const {
  const int count = get<int>(g::NextActionCount);
  return count < 0 ? 0 : (count > g::kNextActionCapacity ? g::kNextActionCapacity : count);
}

void ActionGroup::addNextAction(const std::wstring& innerName, const std::wstring& portName,
                                long long target, long long link, int x, int y) {
  requireValid("addNextAction");
  const std::u16string inner = toUtf16Units(innerName);
  const std::u16string port = toUtf16Units(portName);
  if ((inner.size() + 1) * 2 > g::kInnerNameRoom || inner.find(u'\0') != std::u16string::npos ||
      (port.size() + 1) * 2 > g::kPortNameRoom || port.find(u'\0') != std::u16string::npos) {
    throw WorkspaceException("addNextAction: the port \"" + narrowUnits(port) +
                             "\" of the inner action \"" + narrowUnits(inner) +
                             "\" does not fit action group " + getName());
  }
  const int count = getNextActionCount();
  char* table = workspace_->getBaseAddress() + handle_ + kNextActionTable;
  int position = count;
  for (int k = 0; k < count; ++k) {
    const char* entry = table + k * g::kNextActionSize;
    if (textAt(entry, g::kInnerNameRoom) == innerName &&
        textAt(entry + g::kInnerNameRoom, g::kPortNameRoom) == portName) {
      position = k;
      break;
    }
  }
  if (position == g::kNextActionCapacity) {
    throw WorkspaceException("addNextAction: action group " + getName() + " already has " +
                             std::to_string(g::kNextActionCapacity) + " exit ports");
  }
  char* entry = table + position * g::kNextActionSize;
  std::memset(entry, 0, g::kNextActionSize);
  std::memcpy(entry, inner.data(), inner.size() * 2);
  std::memcpy(entry + g::kInnerNameRoom, port.data(), port.size() * 2);
  storeAt<std::int64_t>(entry + g::kNextTarget, target > 0 ? target : 0);
  storeAt<std::int64_t>(entry + g::kNextLink, link > 0 ? link : 0);
  storeAt<std::int32_t>(entry + g::kNextX, x);
  storeAt<std::int32_t>(entry + g::kNextY, y);
  if (position == count) workspace_->setItem(handle_ + g::NextActionCount, count + 1);
}

ActionGroup::NextAction ActionGroup::getNextAction(int position) const {
  if (position < 0 || position >= getNextActionCount()) {
    throw WorkspaceException("getNextAction: no exit port " + std::to_string(position) +
                             " in action group " + getName());
  }
  const char* entry =
      workspace_->getBaseAddress() + handle_ + kNextActionTable + position * g::kNextActionSize;
  NextAction next;
  next.innerName = textAt(entry, g::kInnerNameRoom);
  next.portName = textAt(entry + g::kInnerNameRoom, g::kPortNameRoom);
  next.target = loadAt<std::int64_t>(entry + g::kNextTarget);
  next.link = loadAt<std::int64_t>(entry + g::kNextLink);
  next.x = loadAt<std::int32_t>(entry + g::kNextX);
  next.y = loadAt<std::int32_t>(entry + g::kNextY);
  return next;
}

}  // namespace workspace
}  // namespace tavik
