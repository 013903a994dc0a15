// An action property: an action option chosen from a list: the item's number and its text. Items: combobox::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class ComboboxElement : public ElementClass<ComboboxElement, element_class::kComboboxElement> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
