// An action property: the channel of a device's status parameter chosen by an action option. Items: device_status_channel::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class DeviceStatusChannel : public ElementClass<DeviceStatusChannel, element_class::kDeviceStatusChannel> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
