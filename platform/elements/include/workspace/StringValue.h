// An action property: a text value of an action option (up to 1024 characters). Items: string_value::Item.
#pragma once

#include "workspace/OptionElement.h"

namespace tavik {
namespace workspace {

class StringValue : public OptionElement<StringValue, element_class::kStringValue> {
 public:
  // By name (made anew) or by handle; see OptionElement.h.
  using OptionElement::OptionElement;
};

}  // namespace workspace
}  // namespace tavik
