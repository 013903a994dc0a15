// What a configuration load writes into the items that the reload check
// compares: a parameter's Set_ChannelName, Get_ChannelName, Set_Type and
// Get_Type. The phases of a load record their writes here in load order
// (device interfaces, parameter definitions, action options); an item holds
// the last write. The types are kept as the decimal text of the int written.
//
// An item that no step writes is not recorded: a load leaves it as the
// workspace holds it, so a reload cannot change it.
//
// Two kinds of write leave more than one possible value:
//  - writeIfPresent: a step that writes only when the parameter exists at
//    that point of the load and does not make it (a device's SetParam that
//    names a parameter). When no earlier step of the load made the parameter,
//    it either was in the workspace before the load (the write happens) or
//    the load makes it fresh later (the item stays empty): both are what
//    loading this file leaves, the second after a load into a workspace
//    without the parameter, the first after the next load of the same file.
//  - mayWrite: a step that writes or not depending on what this record does
//    not model; over an item that no step wrote before, anything stays
//    possible, so the item stays unrecorded.
//
// Not thread-safe; one record per check.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "workspace/ElementItems.h"

namespace tavik {

class ChannelWrites {
 public:
  enum Item { kSetChannel, kGetChannel, kSetType, kGetType, kItemCount };

  // A step opened or created the parameter by name: it exists from here on.
  void make(const std::wstring& parameter);
  // A write by a step that made the parameter: the item holds `value` now.
  void write(const std::wstring& parameter, Item item, const std::wstring& value);
  void write(const std::wstring& parameter, Item item, int value);
  // A write of a text item that happens only when the parameter exists.
  void writeIfPresent(const std::wstring& parameter, Item item, const std::wstring& value);
  // A write that may or may not happen.
  void mayWrite(const std::wstring& parameter, Item item, const std::wstring& value);

  // The values the item may hold after the load, in the order recorded;
  // null when no step writes it.
  const std::vector<std::wstring>* find(const std::wstring& parameter, Item item) const;

  // Whether the workspace takes `text` into the parameter's wide text item
  // `item` (a longer text is refused and the item keeps what it held).
  static bool fits(workspace::parameter::Property item, const std::wstring& text);

 private:
  struct Parameter {
    bool made = false;
    std::vector<std::wstring> items[kItemCount];  // empty: not written
  };
  std::unordered_map<std::wstring, Parameter> parameters_;
};

}  // namespace tavik
