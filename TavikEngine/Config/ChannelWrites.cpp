#include "TavikEngine/Config/ChannelWrites.h"

#include "workspace/ElementClasses.h"
#include "workspace/ElementSchema.h"
#include "workspace/Utf16.h"

namespace tavik {

void ChannelWrites::make(const std::wstring& parameter) { parameters_[parameter].made = true; }

void ChannelWrites::write(const std::wstring& parameter, Item item, const std::wstring& value) {
  Parameter& written = parameters_[parameter];
  written.made = true;
  written.items[item].assign(1, value);
}

void ChannelWrites::write(const std::wstring& parameter, Item item, int value) {
  write(parameter, item, std::to_wstring(value));
}

void ChannelWrites::writeIfPresent(const std::wstring& parameter, Item item,
                                   const std::wstring& value) {
  Parameter& written = parameters_[parameter];
  if (written.made) {
    written.items[item].assign(1, value);
    return;
  }
  // A fresh parameter's text items are empty.
  written.items[item] = {value, std::wstring()};
}

void ChannelWrites::mayWrite(const std::wstring& parameter, Item item, const std::wstring& value) {
  const auto found = parameters_.find(parameter);
  if (found == parameters_.end()) return;
  std::vector<std::wstring>& values = found->second.items[item];
  if (!values.empty()) values.push_back(value);
}

const std::vector<std::wstring>* ChannelWrites::find(const std::wstring& parameter,
                                                     Item item) const {
  const auto found = parameters_.find(parameter);
  if (found == parameters_.end() || found->second.items[item].empty()) return nullptr;
  return &found->second.items[item];
}

bool ChannelWrites::fits(workspace::parameter::Property item, const std::wstring& text) {
  static const workspace::ElementSchema* const schema =
      workspace::findSchema(workspace::element_class::kParameter);
  const workspace::ItemSchema* entry = workspace::findItem(*schema, item);
  // Room in bytes for 16-bit units and the terminating zero unit.
  return entry != nullptr && workspace::utf16Length(text) + 1 <= entry->room / 2;
}

}  // namespace tavik
