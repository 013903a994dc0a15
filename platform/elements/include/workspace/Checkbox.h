// An action property: a ticked or unticked action option. Items: checkbox::Item.
#pragma once

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class Checkbox : public OptionElement<Checkbox, element_class::kCheckbox> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;
};

}  // namespace workspace
}  // namespace tavik
