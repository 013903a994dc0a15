// An action property: a text value of an action option (up to 1024 characters). Items: string_value::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class StringValue : public ElementClass<StringValue, element_class::kStringValue> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
