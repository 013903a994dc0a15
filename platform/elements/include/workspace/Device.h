// A device of the bench (an ECU carrier) with its interface-parameter links
// and its list of ECUs. Items: device::Item.
#pragma once

#include <string>
#include <vector>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Device : public ElementClass<Device, element_class::kDevice> {
 public:
  // By name (memory area 0) or by handle; see ElementClass.h.
  using ElementClass::ElementClass;

  struct Ecu {
    std::wstring name;
    std::string hex;
    std::string a2l;
  };

  // Records one ECU with its HEX and ASAP2 file names in the device's ECU
  // list (an element of its own, item EcuList; the device never moves), and
  // item EcuCount := the number of ECUs. An ECU of the same name already in
  // the list is updated in place. Writes the memory itself: no listener is
  // told. WorkspaceException when a text does not fit its room
  // (device::kEcuNameRoom, device::kEcuFileRoom bytes) or the segment has no
  // room for a longer list; the list is then as it was.
  void add_ecu(const std::wstring& ecu, const std::string& hex, const std::string& a2l);
  // Empties the ECU list (a load that adds the configured ECUs anew calls it
  // first); EcuCount := 0. The list keeps its room.
  void clear_ecus();
  // Number of ECUs in the list.
  int getEcuCount() const;
  // The ECUs in the order they were first added.
  std::vector<Ecu> getEcus() const;
};

}  // namespace workspace
}  // namespace tavik
