// Creates a workspace element object owned by a boost::shared_ptr.
//
// The arguments go unchanged to T's constructor (ints passed where the
// constructor takes unsigned long long are widened by sign extension, as the
// language converts them). When the constructor throws, the memory is released
// and the exception reaches the caller. The element's reference count is not
// touched; callers raise it where they need to.
#pragma once

#include <utility>

#include <boost/shared_ptr.hpp>

template <typename T, typename... Args>
boost::shared_ptr<T> create_shared(Args&&... args) {
  return boost::shared_ptr<T>(new T(std::forward<Args>(args)...));
}
