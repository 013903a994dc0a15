// An action property: a number value of an action option, kept as the
// option's text. Items: numeric_value::Item.
#pragma once

#include <string>

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class NumericValue : public OptionElement<NumericValue, element_class::kNumericValue> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;

  // The value text (item VALUE) as a double: the whole text read as wcstod
  // reads it (blanks in front allowed); NaN when the text is empty or not a
  // number.
  double getValue() const;
};

}  // namespace workspace
}  // namespace tavik
