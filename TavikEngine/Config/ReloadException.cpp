#include "TavikEngine/Config/ReloadException.h"

namespace tavik {

ReloadException::ReloadException() = default;
ReloadException::~ReloadException() = default;

}  // namespace tavik
