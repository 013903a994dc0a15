// An action property: the parameters an action option lets the user choose
// from. Items: channel_selector::Item.
//
// The parameters' handles live in a list element of the selector's own (its
// handle in item ParameterList) that grows as parameters are added, so the
// selector never moves for them and has no limit of its own.
#pragma once

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "workspace/ElementClass.h"
#include "workspace/Parameter.h"

namespace tavik {
namespace workspace {

class ChannelSelector : public ElementClass<ChannelSelector, element_class::kChannelSelector> {
 public:
  // The step that builds the selector in a load: opens the selector of that
  // name (memory area 0xC40000), creating it when absent, and every call
  // empties its parameter list and sets ACTIVATE_SWITCH (which an option
  // writes only when it is switched on) back to 0; silently, no listener is
  // told. WorkspaceException when the name does not fit or belongs to an
  // element of another class.
  explicit ChannelSelector(const std::wstring& name);
  // Opens the selector at that handle; nothing is reset.
  explicit ChannelSelector(long long handle) : ElementClass(handle) {}

  // Appends the parameter's handle to the selector's list; a parameter
  // already held is not added twice. Writes the list itself: no listener is
  // told. WorkspaceException for an invalid parameter, or when the segment
  // has no room for the grown list (the list is then as it was).
  void addParameter(const boost::shared_ptr<Parameter>& parameter);
  // The parameters' handles in the order they were added.
  std::vector<long long> getParameters() const;
};

}  // namespace workspace
}  // namespace tavik
