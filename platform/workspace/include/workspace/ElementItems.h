// Item numbers of the element classes: each is the byte offset of that item
// inside its element (types and rooms in the schemas, ElementSchema.cpp).
// Part of the shared-memory layout that every process of the bench reads.
#pragma once

namespace tavik {
namespace workspace {

namespace parameter {

enum Property : unsigned int {
  Is_Interface = 544,           // int: 1 for a device interface parameter
  Is_Active = 552,              // int
  Has_Request_Parameter = 560,  // int: 1 when a request parameter exists
  Category_Type = 672,          // int: 1 OperatingPoint ... 5 Invisible, 7 request
  Set_Type = 696,               // int
  Get_Type = 704,               // int
  Is_Device_Signal = 776,       // int
  ECU_Switch_On = 824,          // double
  ECU_Switch_Off = 840,         // double
  Request_Switch_Off = 936,     // double
  Demand_Value = 968,           // double; ten more demand values follow
  Min = 976,                    // double: lower limit of the value
  Max = 984,                    // double: upper limit of the value
  Demand_Value_1 = 1288,        // double, then every 16 bytes up to Demand_Value_10
  Demand_Value_2 = 1304,
  Demand_Value_3 = 1320,
  Demand_Value_4 = 1336,
  Demand_Value_5 = 1352,
  Demand_Value_6 = 1368,
  Demand_Value_7 = 1384,
  Demand_Value_8 = 1400,
  Demand_Value_9 = 1416,
  Demand_Value_10 = 1432,
  Unit = 1440,                  // wide text, room 128 bytes
  Format = 1568,                // wide text, room 64 bytes: display format
  ParameterName = 1632,         // wide text, room 528 bytes: the configured Name
  Description = 2160,           // wide text, room 1024 bytes
  Request_Parameter = 3272,     // long long: handle of the request parameter
  Set_Value = 3280,             // double: value the parameter was initialised to
  Status_Message = 3544,        // wide text, room 504 bytes
  Set_ChannelName = 9156,       // wide text, room 256 bytes
  Set_DeviceName = 9412,        // wide text, room 504 bytes
  Set_Suffix = 9916,            // wide text, room 504 bytes
  Get_ChannelName = 10420,      // wide text, room 256 bytes
  Get_DeviceName = 10676,       // wide text, room 504 bytes
  Get_Suffix = 11180,           // wide text, room 504 bytes
  Request_ChannelName = 11684,  // narrow text, room 256 bytes
  Set_TypeText = 11940,         // narrow text, room 256 bytes
  Get_TypeText = 12196,         // narrow text, room 256 bytes
  Set_FullChannelName = 12452,  // wide text, room 504 bytes
  Get_FullChannelName = 12956,  // wide text, room 504 bytes
  Value = 13464,                // double with a listener block at 13472
  // The parameter's 256-bit log-flag set, as four 64-bit words, lowest first.
  Log_Flags_0 = 14280,          // long long
  Log_Flags_1 = 14288,          // long long
  Log_Flags_2 = 14296,          // long long
  Log_Flags_3 = 14304,          // long long
};

// The parameter's links to the other parameters that share its set channel
// (Parameter::add_same_setname_parameter): a count (int) and up to
// kSameSetNameCapacity handles (long long).
constexpr unsigned int kSameSetNameCount = 4048;
constexpr int kSameSetNameCapacity = 64;
constexpr unsigned int sameSetNameHandle(int k) { return 4056 + 8 * k; }

// Property maps bound to properties of the parameter (Parameter::set_map): a
// count (int) and up to kMapBindingCapacity entries, each the bound item
// number (int) and the map's name (wide text, kMapBindingNameRoom bytes).
constexpr unsigned int kMapBindingCount = 4568;
constexpr int kMapBindingCapacity = 8;
constexpr unsigned int kMapBindingNameRoom = 256;
constexpr unsigned int mapBindingProperty(int k) { return 4576 + 264 * k; }
constexpr unsigned int mapBindingName(int k) { return mapBindingProperty(k) + 8; }

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

namespace global_config {
enum Item : unsigned int {
  ConfigurationReady = 3512,           // int, 0 at the start of a load
  ParallelActionWaitTime = 4704,       // int
  ParallelActionStabilityTime = 4800,  // int
  ThrottleParameter = 4896,            // long long: parameter handle
  WOTSource = 4912,                    // wide text, room 16 bytes
  RunSequenceAtDeviceError = 4928,     // int
  ResetAllMaps = 4936,                 // int
  ResetAllParameters = 4944,           // int
  ConfigurationChanged = 4952,         // int, 0 at the start of a load
  ControlModeCount = 5568,             // int
  ProgressTotal = 10760,               // int
  ProgressCurrent = 10768,             // int
  StatusText = 10776,                  // wide text, room 504 bytes
  AbortRequest = 11280,                // int
  // Items with listener blocks.
  ConfigurationFormatVersion = 11296,  // wide text, code 14
  BenchState = 12360,                  // int, code 12
  CycleTime = 13176,                   // double, code 19
  ActiveTestplan = 13992,              // long long, code 10
  LoadCounter = 14816,                 // unsigned int, code 13
  OperatorName = 15640,                // narrow text, code 18
  ProjectName = 16704,                 // wide text, code 15
  ConfigurationPath = 18016,           // wide text, code 16
  ConfigurationComment = 19848,        // wide text, code 17
};
constexpr int kControlModeSlots = 20;
// Slot k of the control-mode request table: dyno and engine parameter handles
// (long long) and the request's name (int).
constexpr unsigned int controlModeDyno(int k) { return 5576 + 32 * k; }
constexpr unsigned int controlModeEngine(int k) { return 5592 + 32 * k; }
constexpr unsigned int controlModeName(int k) { return 6216 + 8 * k; }
constexpr unsigned int kElementSize = 24768;
}  // namespace global_config

namespace device {
enum Item : unsigned int {
  WatchdogTimeout = 544,  // int
  // Links to the interface parameters: long long handles, reset to -1.
  WatchdogIn = 608,
  WatchdogOut = 624,
  PermissionIn = 640,
  PermissionOut = 656,
  StopRequestIn = 672,
  StopRequestOut = 688,
  TestPointOut = 704,
  DeviceState = 1368,      // int
  ControlOnValue = 1376,   // int
  ControlOffValue = 1384,  // int
  HexFile = 1912,          // wide text, room 256 bytes
  Asap2File = 2168,        // wide text, room kAsap2FileRoom
  EcusLoaded = 6928,       // int
  EcuCount = 6936,         // int: entries used in the ECU table
};
constexpr unsigned int kAsap2FileRoom = 512;
// The ECU table: kEcuCapacity entries, each an ECU name (wide text), a HEX
// file name and an ASAP2 file name (narrow text).
constexpr int kEcuCapacity = 16;
constexpr unsigned int kEcuNameRoom = 128;
constexpr unsigned int kEcuFileRoom = 512;
constexpr unsigned int kEcuTable = 6944;
constexpr unsigned int kEcuEntrySize = kEcuNameRoom + 2 * kEcuFileRoom;
constexpr unsigned int ecuName(int k) { return kEcuTable + kEcuEntrySize * k; }
constexpr unsigned int ecuHexFile(int k) { return ecuName(k) + kEcuNameRoom; }
constexpr unsigned int ecuAsap2File(int k) { return ecuHexFile(k) + kEcuFileRoom; }
constexpr unsigned int kElementSize = kEcuTable + kEcuEntrySize * kEcuCapacity;
}  // namespace device

namespace property_map {
// A property map: a fixed part with these items, then a value table that is
// sized when the map is created (x axis, y axis, then the z values).
enum Item : unsigned int {
  OptionName = 544,        // wide text, room 536 bytes: the action option that uses the map
  ActionProperty = 1080,   // int: 1 for a map made for an action option
  XParameter = 1088,       // long long: handle of the X input parameter
  YParameter = 1104,       // long long: handle of the Y input parameter
  ExtraPolation = 1128,    // int: 1 when the map extrapolates
  ZUpperLimit = 1136,      // double
  ZLowerLimit = 1152,      // double
  XLast = 1168,            // double: last X axis value
  XFirst = 1184,           // double: first X axis value
  YLast = 1200,            // double: last Y axis value
  YFirst = 1216,           // double: first Y axis value
  // The table's shape, written by the workspace library only.
  XCount = 1224,           // long long: X axis values
  YCount = 1232,           // long long: Y axis values
  ValueCount = 1240,       // long long: z values, X count times (Y count, at least 1)
};
// The value table: doubles, X axis first, then Y axis, then the z values.
constexpr unsigned int kValueTable = 1248;
}  // namespace property_map

namespace ipc_listener {
enum Item : unsigned int {
  QueueId = 584,       // int: id of the listener's notification queue
  Notified = 600,      // int: set to 1 when a notification was processed
  AlwaysNotify = 608,  // int: non-zero = notify also when nothing changed
};
}  // namespace ipc_listener

}  // namespace workspace
}  // namespace tavik
