// Test helper: the XML of sequences, actions, exit ports, action groups,
// frames and comments for the sequence loader, and what the workspace holds
// of them as texts that compare by element names.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "ElementItemsText.h"
#include "LoaderXml.h"
#include "workspace/LinkPath.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace tavik_test {

// One exit port: its fields and link points "x,y x,y" ("-,y" leaves X out).
inline std::string port(const std::string& portFields, const std::string& points = "") {
  std::string xml = "<Action>" + childrenXml(portFields) + (points.empty() ? "" : "<LinkPoints>");
  std::istringstream in(points);
  for (std::string point; in >> point;) {
    const std::string x = point.substr(0, point.find(','));
    xml += "<LinkPoint>" + (x == "-" ? "" : "<X>" + x + "</X>") + "<Y>" +
           point.substr(point.find(',') + 1) + "</Y></LinkPoint>";
  }
  return xml + (points.empty() ? "" : "</LinkPoints>") + "</Action>";
}

inline std::string action(const std::string& name, const std::string& ports = "",
                          const std::string& more = "") {
  return "<Action><Name>" + name + "</Name>" +
         (ports.empty() ? "" : "<NextActions>" + ports + "</NextActions>") + more + "</Action>";
}

inline std::string sequence(const std::string& category, const std::string& start,
                            const std::string& actions, const std::string& more = "") {
  return "<Sequence>" + (category.empty() ? "" : "<Category>" + category + "</Category>") +
         (start.empty() ? "" : "<StartActionName>" + start + "</StartActionName>") + "<Actions>" +
         actions + "</Actions>" + more + "</Sequence>";
}

inline std::string instance(const std::string& name, const std::string& definition,
                            const std::string& more = "") {
  return "<ActionGroup><Name>" + name + "</Name><ActionGroupSequence>" + definition +
         "</ActionGroupSequence>" + more + "</ActionGroup>";
}

inline std::string definition(const std::string& name, const std::string& start,
                              const std::string& actions, const std::string& more = "") {
  return "<ActionGroupSequence><Name>" + name + "</Name><StartActionName>" + start +
         "</StartActionName><Actions>" + actions + "</Actions>" + more + "</ActionGroupSequence>";
}

// Frames ("Rectangles") or comments ("Comments"), one per "Key=Value;..." item.
inline std::string frames(const std::string& tag, const std::vector<std::string>& items) {
  std::string xml = "<" + tag + ">";
  for (const std::string& item : items) xml += "<Item>" + childrenXml(item) + "</Item>";
  return xml + "</" + tag + ">";
}

// A MeasurementDefinition of the sequences, the group definitions and `more`.
inline std::string sequencesDocument(const std::string& sequences, const std::string& definitions = "",
                                     const std::string& more = "") {
  return "<MeasurementDefinition><Sequences>" + sequences + "</Sequences><ActionGroupSequences>" +
         definitions + "</ActionGroupSequences>" + more + "</MeasurementDefinition>";
}

// The element of that name among sequences, actions and groups; 0 for none.
inline long long handle(const std::wstring& name) {
  return tavik::workspace::Workspace::getInstance()->findElement(name, 0xA00000);
}

// The name of the element at a handle; "-" for none (0), the number for
// anything else below 1.
inline std::wstring nameOf(long long handle) {
  if (handle == 0) return L"-";
  if (handle < 0) return std::to_wstring(handle);
  return itemsText(handle, "name");
}

// Ports of an action: "name hasTarget visible x,y -> successor (link)".
inline std::vector<std::wstring> ports(const std::wstring& name) {
  tavik::workspace::SharedAction a(handle(name));
  std::vector<std::wstring> out;
  for (int k = 0; k < a.getExitCount(); ++k) {
    const tavik::workspace::SharedAction::ExitPort p = a.getExitPort(k);
    out.push_back(p.name + L" " + std::to_wstring(p.hasTarget) + L" " + std::to_wstring(p.visible) +
                  L" " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y) + L" -> " +
                  nameOf(p.successor) + L" (" + nameOf(p.link) + L")");
  }
  return out;
}

// A link path: "start target | x,y x,y"; "none" when there is none.
inline std::wstring linkPath(const std::wstring& name) {
  namespace ws = tavik::workspace;
  const long long h = ws::Workspace::getInstance()->findElement(name, 0xD20000);
  if (h < 1) return L"none";
  ws::LinkPath path(h);
  std::wstring text = nameOf(path.get<long long>(ws::link_path::START_ACTION)) + L" " +
                      nameOf(path.get<long long>(ws::link_path::TARGET_ACTION)) + L" |";
  for (int k = 0; k < path.getPointCount(); ++k)
    text += L" " + std::to_wstring(path.getPointX(k)) + L"," + std::to_wstring(path.getPointY(k));
  return text;
}

}  // namespace tavik_test
