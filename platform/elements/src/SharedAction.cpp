#include "workspace/SharedAction.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "OwnedList.h"
#include "workspace/Utf16.h"
#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

namespace {

namespace a = shared_action;

// An action remade while its sequence or group lists it (a second node of the
// same sequence builds it again with more ports) stands in its old copy's
// place there: no list leads to a replaced element. The copy still holds the
// owners' handles it was given.
void followIntoActionLists(Workspace& workspace, long long old, long long fresh) {
  const auto follow = [&](long long owner, int ownerClass, unsigned int listItem) {
    if (owner <= 0 || !workspace.isElement(owner) || workspace.isReplaced(owner)) return;
    if (loadAt<std::int32_t>(workspace.getBaseAddress() + owner + element_header::kClassId) !=
        ownerClass)
      return;
    OwnedList(workspace, owner, listItem, L"actions", 8, true, [] { return std::string("actions"); })
        .replaceHandle(old, fresh);
  };
  const char* element = workspace.getBaseAddress() + fresh;
  follow(loadAt<std::int64_t>(element + a::SequenceHandle), element_class::kSequence,
         sequence::ActionList);
  follow(loadAt<std::int64_t>(element + a::GroupHandle), element_class::kActionGroup,
         action_group::ActionList);
}

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

unsigned long long portBytes(const Workspace& workspace, long long handle) {
  return workspace.getElementSize(handle) - a::kPorts;
}

int portRoomOf(const Workspace& workspace, long long handle) {
  return static_cast<int>(portBytes(workspace, handle) / a::kPortSize);
}

long long checkedAction(long long handle) {
  if (handle < 1) return handle;
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (workspace->getElementType(handle) == element_type::kActionGroup) return handle;
  workspace->checkElement(element_class::kSharedAction, handle);
  return handle;
}

// The items a load writes only under a condition (an entry point, a flag, a
// comment, a MaxLoop option): where each lies and how many bytes it takes.
struct Span {
  unsigned int item;
  unsigned int bytes;
};
const std::vector<Span>& conditionalItems() {
  static const std::vector<Span> spans = [] {
    const ElementSchema& schema = *findSchema(element_class::kSharedAction);
    std::vector<Span> out;
    for (const unsigned int item :
         {a::InGroup, a::IsBottomAction, a::GroupPrefix, a::GroupInstanceName, a::GroupHandle,
          a::UnusedActionFlag, a::CommentChunk, a::ParallelActionFlag, a::LoopActionFlag,
          a::HasMaxLoop, a::MaxLoop}) {
      const ItemSchema& slot = *findItem(schema, item);
      // None of them has a listener block: zeroing the value is all a
      // fresh element differs in.
      out.push_back(Span{item, valueSize(slot)});
    }
    return out;
  }();
  return spans;
}

// The list of the action's property slots: one handle per record, repeats
// allowed (two options may name one element).
OwnedList propertySlots(Workspace& workspace, long long handle) {
  return OwnedList(workspace, handle, a::PropertyList, L"properties", 8, false, [handle] {
    return "property slots of action " + SharedElement<SharedAction>(handle).getName();
  });
}

// Builds the action of that name for `exits` ports (see SharedAction.h).
long long buildAction(const std::wstring& name, int exits) {
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  const unsigned long long needed = static_cast<unsigned long long>(exits) * a::kPortSize;
  long long handle = workspace->openOrCreateElement(element_class::kSharedAction, name, needed);
  const unsigned long long room = portBytes(*workspace, handle);
  // Headroom: a file that alternates with a smaller one does not remake the
  // action on every load. The ports are cleared below: none is kept.
  if (needed > room) {
    const long long old = handle;
    handle = workspace->replaceElement(handle, std::max(needed, 2 * room), 0);
    followIntoActionLists(*workspace, old, handle);
  }

  char* element = workspace->getBaseAddress() + handle;
  std::memset(element + a::kPorts, 0,
              static_cast<std::size_t>(portRoomOf(*workspace, handle)) * a::kPortSize);
  for (const Span& span : conditionalItems()) std::memset(element + span.item, 0, span.bytes);
  propertySlots(*workspace, handle).clear();
  workspace->setItem(handle + a::ExitCount, exits);
  return handle;
}

long long openAction(const std::wstring& name, int exits) {
  if (exits >= 0) return buildAction(name, exits);
  return checkedAction(Workspace::getInstance()->findElement(name, memory_area::kActions));
}

}  // namespace

SharedAction::SharedAction(const std::wstring& name, int exits)
    : ElementClass(openAction(name, exits), AsGiven{}) {}

SharedAction::SharedAction(long long handle) : ElementClass(checkedAction(handle), AsGiven{}) {}

void SharedAction::addActionProperty(int index, long long handle) {
  requireValid("addActionProperty");
  if (index < 0) {
    throw WorkspaceException("addActionProperty: the property slot " + std::to_string(index) +
                             " of action " + getName() + " is negative");
  }
  OwnedList slots = propertySlots(*workspace_, handle_);
  const int used = slots.count();
  if (index >= used) {
    try {
      while (slots.count() <= index) slots.append();
    } catch (const WorkspaceException&) {
      // The segment is full: the slots stay as they were.
      long long list = 0;
      workspace_->getItem(handle_ + a::PropertyList, list);
      if (list > 0) workspace_->setItem(list + element_list::Count, used);
      throw;
    }
  }
  storeAt<std::int64_t>(slots.record(index), handle);
}

int SharedAction::getPropertyCount() const {
  requireValid("getPropertyCount");
  return propertySlots(*workspace_, handle_).count();
}

long long SharedAction::getActionPropertyAt(int index) const {
  requireValid("getActionPropertyAt");
  const OwnedList slots = propertySlots(*workspace_, handle_);
  if (index < 0 || index >= slots.count()) return -1;
  const long long handle = loadAt<std::int64_t>(slots.record(index));
  return handle > 0 ? handle : -1;
}

long long SharedAction::getActionProperty(const std::wstring& name) const {
  requireValid("getActionProperty");
  const OwnedList slots = propertySlots(*workspace_, handle_);
  const int count = slots.count();
  if (count == 0) return -1;
  // The records lie one after another in the list element.
  const char* first = slots.record(0);
  for (int k = 0; k < count; ++k) {
    const long long property = loadAt<std::int64_t>(first + 8 * static_cast<std::size_t>(k));
    if (property < 1 || !workspace_->isElement(property)) continue;
    std::wstring shortName;
    try {
      workspace_->getItem(property + 544, shortName);
    } catch (const WorkspaceException&) {
      continue;  // an element without a short name is no option's property
    }
    if (shortName == name) return property;
  }
  return -1;
}

int SharedAction::get_parallel_interaction() const {
  const long long property = getActionProperty(L"ParallelInteraction");
  if (property < 1 || workspace_->getElementType(property) != element_type::kCheckbox) return 0;
  int state = 0;
  workspace_->getItem(property + checkbox::SELECTED, state);
  return state;
}

int SharedAction::getExitCount() const { return get<int>(a::ExitCount); }

int SharedAction::getPortRoom() const {
  requireValid("getPortRoom");
  return portRoomOf(*workspace_, handle_);
}

long long SharedAction::portOffset(int port, const char* operation) const {
  requireValid(operation);
  const int room = portRoomOf(*workspace_, handle_);
  if (port < 0 || port >= room) {
    throw WorkspaceException(std::string(operation) + ": port " + std::to_string(port) +
                             " is outside the " + std::to_string(room) +
                             " exit ports of action " + getName());
  }
  return handle_ + a::kPorts + static_cast<long long>(port) * a::kPortSize;
}

void SharedAction::addExitPort(int port, const std::wstring& name, int hasTarget, int x, int y) {
  const long long offset = portOffset(port, "addExitPort");
  const std::u16string units = toUtf16Units(name);
  if ((units.size() + 1) * 2 > a::kPortNameRoom || units.find(u'\0') != std::u16string::npos) {
    throw WorkspaceException("addExitPort: the port name \"" + narrowUnits(units) +
                             "\" does not fit action " + getName());
  }
  char* p = workspace_->getBaseAddress() + offset;
  std::memset(p, 0, a::kPortNameRoom);
  std::memcpy(p, units.data(), units.size() * 2);
  storeAt<std::int32_t>(p + a::kPortHasTarget, hasTarget);
  storeAt<std::int32_t>(p + a::kPortX, x);
  storeAt<std::int32_t>(p + a::kPortY, y);
}

void SharedAction::set_port_visible(int port, bool visible) {
  char* p = workspace_->getBaseAddress() + portOffset(port, "set_port_visible");
  storeAt<std::int32_t>(p + a::kPortVisible, visible ? 1 : 0);
}

void SharedAction::addNextAction(int port, int mode, const boost::shared_ptr<SharedAction>& target,
                                 long long linkHandle) {
  char* p = workspace_->getBaseAddress() + portOffset(port, "addNextAction");
  const long long successor = target && target->getHandle() > 0 ? target->getHandle() : 0;
  storeAt<std::int64_t>(p + a::kPortSuccessor, successor);
  storeAt<std::int64_t>(p + a::kPortLink, linkHandle > 0 ? linkHandle : 0);
  storeAt<std::int32_t>(p + a::kPortMode, mode);
}

void SharedAction::addNextAction(const std::wstring& portName,
                                 const boost::shared_ptr<SharedAction>& target) {
  const int count = getExitCount();
  const int room = getPortRoom();
  for (int port = 0; port < count && port < room; ++port) {
    if (getExitPort(port).name != portName) continue;
    char* p = workspace_->getBaseAddress() + portOffset(port, "addNextAction");
    storeAt<std::int64_t>(p + a::kPortSuccessor,
                          target && target->getHandle() > 0 ? target->getHandle() : 0);
    return;
  }
  throw WorkspaceException("addNextAction: action " + getName() + " has no exit port \"" +
                           narrowName(portName) + "\"");
}

SharedAction::ExitPort SharedAction::getExitPort(int port) const {
  const char* p = workspace_->getBaseAddress() + portOffset(port, "getExitPort");
  ExitPort result;
  std::size_t count = 0;
  while (count < a::kPortNameRoom / 2 && loadAt<char16_t>(p + 2 * count) != 0) ++count;
  result.name = fromUtf16Units(p, count);
  result.hasTarget = loadAt<std::int32_t>(p + a::kPortHasTarget);
  result.x = loadAt<std::int32_t>(p + a::kPortX);
  result.y = loadAt<std::int32_t>(p + a::kPortY);
  result.visible = loadAt<std::int32_t>(p + a::kPortVisible);
  result.successor = loadAt<std::int64_t>(p + a::kPortSuccessor);
  result.link = loadAt<std::int64_t>(p + a::kPortLink);
  result.mode = loadAt<std::int32_t>(p + a::kPortMode);
  return result;
}

}  // namespace workspace
}  // namespace tavik
