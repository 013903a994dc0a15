// An action property: a ticked or unticked action option. Items: checkbox::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Checkbox : public ElementClass<Checkbox, element_class::kCheckbox> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
