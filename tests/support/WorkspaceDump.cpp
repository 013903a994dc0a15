#include "WorkspaceDump.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "workspace/ActionGroup.h"
#include "workspace/ChannelSelector.h"
#include "workspace/Chunk.h"
#include "workspace/ElementSchema.h"
#include "workspace/LinkPath.h"
#include "workspace/PropertyMap.h"
#include "workspace/PropertyTable.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Testplan.h"
#include "workspace/TestplanColumn.h"
#include "workspace/Workspace.h"

namespace tavik_test {

namespace ws = tavik::workspace;

namespace {

bool excluded(int class_id) {
  return class_id == ws::element_class::kParameter || class_id == ws::element_class::kDevice ||
         class_id == ws::element_class::kGlobalConfig ||
         class_id == ws::element_class::kIPCListener || class_id == ws::element_class::kElementList;
}

// A class's schema by its element type code (one class per code).
const ws::ElementSchema* schemaOfType(int element_type) {
  static const std::map<int, const ws::ElementSchema*> by_type = [] {
    std::map<int, const ws::ElementSchema*> map;
    for (const ws::ElementSchema& schema : ws::allSchemas()) map[schema.element_type] = &schema;
    return map;
  }();
  const auto found = by_type.find(element_type);
  return found == by_type.end() ? nullptr : found->second;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Printable ASCII as it is; quotes, backslashes and everything else escaped,
// so that every text fits on one line and differences in invisible
// characters show.
std::string quoted(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    const unsigned long code = static_cast<unsigned long>(c);
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (code >= 0x20 && code < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\u{%lX}", code);
      out += buffer;
    }
  }
  return out + "\"";
}

// Exactly: the shortest text that reads back as the same double.
std::string exact(double value) {
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ptr);
}

}  // namespace

std::vector<DumpedElement> dumpedElements() {
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  std::vector<DumpedElement> elements;
  std::vector<long long> handles;
  for (const ws::ElementSchema& schema : ws::allSchemas()) {
    if (excluded(schema.class_id)) continue;
    workspace->getAllElementsOfType(schema.element_type, handles, schema.area);
    for (long long handle : handles) {
      ws::SharedElement<void> element(handle);
      elements.push_back({schema.class_id, element.wideName()});
    }
  }
  return elements;
}

// Writes the facts of one dump.
class DumpWriter {
 public:
  explicit DumpWriter(WorkspaceDump& dump)
      : dump_(dump), workspace_(ws::Workspace::getInstance()) {}

  void element(const DumpedElement& wanted) {
    const ws::ElementSchema* schema = ws::findSchema(wanted.class_id);
    if (schema == nullptr) return;
    class_ = schema->class_name;
    subject_ = class_ + " " + quoted(wanted.name);
    const long long handle = workspace_->findElement(wanted.name, schema->area);
    const int type = workspace_->getElementType(handle);
    if (handle <= 0 || type != schema->element_type) {
      const ws::ElementSchema* other = schemaOfType(type);
      fact("", "element", handle <= 0 ? "absent" : "is a " + (other ? other->class_name : "?"));
      return;
    }
    items(*schema, handle);
    guarded("lists", [&] { lists(wanted.class_id, handle); });
  }

 private:
  void fact(const std::string& itemKey, const std::string& what, const std::string& value) {
    // "Property_12" and "actions[3]" are about "Property_[]" and "actions[]".
    std::string about = class_ + " " + what.substr(0, what.find('['));
    if (what.find('[') != std::string::npos) {
      about += "[]";
    } else if (!about.empty() && std::isdigit(static_cast<unsigned char>(about.back()))) {
      while (std::isdigit(static_cast<unsigned char>(about.back()))) about.pop_back();
      about += "[]";
    }
    dump_.facts_.push_back({subject_ + " " + what + " = " + value, itemKey, std::move(about)});
  }

  // Runs a read; a refusal of the workspace becomes a fact of its own.
  void guarded(const std::string& what, const std::function<void()>& read) {
    try {
      read();
    } catch (const std::exception& e) {
      fact("", what, std::string("refused: ") + e.what());
    }
  }

  // An element handle as its class and name; other numbers as they are.
  std::string reference(long long value) {
    if (value <= 0 || !workspace_->isElement(value)) return std::to_string(value);
    const ws::ElementSchema* schema = schemaOfType(workspace_->getElementType(value));
    const std::string class_name = schema ? schema->class_name : "element";
    // The old copy of a remade element refuses every access, its name too.
    if (workspace_->isReplaced(value)) return "a replaced " + class_name;
    try {
      return class_name + " " + quoted(ws::SharedElement<void>(value).wideName());
    } catch (const std::exception& e) {
      return class_name + " refused: " + e.what();
    }
  }

  bool isList(long long value) const {
    return value > 0 && workspace_->isElement(value) &&
           workspace_->getElementType(value) == ws::element_type::kElementList;
  }

  void items(const ws::ElementSchema& schema, long long handle) {
    for (const ws::ItemSchema& item : schema.items) {
      if (endsWith(item.name, "Room")) continue;
      const std::string key = schema.class_name + "." + item.name;
      guarded(item.name, [&] { this->item(key, item, handle + item.item); });
    }
  }

  void item(const std::string& key, const ws::ItemSchema& item, long long offset) {
    switch (ws::valueKindOf(item.type_code)) {
      case ws::ValueKind::Int: {
        int value = 0;
        workspace_->getItem(offset, value);
        return fact("", item.name, std::to_string(value));
      }
      case ws::ValueKind::Unsigned: {
        unsigned int value = 0;
        workspace_->getItem(offset, value);
        return fact("", item.name, std::to_string(value));
      }
      case ws::ValueKind::LongLong: {
        long long value = 0;
        workspace_->getItem(offset, value);
        if (isList(value)) {
          dump_.list_items_.insert(key);
          return fact(key, item.name, "a list");
        }
        return fact(key, item.name, reference(value));
      }
      case ws::ValueKind::Double:
      case ws::ValueKind::NumberAsText: {
        double value = 0;
        workspace_->getItem(offset, value);
        return fact("", item.name, exact(value));
      }
      case ws::ValueKind::WideText:
      case ws::ValueKind::NarrowText: {
        std::wstring value;
        workspace_->getItem(offset, value);
        return fact("", item.name, quoted(value));
      }
    }
  }

  void lists(int class_id, long long handle) {
    switch (class_id) {
      case ws::element_class::kSequence:
        return sequence(ws::Sequence(handle));
      case ws::element_class::kActionGroup:
        return group(ws::ActionGroup(handle));
      case ws::element_class::kSharedAction:
        return action(ws::SharedAction(handle));
      case ws::element_class::kPropertyMap:
        return map(ws::PropertyMap(handle));
      case ws::element_class::kPropertyTable:
        return table(ws::PropertyTable(handle));
      case ws::element_class::kChannelSelector: {
        const std::vector<long long> parameters = ws::ChannelSelector(handle).getParameters();
        fact("", "parameters.count", std::to_string(parameters.size()));
        for (std::size_t k = 0; k < parameters.size(); ++k)
          fact("", "parameter[" + std::to_string(k) + "]", reference(parameters[k]));
        return;
      }
      case ws::element_class::kChunk:
        return fact("", "text", quoted(ws::Chunk(handle).getText()));
      case ws::element_class::kTestplan: {
        const ws::Testplan plan(handle);
        fact("", "columns.count", std::to_string(plan.getColumnCount()));
        fact("", "rows", std::to_string(plan.getRowCount()));
        for (int k = 0; k < plan.getColumnCount(); ++k)
          fact("", "column[" + std::to_string(k) + "]", reference(plan.getColumn(k).getHandle()));
        return;
      }
      case ws::element_class::kTestplanColumn:
        return column(ws::TestplanColumn(handle));
      case ws::element_class::kLinkPath: {
        const ws::LinkPath path(handle);
        fact("", "points.count", std::to_string(path.getPointCount()));
        for (int k = 0; k < path.getPointCount(); ++k)
          fact("", "point[" + std::to_string(k) + "]",
               std::to_string(path.getPointX(k)) + "," + std::to_string(path.getPointY(k)));
        return;
      }
      default:
        return;
    }
  }

  // A list read through count and position operations.
  void handleList(const std::string& what, int count, const std::function<long long(int)>& at) {
    fact("", what + ".count", std::to_string(count));
    for (int k = 0; k < count; ++k)
      fact("", what + "[" + std::to_string(k) + "]", reference(at(k)));
  }

  void sequence(const ws::Sequence& s) {
    fact("", "start action", reference(s.getStartAction()));
    handleList("actions", s.getActionCount(), [&](int k) { return s.getAction(k); });
    handleList("frames", s.getFrameCount(), [&](int k) { return s.getFrame(k); });
    handleList("comments", s.getCommentCount(), [&](int k) { return s.getComment(k); });
  }

  void group(const ws::ActionGroup& g) {
    fact("", "start action", reference(g.getStartAction()));
    handleList("actions", g.getActionCount(), [&](int k) { return g.getAction(k); });
    handleList("frames", g.getFrameCount(), [&](int k) { return g.getFrame(k); });
    handleList("comments", g.getCommentCount(), [&](int k) { return g.getComment(k); });
    fact("", "exit ports.count", std::to_string(g.getNextActionCount()));
    for (int k = 0; k < g.getNextActionCount(); ++k) {
      const ws::ActionGroup::NextAction port = g.getNextAction(k);
      fact("", "exit port[" + std::to_string(k) + "]",
           quoted(port.innerName) + " " + quoted(port.portName) + " target " +
               reference(port.target) + " link " + reference(port.link) + " at " +
               std::to_string(port.x) + "," + std::to_string(port.y));
    }
  }

  void action(const ws::SharedAction& a) {
    fact("", "exit ports.count", std::to_string(a.getExitCount()));
    guarded("exit ports", [&] {
      for (int k = 0; k < a.getExitCount(); ++k) {
        const ws::SharedAction::ExitPort port = a.getExitPort(k);
        fact("", "exit port[" + std::to_string(k) + "]",
             quoted(port.name) + " hasTarget " + std::to_string(port.hasTarget) + " at " +
                 std::to_string(port.x) + "," + std::to_string(port.y) + " visible " +
                 std::to_string(port.visible) + " successor " + reference(port.successor) +
                 " link " + reference(port.link) + " mode " + std::to_string(port.mode));
      }
    });
    guarded("property slots", [&] {
      const int count = a.getPropertyCount();
      fact("", "property count", std::to_string(count));
      for (int k = 0; k < count; ++k)
        fact("", "property slot[" + std::to_string(k) + "]", reference(a.getActionPropertyAt(k)));
    });
  }

  void map(const ws::PropertyMap& m) {
    fact("", "shape",
         std::to_string(m.getXCount()) + " x " + std::to_string(m.getYCount()) + ", " +
             std::to_string(m.getValueCount()) + " values");
    std::string x, y, z;
    for (unsigned k = 0; k < m.getXCount(); ++k) x += " " + exact(m.getXAchsisValue(k));
    for (unsigned k = 0; k < m.getYCount(); ++k) y += " " + exact(m.getYAchsisValue(k));
    for (unsigned k = 0; k < m.getValueCount(); ++k) z += " " + exact(m.getValue(k));
    fact("", "x axis", "[" + x + " ]");
    fact("", "y axis", "[" + y + " ]");
    fact("", "values", "[" + z + " ]");
  }

  void table(const ws::PropertyTable& t) {
    fact("", "shape", std::to_string(t.getRows()) + " x " + std::to_string(t.getColumns()));
    const std::vector<std::wstring> names = t.getColumnNames();
    for (std::size_t c = 0; c < names.size(); ++c)
      fact("", "column name[" + std::to_string(c) + "]", quoted(names[c]));
    for (int r = 0; r < t.getRows(); ++r) {
      fact("", "row parameter[" + std::to_string(r) + "]", reference(t.getParameter(r)));
      for (int c = 0; c < t.getColumns(); ++c)
        fact("", "cell[" + std::to_string(r) + "," + std::to_string(c) + "]",
             quoted(t.getItem(r, c)));
    }
  }

  void column(const ws::TestplanColumn& c) {
    const unsigned long long rows = c.getRowCount();
    const int type = c.getCellType();
    fact("", "cells", std::to_string(rows) + " of type " + std::to_string(type));
    if (!ws::isKnownItemType(type)) return;
    for (unsigned long long r = 0; r < rows; ++r) {
      const long long offset = c.getHandle() + c.getPropertyForRow(static_cast<int>(r));
      const std::string what = "row[" + std::to_string(r) + "]";
      switch (ws::valueKindOf(type)) {
        case ws::ValueKind::WideText:
        case ws::ValueKind::NarrowText: {
          std::wstring value;
          workspace_->getItem(offset, value);
          fact("", what, quoted(value));
          break;
        }
        case ws::ValueKind::LongLong: {
          long long value = 0;
          workspace_->getItem(offset, value);
          fact("", what, reference(value));
          break;
        }
        default: {
          double value = 0;  // every other number reads exactly as a double
          workspace_->getItem(offset, value);
          fact("", what, exact(value));
        }
      }
    }
  }

  WorkspaceDump& dump_;
  boost::shared_ptr<ws::Workspace> workspace_;
  std::string class_;
  std::string subject_;
};

WorkspaceDump WorkspaceDump::of(const std::vector<DumpedElement>& elements) {
  WorkspaceDump dump;
  DumpWriter writer(dump);
  for (const DumpedElement& element : elements) writer.element(element);
  return dump;
}

std::vector<const WorkspaceDump::Fact*> WorkspaceDump::compared(
    const WorkspaceDump& dump, const std::set<std::string>& left_out) {
  std::vector<const Fact*> facts;
  facts.reserve(dump.facts_.size());
  for (const Fact& fact : dump.facts_)
    if (fact.itemKey.empty() || left_out.count(fact.itemKey) == 0) facts.push_back(&fact);
  return facts;
}

// By count: a line may repeat.
std::vector<const WorkspaceDump::Fact*> WorkspaceDump::lacking(const std::vector<const Fact*>& from,
                                                               const std::vector<const Fact*>& in) {
  std::multiset<std::string> other;
  for (const Fact* fact : in) other.insert(fact->text);
  std::vector<const Fact*> out;
  for (const Fact* fact : from) {
    const auto found = other.find(fact->text);
    if (found == other.end())
      out.push_back(fact);
    else
      other.erase(found);
  }
  return out;
}

WorkspaceDump WorkspaceDump::withoutElementsAbsentIn(const WorkspaceDump& reference) const {
  static const std::string kAbsent = " element = absent";
  std::set<std::string> absent;  // "<Class> \"<name>\" "
  for (const Fact& fact : reference.facts_) {
    const std::string& text = fact.text;
    if (text.size() > kAbsent.size() &&
        text.compare(text.size() - kAbsent.size(), kAbsent.size(), kAbsent) == 0)
      absent.insert(text.substr(0, text.size() - kAbsent.size() + 1));
  }
  WorkspaceDump kept;
  kept.list_items_ = list_items_;
  for (const Fact& fact : facts_) {
    // The subject ends at the space after its quoted name.
    const std::string& text = fact.text;
    std::size_t end = text.find('"');
    while (end != std::string::npos && ++end < text.size() && text[end] != '"')
      if (text[end] == '\\') ++end;
    if (end >= text.size() || absent.count(text.substr(0, end + 2)) == 0)
      kept.facts_.push_back(fact);
  }
  return kept;
}

std::vector<std::string> WorkspaceDump::lines() const {
  std::vector<std::string> out;
  for (const Fact* fact : compared(*this, list_items_)) out.push_back(fact->text);
  return out;
}

std::string WorkspaceDump::difference(const WorkspaceDump& expected, const WorkspaceDump& actual,
                                      const std::string& expectedLabel,
                                      const std::string& actualLabel, std::size_t shown) {
  std::set<std::string> left_out = expected.list_items_;
  left_out.insert(actual.list_items_.begin(), actual.list_items_.end());
  const std::vector<const Fact*> a = compared(expected, left_out);
  const std::vector<const Fact*> b = compared(actual, left_out);
  const std::vector<const Fact*> only_a = lacking(a, b);
  const std::vector<const Fact*> only_b = lacking(b, a);
  if (only_a.empty() && only_b.empty()) {
    bool same = a.size() == b.size();
    for (std::size_t k = 0; same && k < a.size(); ++k) same = a[k]->text == b[k]->text;
    return same ? "" : "  the same lines in another order\n";
  }
  auto section = [shown](const std::string& label, const std::vector<const Fact*>& facts) {
    std::string text = "  only in " + label + " (" + std::to_string(facts.size()) + " lines):\n";
    for (std::size_t k = 0; k < facts.size() && k < shown; ++k)
      text += "    " + facts[k]->text + "\n";
    return text;
  };
  return section(expectedLabel, only_a) + section(actualLabel, only_b);
}

std::set<std::string> WorkspaceDump::differingFacts(const WorkspaceDump& expected,
                                                    const WorkspaceDump& actual) {
  std::set<std::string> left_out = expected.list_items_;
  left_out.insert(actual.list_items_.begin(), actual.list_items_.end());
  const std::vector<const Fact*> a = compared(expected, left_out);
  const std::vector<const Fact*> b = compared(actual, left_out);
  std::set<std::string> about;
  for (const Fact* fact : lacking(a, b)) about.insert(fact->about);
  for (const Fact* fact : lacking(b, a)) about.insert(fact->about);
  return about;
}

}  // namespace tavik_test
