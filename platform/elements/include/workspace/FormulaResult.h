// An action property: where the property hook stores the result of an action option's formula. Items: formula_result::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class FormulaResult : public ElementClass<FormulaResult, element_class::kFormulaResult> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
