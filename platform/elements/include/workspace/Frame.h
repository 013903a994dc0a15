// A rectangle drawn on the canvas of a sequence or action group: position,
// size (texts as the editor wrote them) and colour. Items: frame::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Frame : public ElementClass<Frame, element_class::kFrame> {
 public:
  // By name (memory area 0xD00000) or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
