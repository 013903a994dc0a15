// A parameter of the bench: a channel with its set and get sides, its
// category, demand values and current value. Items: parameter::Property.
#pragma once

#include <string>

#include "TavikEngine/Workspace/ItemNotifyerElement.h"
#include "wideint/uint256_t.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementOpen.h"
#include "workspace/ElementSchema.h"

namespace tavik {
namespace workspace {

class Parameter : public ItemNotifyerElement<Parameter> {
 public:
  // Opens the parameter of that name (memory area 0x400000), creating it
  // when absent.
  explicit Parameter(const std::wstring& name)
      : ItemNotifyerElement<Parameter>(openElementByName(element_class::kParameter, name)) {}
  // Opens the parameter at that handle; WorkspaceException when it is none.
  explicit Parameter(long long handle)
      : ItemNotifyerElement<Parameter>(openElementByHandle(element_class::kParameter, handle)) {}

  // Notifying writes: listeners of the item are told.
  void set(parameter::Property property, const std::string& value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, const std::wstring& value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, int value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  void set(parameter::Property property, long long value) {
    ItemNotifyerElement<Parameter>::set(property, value);
  }
  // Writes a number item straight through the workspace: no listener is
  // told and no line is logged.
  void set(parameter::Property property, double value);

  // Adds log flags to the parameter's flag set (a bitwise OR); no listener is
  // told.
  void add_log_flags(uint256_t flags);
  // The parameter's whole flag set.
  uint256_t getLogFlags() const;
};

}  // namespace workspace
}  // namespace tavik
