#include "workspace/ElementSchema.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "workspace/ElementItems.h"

namespace tavik {
namespace workspace {

namespace {

using namespace item_type;

std::string indexed(const char* stem, int k) { return stem + std::to_string(k); }

ElementSchema makeSchema(int class_id, const char* class_name, int element_type, long long area,
                         unsigned int size, std::vector<ItemSchema> items) {
  std::sort(items.begin(), items.end(),
            [](const ItemSchema& a, const ItemSchema& b) { return a.item < b.item; });
  const unsigned int first_item = items.empty() ? size : items.front().item;
  return ElementSchema{class_id, class_name, element_type, area, size, first_item, std::move(items)};
}

ElementSchema globalConfigSchema() {
  namespace g = global_config;
  std::vector<ItemSchema> items = {
      {g::ConfigurationReady, "ConfigurationReady", kInt, 0},
      {g::ParallelActionWaitTime, "ParallelActionWaitTime", kInt, 0},
      {g::ParallelActionStabilityTime, "ParallelActionStabilityTime", kInt, 0},
      {g::ThrottleParameter, "ThrottleParameter", kLongLong, 0},
      {g::WOTSource, "WOTSource", kWideText, 16},
      {g::RunSequenceAtDeviceError, "RunSequenceAtDeviceError", kInt, 0},
      {g::ResetAllMaps, "ResetAllMaps", kInt, 0},
      {g::ResetAllParameters, "ResetAllParameters", kInt, 0},
      {g::ConfigurationChanged, "ConfigurationChanged", kInt, 0},
      {g::ControlModeCount, "ControlModeCount", kInt, 0},
      {g::ProgressTotal, "ProgressTotal", kInt, 0},
      {g::ProgressCurrent, "ProgressCurrent", kInt, 0},
      {g::StatusText, "StatusText", kWideText, g::AbortRequest - g::StatusText},
      {g::AbortRequest, "AbortRequest", kInt, 0},
      {g::ConfigurationFormatVersion, "ConfigurationFormatVersion", kListenedWideText256, 0},
      {g::BenchState, "BenchState", kListenedInt, 0},
      {g::CycleTime, "CycleTime", kListenedDouble, 0},
      {g::ActiveTestplan, "ActiveTestplan", kListenedLongLong, 0},
      {g::LoadCounter, "LoadCounter", kListenedUnsigned, 0},
      {g::OperatorName, "OperatorName", kListenedNarrowText256, 0},
      {g::ProjectName, "ProjectName", kListenedWideText504, 0},
      {g::ConfigurationPath, "ConfigurationPath", kListenedWideText1028, 0},
      {g::ConfigurationComment, "ConfigurationComment", kListenedWideText4100, 0},
  };
  for (int k = 0; k < g::kControlModeSlots; ++k) {
    items.push_back({g::controlModeDyno(k), indexed("ControlModeDyno_", k), kLongLong, 0});
    items.push_back({g::controlModeEngine(k), indexed("ControlModeEngine_", k), kLongLong, 0});
    items.push_back({g::controlModeName(k), indexed("ControlModeName_", k), kInt, 0});
  }
  return makeSchema(element_class::kGlobalConfig, "GlobalConfig", element_type::kGlobalConfig,
                    memory_area::kGlobalConfig, g::kElementSize, std::move(items));
}

ElementSchema parameterSchema() {
  using namespace parameter;
  std::vector<ItemSchema> items = {
      {Is_Interface, "Is_Interface", kInt, 0},
      {Is_Active, "Is_Active", kInt, 0},
      {Has_Request_Parameter, "Has_Request_Parameter", kInt, 0},
      {Category_Type, "Category_Type", kInt, 0},
      {Set_Type, "Set_Type", kInt, 0},
      {Get_Type, "Get_Type", kInt, 0},
      {Is_Device_Signal, "Is_Device_Signal", kInt, 0},
      {ECU_Switch_On, "ECU_Switch_On", kDouble, 0},
      {ECU_Switch_Off, "ECU_Switch_Off", kDouble, 0},
      {Request_Switch_Off, "Request_Switch_Off", kDouble, 0},
      {Demand_Value, "Demand_Value", kDouble, 0},
      {Min, "Min", kDouble, 0},
      {Max, "Max", kDouble, 0},
      {Unit, "Unit", kWideText, Format - Unit},
      {Format, "Format", kWideText, ParameterName - Format},
      {ParameterName, "ParameterName", kWideText, Description - ParameterName},
      {Description, "Description", kWideText, 1024},
      {Request_Parameter, "Request_Parameter", kLongLong, 0},
      {Set_Value, "Set_Value", kDouble, 0},
      {kSameSetNameCount, "Same_SetName_Count", kInt, 0},
      {kMapBindingCount, "Map_Binding_Count", kInt, 0},
      {Status_Message, "Status_Message", kWideText, 504},
      {Set_ChannelName, "Set_ChannelName", kWideText, Set_DeviceName - Set_ChannelName},
      {Set_DeviceName, "Set_DeviceName", kWideText, Set_Suffix - Set_DeviceName},
      {Set_Suffix, "Set_Suffix", kWideText, Get_ChannelName - Set_Suffix},
      {Get_ChannelName, "Get_ChannelName", kWideText, Get_DeviceName - Get_ChannelName},
      {Get_DeviceName, "Get_DeviceName", kWideText, Get_Suffix - Get_DeviceName},
      {Get_Suffix, "Get_Suffix", kWideText, Request_ChannelName - Get_Suffix},
      {Request_ChannelName, "Request_ChannelName", kNarrowText, Set_TypeText - Request_ChannelName},
      {Set_TypeText, "Set_TypeText", kNarrowText, Get_TypeText - Set_TypeText},
      {Get_TypeText, "Get_TypeText", kNarrowText, Set_FullChannelName - Get_TypeText},
      {Set_FullChannelName, "Set_FullChannelName", kWideText,
       Get_FullChannelName - Set_FullChannelName},
      {Get_FullChannelName, "Get_FullChannelName", kWideText, 504},
      {Value, "Value", kListenedDouble, 0},
      {Log_Flags_0, "Log_Flags_0", kLongLong, 0},
      {Log_Flags_1, "Log_Flags_1", kLongLong, 0},
      {Log_Flags_2, "Log_Flags_2", kLongLong, 0},
      {Log_Flags_3, "Log_Flags_3", kLongLong, 0},
  };
  for (int k = 1; k <= 10; ++k)
    items.push_back({Demand_Value_1 + 16u * (k - 1), indexed("Demand_Value_", k), kDouble, 0});
  for (int k = 0; k < kSameSetNameCapacity; ++k)
    items.push_back({sameSetNameHandle(k), indexed("Same_SetName_", k), kLongLong, 0});
  for (int k = 0; k < kMapBindingCapacity; ++k) {
    items.push_back({mapBindingProperty(k), indexed("Map_Binding_Property_", k), kInt, 0});
    items.push_back(
        {mapBindingName(k), indexed("Map_Binding_Name_", k), kWideText, kMapBindingNameRoom});
  }
  return makeSchema(element_class::kParameter, "Parameter", element_type::kParameter,
                    memory_area::kParameters, 14336, std::move(items));
}

ElementSchema deviceSchema() {
  namespace d = device;
  std::vector<ItemSchema> items = {
      {d::WatchdogTimeout, "WatchdogTimeout", kInt, 0},
      // Interface links hold parameter handles; they are reset with an int -1.
      {d::WatchdogIn, "WatchdogIn", kLongLong, 0},
      {d::WatchdogOut, "WatchdogOut", kLongLong, 0},
      {d::PermissionIn, "PermissionIn", kLongLong, 0},
      {d::PermissionOut, "PermissionOut", kLongLong, 0},
      {d::StopRequestIn, "StopRequestIn", kLongLong, 0},
      {d::StopRequestOut, "StopRequestOut", kLongLong, 0},
      {d::TestPointOut, "TestPointOut", kLongLong, 0},
      {d::DeviceState, "DeviceState", kInt, 0},
      {d::ControlOnValue, "ControlOnValue", kInt, 0},
      {d::ControlOffValue, "ControlOffValue", kInt, 0},
      {d::HexFile, "HexFile", kWideText, d::Asap2File - d::HexFile},
      {d::Asap2File, "Asap2File", kWideText, d::kAsap2FileRoom},
      {d::EcusLoaded, "EcusLoaded", kInt, 0},
      {d::EcuCount, "EcuCount", kInt, 0},
  };
  for (int k = 0; k < d::kEcuCapacity; ++k) {
    items.push_back({d::ecuName(k), indexed("EcuName_", k), kWideText, d::kEcuNameRoom});
    items.push_back({d::ecuHexFile(k), indexed("EcuHexFile_", k), kNarrowText, d::kEcuFileRoom});
    items.push_back(
        {d::ecuAsap2File(k), indexed("EcuAsap2File_", k), kNarrowText, d::kEcuFileRoom});
  }
  return makeSchema(element_class::kDevice, "Device", element_type::kDevice, memory_area::kDevices,
                    d::kElementSize, std::move(items));
}

ElementSchema ipcListenerSchema() {
  namespace l = ipc_listener;
  std::vector<ItemSchema> items = {
      {l::QueueId, "QueueId", kInt, 0},
      {l::Notified, "Notified", kInt, 0},
      {l::AlwaysNotify, "AlwaysNotify", kInt, 0},
  };
  return makeSchema(element_class::kIPCListener, "IPCListener", element_type::kIPCListener,
                    memory_area::kListeners, 640, std::move(items));
}

// Fixed items only: the value table after them is sized per map.
ElementSchema propertyMapSchema() {
  namespace m = property_map;
  std::vector<ItemSchema> items = {
      {m::OptionName, "OptionName", kWideText, m::ActionProperty - m::OptionName},
      {m::ActionProperty, "ActionProperty", kInt, 0},
      {m::XParameter, "XParameter", kLongLong, 0},
      {m::YParameter, "YParameter", kLongLong, 0},
      {m::ExtraPolation, "ExtraPolation", kInt, 0},
      {m::ZUpperLimit, "ZUpperLimit", kDouble, 0},
      {m::ZLowerLimit, "ZLowerLimit", kDouble, 0},
      {m::XLast, "XLast", kDouble, 0},
      {m::XFirst, "XFirst", kDouble, 0},
      {m::YLast, "YLast", kDouble, 0},
      {m::YFirst, "YFirst", kDouble, 0},
      {m::XCount, "XCount", kLongLong, 0},
      {m::YCount, "YCount", kLongLong, 0},
      {m::ValueCount, "ValueCount", kLongLong, 0},
  };
  ElementSchema schema =
      makeSchema(element_class::kPropertyMap, "PropertyMap", element_type::kPropertyMap,
                 memory_area::kMaps, m::kValueTable, std::move(items));
  schema.variable_tail = true;
  return schema;
}

std::vector<ElementSchema> buildSchemas() {
  std::vector<ElementSchema> schemas = {globalConfigSchema(), parameterSchema(), deviceSchema(),
                                        ipcListenerSchema(), propertyMapSchema()};
  std::sort(schemas.begin(), schemas.end(),
            [](const ElementSchema& a, const ElementSchema& b) { return a.class_id < b.class_id; });
  return schemas;
}

}  // namespace

const std::vector<ElementSchema>& allSchemas() {
  static const std::vector<ElementSchema> schemas = buildSchemas();
  return schemas;
}

const ElementSchema* findSchema(int class_id) {
  for (const ElementSchema& schema : allSchemas())
    if (schema.class_id == class_id) return &schema;
  return nullptr;
}

const ItemSchema* findItem(const ElementSchema& schema, unsigned int item) {
  const auto it = std::lower_bound(
      schema.items.begin(), schema.items.end(), item,
      [](const ItemSchema& entry, unsigned int number) { return entry.item < number; });
  if (it == schema.items.end() || it->item != item) return nullptr;
  return &*it;
}

bool isKnownItemType(int type_code) {
  switch (type_code) {
    case 0: case 2: case 3: case 4: case 5: case 6: case 10: case 12: case 13: case 14:
    case 15: case 16: case 17: case 18: case 19:
      return true;
    default:
      return false;
  }
}

ValueKind valueKindOf(int type_code) {
  switch (type_code) {
    case kDouble: case kListenedDouble: return ValueKind::Double;
    case kInt: case kListenedInt: return ValueKind::Int;
    case kUnsigned: case kListenedUnsigned: return ValueKind::Unsigned;
    case kLongLong: case kListenedLongLong: return ValueKind::LongLong;
    case kWideText: case kListenedWideText256: case kListenedWideText504:
    case kListenedWideText1028: case kListenedWideText4100:
      return ValueKind::WideText;
    case kNarrowText: case kListenedNarrowText256: return ValueKind::NarrowText;
    default:
      throw std::logic_error("unknown item type code " + std::to_string(type_code));
  }
}

unsigned int valueSize(const ItemSchema& item) {
  switch (item.type_code) {
    case kDouble: case kListenedDouble: case kLongLong: case kListenedLongLong: return 8;
    case kInt: case kListenedInt: case kUnsigned: case kListenedUnsigned: return 4;
    case kWideText: case kNarrowText: return item.room;
    case kListenedWideText256: case kListenedNarrowText256: return 256;
    case kListenedWideText504: return 504;
    case kListenedWideText1028: return 1028;
    case kListenedWideText4100: return 4100;
    default:
      throw std::logic_error("unknown item type code " + std::to_string(item.type_code));
  }
}

unsigned int listenerBlockOffset(const ItemSchema& item) {
  switch (item.type_code) {
    case kListenedInt: case kListenedDouble: return item.item + 8;
    case kListenedLongLong: case kListenedUnsigned: return item.item + 16;
    case kListenedWideText256: case kListenedNarrowText256: return item.item + 256;
    case kListenedWideText504: return item.item + 504;
    case kListenedWideText1028: return item.item + 1028;
    case kListenedWideText4100: return item.item + 4100;
    default: return 0;
  }
}

}  // namespace workspace
}  // namespace tavik
