// The workspace's own bookkeeping inside the segment, shared by every process
// that maps it: the mutex and the three element indexes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <boost/interprocess/allocators/allocator.hpp>
#include <boost/interprocess/containers/map.hpp>
#include <boost/interprocess/containers/set.hpp>
#include <boost/interprocess/containers/vector.hpp>
#include <boost/interprocess/managed_shared_memory.hpp>
#include <boost/interprocess/sync/interprocess_mutex.hpp>

namespace tavik {
namespace workspace {

// Name of the root object in the segment, and the version of this layout: a
// segment made by a program with another layout is refused, not misread.
constexpr const char* kSegmentRootName = "tavik_workspace_root";
constexpr std::uint32_t kSegmentLayoutVersion = 1;

// Key of the name index: elements are found by area and a hash of the name;
// the names themselves are compared in the elements.
struct NameKey {
  long long area;
  std::uint64_t hash;
};
inline bool operator<(const NameKey& a, const NameKey& b) {
  return a.area != b.area ? a.area < b.area : a.hash < b.hash;
}

// FNV-1a over the 16-bit units of a name.
inline std::uint64_t hashName(const std::u16string& units) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t unit : units) {
    hash = (hash ^ (unit & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (unit >> 8)) * 1099511628211ull;
  }
  return hash;
}

using SegmentManager = boost::interprocess::managed_shared_memory::segment_manager;
template <class T>
using SegmentAllocator = boost::interprocess::allocator<T, SegmentManager>;

struct SegmentRoot {
  explicit SegmentRoot(SegmentManager* manager)
      : names(std::less<NameKey>(), manager),
        elements(std::less<long long>(), manager),
        creation_order(manager) {}

  std::uint32_t layout_version = kSegmentLayoutVersion;
  // Guards creation and the three indexes below, across processes.
  boost::interprocess::interprocess_mutex mutex;
  // (area, name hash) -> handle.
  boost::interprocess::multimap<NameKey, long long, std::less<NameKey>,
                                SegmentAllocator<std::pair<const NameKey, long long>>>
      names;
  // Every element handle, ordered by address: finds the element holding an offset.
  boost::interprocess::set<long long, std::less<long long>, SegmentAllocator<long long>> elements;
  // Every element handle in creation order.
  boost::interprocess::vector<long long, SegmentAllocator<long long>> creation_order;
};

}  // namespace workspace
}  // namespace tavik
