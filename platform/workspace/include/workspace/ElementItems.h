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
// One record of a parameter's map-binding list (Map_Binding_List): the bound
// property's item number (int) at kMapBindingProperty, the map's name (wide
// text with its terminator) at kMapBindingName. The name's room is that of a
// PropertyMap element's name, so every map can be bound.
constexpr unsigned int kMapBindingProperty = 0;
constexpr unsigned int kMapBindingName = 8;
constexpr unsigned int kMapBindingNameRoom = 524;
constexpr unsigned int kMapBindingRecord = 536;
}  // namespace parameter
namespace link_path {
constexpr int kPointCapacity = 21;
}  // namespace link_path
namespace device {
// One record of a device's ECU list (EcuList): the ECU's name (wide text), its
// HEX and its ASAP2 file name (narrow texts), each with its terminator.
constexpr unsigned int kEcuNameRoom = 128;
constexpr unsigned int kEcuFileRoom = 512;
constexpr unsigned int kEcuName = 0;
constexpr unsigned int kEcuHexFile = kEcuName + kEcuNameRoom;
constexpr unsigned int kEcuAsap2File = kEcuHexFile + kEcuFileRoom;
constexpr unsigned int kEcuRecord = kEcuAsap2File + kEcuFileRoom;
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
  /* Lists of their own (ElementList), 0 until their first entry: the parameters sharing */  \
  /* the set channel (add_same_setname_parameter), a list of handles; the maps bound to */     \
  /* properties (set_map), records of parameter::kMapBindingRecord bytes. */                   \
  INTERNAL(Same_SetName_List, 4048, LongLong, 0)                                                \
  /* The same-set-name list as its writer left it: links, and a digest of them in order. */    \
  INTERNAL(Same_SetName_Count, 4056, Int, 0)                                                    \
  INTERNAL(Same_SetName_Digest, 4064, LongLong, 0)                                              \
  INTERNAL(Map_Binding_List, 4568, LongLong, 0)                                                 \
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
  ITEM(EcuCount, 6936, Int, 0) /* entries of the ECU list */                                    \
  /* The ECU list (add_ecu), an ElementList of records of device::kEcuRecord bytes; */        \
  /* 0 until the first ECU. */                                                                  \
  INTERNAL(EcuList, 6944, LongLong, 0)

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

// An action of a sequence or action group. Its exit ports follow the items
// (the class's variable tail, sized by the exit count it was built for; a
// larger count remakes the action). Its property slots are a list of its own
// (ElementList, records of one handle each) whose handle PropertyList holds.
#define TAVIK_ITEMS_SharedAction(ITEM, INTERNAL, RANGE)                                          \
  ITEM(Name, 552, WideText, 504) /* the action's Name, without its owner's prefix */            \
  ITEM(ActionModule, 1056, WideText, 1008)                                                      \
  ITEM(Version, 2064, WideText, 504)                                                            \
  ITEM(InGroup, 2568, Int, 0) /* 1 for an action of an action group */                          \
  ITEM(IsBottomAction, 2576, Int, 0) /* 1 for the group's bottom action */                      \
  ITEM(GroupPrefix, 2584, WideText, 504)                                                        \
  ITEM(GroupInstanceName, 3088, WideText, 504)                                                  \
  ITEM(GroupHandle, 3592, LongLong, 0)                                                          \
  ITEM(UnusedActionFlag, 3608, Int, 0)                                                          \
  ITEM(CommentChunk, 3616, LongLong, 0) /* handle of the comment's Chunk */                     \
  ITEM(X, 3648, NumberAsText, 0)                                                                \
  ITEM(Y, 3664, NumberAsText, 0)                                                                \
  ITEM(Width, 3680, NumberAsText, 0)                                                            \
  ITEM(Height, 3696, NumberAsText, 0)                                                           \
  ITEM(ParallelActionFlag, 3712, Int, 0)                                                        \
  ITEM(ParallelInteraction, 3776, Int, 0) /* get_parallel_interaction() */                      \
  ITEM(LoopActionFlag, 3784, Int, 0)                                                            \
  ITEM(Kind, 3888, Int, 0) /* 4 Python class, 2 function based Python, 1 state machine */      \
  ITEM(HasMaxLoop, 3896, Int, 0)                                                                \
  ITEM(MaxLoop, 3912, Int, 0)                                                                   \
  ITEM(SequenceHandle, 3920, LongLong, 0)                                                       \
  ITEM(TestplanHandle, 3936, LongLong, 0)                                                       \
  ITEM(Color, 3984, NumberAsText, 0)                                                            \
  ITEM(FirstPropertyIndex, 3992, Int, 0)                                                        \
  /* The action properties (addActionProperty): the list of their slots; 0 until the first. */ \
  INTERNAL(PropertyList, 4000, LongLong, 0)                                                     \
  ITEM(ExitCount, 8008, Int, 0) /* exit ports the action was made for */

// An action group. Its actions, frames, comments and exit ports are lists
// of their own (ElementList elements, see below) whose handles the group
// keeps in its list items (0 until the first entry): the group never moves.
#define TAVIK_ITEMS_ActionGroup(ITEM, INTERNAL, RANGE)                                           \
  ITEM(DefinitionName, 544, WideText, 504) /* its ActionGroupSequence */                        \
  ITEM(DataName, 1048, WideText, 504) /* its ActionGroupData */                                 \
  ITEM(StartAction, 1552, LongLong, 0) /* handle of the group's start action */                 \
  ITEM(X, 1576, NumberAsText, 0)                                                                \
  ITEM(Y, 1592, NumberAsText, 0)                                                                \
  ITEM(Width, 1608, NumberAsText, 0)                                                            \
  ITEM(Height, 1624, NumberAsText, 0)                                                           \
  ITEM(SequenceHandle, 1640, LongLong, 0)                                                       \
  ITEM(OwnerName, 1656, WideText, 504)                                                          \
  ITEM(OwnerHandle, 2160, LongLong, 0)                                                          \
  ITEM(BottomAction, 2176, LongLong, 0)                                                         \
  ITEM(Color, 2208, NumberAsText, 0)                                                            \
  INTERNAL(ActionList, 2224, LongLong, 0)                                                       \
  INTERNAL(FrameList, 2232, LongLong, 0)                                                        \
  INTERNAL(CommentList, 2240, LongLong, 0)                                                      \
  INTERNAL(ExitPortList, 2248, LongLong, 0) /* records of action_group::kNextActionSize */

// A text of a stated size (an action's comment); the text follows the items
// (the class's variable tail) as 16-bit units with a terminator. A size
// beyond the tail's room remakes the chunk.
#define TAVIK_ITEMS_Chunk(ITEM, INTERNAL, RANGE)                                                 \
  ITEM(Size, 544, Int, 0) /* characters the chunk holds */

// The action property classes share item 544 (the option's Name) and, for
// the controls, item 1048 (visibility: 0 hidden, 1 shown).
#define TAVIK_ITEMS_StringValue(ITEM, INTERNAL, RANGE)                                           \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(VALUE, 1056, WideText, 2056) /* up to 1024 characters */

#define TAVIK_ITEMS_NumericValue(ITEM, INTERNAL, RANGE)                                          \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(VALUE, 1056, WideText, 504) /* the number as text */

#define TAVIK_ITEMS_Checkbox(ITEM, INTERNAL, RANGE)                                              \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(SELECTED, 1056, Int, 0) /* 1 ticked, 0 not */

#define TAVIK_ITEMS_ComboboxElement(ITEM, INTERNAL, RANGE)                                       \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(SELECTED_VALUE, 1056, WideText, 504) /* text of the selected item */                     \
  ITEM(SELECTED_INDEX, 1560, Int, 0) /* number of the selected item */

#define TAVIK_ITEMS_ChannelSelector(ITEM, INTERNAL, RANGE)                                       \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(PARENT_CATEGORY, 1056, Int, 0) /* 1 Set, 3 Option, 2 Limit */                            \
  ITEM(ACTIVATE_SWITCH, 1064, Int, 0)                                                           \
  /* The selectable parameters (addParameter): the list of their handles; 0 until the first. */ \
  INTERNAL(ParameterList, 1072, LongLong, 0)

// A table of rows by columns; its column names, row parameters and cells
// follow the items (the class's variable tail). A shape beyond the tail's
// room remakes the table.
#define TAVIK_ITEMS_PropertyTable(ITEM, INTERNAL, RANGE)                                         \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(PARENT_CATEGORY, 1056, Int, 0) /* 1 Set, 3 Option, 2 Limit */                            \
  ITEM(ACTIVATE_SWITCH, 1064, Int, 0)                                                           \
  ITEM(ROWS, 1072, Int, 0) /* written by the class only */                                      \
  ITEM(COLUMNS, 1076, Int, 0) /* written by the class only */

#define TAVIK_ITEMS_DeviceStatusChannel(ITEM, INTERNAL, RANGE)                                   \
  ITEM(SHORT_NAME, 544, WideText, 504)                                                          \
  ITEM(IS_VISIBLE, 1048, Int, 0)                                                                \
  ITEM(SELECTED_VALUE, 1056, WideText, 504) /* the channel */                                   \
  ITEM(STATUSPARAMETER_NAME, 1560, WideText, 504)                                               \
  ITEM(DEVICE_NAME, 2064, WideText, 504)                                                        \
  ITEM(PARAMETER_HANDLE, 2568, LongLong, 0) /* handle of the status parameter */

#define TAVIK_ITEMS_FormulaResult(ITEM, INTERNAL, RANGE)                                         \
  ITEM(SHORT_NAME, 544, WideText, 504)
// A test plan's fixed items; its column table follows them (the class's
// variable tail): ColumnRoom handles (long long) of TestplanColumn elements,
// the first ColumnCount of them in use.
#define TAVIK_ITEMS_Testplan(ITEM, INTERNAL, RANGE)                                              \
  INTERNAL(ColumnRoom, 544, Int, 0) /* entries of the column table */                           \
  INTERNAL(ColumnCount, 548, Int, 0) /* entries in use */

// A test-plan column's fixed items; its row cells follow them (the class's
// variable tail, see TAVIK_ROW_CELL_CLASSES).
#define TAVIK_ITEMS_TestplanColumn(ITEM, INTERNAL, RANGE)                                        \
  ITEM(ParameterHandle, 568, LongLong, 0) /* the parameter the column drives */                 \
  ITEM(Property, 584, Unsigned, 0) /* item number of the parameter property it drives */        \
  /* The cells' shape, written by the class only. */                                           \
  INTERNAL(CellType, 592, Int, 0) /* item type code of every cell */                            \
  INTERNAL(CellSize, 596, Int, 0) /* bytes from one cell to the next */                         \
  INTERNAL(RowCount, 600, LongLong, 0)                                                          \
  /* Where the column stands: the plan that added it last and its index there. */              \
  INTERNAL(HoldingTestplan, 608, LongLong, 0)                                                   \
  INTERNAL(ColumnIndex, 616, Int, 0)

// Classes whose variable tail is a table of row cells, each an item of its
// own (ElementSchema::cell_type_item):
//   X(Class, ns, cell type item, cell size item, row count item)
#define TAVIK_ROW_CELL_CLASSES(X) X(TestplanColumn, testplan_column, CellType, CellSize, RowCount)

// A sequence of the bench. Its actions, frames and comments are lists of
// their own (ElementList elements, see below) whose handles the sequence
// keeps in its list items (0 until the first entry): the sequence never
// moves.
#define TAVIK_ITEMS_Sequence(ITEM, INTERNAL, RANGE)                                              \
  ITEM(StartAction, 544, LongLong, 0) /* handle of the start action; 0 when none */           \
  INTERNAL(ActionList, 552, LongLong, 0)                                                        \
  INTERNAL(FrameList, 560, LongLong, 0)                                                         \
  INTERNAL(CommentList, 568, LongLong, 0)                                                       \
  ITEM(RunState, 600, Int, 0) /* the bench's run state; 0 when a start action is set */        \
  ITEM(RunStep, 608, Int, 0) /* the bench's run step; 0 when a start action is set */          \
  ITEM(StartX, 704, NumberAsText, 0) /* where the start marker is drawn */                     \
  ITEM(StartY, 720, NumberAsText, 0)

// A rectangle drawn on a sequence or action group canvas.
#define TAVIK_ITEMS_Frame(ITEM, INTERNAL, RANGE)                                                 \
  ITEM(X, 544, NumberAsText, 0)                                                                 \
  ITEM(Y, 560, NumberAsText, 0)                                                                 \
  ITEM(Width, 576, NumberAsText, 0)                                                             \
  ITEM(Height, 592, NumberAsText, 0)                                                            \
  ITEM(Color, 608, Int, 0)

// A text box drawn on a sequence or action group canvas.
#define TAVIK_ITEMS_Comment(ITEM, INTERNAL, RANGE)                                               \
  ITEM(X, 544, NumberAsText, 0)                                                                 \
  ITEM(Y, 560, NumberAsText, 0)                                                                 \
  ITEM(Width, 576, NumberAsText, 0)                                                             \
  ITEM(Height, 592, NumberAsText, 0)                                                            \
  ITEM(Color, 608, Int, 0)                                                                      \
  ITEM(CommentText, 616, WideText, 4096)

// The drawn path of one link between an exit port and its successor: up to
// link_path::kPointCapacity points POINT_k of 16 bytes each (X, then Y 8
// bytes further); the element ends at CHUNKSIZE (link_path::kChunkSize).
#define TAVIK_ITEMS_LinkPath(ITEM, INTERNAL, RANGE)                                              \
  ITEM(START_ACTION, 544, LongLong, 0) /* the action that owns the port */                     \
  ITEM(TARGET_ACTION, 560, LongLong, 0) /* the successor */                                    \
  ITEM(COORDINATES_COUNT, 576, Int, 0) /* points in use */                                     \
  RANGE(pointX, POINT_X_, 584, 16, link_path::kPointCapacity, Int, 0)                           \
  RANGE(pointY, POINT_Y_, 592, 16, link_path::kPointCapacity, Int, 0)

// A list that grows one entry at a time (an owner's actions, frames, ports,
// ...), kept apart from its owner so that the owner never has to move: the
// owner holds the list's handle in an item of its own, and a full list is
// remade with twice the room. Its records follow the items (the class's
// variable tail): Room records of RecordSize bytes, the first Count in use,
// then, for a list of handles kept free of repeats (Indexed 1), the index
// that finds a handle without walking the list. Named after its owner: the
// owner's name, U+001F (no configuration text holds it), the list's tag.
#define TAVIK_ITEMS_ElementList(ITEM, INTERNAL, RANGE)                                            \
  INTERNAL(RecordSize, 600, Int, 0)                                                             \
  INTERNAL(Room, 604, Int, 0)                                                                   \
  INTERNAL(Count, 608, Int, 0)                                                                  \
  INTERNAL(Indexed, 612, Int, 0)                                                                \
  INTERNAL(Owner, 616, LongLong, 0) /* the owner's handle when the list was made */

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
// A map's name runs from byte 20 of the element up to its first item.
static_assert(parameter::kMapBindingNameRoom == OptionName - 20,
              "a map binding holds any name a map can have");
}  // namespace property_map

namespace chunk {
// Where a chunk's text begins: right after its items.
constexpr unsigned int kText = kElementSize;
}  // namespace chunk

namespace shared_action {
// One exit port in the action's tail, at kPorts + port * kPortSize: its name
// (wide text, kPortNameRoom bytes), whether it has a successor, its position,
// visibility, the successor's and the link path's handles, and the mode
// given with the successor.
constexpr unsigned int kPorts = kElementSize;
constexpr unsigned int kPortSize = 168;
constexpr unsigned int kPortNameRoom = 128;
constexpr unsigned int kPortHasTarget = 128;
constexpr unsigned int kPortX = 132;
constexpr unsigned int kPortY = 136;
constexpr unsigned int kPortVisible = 140;
constexpr unsigned int kPortSuccessor = 144;
constexpr unsigned int kPortLink = 152;
constexpr unsigned int kPortMode = 160;
}  // namespace shared_action

// Items every action property class has at the same number.
namespace action_property {
constexpr unsigned int SHORT_NAME = 544;  // the option's Name
constexpr unsigned int IS_VISIBLE = 1048;  // controls: 0 hidden, 1 shown
static_assert(string_value::SHORT_NAME == SHORT_NAME && numeric_value::SHORT_NAME == SHORT_NAME &&
                  checkbox::SHORT_NAME == SHORT_NAME && combobox::SHORT_NAME == SHORT_NAME &&
                  channel_selector::SHORT_NAME == SHORT_NAME &&
                  property_table::SHORT_NAME == SHORT_NAME &&
                  device_status_channel::SHORT_NAME == SHORT_NAME &&
                  formula_result::SHORT_NAME == SHORT_NAME &&
                  property_map::OptionName == SHORT_NAME,
              "every action property keeps its option's Name at item 544");
static_assert(string_value::IS_VISIBLE == IS_VISIBLE && numeric_value::IS_VISIBLE == IS_VISIBLE &&
                  checkbox::IS_VISIBLE == IS_VISIBLE && combobox::IS_VISIBLE == IS_VISIBLE &&
                  channel_selector::IS_VISIBLE == IS_VISIBLE &&
                  property_table::IS_VISIBLE == IS_VISIBLE,
              "every control keeps its visibility at item 1048");
}  // namespace action_property
namespace testplan {
// Where the column table begins: right after the fixed items.
constexpr unsigned int kColumnTable = kElementSize;
}  // namespace testplan

namespace testplan_column {
// Where the row cells begin: right after the fixed items.
constexpr unsigned int kCellTable = kElementSize;
}  // namespace testplan_column

namespace action_group {
// One exit port, a record of the list at ExitPortList: the inner action's
// name and the port's name (wide texts of the rooms below), the successor's
// and the link path's handles (0: none) and the port's position.
constexpr unsigned int kInnerNameRoom = 512;
constexpr unsigned int kPortNameRoom = 128;
constexpr unsigned int kNextActionSize = 664;
constexpr unsigned int kNextTarget = 640;
constexpr unsigned int kNextLink = 648;
constexpr unsigned int kNextX = 656;
constexpr unsigned int kNextY = 660;
}  // namespace action_group

namespace element_list {
constexpr unsigned int kRecords = kElementSize;  // the tail
constexpr int kFirstRoom = 8;                    // records of a new list
}  // namespace element_list

namespace link_path {
// The element's size: the byte after the last point.
constexpr unsigned int kChunkSize = kElementSize;
static_assert(kChunkSize == 920, "a link path ends at CHUNKSIZE");
}  // namespace link_path

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
