// The bench's one global configuration element: load status, progress,
// abort request, configuration version and the bench-wide settings.
#pragma once

#include "TavikEngine/Workspace/ItemNotifyerElement.h"
#include "workspace/ElementItems.h"
#include "workspace/ElementOpen.h"
#include "workspace/ElementSchema.h"

namespace tavik {
namespace workspace {

class GlobalConfig : public ItemNotifyerElement<GlobalConfig> {
 public:
  static constexpr const wchar_t* kElementName = L"GlobalConfig";

  // Opens the global configuration element, creating it on first use.
  GlobalConfig()
      : ItemNotifyerElement<GlobalConfig>(
            openElementByName(element_class::kGlobalConfig, kElementName)) {}
};

}  // namespace workspace
}  // namespace tavik
