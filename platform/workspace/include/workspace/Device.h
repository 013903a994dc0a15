// A device of the bench (an ECU carrier) with its interface-parameter links
// and its table of ECUs.
#pragma once

#include <string>

#include "TavikEngine/Workspace/ItemNotifyerElement.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementOpen.h"
#include "workspace/ElementSchema.h"

namespace tavik {
namespace workspace {

class Device : public ItemNotifyerElement<Device> {
 public:
  // Opens the device of that name (memory area 0), creating it when absent.
  explicit Device(const std::wstring& name)
      : ItemNotifyerElement<Device>(openElementByName(element_class::kDevice, name)) {}
  // Opens the device at that handle; WorkspaceException when it is none.
  explicit Device(long long handle)
      : ItemNotifyerElement<Device>(openElementByHandle(element_class::kDevice, handle)) {}

  // Records one ECU with its HEX and ASAP2 file names in the device's ECU
  // table. An ECU of the same name already in the table is updated in place,
  // so loading a configuration again does not fill the table. Writes the
  // items itself: no listener is told. WorkspaceException when the table
  // already holds device::kEcuCapacity other ECUs or a text does not fit.
  void add_ecu(const std::wstring& ecu, const std::string& hex, const std::string& a2l);
  // Number of ECUs in the table.
  int getEcuCount() const;
};

}  // namespace workspace
}  // namespace tavik
