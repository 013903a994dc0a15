// A text of a stated size kept in the workspace (an action's comment). The
// text follows the items as 16-bit units with a terminator; item Size holds
// the size it was last built for. Sizes count 16-bit units, as the bench's
// other processes read the text: a character above U+FFFF is two units.
// Items: chunk::Item.
#pragma once

#include <string>

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class Chunk : public ElementClass<Chunk, element_class::kChunk> {
 public:
  // Builds the chunk of that name (memory area 0xB00000) for `size` 16-bit
  // units (below 0 counts as 0): opens it, creating it when absent, and
  // stores the text anew (the whole room cleared first): a text longer than
  // `size` units keeps as many whole characters as fit in them, so a
  // character above U+FFFF is never cut in half (a zero character ends the
  // text). Size := size. A size beyond
  // the chunk's room first remakes it (Workspace::replaceElement) with room
  // for the larger of `size` and twice its old room; the name then leads to
  // the new copy, whose handle the proxy holds, and the old handle refuses
  // every access. WorkspaceException when the segment has no room for it
  // (the chunk is then as it was), or when the name does not fit.
  Chunk(const std::wstring& name, const std::wstring& text, int size);
  explicit Chunk(long long handle) : ElementClass(handle) {}

  std::wstring getText() const;
  int getSize() const { return get<int>(chunk::Size); }
};

}  // namespace workspace
}  // namespace tavik
