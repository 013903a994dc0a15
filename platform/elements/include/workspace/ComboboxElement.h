// An action property: an action option chosen from a list: the item's number and its text. Items: combobox::Item.
#pragma once

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class ComboboxElement : public OptionElement<ComboboxElement, element_class::kComboboxElement> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;
};

}  // namespace workspace
}  // namespace tavik
