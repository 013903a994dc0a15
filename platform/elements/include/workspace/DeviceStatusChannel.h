// An action property: the channel of a device's status parameter chosen by an action option. Items: device_status_channel::Item.
#pragma once

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class DeviceStatusChannel : public OptionElement<DeviceStatusChannel, element_class::kDeviceStatusChannel> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;
};

}  // namespace workspace
}  // namespace tavik
