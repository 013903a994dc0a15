#include "workspace/LinkPath.h"

#include <cstdint>

#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

namespace l = link_path;

static_assert(l::pointY(l::kPointCapacity - 1) + 4 <= l::kElementSize,
              "the points lie inside the link path");

LinkPath::LinkPath(const std::wstring& name) : ElementClass(name) {
  // The count and the points are int items of this class without listeners,
  // and the element was just opened as one: they are cleared in place.
  char* const element = workspace_->getBaseAddress() + handle_;
  storeAt<std::int32_t>(element + l::COORDINATES_COUNT, 0);
  for (int k = 0; k < l::kPointCapacity; ++k) {
    storeAt<std::int32_t>(element + l::pointX(k), 0);
    storeAt<std::int32_t>(element + l::pointY(k), 0);
  }
}

int LinkPath::getPointCount() const {
  const int count = get<int>(l::COORDINATES_COUNT);
  return count < 0 ? 0 : (count > l::kPointCapacity ? l::kPointCapacity : count);
}

void LinkPath::addd_point(int x, int y) {
  requireValid("addd_point");
  int count = 0;
  workspace_->getItem(handle_ + l::COORDINATES_COUNT, count);
  if (count < 0 || count >= l::kPointCapacity) {
    throw WorkspaceException("addd_point: the link path " + getName() + " already holds " +
                             std::to_string(count) + " points; it has room for " +
                             std::to_string(l::kPointCapacity));
  }
  workspace_->setItem(handle_ + l::pointX(count), x);
  workspace_->setItem(handle_ + l::pointY(count), y);
  workspace_->setItem(handle_ + l::COORDINATES_COUNT, count + 1);
}

int LinkPath::getPointX(int position) const {
  if (position < 0 || position >= getPointCount())
    throw WorkspaceException("getPointX: no point " + std::to_string(position) + " in " + getName());
  return get<int>(l::pointX(position));
}

int LinkPath::getPointY(int position) const {
  if (position < 0 || position >= getPointCount())
    throw WorkspaceException("getPointY: no point " + std::to_string(position) + " in " + getName());
  return get<int>(l::pointY(position));
}

}  // namespace workspace
}  // namespace tavik
