#include "workspace/Parameter.h"

namespace tavik {
namespace workspace {

void Parameter::set(parameter::Property property, double value) {
  requireValid("set");
  workspace_->setItem(handle_ + property, value);
}

namespace {
constexpr parameter::Property kLogFlagWords[4] = {parameter::Log_Flags_0, parameter::Log_Flags_1,
                                                  parameter::Log_Flags_2, parameter::Log_Flags_3};

uint64_t wordOf(const uint256_t& value, int index) {
  const uint128_t& half = index < 2 ? value.lower() : value.upper();
  return index % 2 == 0 ? half.lower() : half.upper();
}
}  // namespace

void Parameter::add_log_flags(uint256_t flags) {
  requireValid("add_log_flags");
  const uint256_t merged = getLogFlags() | flags;
  for (int i = 0; i < 4; ++i)
    workspace_->setItem(handle_ + kLogFlagWords[i], static_cast<long long>(wordOf(merged, i)));
}

uint256_t Parameter::getLogFlags() const {
  requireValid("getLogFlags");
  uint64_t words[4];
  for (int i = 0; i < 4; ++i) {
    long long word = 0;
    workspace_->getItem(handle_ + kLogFlagWords[i], word);
    words[i] = static_cast<uint64_t>(word);
  }
  return uint256_t(uint128_t(words[3], words[2]), uint128_t(words[1], words[0]));
}

}  // namespace workspace
}  // namespace tavik
