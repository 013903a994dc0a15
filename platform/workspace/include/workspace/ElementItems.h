// The items of every element class, each declared once: its name in code and
// in log lines, its item number (the byte offset inside the element), its
// item type code and, for text items of codes 5 and 6, its room in bytes
// (terminator included). The schemas (ElementSchema.cpp) and the enums below
// are generated from these lists; ElementSchema.h says what each code means.
//
//   ITEM(name, number, code, room)      an item the class's callers may also
//                                       address by its name (Parameter's
//                                       property catalogue)
//   INTERNAL(name, number, code, room)  an item addressed by number only
//   RANGE(fn, stem, first, stride, count, code, room)
//                                       count items stem0, stem1, ... at first,
//                                       first + stride, ...; fn(k) gives item k
//
// The code is the item_type constant without its k (Int for item_type::kInt).
// Part of the shared-memory layout that every process of the bench reads.
#pragma once

#include "workspace/ElementClasses.h"

namespace tavik {
namespace workspace {

// Sizes of tables inside elements, used by the item declarations below and by
// the classes that fill those tables.
namespace global_config {
constexpr int kControlModeSlots = 20;
}  // namespace global_config
namespace parameter {
constexpr int kSameSetNameCapacity = 64;
constexpr int kMapBindingCapacity = 8;
constexpr unsigned int kMapBindingNameRoom = 256;
}  // namespace parameter
namespace device {
constexpr int kEcuCapacity = 16;
constexpr unsigned int kEcuNameRoom = 128;
constexpr unsigned int kEcuFileRoom = 512;
}  // namespace device

#define TAVIK_ITEMS_GlobalConfig(ITEM, INTERNAL, RANGE)                                          \
  ITEM(ConfigurationReady, 3512, Int, 0) /* 0 at the start of a load */                         \
  ITEM(ParallelActionWaitTime, 4704, Int, 0)                                                    \
  ITEM(ParallelActionStabilityTime, 4800, Int, 0)                                               \
  ITEM(ThrottleParameter, 4896, LongLong, 0) /* parameter handle */                             \
  ITEM(WOTSource, 4912, WideText, 16)                                                           \
  ITEM(RunSequenceAtDeviceError, 4928, Int, 0)                                                  \
  ITEM(ResetAllMaps, 4936, Int, 0)                                                              \
  ITEM(ResetAllParameters, 4944, Int, 0)                                                        \
  ITEM(ConfigurationChanged, 4952, Int, 0) /* 0 at the start of a load */                       \
  ITEM(ControlModeCount, 5568, Int, 0)                                                          \
  /* The control-mode request table: dyno and engine parameter handles, request name. */        \
  RANGE(controlModeDyno, ControlModeDyno_, 5576, 32, global_config::kControlModeSlots, LongLong, 0) \
  RANGE(controlModeEngine, ControlModeEngine_, 5592, 32, global_config::kControlModeSlots, LongLong, 0) \
  RANGE(controlModeName, ControlModeName_, 6216, 8, global_config::kControlModeSlots, Int, 0)   \
  ITEM(ProgressTotal, 10760, Int, 0)                                                            \
  ITEM(ProgressCurrent, 10768, Int, 0)                                                          \
  ITEM(StatusText, 10776, WideText, 504)                                                        \
  ITEM(AbortRequest, 11280, Int, 0)                                                             \
  ITEM(ConfigurationFormatVersion, 11296, ListenedWideText256, 0)                               \
  ITEM(BenchState, 12360, ListenedInt, 0)                                                       \
  ITEM(CycleTime, 13176, ListenedDouble, 0)                                                     \
  ITEM(ActiveTestplan, 13992, ListenedLongLong, 0)                                              \
  ITEM(LoadCounter, 14816, ListenedUnsigned, 0)                                                 \
  ITEM(OperatorName, 15640, ListenedNarrowText256, 0)                                           \
  ITEM(ProjectName, 16704, ListenedWideText504, 0)                                              \
  ITEM(ConfigurationPath, 18016, ListenedWideText1028, 0)                                       \
  ITEM(ConfigurationComment, 19848, ListenedWideText4100, 0)

#define TAVIK_ITEMS_Parameter(ITEM, INTERNAL, RANGE)                                             \
  ITEM(Is_Interface, 544, Int, 0) /* 1 for a device interface parameter */                      \
  ITEM(Is_Active, 552, Int, 0)                                                                  \
  ITEM(Has_Request_Parameter, 560, Int, 0)                                                      \
  ITEM(Category_Type, 672, Int, 0) /* a TParameterType */                                       \
  ITEM(Set_Type, 696, Int, 0)                                                                   \
  ITEM(Get_Type, 704, Int, 0)                                                                   \
  ITEM(Is_Device_Signal, 776, Int, 0)                                                           \
  ITEM(ECU_Switch_On, 824, Double, 0)                                                           \
  ITEM(ECU_Switch_Off, 840, Double, 0)                                                          \
  ITEM(Request_Switch_Off, 936, Double, 0)                                                      \
  ITEM(Demand_Value, 968, Double, 0)                                                            \
  ITEM(Min, 976, Double, 0)                                                                     \
  ITEM(Max, 984, Double, 0)                                                                     \
  ITEM(Demand_Value_1, 1288, Double, 0)                                                         \
  ITEM(Demand_Value_2, 1304, Double, 0)                                                         \
  ITEM(Demand_Value_3, 1320, Double, 0)                                                         \
  ITEM(Demand_Value_4, 1336, Double, 0)                                                         \
  ITEM(Demand_Value_5, 1352, Double, 0)                                                         \
  ITEM(Demand_Value_6, 1368, Double, 0)                                                         \
  ITEM(Demand_Value_7, 1384, Double, 0)                                                         \
  ITEM(Demand_Value_8, 1400, Double, 0)                                                         \
  ITEM(Demand_Value_9, 1416, Double, 0)                                                         \
  ITEM(Demand_Value_10, 1432, Double, 0)                                                        \
  ITEM(Unit, 1440, WideText, 128)                                                               \
  ITEM(Format, 1568, WideText, 64) /* display format */                                         \
  ITEM(ParameterName, 1632, WideText, 528) /* the configured Name */                            \
  ITEM(Description, 2160, WideText, 1024)                                                       \
  ITEM(Request_Parameter, 3272, LongLong, 0) /* handle of the request parameter */              \
  ITEM(Set_Value, 3280, Double, 0) /* value the parameter was initialised to */                 \
  ITEM(Status_Message, 3544, WideText, 504)                                                     \
  /* Parameters sharing the set channel (add_same_setname_parameter): count, handles. */        \
  INTERNAL(Same_SetName_Count, 4048, Int, 0)                                                    \
  RANGE(sameSetNameHandle, Same_SetName_, 4056, 8, parameter::kSameSetNameCapacity, LongLong, 0) \
  /* Maps bound to properties (set_map): count, then bound item number and map name. */         \
  INTERNAL(Map_Binding_Count, 4568, Int, 0)                                                     \
  RANGE(mapBindingProperty, Map_Binding_Property_, 4576, 264, parameter::kMapBindingCapacity, Int, 0) \
  RANGE(mapBindingName, Map_Binding_Name_, 4584, 264, parameter::kMapBindingCapacity, WideText, \
        parameter::kMapBindingNameRoom)                                                         \
  ITEM(Set_ChannelName, 9156, WideText, 256)                                                    \
  ITEM(Set_DeviceName, 9412, WideText, 504)                                                     \
  ITEM(Set_Suffix, 9916, WideText, 504)                                                         \
  ITEM(Get_ChannelName, 10420, WideText, 256)                                                   \
  ITEM(Get_DeviceName, 10676, WideText, 504)                                                    \
  ITEM(Get_Suffix, 11180, WideText, 504)                                                        \
  ITEM(Request_ChannelName, 11684, NarrowText, 256)                                             \
  ITEM(Set_TypeText, 11940, NarrowText, 256)                                                    \
  ITEM(Get_TypeText, 12196, NarrowText, 256)                                                    \
  ITEM(Set_FullChannelName, 12452, WideText, 504)                                               \
  ITEM(Get_FullChannelName, 12956, WideText, 504)                                               \
  ITEM(Value, 13464, ListenedDouble, 0)                                                         \
  /* The 256-bit log-flag set as four 64-bit words, lowest first (add_log_flags only). */      \
  INTERNAL(Log_Flags_0, 14280, LongLong, 0)                                                     \
  INTERNAL(Log_Flags_1, 14288, LongLong, 0)                                                     \
  INTERNAL(Log_Flags_2, 14296, LongLong, 0)                                                     \
  INTERNAL(Log_Flags_3, 14304, LongLong, 0)

#define TAVIK_ITEMS_Device(ITEM, INTERNAL, RANGE)                                                \
  ITEM(WatchdogTimeout, 544, Int, 0)                                                            \
  /* Links to the interface parameters: handles, reset to -1. */                               \
  ITEM(WatchdogIn, 608, LongLong, 0)                                                            \
  ITEM(WatchdogOut, 624, LongLong, 0)                                                           \
  ITEM(PermissionIn, 640, LongLong, 0)                                                          \
  ITEM(PermissionOut, 656, LongLong, 0)                                                         \
  ITEM(StopRequestIn, 672, LongLong, 0)                                                         \
  ITEM(StopRequestOut, 688, LongLong, 0)                                                        \
  ITEM(TestPointOut, 704, LongLong, 0)                                                          \
  ITEM(DeviceState, 1368, Int, 0)                                                               \
  ITEM(ControlOnValue, 1376, Int, 0)                                                            \
  ITEM(ControlOffValue, 1384, Int, 0)                                                           \
  ITEM(HexFile, 1912, WideText, 256)                                                            \
  ITEM(Asap2File, 2168, WideText, 512)                                                          \
  ITEM(EcusLoaded, 6928, Int, 0)                                                                \
  ITEM(EcuCount, 6936, Int, 0) /* entries used in the ECU table */                              \
  /* The ECU table (add_ecu): name, HEX file and ASAP2 file per entry. */                      \
  RANGE(ecuName, EcuName_, 6944, 1152, device::kEcuCapacity, WideText, device::kEcuNameRoom)    \
  RANGE(ecuHexFile, EcuHexFile_, 7072, 1152, device::kEcuCapacity, NarrowText, device::kEcuFileRoom) \
  RANGE(ecuAsap2File, EcuAsap2File_, 7584, 1152, device::kEcuCapacity, NarrowText, device::kEcuFileRoom)

#define TAVIK_ITEMS_IPCListener(ITEM, INTERNAL, RANGE)                                           \
  ITEM(QueueId, 584, Int, 0) /* id of the listener's notification queue */                      \
  ITEM(Notified, 600, Int, 0) /* 1 once a notification was processed */                         \
  ITEM(AlwaysNotify, 608, Int, 0) /* non-zero: notify also when nothing changed */

// A property map's fixed items; its value table follows them (the class's
// variable tail): doubles, X axis first, then Y axis, then the z values.
#define TAVIK_ITEMS_PropertyMap(ITEM, INTERNAL, RANGE)                                           \
  ITEM(OptionName, 544, WideText, 536) /* the action option that uses the map */                \
  ITEM(ActionProperty, 1080, Int, 0) /* 1 for a map made for an action option */                \
  ITEM(XParameter, 1088, LongLong, 0) /* handle of the X input parameter */                     \
  ITEM(YParameter, 1104, LongLong, 0) /* handle of the Y input parameter */                     \
  ITEM(ExtraPolation, 1128, Int, 0)                                                             \
  ITEM(ZUpperLimit, 1136, Double, 0)                                                            \
  ITEM(ZLowerLimit, 1152, Double, 0)                                                            \
  ITEM(XLast, 1168, Double, 0)                                                                  \
  ITEM(XFirst, 1184, Double, 0)                                                                 \
  ITEM(YLast, 1200, Double, 0)                                                                  \
  ITEM(YFirst, 1216, Double, 0)                                                                 \
  /* The table's shape, written by the class only. */                                          \
  ITEM(XCount, 1224, LongLong, 0)                                                               \
  ITEM(YCount, 1232, LongLong, 0)                                                               \
  ITEM(ValueCount, 1240, LongLong, 0) /* X count times (Y count, at least 1) */

// The generated names: an enum of every ITEM and INTERNAL item per class
// (parameter::Property, device::Item, ...), and fn(k) for every RANGE.
#define TAVIK_ENUM_ENTRY(name, number, code, room) name = number,
#define TAVIK_NO_ENTRY(...)
#define TAVIK_RANGE_FUNCTION(fn, stem, first, stride, count, code, room) \
  constexpr unsigned int fn(int k) { return (first) + (stride) * static_cast<unsigned int>(k); }
#define TAVIK_DECLARE_ITEMS(Class, ns, Enum, id, type, area, size, tail)                      \
  namespace ns {                                                                              \
  enum Enum : unsigned int { TAVIK_ITEMS_##Class(TAVIK_ENUM_ENTRY, TAVIK_ENUM_ENTRY, TAVIK_NO_ENTRY) }; \
  TAVIK_ITEMS_##Class(TAVIK_NO_ENTRY, TAVIK_NO_ENTRY, TAVIK_RANGE_FUNCTION)                     \
  constexpr unsigned int kElementSize = size;                                                 \
  }
TAVIK_ELEMENT_CLASSES(TAVIK_DECLARE_ITEMS)
#undef TAVIK_DECLARE_ITEMS
#undef TAVIK_RANGE_FUNCTION
#undef TAVIK_NO_ENTRY
#undef TAVIK_ENUM_ENTRY

namespace property_map {
// Where the value table begins: right after the fixed items.
constexpr unsigned int kValueTable = kElementSize;
}  // namespace property_map

namespace parameter {
// Kinds of parameters (item Category_Type).
enum TParameterType : int {
  No_Type = 0,
  OperatingPoint_Type = 1,
  SetParameter_Type = 2,
  Measurement_Type = 3,
  InternalVar_Type = 4,
  Invisible_Type = 5,
  Type_6 = 6,  // no configured category; gets log-flag bits 7, 8 and 10
  Request_Type = 7,
};
}  // namespace parameter

}  // namespace workspace
}  // namespace tavik
