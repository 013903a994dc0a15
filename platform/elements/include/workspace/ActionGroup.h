// An action group placed in a sequence: one box that stands for the actions
// of its definition. Items: action_group::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class ActionGroup : public ElementClass<ActionGroup, element_class::kActionGroup> {
 public:
  // By name (memory area 0xA00000, shared with the actions) or by handle;
  // see ElementClass.h.
  using ElementClass::ElementClass;

  // Handle of the group's start action (item StartAction); 0 or below when
  // none is set.
  long long getStartAction() const { return get<long long>(action_group::StartAction); }
};

}  // namespace workspace
}  // namespace tavik
