// The common base of the stand-in's element classes: a notifying proxy of the
// class's elements with the two constructors every class has.
//
//   class Frame : public ElementClass<Frame, element_class::kFrame> {
//    public:
//     using ElementClass::ElementClass;
//   };
//
// By name: opens the element of that name in the class's memory area,
// creating it (zero-filled) when absent; WorkspaceException when the name does
// not fit the class's name room or an element of another class holds the name.
// By handle: opens the element at that handle; WorkspaceException when it is
// not an element of the class.
#pragma once

#include <string>

#include "TavikEngine/Workspace/ItemNotifyerElement.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementOpen.h"
#include "workspace/ElementSchema.h"

namespace tavik {
namespace workspace {

template <class T, int ClassId>
class ElementClass : public ItemNotifyerElement<T> {
 public:
  static constexpr int kClassId = ClassId;

  explicit ElementClass(const std::wstring& name)
      : ItemNotifyerElement<T>(openElementByName(ClassId, name)) {}
  explicit ElementClass(long long handle)
      : ItemNotifyerElement<T>(openElementByHandle(ClassId, handle)) {}

 protected:
  // For a class's own constructors: a handle the class has already found or
  // made (an element of the class), or one below 1 for an invalid proxy.
  struct AsGiven {};
  ElementClass(long long handle, AsGiven) : ItemNotifyerElement<T>(handle) {}
};

}  // namespace workspace
}  // namespace tavik
