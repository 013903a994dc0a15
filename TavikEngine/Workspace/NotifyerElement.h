// In-process notifying element: an int item write that tells the observer
// objects registered on this proxy (not other processes). The notifying item
// write uses it to mark a listener as notified.
#pragma once

#include <set>

#include <boost/shared_ptr.hpp>

#include "TavikEngine/Workspace/SharedElement.h"
#include "TavikEngine/Workspace/ItemObserver.h"

namespace tavik {
namespace workspace {

template <class T>
class NotifyerElement : public SharedElement<T> {
 public:
  using SharedElement<T>::SharedElement;

  // Registers an observer of this proxy's int writes; one already registered
  // (or a null pointer) is ignored.
  void addObserver(const boost::shared_ptr<ItemObserver>& observer) {
    if (observer) observers_.insert(observer);
  }

  bool hasObservers() const { return !observers_.empty(); }

  // Tells every observer, in the set's order.
  void notifyObservers(long long handle, unsigned int property, int oldValue, int newValue) {
    for (const auto& observer : observers_) observer->itemChanged(handle, property, oldValue, newValue);
  }

  // Writes an int item. With observers, the old value is read first and every
  // observer is told (old, new) before the READ_WRITE line
  //   "Set <element>[<handle>] -> Position[<item>] to <value>"
  // is logged. The item holds the new value afterwards in every case.
  void set(unsigned int property, const int& value) {
    this->requireValid("set");
    const long long offset = this->handle_ + property;
    if (hasObservers()) {
      int oldValue = 0;
      this->workspace_->getItem(offset, oldValue);
      this->workspace_->setItem(offset, value);
      notifyObservers(this->handle_, property, oldValue, value);
    }
    LOG(READ_WRITE) << "Set " + this->getName() + "[" + this->toString(this->handle_) + "]" +
                           " -> " + "Position" + "[" + this->toString(property) + "]" + " to " +
                           this->toString(value);
    this->workspace_->setItem(offset, value);
  }

 private:
  std::set<boost::shared_ptr<ItemObserver>> observers_;
};

}  // namespace workspace
}  // namespace tavik
