// Parameters are never removed from the workspace, so a look-up by name finds
// one that only an earlier configuration made. During a load these look-ups
// see only the parameters the load itself has opened by name so far
// (workspace::Parameter::NameWatch, which loadConfig holds), as a load into
// an empty workspace would; outside a load they see every parameter.
#pragma once

#include <string>

#include "workspace/Parameter.h"
#include "workspace/Workspace.h"

namespace tavik {

// Whether a parameter of that name exists for this load.
inline bool parameterOfThisLoadExists(const workspace::Workspace& workspace,
                                      const std::wstring& name) {
  const long long handle = workspace.findElement(name, workspace::memory_area::kParameters);
  return handle > 0 && workspace::Parameter::NameWatch::saw(handle);
}

// The handle of the parameter of that name that exists for this load; the
// workspace's own refusal of a name it does not hold otherwise.
inline long long parameterOfThisLoad(const workspace::Workspace& workspace,
                                     const std::wstring& name) {
  const long long handle = workspace.getElement(name, workspace::memory_area::kParameters);
  if (!workspace::Parameter::NameWatch::saw(handle)) {
    throw WorkspaceException("no workspace element named \"" + workspace::Parameter::narrow(name) +
                             "\" in memory area 0x400000");
  }
  return handle;
}

}  // namespace tavik
