// A listener of another process: the items it listens to hold its handle in
// their listener blocks; its items (ipc_listener::Item) say which queue its
// notifications go to and whether it wants every write. The notifying item
// write opens it for each listener it examines while READ_WRITE is logged
// (and otherwise reads these items in place), so it lives in this layer.
#pragma once

#include <string>

#include "TavikEngine/Workspace/NotifyerElement.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementOpen.h"

namespace tavik {
namespace workspace {

class IPCListener : public NotifyerElement<IPCListener> {
 public:
  // Opens the listener of that name, creating it when absent.
  explicit IPCListener(const std::wstring& name)
      : NotifyerElement<IPCListener>(openElementByName(element_class::kIPCListener, name)) {}
  // Opens the listener at that handle; WorkspaceException when it is none.
  explicit IPCListener(long long handle)
      : NotifyerElement<IPCListener>(openElementByHandle(element_class::kIPCListener, handle)) {}
};

}  // namespace workspace
}  // namespace tavik
