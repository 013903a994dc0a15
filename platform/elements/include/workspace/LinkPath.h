// The drawn path of one link from an exit port to its successor: the two
// actions' handles and up to link_path::kPointCapacity points.
// Items: link_path::Item.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class LinkPath : public ElementClass<LinkPath, element_class::kLinkPath> {
 public:
  // Opens the link path of that name (memory area 0xD20000), creating it
  // when absent, and starts it as a freshly made one: no points, both action
  // handles 0 (silently: no listener is told). A path drawn again replaces
  // the old one. WorkspaceException as for every class (ElementClass.h).
  explicit LinkPath(const std::wstring& name);
  // Opens the link path at that handle as it is.
  explicit LinkPath(long long handle) : ElementClass(handle) {}

  // Appends a point (name as the bench's library spells it).
  // WorkspaceException when the path already holds kPointCapacity points.
  void addd_point(int x, int y);

  int getPointCount() const;
  // The point at a position; WorkspaceException outside 0 .. count - 1.
  int getPointX(int position) const;
  int getPointY(int position) const;
};

}  // namespace workspace
}  // namespace tavik
