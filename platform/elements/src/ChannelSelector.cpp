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
  const std::vector<long long> handles = getParameters();
  if (std::find(handles.begin(), handles.end(), parameter->getHandle()) != handles.end()) return;
  if (handles.size() >= static_cast<std::size_t>(c::kParameterCapacity)) {
    throw WorkspaceException("addParameter: channel selector " + getName() + " already holds " +
                             std::to_string(c::kParameterCapacity) + " parameters");
  }
  const int count = static_cast<int>(handles.size());
  workspace_->setItem(handle_ + c::parameterSlot(count), parameter->getHandle());
  workspace_->setItem(handle_ + c::ParameterCount, count + 1);
}

}  // namespace workspace
}  // namespace tavik
