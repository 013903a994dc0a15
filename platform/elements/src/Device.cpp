#include "workspace/Device.h"

namespace tavik {
namespace workspace {

int Device::getEcuCount() const {
  requireValid("getEcuCount");
  int count = 0;
  workspace_->getItem(handle_ + device::EcuCount, count);
  return count;
}

void Device::add_ecu(const std::wstring& ecu, const std::string& hex, const std::string& a2l) {
  const int count = getEcuCount();
  if (count < 0 || count > device::kEcuCapacity) {
    throw WorkspaceException("the ECU table of device " + getName() + " is broken (count " +
                             std::to_string(count) + ")");
  }
  int slot = count;
  for (int k = 0; k < count; ++k) {
    std::wstring name;
    workspace_->getItem(handle_ + device::ecuName(k), name);
    if (name == ecu) {
      slot = k;
      break;
    }
  }
  if (slot == device::kEcuCapacity) {
    throw WorkspaceException("cannot add ECU " + narrow(ecu) + " to device " + getName() +
                             ": its table already holds " + std::to_string(device::kEcuCapacity) +
                             " ECUs");
  }
  // The name goes last: a text that does not fit leaves the slot unused.
  workspace_->setItem(handle_ + device::ecuHexFile(slot), hex);
  workspace_->setItem(handle_ + device::ecuAsap2File(slot), a2l);
  workspace_->setItem(handle_ + device::ecuName(slot), ecu);
  if (slot == count) workspace_->setItem(handle_ + device::EcuCount, count + 1);
}

}  // namespace workspace
}  // namespace tavik
