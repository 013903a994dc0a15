#include "workspace/Chunk.h"

#include <algorithm>
#include <cstring>

#include "workspace/Utf16.h"

namespace tavik {
namespace workspace {

namespace {

long long openChunk(const std::wstring& name, const std::wstring& text, int requested) {
  const std::size_t size = requested > 0 ? static_cast<std::size_t>(requested) : 0;
  const boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  // Room for the characters and the terminator.
  const unsigned long long needed = 2 * (static_cast<unsigned long long>(size) + 1);
  long long handle = workspace->openOrCreateElement(element_class::kChunk, name, needed);
  const unsigned long long tail = workspace->getElementSize(handle) - chunk::kText;
  // Headroom: a comment that grows a little on each edit, or two files
  // with comments of different lengths, do not remake the chunk each time.
  // The text is written anew below: none is kept.
  if (needed > tail) handle = workspace->replaceElement(handle, std::max(needed, 2 * tail), 0);
  const std::size_t room = (workspace->getElementSize(handle) - chunk::kText) / 2;
  std::u16string units = toUtf16Units(text);
  if (units.size() > size) {
    // A cut between the two halves of a pair drops the first half too.
    const bool splitsPair = size > 0 && units[size - 1] >= 0xD800 && units[size - 1] <= 0xDBFF &&
                            units[size] >= 0xDC00 && units[size] <= 0xDFFF;
    units.resize(splitsPair ? size - 1 : size);
  }
  const std::size_t zero = units.find(u'\0');
  if (zero != std::u16string::npos) units.resize(zero);
  char* p = workspace->getBaseAddress() + handle + chunk::kText;
  std::memset(p, 0, 2 * room);
  std::memcpy(p, units.data(), 2 * units.size());
  workspace->setItem(handle + chunk::Size, static_cast<int>(size));
  return handle;
}

}  // namespace

Chunk::Chunk(const std::wstring& name, const std::wstring& text, int size)
    : ElementClass(openChunk(name, text, size), AsGiven{}) {}

std::wstring Chunk::getText() const {
  requireValid("getText");
  const char* p = workspace_->getBaseAddress() + handle_ + chunk::kText;
  const std::size_t room = (workspace_->getElementSize(handle_) - chunk::kText) / 2;
  std::size_t count = 0;
  for (char16_t unit = 1; count < room; ++count) {
    std::memcpy(&unit, p + 2 * count, sizeof unit);
    if (unit == 0) break;
  }
  return fromUtf16Units(p, count);
}

}  // namespace workspace
}  // namespace tavik
