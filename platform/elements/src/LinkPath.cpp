#include "workspace/LinkPath.h"

#include "FreshItems.h"

namespace tavik {
namespace workspace {

namespace l = link_path;

static_assert(l::pointY(l::kPointCapacity - 1) + 4 <= l::kElementSize,
              "the points lie inside the link path");

LinkPath::LinkPath(const std::wstring& name) : ElementClass(name) {
  // A path drawn again replaces the old one, its two actions included: a
  // port that now has no successor keeps no handle of an earlier one.
  resetToFreshItems(*workspace_, handle_, kClassId, {});
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
