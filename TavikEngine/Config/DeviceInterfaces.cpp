// ConfigReader::loadInterfaces and ConfigReader::reset_existing_devices: the
// configured devices with their ECUs, and the interface parameters through
// which the bench exchanges watchdog, permission, stop-request and test-point
// signals with them. ConfigReader::recordDeviceWrites tells the reload check
// which channel items the same walk writes.
#include <boost/shared_ptr.hpp>

#include "TavikEngine/Config/ChannelWrites.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/NumberText.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "inireader/IniReader.h"
#include "wideint/LogFlags.h"
#include "workspace/Device.h"
#include "workspace/ElementSchema.h"
#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {
namespace {

namespace dev = workspace::device;
namespace param = workspace::parameter;

// The links that every load first sets to -1; the test-point link is not
// among them.
constexpr unsigned int kPresetLinkItems[] = {dev::WatchdogIn,  dev::PermissionIn,
                                             dev::StopRequestIn, dev::WatchdogOut,
                                             dev::PermissionOut, dev::StopRequestOut};

enum class Direction { kGet, kSet };

struct InterfaceSignal {
  const wchar_t* name;
  const wchar_t* suffix;
  unsigned int device_link_item;
};

constexpr InterfaceSignal kGetSignals[] = {
    {L"Watchdog", L"_wdog_in", dev::WatchdogIn},
    {L"SystemControlPermission", L"_permission_in", dev::PermissionIn},
    {L"ErrorStatus", L"_stop_request", dev::StopRequestIn},
};
constexpr InterfaceSignal kSetSignals[] = {
    {L"Watchdog", L"_wdog_out", dev::WatchdogOut},
    {L"SystemControlRequest", L"_permission_out", dev::PermissionOut},
    {L"ErrorStatus", L"_stop_request_out", dev::StopRequestOut},
    {L"TestPointNumber", L"_current_testpoint", dev::TestPointOut},
};

template <size_t N>
const InterfaceSignal* findSignal(const InterfaceSignal (&table)[N], const std::wstring& name) {
  for (const InterfaceSignal& signal : table)
    if (name == signal.name) return &signal;
  return nullptr;
}

// The type an interface parameter's side gets: a read-back side is a device
// signal, a set side a parameter.
constexpr int kGetSignalType = 2;
constexpr int kSetSignalType = 0;

// The entries of one device in the order a load applies them:
// on_signal(signal, direction, value) for each GetParam and SetParam with a
// value whose Name is an interface signal (it makes that interface
// parameter), and on_set_param(name, value) for every SetParam, after its
// own signal (it writes the Get_ChannelName of an existing parameter of
// that name).
template <class OnSignal, class OnSetParam>
void forEachInterfaceEntry(const pugi::xml_node& device_node, OnSignal&& on_signal,
                           OnSetParam&& on_set_param) {
  for (pugi::xml_node entry : device_node.child("GetParams").children("GetParam")) {
    const std::wstring name = childText(entry, "Name");
    const std::wstring value = childText(entry, "Value");
    if (value.empty()) continue;
    if (const InterfaceSignal* signal = findSignal(kGetSignals, name))
      on_signal(*signal, Direction::kGet, value);
  }
  for (pugi::xml_node entry : device_node.child("SetParams").children("SetParam")) {
    const std::wstring name = childText(entry, "Name");
    const std::wstring value = childText(entry, "Value");
    if (!value.empty()) {
      if (const InterfaceSignal* signal = findSignal(kSetSignals, name))
        on_signal(*signal, Direction::kSet, value);
    }
    on_set_param(name, value);
  }
}

void createInterfaceParameter(workspace::Device& device, const std::wstring& device_name,
                              const InterfaceSignal& signal, Direction direction,
                              const std::wstring& value, const std::wstring& watchdog_ecu) {
  const bool is_watchdog = std::wstring(signal.name) == L"Watchdog";
  boost::shared_ptr<workspace::Parameter> parameter =
      create_shared<workspace::Parameter>(device_name + signal.suffix);
  if (direction == Direction::kGet) {
    parameter->set(param::Get_ChannelName, value);
    parameter->set(param::Get_Type, kGetSignalType);
    parameter->set(param::Get_DeviceName, device_name);
    parameter->set(param::Is_Interface, 1);
    parameter->set(param::Is_Device_Signal, 1);
    if (is_watchdog) parameter->set(param::Get_Suffix, watchdog_ecu);
    parameter->add_log_flags(LOG_FLAG_8);
  } else {
    parameter->set(param::Set_ChannelName, value);
    parameter->set(param::Set_Type, kSetSignalType);
    parameter->set(param::Set_DeviceName, device_name);
    parameter->set(param::Is_Interface, 1);
    parameter->set(param::Is_Device_Signal, 1);
    parameter->add_log_flags(LOG_FLAG_7);
    if (is_watchdog) parameter->set(param::Set_Suffix, watchdog_ecu);
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
  const int on_value = intText(control.child("ONValue"), 1);
  const int off_value = intText(control.child("OFFValue"), 0);

  if (!is_interface_defined(narrow_name)) {
    WLOG(WARNING) << device_type << L"-Device: " << device_name
                  << L" is not defined in Engine Options";
    return false;
  }

  workspace::Device device(device_name);
  device.increaseReferenceCounter();
  device.set(dev::ControlOnValue, on_value);
  device.set(dev::ControlOffValue, off_value);
  device.set(dev::WatchdogTimeout, watchdog_timeout_);
  device.set(dev::HexFile, hex_file);
  device.set(dev::Asap2File, asap2_file);
  for (unsigned int item : kPresetLinkItems) device.set(item, -1);

  device.set(dev::EcusLoaded, 0);
  // The device stays from load to load, its ECUs are this configuration's.
  device.clear_ecus();

  for (pugi::xml_node ecu : device_node.child("ECUSettings").children("ECUSetting")) {
    const std::wstring ecu_asap2 = childText(ecu, "ASAP2File");
    const std::wstring ecu_hex = childText(ecu, "HEXFile");
    const std::wstring ecu_name = childText(ecu, "ECUName");
    device.add_ecu(ecu_name, narrowLow8(ecu_hex), narrowLow8(ecu_asap2));
  }
  if (device.get<int>(dev::EcusLoaded) == 0) device.set(dev::EcusLoaded, 1);

  const std::wstring watchdog_ecu = childText(device_node, "WatchdogECU");

  forEachInterfaceEntry(
      device_node,
      [&](const InterfaceSignal& signal, Direction direction, const std::wstring& value) {
        createInterfaceParameter(device, device_name, signal, direction, value, watchdog_ecu);
      },
      [&](const std::wstring& name, const std::wstring& value) {
        // Any parameter of the workspace named like the entry (a configured
        // one from an earlier load, another process's) learns the device's
        // read-back channel, also when the value is empty.
        if (workspace_->is_existing_element(name, workspace::memory_area::kParameters)) {
          workspace::Parameter parameter(name);
          parameter.set(param::Get_ChannelName, value);
        }
      });
  return true;
}

void ConfigReader::recordDeviceWrites(const pugi::xml_node& md, ChannelWrites& writes) {
  device_keys_ = IniReader::get_instance(true)->get_keys("devices");
  for (pugi::xml_node device_node = md.child("GlobalParameters").child("Devices").child("Device");
       device_node; device_node = device_node.next_sibling("Device")) {
    const std::wstring device_name = childText(device_node, "DeviceName");
    if (!is_interface_defined(narrowLow8(device_name))) continue;
    forEachInterfaceEntry(
        device_node,
        [&](const InterfaceSignal& signal, Direction direction, const std::wstring& value) {
          const std::wstring name = device_name + signal.suffix;
          if (direction == Direction::kGet) {
            writes.write(name, ChannelWrites::kGetChannel, value);
            writes.write(name, ChannelWrites::kGetType, kGetSignalType);
          } else {
            writes.write(name, ChannelWrites::kSetChannel, value);
            writes.write(name, ChannelWrites::kSetType, kSetSignalType);
          }
        },
        [&](const std::wstring& name, const std::wstring& value) {
          writes.writeIfPresent(name, ChannelWrites::kGetChannel, value);
        });
  }
}

void ConfigReader::reset_existing_devices() {
  std::vector<long long> handles;
  workspace_->getAllElementsOfType(workspace::element_type::kDevice, handles,
                                   workspace::memory_area::kDevices);
  for (long long handle : handles) {
    workspace::Device device(handle);
    for (unsigned int item : kPresetLinkItems) device.set(item, -1);
    device.set(dev::DeviceState, 0);
    device.set(dev::EcusLoaded, 0);
  }
}

}  // namespace tavik
