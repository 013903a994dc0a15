#include "workspace/ChannelSelector.h"

#include <algorithm>

namespace tavik {
namespace workspace {

namespace c = channel_selector;

std::vector<long long> ChannelSelector::getParameters() const {
  requireValid("getParameters");
  int count = 0;
  workspace_->getItem(handle_ + c::ParameterCount, count);
  std::vector<long long> handles;
  for (int k = 0; k < count && k < c::kParameterCapacity; ++k) {
    long long handle = 0;
    workspace_->getItem(handle_ + c::parameterSlot(k), handle);
    handles.push_back(handle);
  }
  return handles;
}

void ChannelSelector::addParameter(const boost::shared_ptr<Parameter>& parameter) {
  requireValid("addParameter");
  if (!parameter || parameter->getHandle() < 1)
    throw WorkspaceException("addParameter: no parameter for channel selector " + getName());
  // The count is read and written: looked up once. The list is searched
  // where it lies.
  const Workspace::ResolvedItem countItem = workspace_->resolveItem(handle_ + c::ParameterCount);
  int stored = 0;
  workspace_->getItem(countItem, stored);
  int count = 0;
  for (; count < stored && count < c::kParameterCapacity; ++count) {
    long long handle = 0;
    workspace_->getItem(handle_ + c::parameterSlot(count), handle);
    if (handle == parameter->getHandle()) return;
  }
  if (count >= c::kParameterCapacity) {
    throw WorkspaceException("addParameter: channel selector " + getName() + " already holds " +
                             std::to_string(c::kParameterCapacity) + " parameters");
  }
  workspace_->setItem(handle_ + c::parameterSlot(count), parameter->getHandle());
  workspace_->setItem(countItem, count + 1);
}

}  // namespace workspace
}  // namespace tavik
