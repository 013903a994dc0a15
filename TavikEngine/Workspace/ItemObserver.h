// An in-process observer of int item changes of one element proxy
// (NotifyerElement). Observers are held by shared pointer; each is told once
// per write, with the item's value before and after.
#pragma once

namespace tavik {
namespace workspace {

class ItemObserver {
 public:
  virtual ~ItemObserver() = default;
  virtual void itemChanged(long long handle, unsigned int item, int oldValue, int newValue) = 0;
};

}  // namespace workspace
}  // namespace tavik
