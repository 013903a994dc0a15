#include "workspace/ChannelSelector.h"

#include "OwnedList.h"

namespace tavik {
namespace workspace {

namespace {

namespace c = channel_selector;

// The selector's parameters, each held once.
OwnedList parameterList(Workspace& workspace, long long handle) {
  return OwnedList(workspace, handle, c::ParameterList, L"parameters", 8, true, [handle] {
    return "parameters of channel selector " + SharedElement<ChannelSelector>(handle).getName();
  });
}

}  // namespace

ChannelSelector::ChannelSelector(const std::wstring& name) : ElementClass(name) {
  parameterList(*workspace_, handle_).clear();
  workspace_->setItem(handle_ + c::ACTIVATE_SWITCH, 0);
}

std::vector<long long> ChannelSelector::getParameters() const {
  requireValid("getParameters");
  const OwnedList list = parameterList(*workspace_, handle_);
  const int count = list.count();
  std::vector<long long> handles;
  handles.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) handles.push_back(list.handleAt(k));
  return handles;
}

void ChannelSelector::addParameter(const boost::shared_ptr<Parameter>& parameter) {
  requireValid("addParameter");
  if (!parameter || parameter->getHandle() < 1)
    throw WorkspaceException("addParameter: no parameter for channel selector " + getName());
  parameterList(*workspace_, handle_).addHandle(parameter->getHandle());
}

}  // namespace workspace
}  // namespace tavik
