#include "workspace/OptionElement.h"

#include "FreshItems.h"

namespace tavik {
namespace workspace {

void resetOptionElementItems(int classId, long long handle) {
  resetToFreshItems(*Workspace::getInstance(), handle, classId, {});
}

}  // namespace workspace
}  // namespace tavik
