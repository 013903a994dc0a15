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
constexpr long long kActions = 0xA00000;
}  // namespace memory_area

#define TAVIK_ELEMENT_CLASSES(X)                                                                 \
  X(GlobalConfig, global_config, Item, 1, 1, memory_area::kGlobalConfig, 24768, false)         \
  X(Parameter, parameter, Property, 2, 2, memory_area::kParameters, 14336, false)              \
  X(Device, device, Item, 3, 14, memory_area::kDevices, 25376, false)                          \
  X(IPCListener, ipc_listener, Item, 4, 3, memory_area::kListeners, 640, false)                \
  X(PropertyMap, property_map, Item, 5, 9, memory_area::kMaps, 1248, true)

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
constexpr int kActionGroup = 24;
}  // namespace element_type

}  // namespace workspace
}  // namespace tavik
