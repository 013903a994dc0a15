// Notifying item writes: every item the loaders write goes through set().
// (Skeleton: writes the value; listener notification is completed with the
// change-notification work.)
#pragma once

#include <string>

#include "TavikEngine/Workspace/SharedElement.h"

namespace tavik {
namespace workspace {

template <class T>
class ItemNotifyerElement : public SharedElement<T> {
 public:
  using SharedElement<T>::SharedElement;

  template <class V>
  void set(unsigned int property, const V& value) {
    this->requireValid("set");
    this->workspace_->setItem(this->handle_ + property, value);
  }
};

}  // namespace workspace
}  // namespace tavik
