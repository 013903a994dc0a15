// The bench's one global configuration element: load status, progress,
// abort request, configuration version and the bench-wide settings.
// Items: global_config::Item.
#pragma once

#include "workspace/ElementClass.h"

namespace tavik {
namespace workspace {

class GlobalConfig : public ElementClass<GlobalConfig, element_class::kGlobalConfig> {
 public:
  static constexpr const wchar_t* kElementName = L"GlobalConfig";

  // Opens the global configuration element, creating it on first use.
  GlobalConfig() : ElementClass(kElementName) {}
};

}  // namespace workspace
}  // namespace tavik
