// The Option elements of one action's group data, found by their Name text.
//
// A group action takes the values of each of its options from the data
// Option of the same name: the first Option, in document order, that has a
// Name child holding a text node (PCDATA or CDATA) of exactly that text, as a
// selection by Options/Option/Name[text()='...'] finds it. The options are
// indexed once, so that matching an action's options costs one look-up each
// instead of a walk over all of them.
//
// Holds pointers into the document's text: the document must outlive the
// index and stay unchanged.
#pragma once

#include <string_view>
#include <unordered_map>

#include <pugixml.hpp>

namespace tavik {

class DataOptions {
 public:
  // Indexes the Option children of `options` (an "Options" node; an empty
  // node gives an empty index).
  explicit DataOptions(const pugi::xml_node& options);

  // The first Option named exactly `name`; an empty node when there is none.
  pugi::xml_node find(std::string_view name) const;

 private:
  std::unordered_map<std::string_view, pugi::xml_node> first_;
};

}  // namespace tavik
