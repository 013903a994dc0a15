// The element classes of the workspace: one row per class.
//
//   X(Class, ns, Enum, class_id, element_type, area, size, variable_tail)
//
//   Class          the element class's C++ name (the proxy class of the stand-in's
//                  element layer, and the key of its item declaration
//                  TAVIK_ITEMS_<Class> in ElementItems.h)
//   ns, Enum       namespace and enum that name the class's items in code
//                  (parameter::Property, device::Item, ...)
//   class_id       which schema an element follows (byte 8 of the element)
//   element_type   the element type code (byte 0 of the element)
//   area           the memory area the class's names are unique in
//   size           bytes of one element, header and items
//   variable_tail  whether an element may carry a tail of its own size after
//                  its items (Workspace::openOrCreateElement with extra bytes)
//
// Adding a class: a row here, its item declaration in ElementItems.h, and its
// header in the element layer (platform/elements). Rows, item numbers, type
// codes and areas are part of the shared-memory layout: never change a
// published one.
#pragma once

namespace tavik {
namespace workspace {

// Memory areas: element names are unique within one area.
namespace memory_area {
constexpr long long kDevices = 0;
constexpr long long kGlobalConfig = 0x100000;
constexpr long long kListeners = 0x200000;
constexpr long long kMaps = 0x300000;
constexpr long long kParameters = 0x400000;
constexpr long long kTestplans = 0x800000;
constexpr long long kTestplanColumns = 0x900000;
constexpr long long kActions = 0xA00000;  // actions, action groups and sequences
constexpr long long kChunks = 0xB00000;
// One area per class of action property: an option whose value changes its
// class between two loads (a step duration from a number to "---") gets an
// element of the new class under the same name.
constexpr long long kStringValues = 0xC00000;
constexpr long long kNumericValues = 0xC10000;
constexpr long long kCheckboxes = 0xC20000;
constexpr long long kComboboxes = 0xC30000;
constexpr long long kChannelSelectors = 0xC40000;
constexpr long long kPropertyTables = 0xC50000;
constexpr long long kDeviceStatusChannels = 0xC60000;
constexpr long long kFormulaResults = 0xC70000;
constexpr long long kFrames = 0xD00000;
constexpr long long kComments = 0xD10000;
constexpr long long kLinkPaths = 0xD20000;
// The growable lists of other elements (ElementList): named after their owner.
constexpr long long kLists = 0xE00000;
}  // namespace memory_area

#define TAVIK_ELEMENT_CLASSES(X)                                                                 \
  X(GlobalConfig, global_config, Item, 1, 1, memory_area::kGlobalConfig, 24768, false)         \
  X(Parameter, parameter, Property, 2, 2, memory_area::kParameters, 14336, false)              \
  X(Device, device, Item, 3, 14, memory_area::kDevices, 25376, false)                          \
  X(IPCListener, ipc_listener, Item, 4, 3, memory_area::kListeners, 640, false)                \
  X(PropertyMap, property_map, Item, 5, 9, memory_area::kMaps, 1248, true)                    \
  X(SharedAction, shared_action, Item, 6, 23, memory_area::kActions, 8016, true)              \
  X(ActionGroup, action_group, Item, 7, 24, memory_area::kActions, 2256, false)                \
  X(Chunk, chunk, Item, 8, 25, memory_area::kChunks, 552, true)                                \
  X(StringValue, string_value, Item, 9, 30, memory_area::kStringValues, 3112, false)           \
  X(NumericValue, numeric_value, Item, 10, 31, memory_area::kNumericValues, 1560, false)       \
  X(Checkbox, checkbox, Item, 11, 32, memory_area::kCheckboxes, 1064, false)                   \
  X(ComboboxElement, combobox, Item, 12, 33, memory_area::kComboboxes, 1568, false)            \
  X(ChannelSelector, channel_selector, Item, 13, 34, memory_area::kChannelSelectors, 1080, false) \
  X(PropertyTable, property_table, Item, 14, 35, memory_area::kPropertyTables, 1080, true)     \
  X(DeviceStatusChannel, device_status_channel, Item, 15, 36, memory_area::kDeviceStatusChannels, 2576, false) \
  X(FormulaResult, formula_result, Item, 16, 37, memory_area::kFormulaResults, 1048, false) \
  X(Testplan, testplan, Item, 40, 40, memory_area::kTestplans, 552, true)                      \
  X(TestplanColumn, testplan_column, Item, 41, 41, memory_area::kTestplanColumns, 624, true)  \
  X(Sequence, sequence, Item, 50, 50, memory_area::kActions, 728, false)                       \
  X(Frame, frame, Item, 51, 51, memory_area::kFrames, 616, false)                              \
  X(Comment, comment, Item, 52, 52, memory_area::kComments, 4712, false)                       \
  X(LinkPath, link_path, Item, 53, 53, memory_area::kLinkPaths, 920, false)                    \
  X(ElementList, element_list, Item, 60, 60, memory_area::kLists, 624, true)

// element_class::kParameter, ...: the class ids.
namespace element_class {
#define TAVIK_CLASS_ID(Class, ns, Enum, id, type, area, size, tail) constexpr int k##Class = id;
TAVIK_ELEMENT_CLASSES(TAVIK_CLASS_ID)
#undef TAVIK_CLASS_ID
}  // namespace element_class

// element_type::kParameter, ...: the element type codes, and the codes of
// classes this stand-in does not build yet but callers compare with.
namespace element_type {
#define TAVIK_ELEMENT_TYPE(Class, ns, Enum, id, type, area, size, tail) constexpr int k##Class = type;
TAVIK_ELEMENT_CLASSES(TAVIK_ELEMENT_TYPE)
#undef TAVIK_ELEMENT_TYPE
}  // namespace element_type

}  // namespace workspace
}  // namespace tavik
