// In-process notifying element: an int item write that tells registered
// observer objects. (Skeleton: the observer set and the write are completed
// with the change-notification work.)
#pragma once

#include "TavikEngine/Workspace/SharedElement.h"

namespace tavik {
namespace workspace {

template <class T>
class NotifyerElement : public SharedElement<T> {
 public:
  using SharedElement<T>::SharedElement;

  void set(unsigned int property, const int& value) {
    this->requireValid("set");
    this->workspace_->setItem(this->handle_ + property, value);
  }
};

}  // namespace workspace
}  // namespace tavik
