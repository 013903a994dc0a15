#include "workspace/Sequence.h"

#include "FreshItems.h"
#include "OwnedList.h"

namespace tavik {
namespace workspace {

namespace {

namespace s = sequence;

enum class List { Actions, Frames, Comments };

OwnedList listOf(const Sequence& sequence, Workspace& workspace, List list) {
  const long long handle = sequence.getHandle();
  switch (list) {
    case List::Actions:
      return OwnedList(workspace, handle, s::ActionList, L"actions", 8, true,
                       [&sequence] { return "actions of sequence " + sequence.getName(); });
    case List::Frames:
      return OwnedList(workspace, handle, s::FrameList, L"frames", 8, true,
                       [&sequence] { return "frames of sequence " + sequence.getName(); });
    case List::Comments:
    default:
      return OwnedList(workspace, handle, s::CommentList, L"comments", 8, true,
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

void Sequence::reset() {
  requireValid("reset");
  for (List list : {List::Actions, List::Frames, List::Comments})
    listOf(*this, *workspace_, list).clear();
  resetToFreshItems(*workspace_, handle_, kClassId, {s::ActionList, s::FrameList, s::CommentList});
}

void Sequence::addAction(long long handle) {
  requireValid("addAction");
  requireElement(*this, *workspace_, handle, "addAction");
  listOf(*this, *workspace_, List::Actions).addHandle(handle);
}

void Sequence::addFrame(long long handle) {
  requireValid("addFrame");
  requireElement(*this, *workspace_, handle, "addFrame");
  listOf(*this, *workspace_, List::Frames).addHandle(handle);
}

void Sequence::addComment(long long handle) {
  requireValid("addComment");
  requireElement(*this, *workspace_, handle, "addComment");
  listOf(*this, *workspace_, List::Comments).addHandle(handle);
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
  return listOf(*this, *workspace_, List::Actions).count();
}
int Sequence::getFrameCount() const {
  requireValid("getFrameCount");
  return listOf(*this, *workspace_, List::Frames).count();
}
int Sequence::getCommentCount() const {
  requireValid("getCommentCount");
  return listOf(*this, *workspace_, List::Comments).count();
}
long long Sequence::getAction(int position) const {
  requireValid("getAction");
  return listOf(*this, *workspace_, List::Actions).handleAt(position);
}
long long Sequence::getFrame(int position) const {
  requireValid("getFrame");
  return listOf(*this, *workspace_, List::Frames).handleAt(position);
}
long long Sequence::getComment(int position) const {
  requireValid("getComment");
  return listOf(*this, *workspace_, List::Comments).handleAt(position);
}

}  // namespace workspace
}  // namespace tavik
