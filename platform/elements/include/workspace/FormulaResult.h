// An action property: where the property hook stores the result of an action option's formula. Items: formula_result::Item.
#pragma once

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class FormulaResult : public OptionElement<FormulaResult, element_class::kFormulaResult> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;
};

}  // namespace workspace
}  // namespace tavik
