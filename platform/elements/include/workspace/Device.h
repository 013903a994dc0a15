// A device of the bench (an ECU carrier) with its interface-parameter links
// and its table of ECUs. Items: device::Item.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Device : public ElementClass<Device, element_class::kDevice> {
 public:
  // By name (memory area 0) or by handle; see ElementClass.h.
  using ElementClass::ElementClass;

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
