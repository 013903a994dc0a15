// Maps the workspace segment, a POSIX shared-memory object, making it when
// no process has yet.
//
// The process that creates the object (exclusively, so only one does) sizes
// it, builds the root at its start (SegmentRoot.h: the robust lock, the
// arena, empty indexes) and publishes the root by writing the layout version
// last. Any other process maps the object at the size it was made with and
// waits for that version, for a few seconds at most: a maker that died
// before it published leaves a segment nobody can use, which is refused with
// a WorkspaceException naming it rather than waited on forever. A published
// root of another layout version is refused with a WorkspaceException too.
//
// No lock is taken here: making and opening need none, and nothing a killed
// process can leave stops another one from opening the segment.
#pragma once

#include <cstddef>
#include <string>

#include "SegmentRoot.h"

namespace tavik {
namespace workspace {

class SegmentMapping {
 public:
  // `size` is used only when the segment is made here.
  SegmentMapping(const std::string& name, std::size_t size);
  ~SegmentMapping();
  SegmentMapping(const SegmentMapping&) = delete;
  SegmentMapping& operator=(const SegmentMapping&) = delete;

  char* base() const { return base_; }
  std::size_t size() const { return size_; }
  SegmentRoot* root() const { return reinterpret_cast<SegmentRoot*>(base_); }

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace workspace
}  // namespace tavik
