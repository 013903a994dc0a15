// A text of fixed size kept in the workspace (an action's comment). The text
// follows the items as 16-bit units with a terminator; item Size holds how
// many characters it has room for. Items: chunk::Item.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Chunk : public ElementClass<Chunk, element_class::kChunk> {
 public:
  // Opens the chunk of that name (memory area 0xB00000), creating it with
  // room for `size` characters (below 0 counts as 0), and stores the text: a
  // text longer than `size` keeps its first `size` characters (a character
  // above U+FFFF counts as two). An existing chunk takes the new size when
  // its room holds it, else WorkspaceException (elements never grow).
  Chunk(const std::wstring& name, const std::wstring& text, int size);
  explicit Chunk(long long handle) : ElementClass(handle) {}

  std::wstring getText() const;
  int getSize() const { return get<int>(chunk::Size); }
};

}  // namespace workspace
}  // namespace tavik
