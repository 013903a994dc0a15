// The common base of the action-property classes whose elements an action
// option builds by name (StringValue, NumericValue, Checkbox, ComboboxElement,
// DeviceStatusChannel, FormulaResult).
//
// Opening one by name makes it anew under its old handle: every item goes back
// to what a new element holds, silently (no listener is told; the listener
// blocks stay as they are). An option whose value the workspace refuses then
// leaves nothing of an earlier configuration behind, as in a load into an
// empty workspace. Opening by handle opens the element as it is.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

// Puts the items of the element at handle (of class classId) back to zero.
void resetOptionElementItems(int classId, long long handle);

template <class T, int ClassId>
class OptionElement : public ElementClass<T, ClassId> {
 public:
  explicit OptionElement(const std::wstring& name) : ElementClass<T, ClassId>(name) {
    resetOptionElementItems(ClassId, this->handle_);
  }
  explicit OptionElement(long long handle) : ElementClass<T, ClassId>(handle) {}
};

}  // namespace workspace
}  // namespace tavik
