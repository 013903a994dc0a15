// A text box drawn on the canvas of a sequence or action group: position,
// size, colour and its text. Items: comment::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Comment : public ElementClass<Comment, element_class::kComment> {
 public:
  // By name (memory area 0xD10000) or by handle; see ElementClass.h.
  using ElementClass::ElementClass;
};

}  // namespace workspace
}  // namespace tavik
