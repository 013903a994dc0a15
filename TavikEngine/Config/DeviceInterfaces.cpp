// ConfigReader::loadInterfaces: one configured device with its ECUs and the
// interface parameters through which the bench exchanges watchdog,
// permission, stop-request and test-point signals with it.
#include <boost/shared_ptr.hpp>

#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "wideint/LogFlags.h"
#include "workspace/Device.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

// Device items.
constexpr unsigned int kWatchdogTimeoutItem = 544;
constexpr unsigned int kOnValueItem = 1376;
constexpr unsigned int kOffValueItem = 1384;
constexpr unsigned int kHexFileItem = 1912;
constexpr unsigned int kAsap2FileItem = 2168;
constexpr unsigned int kPresetLinkItems[] = {608, 640, 672, 624, 656, 688};
constexpr unsigned int kEcusAddedItem = 6928;

// Parameter items of the interface parameters.
namespace param = workspace::parameter;
constexpr param::Property kParamSetChannelItem = param::Set_ChannelName;  // 9156
constexpr param::Property kParamSetTypeItem = param::Set_Type;            // 696
constexpr param::Property kParamSetDeviceItem = param::Set_DeviceName;    // 9412
constexpr param::Property kParamSetWatchdogEcuItem = param::Set_Suffix;   // 9916
constexpr param::Property kParamGetChannelItem = param::Get_ChannelName;  // 10420
constexpr param::Property kParamGetTypeItem = param::Get_Type;            // 704
constexpr param::Property kParamGetDeviceItem = param::Get_DeviceName;    // 10676
constexpr param::Property kParamGetWatchdogEcuItem = param::Get_Suffix;   // 11180
constexpr param::Property kParamItem544 = param::Is_Interface;           // 544
constexpr param::Property kParamItem776 = param::Is_Device_Signal;       // 776

constexpr long long kParameterArea = 0x400000;

enum class Direction { kGet, kSet };

struct InterfaceSignal {
  const wchar_t* name;
  const wchar_t* suffix;
  unsigned int device_link_item;
};

constexpr InterfaceSignal kGetSignals[] = {
    {L"Watchdog", L"_wdog_in", 608},
    {L"SystemControlPermission", L"_permission_in", 640},
    {L"ErrorStatus", L"_stop_request", 672},
};
constexpr InterfaceSignal kSetSignals[] = {
    {L"Watchdog", L"_wdog_out", 624},
    {L"SystemControlRequest", L"_permission_out", 656},
    {L"ErrorStatus", L"_stop_request_out", 688},
    {L"TestPointNumber", L"_current_testpoint", 704},
};

template <size_t N>
const InterfaceSignal* findSignal(const InterfaceSignal (&table)[N], const std::wstring& name) {
  for (const InterfaceSignal& signal : table)
    if (name == signal.name) return &signal;
  return nullptr;
}

void createInterfaceParameter(workspace::Device& device, const std::wstring& device_name,
                              const InterfaceSignal& signal, Direction direction,
                              const std::wstring& value, const std::wstring& watchdog_ecu) {
  const bool is_watchdog = std::wstring(signal.name) == L"Watchdog";
  boost::shared_ptr<workspace::Parameter> parameter =
      create_shared<workspace::Parameter>(device_name + signal.suffix);
  if (direction == Direction::kGet) {
    parameter->set(kParamGetChannelItem, value);
    parameter->set(kParamGetTypeItem, 2);
    parameter->set(kParamGetDeviceItem, device_name);
    parameter->set(kParamItem544, 1);
    parameter->set(kParamItem776, 1);
    if (is_watchdog) parameter->set(kParamGetWatchdogEcuItem, watchdog_ecu);
    parameter->add_log_flags(LOG_FLAG_8);
  } else {
    parameter->set(kParamSetChannelItem, value);
    parameter->set(kParamSetTypeItem, 0);
    parameter->set(kParamSetDeviceItem, device_name);
    parameter->set(kParamItem544, 1);
    parameter->set(kParamItem776, 1);
    parameter->add_log_flags(LOG_FLAG_7);
    if (is_watchdog) parameter->set(kParamSetWatchdogEcuItem, watchdog_ecu);
  }
  device.set(signal.device_link_item, parameter->getHandle());
  parameter->increaseReferenceCounter();
}

}  // namespace

bool ConfigReader::loadInterfaces(const pugi::xml_node& device_node) {
  const std::wstring device_name = childText(device_node, "DeviceName");
  const std::wstring device_type = childText(device_node, "DeviceType");
  const std::wstring hex_file = childText(device_node, "HEXFile");
  const std::wstring asap2_file = childText(device_node, "ASAP2File");
  const std::string narrow_name = narrowLow8(device_name);
  const pugi::xml_node control = device_node.child("ControlRequest");
  const int on_value = control.child("ONValue").text().as_int(1);
  const int off_value = control.child("OFFValue").text().as_int(0);

  if (!is_interface_defined(narrow_name)) {
    WLOG(WARNING) << device_type << L"-Device: " << device_name
                  << L" is not defined in Engine Options";
    return false;
  }

  workspace::Device device(device_name);
  device.increaseReferenceCounter();
  device.set(kOnValueItem, on_value);
  device.set(kOffValueItem, off_value);
  device.set(kWatchdogTimeoutItem, watchdog_timeout_);
  device.set(kHexFileItem, hex_file);
  device.set(kAsap2FileItem, asap2_file);
  for (unsigned int item : kPresetLinkItems) device.set(item, -1);

  const pugi::xml_node get_params = device_node.child("GetParams");
  const pugi::xml_node set_params = device_node.child("SetParams");
  device.set(kEcusAddedItem, 0);

  for (pugi::xml_node ecu : device_node.child("ECUSettings").children("ECUSetting")) {
    const std::wstring ecu_asap2 = childText(ecu, "ASAP2File");
    const std::wstring ecu_hex = childText(ecu, "HEXFile");
    const std::wstring ecu_name = childText(ecu, "ECUName");
    device.add_ecu(ecu_name, narrowLow8(ecu_hex), narrowLow8(ecu_asap2));
  }
  if (device.get<int>(kEcusAddedItem) == 0) device.set(kEcusAddedItem, 1);

  const std::wstring watchdog_ecu = childText(device_node, "WatchdogECU");

  for (pugi::xml_node entry : get_params.children("GetParam")) {
    const std::wstring name = childText(entry, "Name");
    const std::wstring value = childText(entry, "Value");
    if (value.empty()) continue;
    if (const InterfaceSignal* signal = findSignal(kGetSignals, name))
      createInterfaceParameter(device, device_name, *signal, Direction::kGet, value, watchdog_ecu);
  }

  for (pugi::xml_node entry : set_params.children("SetParam")) {
    const std::wstring name = childText(entry, "Name");
    const std::wstring value = childText(entry, "Value");
    if (!value.empty()) {
      if (const InterfaceSignal* signal = findSignal(kSetSignals, name))
        createInterfaceParameter(device, device_name, *signal, Direction::kSet, value,
                                 watchdog_ecu);
    }
    // Any configured parameter named like the entry learns the device's
    // read-back channel, also when the value is empty.
    if (workspace_->is_existing_element(name, kParameterArea)) {
      workspace::Parameter parameter(name);
      parameter.set(kParamGetChannelItem, value);
    }
  }
  return true;
}

}  // namespace tavik
