#include "workspace/Parameter.h"

namespace tavik {
namespace workspace {

void Parameter::set(parameter::Property property, double value) {
  requireValid("set");
  workspace_->setItem(handle_ + property, value);
}

}  // namespace workspace
}  // namespace tavik
