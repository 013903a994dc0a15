// An action property: the parameters an action option lets the user choose
// from. Items: channel_selector::Item.
#pragma once

#include <vector>

#include <boost/shared_ptr.hpp>

#include "workspace/ElementClass.h"
#include "workspace/Parameter.h"

namespace tavik {
namespace workspace {

class ChannelSelector : public ElementClass<ChannelSelector, element_class::kChannelSelector> {
 public:
  // By name or by handle; see ElementClass.h.
  using ElementClass::ElementClass;

  // Appends the parameter's handle to the selector's list; a parameter
  // already held is not added twice, so loading a configuration again does
  // not fill the list. Writes the list itself: no listener is told.
  // WorkspaceException for an invalid parameter, or when the list already
  // holds channel_selector::kParameterCapacity other parameters.
  void addParameter(const boost::shared_ptr<Parameter>& parameter);
  // The parameters' handles in the order they were added.
  std::vector<long long> getParameters() const;
};

}  // namespace workspace
}  // namespace tavik
