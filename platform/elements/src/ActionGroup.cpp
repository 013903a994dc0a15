#include "workspace/ActionGroup.h"

#include <cstdint>
#include <cstring>

#include "FreshItems.h"
#include "OwnedList.h"
#include "workspace/Utf16.h"
#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

namespace {

namespace g = action_group;

static_assert(g::kInnerNameRoom + g::kPortNameRoom == g::kNextTarget &&
                  g::kNextY + 4 == g::kNextActionSize,
              "an exit port's fields fill its record");

long long openGroup(const std::wstring& name, int count) {
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (count < 0) {
    const long long handle = workspace->findElement(name, memory_area::kActions);
    if (handle < 1) return 0;
    workspace->checkElement(element_class::kActionGroup, handle);
    return handle;
  }
  return workspace->openOrCreateElement(element_class::kActionGroup, name);
}

enum class List { Actions, Frames, Comments, ExitPorts };

OwnedList listOf(const ActionGroup& group, Workspace& workspace, List list) {
  const long long handle = group.getHandle();
  switch (list) {
    case List::Actions:
      return OwnedList(workspace, handle, g::ActionList, L"actions", 8, true,
                       [&group] { return "actions of action group " + group.getName(); });
    case List::Frames:
      return OwnedList(workspace, handle, g::FrameList, L"frames", 8, true,
                       [&group] { return "frames of action group " + group.getName(); });
    case List::Comments:
      return OwnedList(workspace, handle, g::CommentList, L"comments", 8, true,
                       [&group] { return "comments of action group " + group.getName(); });
    case List::ExitPorts:
    default:
      return OwnedList(workspace, handle, g::ExitPortList, L"exit ports", g::kNextActionSize,
                       false,
                       [&group] { return "exit ports of action group " + group.getName(); });
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

// Whether the text field of `room` bytes at p holds exactly these units (a
// stored text ends at its first zero unit or at the end of its room).
bool holds(const char* p, unsigned int room, const std::u16string& units) {
  if (units.size() * 2 > room) return false;
  if (std::memcmp(p, units.data(), units.size() * 2) != 0) return false;
  return units.size() * 2 == room || loadAt<char16_t>(p + 2 * units.size()) == 0;
}

}  // namespace

ActionGroup::ActionGroup(const std::wstring& name, int count)
    : ElementClass(openGroup(name, count), AsGiven{}) {
  if (count < 0) return;
  for (List list : {List::Actions, List::Frames, List::Comments, List::ExitPorts})
    listOf(*this, *workspace_, list).clear();
  resetToFreshItems(*workspace_, handle_, kClassId,
                    {g::ActionList, g::FrameList, g::CommentList, g::ExitPortList});
}

void ActionGroup::addAction(long long handle) {
  requireValid("addAction");
  requireElement(*this, *workspace_, handle, "addAction");
  listOf(*this, *workspace_, List::Actions).addHandle(handle);
}

void ActionGroup::addFrame(long long handle) {
  requireValid("addFrame");
  requireElement(*this, *workspace_, handle, "addFrame");
  listOf(*this, *workspace_, List::Frames).addHandle(handle);
}

void ActionGroup::addComment(long long handle) {
  requireValid("addComment");
  requireElement(*this, *workspace_, handle, "addComment");
  listOf(*this, *workspace_, List::Comments).addHandle(handle);
}

int ActionGroup::getActionCount() const {
  requireValid("getActionCount");
  return listOf(*this, *workspace_, List::Actions).count();
}
int ActionGroup::getFrameCount() const {
  requireValid("getFrameCount");
  return listOf(*this, *workspace_, List::Frames).count();
}
int ActionGroup::getCommentCount() const {
  requireValid("getCommentCount");
  return listOf(*this, *workspace_, List::Comments).count();
}
long long ActionGroup::getAction(int position) const {
  requireValid("getAction");
  return listOf(*this, *workspace_, List::Actions).handleAt(position);
}
long long ActionGroup::getFrame(int position) const {
  requireValid("getFrame");
  return listOf(*this, *workspace_, List::Frames).handleAt(position);
}
long long ActionGroup::getComment(int position) const {
  requireValid("getComment");
  return listOf(*this, *workspace_, List::Comments).handleAt(position);
}

int ActionGroup::getNextActionCount() const {
  requireValid("getNextActionCount");
  return listOf(*this, *workspace_, List::ExitPorts).count();
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
  OwnedList ports = listOf(*this, *workspace_, List::ExitPorts);
  const int count = ports.count();
  int position = -1;
  const char* first = count > 0 ? ports.record(0) : nullptr;  // the records lie in a row
  for (int k = 0; k < count && position < 0; ++k) {
    const char* record = first + static_cast<long long>(k) * g::kNextActionSize;
    if (holds(record, g::kInnerNameRoom, inner) &&
        holds(record + g::kInnerNameRoom, g::kPortNameRoom, port))
      position = k;
  }
  if (position < 0) position = ports.append();
  char* record = ports.record(position);
  std::memset(record, 0, g::kNextActionSize);
  std::memcpy(record, inner.data(), inner.size() * 2);
  std::memcpy(record + g::kInnerNameRoom, port.data(), port.size() * 2);
  storeAt<std::int64_t>(record + g::kNextTarget, target > 0 ? target : 0);
  storeAt<std::int64_t>(record + g::kNextLink, link > 0 ? link : 0);
  storeAt<std::int32_t>(record + g::kNextX, x);
  storeAt<std::int32_t>(record + g::kNextY, y);
}

ActionGroup::NextAction ActionGroup::getNextAction(int position) const {
  requireValid("getNextAction");
  const OwnedList ports = listOf(*this, *workspace_, List::ExitPorts);
  if (position < 0 || position >= ports.count()) {
    throw WorkspaceException("getNextAction: no exit port " + std::to_string(position) +
                             " in action group " + getName());
  }
  const char* record = ports.record(position);
  NextAction next;
  next.innerName = textAt(record, g::kInnerNameRoom);
  next.portName = textAt(record + g::kInnerNameRoom, g::kPortNameRoom);
  next.target = loadAt<std::int64_t>(record + g::kNextTarget);
  next.link = loadAt<std::int64_t>(record + g::kNextLink);
  next.x = loadAt<std::int32_t>(record + g::kNextX);
  next.y = loadAt<std::int32_t>(record + g::kNextY);
  return next;
}

}  // namespace workspace
}  // namespace tavik
