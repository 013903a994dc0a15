#include "workspace/Sequence.h"

#include "HandleTable.h"

namespace tavik {
namespace workspace {

namespace {

namespace s = sequence;

constexpr unsigned int kFrameTable = s::kActionTable + HandleTable::bytesFor(s::kActionCapacity);
constexpr unsigned int kCommentTable = kFrameTable + HandleTable::bytesFor(s::kFrameCapacity);
static_assert(kCommentTable + HandleTable::bytesFor(s::kCommentCapacity) == s::kElementSize,
              "the three handle tables fill the sequence element");
static_assert(s::kActionTable >= s::StartY + 16, "the tables follow the items");

enum class List { Actions, Frames, Comments };

HandleTable tableOf(const Sequence& sequence, Workspace& workspace, List list) {
  const long long handle = sequence.getHandle();
  switch (list) {
    case List::Actions:
      return HandleTable(workspace, handle, s::ActionCount, s::kActionTable, s::kActionCapacity,
                         [&sequence] { return "actions of sequence " + sequence.getName(); });
    case List::Frames:
      return HandleTable(workspace, handle, s::FrameCount, kFrameTable, s::kFrameCapacity,
                         [&sequence] { return "frames of sequence " + sequence.getName(); });
    case List::Comments:
    default:
      return HandleTable(workspace, handle, s::CommentCount, kCommentTable, s::kCommentCapacity,
                         [&sequence] { return "comments of sequence " + sequence.getName(); });
  }
}

void requireElement(const Sequence& sequence, const Workspace& workspace, long long handle,
                    const char* operation) {
  if (!workspace.isElement(handle)) {
    throw WorkspaceException(std::string(operation) + ": no workspace element at handle " +
                             std::to_string(handle) + " for sequence " + sequence.getName());
  }
}

}  // namespace

void Sequence::addAction(long long handle) {
  requireValid("addAction");
  requireElement(*this, *workspace_, handle, "addAction");
  tableOf(*this, *workspace_, List::Actions).add(handle);
}

void Sequence::addFrame(long long handle) {
  requireValid("addFrame");
  requireElement(*this, *workspace_, handle, "addFrame");
  tableOf(*this, *workspace_, List::Frames).add(handle);
}

void Sequence::addComment(long long handle) {
  requireValid("addComment");
  requireElement(*this, *workspace_, handle, "addComment");
  tableOf(*this, *workspace_, List::Comments).add(handle);
}

void Sequence::setStartAction(const SharedElement<SharedAction>& action) {
  requireValid("setStartAction");
  if (action.getHandle() < 1) return;
  workspace_->setItem(handle_ + s::StartAction, action.getHandle());
}

long long Sequence::getStartAction() const {
  requireValid("getStartAction");
  long long handle = 0;
  workspace_->getItem(handle_ + s::StartAction, handle);
  return handle;
}

int Sequence::getActionCount() const {
  requireValid("getActionCount");
  return tableOf(*this, *workspace_, List::Actions).count();
}
int Sequence::getFrameCount() const {
  requireValid("getFrameCount");
  return tableOf(*this, *workspace_, List::Frames).count();
}
int Sequence::getCommentCount() const {
  requireValid("getCommentCount");
  return tableOf(*this, *workspace_, List::Comments).count();
}
long long Sequence::getAction(int position) const {
  requireValid("getAction");
  return tableOf(*this, *workspace_, List::Actions).at(position);
}
long long Sequence::getFrame(int position) const {
  requireValid("getFrame");
  return tableOf(*this, *workspace_, List::Frames).at(position);
}
long long Sequence::getComment(int position) const {
  requireValid("getComment");
  return tableOf(*this, *workspace_, List::Comments).at(position);
}

}  // namespace workspace
}  // namespace tavik
