// How the element classes find their element: by name (opened, or created
// when absent) or by handle (checked to be an element of the class).
#pragma once

#include <string>

#include "workspace/Workspace.h"

namespace tavik {
namespace workspace {

inline long long openElementByName(int class_id, const std::wstring& name) {
  return Workspace::getInstance()->openOrCreateElement(class_id, name);
}

inline long long openElementByHandle(int class_id, long long handle) {
  Workspace::getInstance()->checkElement(class_id, handle);
  return handle;
}

}  // namespace workspace
}  // namespace tavik
