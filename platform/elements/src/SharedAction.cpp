#include "workspace/SharedAction.h"

#include <cstdint>
#include <cstring>

#include "workspace/Utf16.h"
#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

namespace {

namespace a = shared_action;

std::string narrowName(const std::wstring& name) { return narrowUnits(toUtf16Units(name)); }

int portRoomOf(const Workspace& workspace, long long handle) {
  return static_cast<int>((workspace.getElementSize(handle) - a::kPorts) / a::kPortSize);
}

long long checkedAction(long long handle) {
  if (handle < 1) return handle;
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (workspace->getElementType(handle) == element_type::kActionGroup) return handle;
  workspace->checkElement(element_class::kSharedAction, handle);
  return handle;
}

// The handle of the action of that name, made or reshaped for `exits` ports.
long long openAction(const std::wstring& name, int exits) {
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  if (exits < 0) {
    return checkedAction(workspace->findElement(name, memory_area::kActions));
  }
  const long long handle = workspace->openOrCreateElement(
      element_class::kSharedAction, name,
      static_cast<unsigned long long>(exits) * a::kPortSize);
  int stored = 0;
  workspace->getItem(handle + a::ExitCount, stored);
  if (stored == exits) return handle;
  const int room = portRoomOf(*workspace, handle);
  if (exits > room) {
    throw WorkspaceException("the action \"" + narrowName(name) + "\" has room for " +
                             std::to_string(room) + " exit ports and cannot take " +
                             std::to_string(exits));
  }
  std::memset(workspace->getBaseAddress() + handle + a::kPorts, 0,
              static_cast<std::size_t>(room) * a::kPortSize);
  workspace->setItem(handle + a::ExitCount, exits);
  return handle;
}

}  // namespace

SharedAction::SharedAction(const std::wstring& name, int exits)
    : ElementClass(openAction(name, exits), AsGiven{}) {}

SharedAction::SharedAction(long long handle) : ElementClass(checkedAction(handle), AsGiven{}) {}

void SharedAction::addActionProperty(int index, long long handle) {
  requireValid("addActionProperty");
  if (index < 0 || index >= a::kPropertyCapacity) {
    throw WorkspaceException("addActionProperty: index " + std::to_string(index) +
                             " is outside the " + std::to_string(a::kPropertyCapacity) +
                             " property slots of action " + getName());
  }
  workspace_->setItem(handle_ + a::propertySlot(index), handle);
  // The count is read and written: looked up once.
  const Workspace::ResolvedItem countItem = workspace_->resolveItem(handle_ + a::PropertyCount);
  int count = 0;
  workspace_->getItem(countItem, count);
  if (count <= index) workspace_->setItem(countItem, index + 1);
}

long long SharedAction::getActionPropertyAt(int index) const {
  requireValid("getActionPropertyAt");
  int count = 0;
  workspace_->getItem(handle_ + a::PropertyCount, count);
  if (index < 0 || index >= count || index >= a::kPropertyCapacity) return -1;
  long long handle = 0;
  workspace_->getItem(handle_ + a::propertySlot(index), handle);
  return handle > 0 ? handle : -1;
}

long long SharedAction::getActionProperty(const std::wstring& name) const {
  requireValid("getActionProperty");
  int count = 0;
  workspace_->getItem(handle_ + a::PropertyCount, count);
  for (int k = 0; k < count && k < a::kPropertyCapacity; ++k) {
    const long long property = getActionPropertyAt(k);
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
