#include "TavikEngine/Config/sequenceloader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "TavikEngine/Actions/DurationLogger.h"
#include "TavikEngine/Config/ChildFields.h"
#include "TavikEngine/Config/ConfigException.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/create_shared.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ActionGroup.h"
#include "workspace/Comment.h"
#include "workspace/ElementItems.h"
#include "workspace/Frame.h"
#include "workspace/GlobalConfig.h"
#include "workspace/LinkPath.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Testplan.h"
#include "workspace/Workspace.h"

namespace tavik {

namespace {

namespace global = workspace::global_config;
namespace seq = workspace::sequence;
namespace grp = workspace::action_group;
namespace act = workspace::shared_action;
namespace fc = workspace::frame;
namespace cm = workspace::comment;
namespace lp = workspace::link_path;

constexpr int kActionGroupType = workspace::element_type::kActionGroup;
constexpr int kActionType = workspace::element_type::kSharedAction;
constexpr int kDefaultColor = 14474460;  // 0xDCDCDC
constexpr int kMaxGroupExitPorts = 20;

// Whether the loader's sequence was marked failed by the body's handler.
bool loadOk = true;

std::wstring childWide(const pugi::xml_node& node, const char* name) {
  return childText(node, name);
}

// Group instances one sequence may create: the workspace's free room at its
// start over what an instance of one action without options takes (the
// group element, the action, its comment chunk and their list entries:
// 13.9 to 14.2 KB measured), and never more than kMaxGroupInstances. A
// definition that places two instances of the next one doubles the count
// per level: a few kilobytes of file would otherwise fill the workspace
// before the load can fail.
constexpr std::size_t kGroupInstanceBytes = 14 * 1024;
constexpr long long kMaxGroupInstances = 100000;
// Counts stop growing here (far above any bound): no overflow.
constexpr long long kCountCap = 1LL << 50;

// Writes a text into an item of `element` (named `name` in a log line, a
// `kind` such as "Frame"). A text the item refuses (a position, size or
// colour that is no number, a text too long for its room) leaves the item
// empty, with a WARNING naming the element, the item and the text: a detail
// of the drawing never costs the element.
template <class Element>
void setOrLeaveEmpty(Element& element, unsigned int item, const std::wstring& text,
                     const char* kind, const std::wstring& name) {
  try {
    element.set(item, text);
    return;
  } catch (const WorkspaceException& e) {
    LOG(WARNING) << kind << " " << utf8Text(name) << ": item " << element.getPropertyName(item)
                 << " left empty, the text \"" << utf8Text(text) << "\" was refused: "
                 << e.twhat();
  }
  element.set(item, std::wstring());
}

// Calls visit(node) for every node reached from `root` by the child names of
// `path`, in document order.
template <class Visit>
void walk(const pugi::xml_node& root, std::initializer_list<const char*> path, Visit&& visit) {
  std::vector<pugi::xml_node> level{root};
  for (const char* name : path) {
    std::vector<pugi::xml_node> next;
    for (const pugi::xml_node& node : level)
      for (const pugi::xml_node& child : node.children(name)) next.push_back(child);
    level.swap(next);
  }
  for (const pugi::xml_node& node : level) visit(node);
}

// Every text node directly below `element` (what [text()=...] compares).
template <class Visit>
void forEachText(const pugi::xml_node& element, Visit&& visit) {
  for (const pugi::xml_node& child : element.children())
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      visit(std::string(child.value()));
}

// The parent of the first node on `path` below `root` that holds the text
// `name`: the first selection of "path[text()='name']/..".
pugi::xml_node firstParentWithText(const pugi::xml_node& root,
                                   std::initializer_list<const char*> path,
                                   const std::string& name) {
  pugi::xml_node found;
  walk(root, path, [&](const pugi::xml_node& node) {
    if (!found && hasText(node, name)) found = node.parent();
  });
  return found;
}

void frameItems(workspace::ItemNotifyerElement<workspace::Frame>& frame, const std::wstring& name,
                const pugi::xml_node& node) {
  frame.set(fc::Color, node.child("Color").text().as_int(kDefaultColor));
  setOrLeaveEmpty(frame, fc::Width, childWide(node, "Width"), "Frame", name);
  setOrLeaveEmpty(frame, fc::Height, childWide(node, "Height"), "Frame", name);
  setOrLeaveEmpty(frame, fc::X, childWide(node, "X"), "Frame", name);
  setOrLeaveEmpty(frame, fc::Y, childWide(node, "Y"), "Frame", name);
}

void commentItems(workspace::ItemNotifyerElement<workspace::Comment>& comment,
                  const std::wstring& name, const pugi::xml_node& node) {
  comment.set(cm::Color, node.child("Color").text().as_int(kDefaultColor));
  setOrLeaveEmpty(comment, cm::Width, childWide(node, "Width"), "Comment", name);
  setOrLeaveEmpty(comment, cm::Height, childWide(node, "Height"), "Comment", name);
  setOrLeaveEmpty(comment, cm::X, childWide(node, "X"), "Comment", name);
  setOrLeaveEmpty(comment, cm::Y, childWide(node, "Y"), "Comment", name);
  comment.set(cm::CommentText, childWide(node, "CommentText"));
}

std::string chainText(const std::vector<std::wstring>& chain, const std::wstring& last) {
  std::string text;
  for (const std::wstring& name : chain) text += utf8Text(name) + " -> ";
  return text + utf8Text(last);
}

}  // namespace

SequenceLoader::SequenceLoader()
    : globalConfig(create_shared<workspace::GlobalConfig>()) {}

SequenceLoader::~SequenceLoader() = default;

void SequenceLoader::setFormuaLoader(FormuaLoader* loader) {
  formuaLoader = loader;
  actionLoader.setFormuaLoader(loader, &formulaUses);
}

void SequenceLoader::setMapLoader(const MapLoader* maps) { actionLoader.setMapLoader(maps); }

void SequenceLoader::load(const pugi::xml_node& measurementDefinition, bool reload) {
  (void)reload;  // a reload loads the sequences the same way
  DurationLogger timer(L"Loading Sequences");
  LOG(INFO) << "Loading Sequences";
  formulaUses.clear();
  const pugi::xml_node sequences = measurementDefinition.child("Sequences");

  globalConfig->set(global::ProgressTotal, 0);
  actionHandles.clear();
  repeatedActions.clear();
  loadOk = true;
  globalConfig->set(global::ProgressCurrent, 0);

  int actions = 0;
  for (const pugi::xml_node& sequence : sequences.children("Sequence"))
    for (const pugi::xml_node& action : sequence.child("Actions").children("Action")) {
      (void)action;
      ++actions;
    }
  globalConfig->set(global::ProgressTotal, 2 * actions);

  indexDocument(measurementDefinition);
  // Names resolve only to what this load builds.
  openBuiltRegister();
  // The index and the register serve this walk only: a document parsed later
  // in the same place must not meet them.
  struct Forget {
    SequenceLoader& loader;
    ~Forget() {
      loader.forgetDocument();
      loader.closeBuiltRegister();
    }
  } forget{*this};
  remadeActions.clear();
  for (const pugi::xml_node& sequence : sequences.children("Sequence"))
    loadSequence(sequence, measurementDefinition);
  if (!remadeActions.empty()) followRemadeActions();

  if (!loadOk) throw LoadAbortedException();
  actionHandles.clear();
  if (globalConfig->get<int>(global::AbortRequest) != 0) throw LoadAbortedException();
  LOG(INFO) << "Loading Sequences ready";
  if (formuaLoader != nullptr) {
    std::vector<FormulaEntry>& uses = formuaLoader->get_formula_uses();
    uses.insert(uses.end(), formulaUses.begin(), formulaUses.end());
  }
}

void SequenceLoader::loadSequence(const pugi::xml_node& node,
                                  const pugi::xml_node& measurementDefinition) {
  std::wstring name = childWide(node, "Category");
  // Every failure while loading one sequence (here: a status text or name
  // that does not fit, a sequence that would create too many groups, a full
  // workspace) fails that sequence only: the next one is loaded, and load()
  // ends false.
  try {
    globalConfig->set(global::StatusText, L"Step 4/4: Loading Sequence: " + name);
    name += L"_Sequence";
    checkGroupInstances(node.child("Actions"), measurementDefinition, name);
    claimName(name, workspace::element_class::kSequence);
    workspace::Sequence sequence(name);
    // The first node of a name in this load builds the sequence anew; a
    // second node of the same name adds to it.
    if (recordBuilt(sequence.getHandle())) sequence.reset();
    sequence.increaseReferenceCounter();
    setOrLeaveEmpty(sequence, seq::StartX, getChildValue(node, L"StartX", L"0"), "Sequence", name);
    setOrLeaveEmpty(sequence, seq::StartY, getChildValue(node, L"StartY", L"0"), "Sequence", name);
    const long long testplan = testplanForSequence(name);
    load_sequence_or_group(node, measurementDefinition, name, sequence, testplan);
  } catch (const std::exception& e) {
    LOG(UA_WARNING) << "Error while loading Sequences: " << e.what();
    loadOk = false;
  }
}

void SequenceLoader::checkGroupInstances(const pugi::xml_node& actions,
                                         const pugi::xml_node& measurementDefinition,
                                         const std::wstring& name) {
  const long long room = static_cast<long long>(workspace->getFreeBytes() / kGroupInstanceBytes);
  const long long bound = std::min(kMaxGroupInstances, room);
  const long long count = countGroupInstances(actions, measurementDefinition);
  if (count <= bound) return;
  throw ConfigException("The sequence " + utf8Text(name) + " would create " +
                        (count >= kCountCap ? "at least " : "") + std::to_string(count) +
                        " action groups; the workspace has room for " + std::to_string(bound) +
                        " (one per " + std::to_string(kGroupInstanceBytes) +
                        " bytes free, at most " + std::to_string(kMaxGroupInstances) + ")");
}

long long SequenceLoader::countGroupInstances(const pugi::xml_node& actions,
                                              const pugi::xml_node& measurementDefinition) {
  // A walk as load_group makes it (a referenced instance, its definition's
  // instances below it), without recursion and with the count below each
  // definition kept, so that a definition placed many times is walked once:
  // the time grows with the document, not with the count.
  struct Level {
    std::wstring definition;  // empty for the sequence itself
    pugi::xml_node next;      // the next ActionGroup child to count
    long long count;          // instances counted below this level so far
  };
  std::unordered_map<std::wstring, long long> below;
  std::unordered_set<std::wstring> open;  // definitions on the way down
  std::vector<Level> levels{{std::wstring(), actions.child("ActionGroup"), 0}};
  const auto add = [](long long& count, long long more) {
    count = std::min(kCountCap, count + 1 + more);
  };
  for (;;) {
    const pugi::xml_node instance = levels.back().next;
    if (!instance) {
      const Level done = levels.back();
      levels.pop_back();
      if (levels.empty()) return done.count;
      open.erase(done.definition);
      below[done.definition] = done.count;
      add(levels.back().count, done.count);
      continue;
    }
    levels.back().next = instance.next_sibling("ActionGroup");
    if (!isReferencedGroup(measurementDefinition, instance.child_value("Name"))) continue;
    const std::wstring definition = wideText(instance.child_value("ActionGroupSequence"));
    const auto known = below.find(definition);
    if (known != below.end()) {
      add(levels.back().count, known->second);
    } else if (!open.insert(definition).second) {
      // A definition that places itself: load_group refuses it there.
      add(levels.back().count, 0);
    } else {
      const pugi::xml_node body =
          findActionGroupSequence(measurementDefinition, definition).child("Actions");
      levels.push_back({definition, body.child("ActionGroup"), 0});
    }
  }
}

long long SequenceLoader::testplanForSequence(const std::wstring& sequenceName) {
  static const std::pair<const wchar_t*, const wchar_t*> kBound[] = {
      {L"Initialize_Sequence", L"Initialize_Testplan"},
      {L"Main_Sequence", L"Main_Testplan"},
      {L"Stop_Sequence", L"Stop_Testplan"},
      {L"End_Sequence", L"End_Testplan"}};
  for (const auto& bound : kBound) {
    if (sequenceName != bound.first) continue;
    // A plan an earlier file left behind is not this configuration's.
    if (testplanLoader != nullptr && testplanLoader->getBuiltTestplans().count(bound.second) == 0)
      return -1;
    return workspace::Testplan(bound.second, 0).getHandle();
  }
  return -1;
}

void SequenceLoader::load_sequence_or_group(const pugi::xml_node& node,
                                            const pugi::xml_node& measurementDefinition,
                                            const std::wstring& name,
                                            workspace::Sequence& sequence, long long testplan) {
  try {
    const std::wstring startActionName = getChildValue(node, L"StartActionName", L"NN");
    const bool found =
        loadActions(node.child("Actions"), measurementDefinition, sequence, testplan, name);
    if (found && !startActionName.empty()) setStartAction(sequence, name, startActionName);

    int i = 0;
    for (const pugi::xml_node& rectangle : node.child("Rectangles").children()) {
      if (rectangle.type() != pugi::node_element) continue;
      const std::wstring elementName = name + L"_frame_" + std::to_wstring(i++);
      workspace::Frame frame(elementName);
      frameItems(frame, elementName, rectangle);
      sequence.addFrame(frame.getHandle());
    }
    int j = 0;
    for (const pugi::xml_node& text : node.child("Comments").children()) {
      if (text.type() != pugi::node_element) continue;
      const std::wstring elementName = name + L"_comment_" + std::to_wstring(j++);
      workspace::Comment comment(elementName);
      commentItems(comment, elementName, text);
      sequence.addComment(comment.getHandle());
    }
  } catch (const std::exception& e) {
    // Every failure, not only a configuration error: a WorkspaceException
    // (a text that does not fit, a full workspace) fails this sequence too,
    // never the whole load.
    LOG(UA_WARNING) << "Error while loading Sequences: " << e.what();
    loadOk = false;
  }
}

bool SequenceLoader::loadActions(const pugi::xml_node& actions,
                                 const pugi::xml_node& measurementDefinition,
                                 workspace::Sequence& sequence, long long testplan,
                                 std::wstring name) {
  const bool a = add_sequence_actions(sequence, actions, testplan, name);
  const bool g = loadActionGroups(actions, testplan, measurementDefinition, sequence, name);
  for (const pugi::xml_node& action : actions.children("Action")) {
    globalConfig->set(global::ProgressCurrent,
                      globalConfig->get<int>(global::ProgressCurrent) + 1);
    if (globalConfig->get<int>(global::AbortRequest) > 0) return false;
    if (!isRepeated(action)) loadActionLinks(name, action);
  }
  loadActionGroupLinks(measurementDefinition, actions, name);
  return g || a;
}

bool SequenceLoader::add_sequence_actions(workspace::Sequence sequence, pugi::xml_node actions,
                                          long long testplan, std::wstring name) {
  markRepeatedActions(actions, name);
  bool found = false;
  for (const pugi::xml_node& action : actions.children("Action")) {
    found = true;
    const int current = globalConfig->get<int>(global::ProgressCurrent);
    if (globalConfig->get<int>(global::AbortRequest) > 0) return false;
    globalConfig->set(global::ProgressCurrent, current + 1);
    if (isRepeated(action)) continue;
    std::string failure;
    const boost::shared_ptr<workspace::SharedAction> element = tryCreateAction(
        name + L"/" + childWide(action, "Name"),
        [&](std::wstring& fullName) {
          return actionLoader.createAction(name, action, sequence.getHandle(), testplan,
                                           fullName);
        },
        failure);
    if (!element) {
      LOGF(WARNING, "Error creating action %s", failure.c_str());
      continue;
    }
    // A list that finds no room to grow fails the sequence (its handler).
    sequence.addAction(element->getHandle());
  }
  return found;
}

void SequenceLoader::setStartAction(workspace::Sequence sequence, const std::wstring& name,
                                    const std::wstring& startActionName) {
  const std::wstring startName = name + L"/" + startActionName;
  long long handle = 0;
  const int type = builtElementType(startName, handle);
  if (type == kActionGroupType) {
    handle = resolveGroupStart(handle, type, startName);
    const workspace::SharedAction action(handle);
    sequence.setStartAction(action);
    sequence.set(seq::RunStep, 0);
    sequence.set(seq::RunState, 0);
    return;
  }
  const workspace::SharedAction action(handle);
  if (action.getHandle() != 0) {
    sequence.setStartAction(action);
    sequence.set(seq::RunStep, 0);
    sequence.set(seq::RunState, 0);
  }
}

long long SequenceLoader::resolveGroupStart(long long handle, int type,
                                            const std::wstring& startName) {
  // A configuration cannot make the start actions of groups lead in a
  // circle, but a stale or foreign write of a start item can: every group is
  // passed at most once.
  std::unordered_set<long long> passed;
  while (type == kActionGroupType) {
    if (!passed.insert(handle).second) {
      throw ConfigException("The start action " + utf8Text(startName) +
                            " leads into a loop of action groups");
    }
    handle = builtHandle(workspace::ActionGroup(handle).getStartAction());
    type = workspace->getElementType(handle);
  }
  return handle;
}

void SequenceLoader::loadActionLinks(const std::wstring& name, const pugi::xml_node& action) {
  static const char* const kNames[] = {"NextActions", "Name"};
  pugi::xml_node fields[2];
  firstChildren(action, kNames, fields);
  const pugi::xml_node nextActions = fields[0];
  const std::wstring key = name + L"/" + wideText(fields[1].child_value());
  const boost::shared_ptr<workspace::SharedAction> element = builtAction(key);
  if (element->getHandle() < 1) {
    // Its creation failed (and was reported): nothing to link.
    WLOG(WARNING) << L"Action " << key << L" was not created: its exit ports are not loaded";
    return;
  }
  // The element holds the name it was found by, unless the 16-bit storage
  // changes it.
  if (readsBackUnchanged(key)) {
    loadNextActions(name, element, key, nextActions);
  } else {
    loadNextActions(name, element, element->wideName(), nextActions);
  }
}

void SequenceLoader::loadNextActions(const std::wstring& name,
                                     boost::shared_ptr<workspace::SharedAction> action,
                                     const pugi::xml_node& nextActions) {
  loadNextActions(name, action, action->wideName(), nextActions);
}

boost::shared_ptr<workspace::SharedAction> SequenceLoader::builtAction(const std::wstring& key) {
  const auto created = actionHandles.find(key);
  if (created != actionHandles.end() && created->second >= 1)
    return create_shared<workspace::SharedAction>(created->second);
  // Ports are loaded on actions only: an action group of that name (or an
  // element of an earlier file) holds none.
  long long handle = 0;
  const int type = builtElementType(key, handle);
  return create_shared<workspace::SharedAction>(type == kActionType ? handle : 0);
}

template <class Create>
boost::shared_ptr<workspace::SharedAction> SequenceLoader::tryCreateAction(
    const std::wstring& key, Create&& create, std::string& failure) {
  std::wstring fullName;
  boost::shared_ptr<workspace::SharedAction> element;
  try {
    claimName(key, workspace::element_class::kSharedAction);
    element = create(fullName);
  } catch (const WorkspaceFullException&) {
    throw;  // not this action's fault: the sequence stops
  } catch (const std::exception& e) {
    // Only the element itself could not be made (the action loader keeps any
    // later refusal to its item or option): nothing refers to it.
    failure = e.what();
    return nullptr;
  }
  recordBuilt(element->getHandle());
  long long& known = actionHandles[fullName];
  if (known > 0 && known != element->getHandle() && workspace->isReplaced(known))
    remadeActions[known] = element->getHandle();
  known = element->getHandle();
  return element;
}

void SequenceLoader::markRepeatedActions(const pugi::xml_node& actions,
                                         const std::wstring& owner) {
  // The last node of a Name wins wholly, as if the file held only that one:
  // the earlier ones are neither built nor linked. Keys are the names' texts
  // in the document: no copy unless a name repeats.
  LastActions last;
  if (!lastOfEachName(actions, last)) return;
  std::unordered_set<std::string_view> warned;
  for (const pugi::xml_node& action : actions.children("Action")) {
    const std::string_view name = action.child_value("Name");
    if (last[name] == action) continue;
    repeatedActions.insert(action.internal_object());
    if (warned.insert(name).second) {
      WLOG(WARNING) << L"Action " << owner << L"/" << wideText(std::string(name).c_str())
                    << L" is defined more than once: only its last definition is loaded";
    }
  }
}

bool SequenceLoader::lastOfEachName(const pugi::xml_node& actions, LastActions& last) {
  std::size_t count = 0;
  for (const pugi::xml_node& action : actions.children("Action")) {
    last[action.child_value("Name")] = action;
    ++count;
  }
  return last.size() != count;
}

bool SequenceLoader::isRepeated(const pugi::xml_node& action) const {
  return !repeatedActions.empty() && repeatedActions.count(action.internal_object()) > 0;
}

boost::shared_ptr<workspace::SharedAction> SequenceLoader::successor(const std::wstring& key) {
  // An action this load created under that name is that element; any other
  // name is looked up in the workspace.
  const auto created = actionHandles.find(key);
  if (created != actionHandles.end() && created->second >= 1)
    return create_shared<workspace::SharedAction>(created->second);
  return get_shared_action(key);
}

void SequenceLoader::loadNextActions(const std::wstring& name,
                               const boost::shared_ptr<workspace::SharedAction>& action,
                               const std::wstring& actionName, const pugi::xml_node& nextActions) {
  int exits = 0;
  long long drawn = 0;  // ports with link points
  for (const pugi::xml_node& port : nextActions.children("Action")) {
    ++exits;
    if (port.child("LinkPoints").child("LinkPoint")) ++drawn;
  }
  action->set(act::ExitCount, exits);
  checkLinkCount(drawn, L"Action " + actionName);
  int port = 0;
  linkCounter = 0;
  enum { kPortName, kActionName, kLinkPoints, kVisible, kPortX, kPortY, kPortFields };
  static const char* const kNames[kPortFields] = {"PortName",    "ActionName", "LinkPoints",
                                                  "PortVisible", "PortX",      "PortY"};
  std::wstring portName;
  std::wstring targetKey;
  std::wstring pathName;
  for (const pugi::xml_node& next : nextActions.children("Action")) {
    try {
      pugi::xml_node fields[kPortFields];
      firstChildren(next, kNames, fields);
      assignWideText(portName, fields[kPortName].child_value());
      const std::wstring targetName = wideText(fields[kActionName].child_value());

      long long linkHandle = -1;
      std::optional<workspace::LinkPath> path;
      const pugi::xml_node points = fields[kLinkPoints];
      if (points.child("LinkPoint")) {
        pathName = actionName;
        pathName += L"_Link_";
        pathName += std::to_wstring(linkCounter);
        path.emplace(pathName);
        ++linkCounter;
        path->increaseReferenceCounter();
        linkHandle = path->getHandle();
        for (const pugi::xml_node& point : points.children("LinkPoint"))
          path->addd_point(point.child("X").text().as_int(-1), point.child("Y").text().as_int(-1));
      }
      const bool visible = fields[kVisible].text().as_bool(true);
      const int portX = fields[kPortX].text().as_int(-1);
      const int portY = fields[kPortY].text().as_int(-1);

      targetKey = name;
      targetKey += L'/';
      targetKey += targetName;
      // A successor named keeps the port's shape also when the name is no
      // action of this load (the lookup then gives 0): the port has a target,
      // its link path is stored and leads from the action to 0, and the
      // target's reference count warns of the invalid element.
      boost::shared_ptr<workspace::SharedAction> target;
      if (!targetName.empty()) {
        target = successor(targetKey);
        if (target->getHandle() < 1) {
          WLOG(WARNING) << L"Action " << actionName << L", port " << portName << L": successor "
                        << targetKey << L" does not exist";
        }
      }
      action->addExitPort(port, portName, target ? 1 : 0, portX, portY);
      action->set_port_visible(port, visible);
      if (target) {
        target->increaseReferenceCounter();
        if (linkHandle > 0) {
          path->set(lp::START_ACTION, action->getHandle());
          path->set(lp::TARGET_ACTION, target->getHandle());
        }
        action->addNextAction(port, 0, target, linkHandle);
      }
    } catch (...) {
      // The sequence fails (its handler reports why); the port keeps its
      // position, with an empty name and no successor.
      clearPort(*action, port);
      throw;
    }
    ++port;
  }
}

bool SequenceLoader::hasPortNamed(const workspace::SharedAction& action,
                                  const std::wstring& portName) {
  const int ports = std::min(action.getExitCount(), action.getPortRoom());
  for (int port = 0; port < ports; ++port)
    if (action.getExitPort(port).name == portName) return true;
  return false;
}

void SequenceLoader::clearPort(workspace::SharedAction& action, int port) {
  try {
    action.addExitPort(port, std::wstring(), 0, 0, 0);
    action.set_port_visible(port, false);
    action.addNextAction(port, 0, nullptr, -1);
  } catch (const WorkspaceException&) {
    // A port outside the table was never written.
  }
}

void SequenceLoader::checkLinkCount(long long drawn, const std::wstring& owner) {
  // Link paths are numbered by a 16-bit counter: one more would take the name,
  // and so the points and actions, of the first.
  constexpr long long kLinkNumbers = 1LL << 16;
  if (drawn <= kLinkNumbers) return;
  throw ConfigException(utf8Text(owner) + " has " + std::to_string(drawn) +
                        " exit ports with link points; their link paths are numbered from 0 to " +
                        std::to_string(kLinkNumbers - 1) + " only");
}

bool SequenceLoader::loadActionGroups(const pugi::xml_node& actions, long long testplan,
                                      const pugi::xml_node& measurementDefinition,
                                      workspace::Sequence& sequence, const std::wstring& name) {
  loadedGroups[name].clear();
  bool any = false;
  for (const pugi::xml_node& group : actions.children("ActionGroup"))
    any = load_group(group, measurementDefinition, sequence, testplan, name) || any;
  return any;
}

bool SequenceLoader::load_group(const pugi::xml_node& group,
                                const pugi::xml_node& measurementDefinition,
                                workspace::Sequence& sequence, long long testplan,
                                const std::wstring& name) {
  enum { kName, kDefinition, kData, kX, kY, kWidth, kHeight, kColor, kGroupFields };
  static const char* const kNames[kGroupFields] = {
      "Name", "ActionGroupSequence", "ActionGroupData", "X", "Y", "Width", "Height", "Color"};
  pugi::xml_node fields[kGroupFields];
  firstChildren(group, kNames, fields);
  const std::wstring groupName = wideText(fields[kName].child_value());
  const std::wstring definitionName = wideText(fields[kDefinition].child_value());
  if (!isReferencedGroup(measurementDefinition, utf8Text(groupName))) {
    loadedGroups[name][groupName] = false;
    return false;
  }
  loadedGroups[name][groupName] = true;
  const std::wstring dataName = wideText(fields[kData].child_value());

  // A definition that places itself, directly or through others, would
  // nest without end: the first repetition ends this sequence.
  if (std::find(groupChain.begin(), groupChain.end(), definitionName) != groupChain.end()) {
    throw ConfigException("Action group definitions place each other in a cycle: " +
                          chainText(groupChain, definitionName));
  }
  groupChain.push_back(definitionName);
  struct Leave {
    std::vector<std::wstring>& chain;
    ~Leave() { chain.pop_back(); }
  } leave{groupChain};

  const pugi::xml_node definition = findActionGroupSequence(measurementDefinition, definitionName);
  const pugi::xml_node groupActions = definition.child("Actions");
  const pugi::xml_node data = findActionGroupData(measurementDefinition, dataName);

  const std::wstring x = wideText(fields[kX].child_value());
  const std::wstring y = wideText(fields[kY].child_value());
  std::wstring width = wideText(fields[kWidth].child_value());
  std::wstring height = wideText(fields[kHeight].child_value());
  std::wstring color = wideText(fields[kColor].child_value());
  if (width.empty()) width = L"0";
  if (height.empty()) height = L"0";
  const std::wstring startName = childWide(definition, "StartActionName");
  const std::wstring bottomName = childWide(definition, "BottomActionName");
  const std::wstring prefix = name + L"/" + groupName;

  int count = 0;
  for (const pugi::xml_node& child : groupActions.children()) {
    if (std::string("Action") == child.name() || std::string("ActionGroup") == child.name())
      ++count;
  }
  if (count < 1) throw ConfigException("Sequences containing empty Action Groups can't be executed");

  claimName(prefix, workspace::element_class::kActionGroup);
  const boost::shared_ptr<workspace::ActionGroup> element =
      create_shared<workspace::ActionGroup>(prefix, count);
  recordBuilt(element->getHandle());
  element->increaseReferenceCounter();
  long long owner = 0;
  builtElementType(name, owner);
  element->set(grp::OwnerName, name);
  element->set(grp::OwnerHandle, owner);
  element->set(grp::SequenceHandle, sequence.getHandle());
  setOrLeaveEmpty(*element, grp::X, x, "Action group", prefix);
  setOrLeaveEmpty(*element, grp::Y, y, "Action group", prefix);
  setOrLeaveEmpty(*element, grp::Width, width, "Action group", prefix);
  setOrLeaveEmpty(*element, grp::Height, height, "Action group", prefix);

  ActionLoader::GroupActionContext context;
  context.sequenceHandle = sequence.getHandle();
  context.testplanHandle = testplan;
  context.namePrefix = prefix;

  markRepeatedActions(groupActions, prefix);
  for (const pugi::xml_node& action : groupActions.children("Action")) {
    if (isRepeated(action)) continue;
    const std::wstring actionName = childWide(action, "Name");
    const pugi::xml_node dataAction = findAction(data, actionName);
    const std::wstring createdName = prefix + L"/" + actionName;
    std::string failure;
    const boost::shared_ptr<workspace::SharedAction> created = tryCreateAction(
        createdName,
        [&](std::wstring& fullName) {
          return actionLoader.createGroupAction(context, action, dataAction, fullName);
        },
        failure);
    if (!created) {
      LOGF(WARNING, "Error creating action %s", failure.c_str());
      continue;
    }
    // Lists that find no room to grow fail the sequence (its handler).
    sequence.addAction(created->getHandle());
    setOrLeaveEmpty(*created, act::GroupPrefix, prefix, "Action", createdName);
    setOrLeaveEmpty(*created, act::GroupInstanceName, groupName, "Action", createdName);
    created->set(act::GroupHandle, element->getHandle());
    created->set(act::InGroup, 1);
    if (actionName == bottomName) created->set(act::IsBottomAction, 1);
    element->addAction(created->getHandle());
  }

  for (const pugi::xml_node& nested : groupActions.children("ActionGroup"))
    load_group(nested, measurementDefinition, sequence, testplan, prefix);

  for (const pugi::xml_node& action : groupActions.children("Action")) {
    globalConfig->set(global::ProgressCurrent,
                      globalConfig->get<int>(global::ProgressCurrent) + 1);
    if (globalConfig->get<int>(global::AbortRequest) > 0) return false;
    if (!isRepeated(action)) loadActionLinks(prefix, action);
  }
  loadActionGroupLinks(measurementDefinition, groupActions, prefix);
  setGroupStartAction(prefix + L"/" + startName, *element);

  if (color.empty()) color = L"0";
  element->set(grp::DefinitionName, definitionName);
  element->set(grp::DataName, dataName);
  setOrLeaveEmpty(*element, grp::Color, color, "Action group", prefix);

  int i = 0;
  for (const pugi::xml_node& rectangle : definition.child("Rectangles").children()) {
    if (rectangle.type() != pugi::node_element) continue;
    const std::wstring frameName = name + prefix + L"_frame_" + std::to_wstring(i++);
    workspace::Frame frame(frameName);
    frameItems(frame, frameName, rectangle);
    element->addFrame(frame.getHandle());
  }
  int j = 0;
  for (const pugi::xml_node& text : definition.child("Comments").children()) {
    if (text.type() != pugi::node_element) continue;
    const std::wstring commentName = name + prefix + L"_commenct_" + std::to_wstring(j++);
    workspace::Comment comment(commentName);
    commentItems(comment, commentName, text);
    element->addComment(comment.getHandle());
  }
  return true;
}

pugi::xml_node SequenceLoader::findActionGroupSequence(const pugi::xml_node& measurementDefinition,
                                                       const std::wstring& name) {
  const std::string text = utf8Text(name);
  if (measurementDefinition == indexed) {
    const auto found = definitionsByName.find(text);
    return found == definitionsByName.end() ? pugi::xml_node() : found->second;
  }
  return firstParentWithText(measurementDefinition,
                             {"ActionGroupSequences", "ActionGroupSequence", "Name"}, text);
}

pugi::xml_node SequenceLoader::findActionGroupData(const pugi::xml_node& measurementDefinition,
                                                   const std::wstring& name) {
  const std::string text = utf8Text(name);
  if (measurementDefinition == indexed) {
    const auto found = dataByName.find(text);
    return found == dataByName.end() ? pugi::xml_node() : found->second;
  }
  return firstParentWithText(measurementDefinition, {"ActionGroupDatas", "ActionGroupData", "Name"},
                             text);
}

pugi::xml_node SequenceLoader::findAction(const pugi::xml_node& data, const std::wstring& name) {
  if (!data) return pugi::xml_node();
  if (!indexed)
    return firstParentWithText(data, {"Actions", "Action", "Name"}, utf8Text(name));
  const auto emplaced = dataActions.try_emplace(data.internal_object());
  auto& actions = emplaced.first->second;
  if (emplaced.second) {
    walk(data, {"Actions", "Action", "Name"}, [&](const pugi::xml_node& node) {
      forEachText(node, [&](const std::string& text) { actions.emplace(text, node.parent()); });
    });
  }
  const auto found = actions.find(utf8Text(name));
  return found == actions.end() ? pugi::xml_node() : found->second;
}

void SequenceLoader::setGroupStartAction(const std::wstring& startName,
                                         workspace::ActionGroup& group) {
  long long handle = 0;
  const int type = builtElementType(startName, handle);
  handle = resolveGroupStart(handle, type, startName);
  group.set(grp::StartAction, handle);
}

void SequenceLoader::loadActionGroupLinks(const pugi::xml_node& measurementDefinition,
                                          const pugi::xml_node& actions, std::wstring name) {
  (void)measurementDefinition;  // the ports stand in the instances themselves
  for (const pugi::xml_node& instance : actions.children("ActionGroup")) {
    const std::wstring groupName = childWide(instance, "Name");
    const auto owner = loadedGroups.find(name);
    if (owner == loadedGroups.end()) continue;
    const auto loaded = owner->second.find(groupName);
    if (loaded == owner->second.end() || !loaded->second) continue;

    workspace::ActionGroup group(name + L"/" + groupName, -1);
    const pugi::xml_node nextActions = instance.child("NextActions");
    int visiblePorts = 0;
    long long drawn = 0;  // ports with link points
    for (const pugi::xml_node& port : nextActions.children("Action")) {
      const std::string portName = port.child_value("PortName");
      if ((portName == "Default" || portName == "Warning" || portName == "Error") &&
          port.child("PortVisible").text().as_bool(false))
        ++visiblePorts;
      if (port.child("LinkPoints").child("LinkPoint")) ++drawn;
    }
    if (visiblePorts > kMaxGroupExitPorts) {
      throw ConfigException(
          "Maximum number of exit ports of an Action Group (20) exceeded. Sequence can't be "
          "executed");
    }
    checkLinkCount(drawn, L"Action group " + name + L"/" + groupName);
    linkCounter = 0;
    for (const pugi::xml_node& port : nextActions.children("Action")) {
      const pugi::xml_node info = port.child("PortActionInfo");
      std::wstring parentPath;
      for (const pugi::xml_node& parent : info.children("ParentActionGroup"))
        parentPath += wideText(parent.child_value()) + L"/";
      const std::wstring parent = childWide(info, "ParentActionGroup");
      const std::wstring innerName = childWide(info, "ActionName");
      const std::wstring portName = childWide(port, "PortName");
      const bool visible = port.child("PortVisible").text().as_bool(false);
      const std::wstring targetName = childWide(port, "ActionName");
      const int portX = port.child("PortX").text().as_int(-1);
      const int portY = port.child("PortY").text().as_int(-1);

      const long long linkHandle = loadGroupLinkPoints(name, groupName, port);
      const std::wstring sourceKey = parent.empty()
                                         ? name + L"/" + groupName + L"/" + innerName
                                         : name + L"/" + groupName + L"/" + parentPath + innerName;
      const std::wstring targetKey = name + L"/" + targetName;
      // The group's own port stands whatever the inside holds: a missing
      // inner action, or one without that port, is a WARNING and stays as it
      // is; a successor that names no action of this load leads to 0.
      const boost::shared_ptr<workspace::SharedAction> source = builtAction(sourceKey);
      if (source->getHandle() < 1) {
        WLOG(WARNING) << L"Action group " << name << L"/" << groupName << L", port " << portName
                      << L": the action " << sourceKey << L" it leaves from does not exist";
      }
      long long targetHandle = -1;
      if (!targetName.empty()) {
        const boost::shared_ptr<workspace::SharedAction> target = successor(targetKey);
        targetHandle = target->getHandle();
        if (targetHandle < 1) {
          WLOG(WARNING) << L"Action " << sourceKey << L", port " << portName << L": successor "
                        << targetKey << L" does not exist";
        }
        if (source->getHandle() >= 1 && !hasPortNamed(*source, portName)) {
          WLOG(WARNING) << L"Action group " << name << L"/" << groupName << L", port " << portName
                        << L": the action " << sourceKey
                        << L" it leaves from has no exit port of that name and is left unchanged";
        } else if (source->getHandle() >= 1) {
          source->addNextAction(portName, target);
        }
      }
      if (visible) {
        group.addNextAction(innerName, portName, targetHandle, linkHandle, portX, portY);
        if (source->getHandle() >= 1 && source->get<int>(act::IsBottomAction) == 1)
          group.set(grp::BottomAction, source->getHandle());
      }
    }
  }
}

long long SequenceLoader::loadGroupLinkPoints(const std::wstring& name,
                                              const std::wstring& groupName,
                                              const pugi::xml_node& port) {
  const pugi::xml_node points = port.child("LinkPoints");
  if (!points.child("LinkPoint")) return -1;
  workspace::LinkPath path(name + L"_" + groupName + L"_SequenceGroupLink_" +
                           std::to_wstring(linkCounter));
  ++linkCounter;
  path.increaseReferenceCounter();
  // A point beyond the path's room fails the sequence (its handler).
  for (const pugi::xml_node& point : points.children("LinkPoint"))
    path.addd_point(point.child("X").text().as_int(-1), point.child("Y").text().as_int(-1));
  return path.getHandle();
}

void SequenceLoader::indexDocument(const pugi::xml_node& measurementDefinition) {
  forgetDocument();
  indexed = measurementDefinition;
  // The names a sequence or definition starts with or leads to: the texts
  // of StartActionName and of NextActions/Action/ActionName below the
  // sequences' actions and groups and the definitions' actions. A set: one
  // pass per sequence or definition finds them in any order.
  const auto refer = [this](const pugi::xml_node& node) {
    forEachText(node, [this](const std::string& text) { referencedGroups.insert(text); });
  };
  const auto referSuccessors = [&refer](const pugi::xml_node& from) {
    for (const pugi::xml_node& next : from.children("NextActions"))
      for (const pugi::xml_node& port : next.children("Action"))
        for (const pugi::xml_node& target : port.children("ActionName")) refer(target);
  };
  for (const pugi::xml_node& sequences : measurementDefinition.children("Sequences")) {
    for (const pugi::xml_node& sequence : sequences.children("Sequence")) {
      for (const pugi::xml_node& start : sequence.children("StartActionName")) refer(start);
      for (const pugi::xml_node& actions : sequence.children("Actions")) {
        for (const pugi::xml_node& child : actions.children()) {
          const char* kind = child.name();
          if (std::strcmp(kind, "Action") == 0 || std::strcmp(kind, "ActionGroup") == 0)
            referSuccessors(child);
        }
      }
    }
  }
  for (const pugi::xml_node& definitions : measurementDefinition.children("ActionGroupSequences")) {
    for (const pugi::xml_node& definition : definitions.children("ActionGroupSequence")) {
      for (const pugi::xml_node& start : definition.children("StartActionName")) refer(start);
      for (const pugi::xml_node& actions : definition.children("Actions"))
        for (const pugi::xml_node& action : actions.children("Action")) referSuccessors(action);
    }
  }
  // The first node of a name wins, as the first selection of a query does.
  walk(measurementDefinition, {"ActionGroupSequences", "ActionGroupSequence", "Name"},
       [this](const pugi::xml_node& node) {
         forEachText(node, [&](const std::string& text) { definitionsByName.emplace(text, node.parent()); });
       });
  walk(measurementDefinition, {"ActionGroupDatas", "ActionGroupData", "Name"},
       [this](const pugi::xml_node& node) {
         forEachText(node, [&](const std::string& text) { dataByName.emplace(text, node.parent()); });
       });
}

void SequenceLoader::forgetDocument() {
  indexed = pugi::xml_node();
  referencedGroups.clear();
  definitionsByName.clear();
  dataByName.clear();
  dataActions.clear();
}

bool SequenceLoader::isReferencedGroup(const pugi::xml_node& measurementDefinition,
                                       const std::string& name) {
  if (measurementDefinition == indexed) return referencedGroups.count(name) > 0;
  bool found = false;
  const auto test = [&](std::initializer_list<const char*> path) {
    if (!found) found = static_cast<bool>(firstParentWithText(measurementDefinition, path, name));
  };
  test({"Sequences", "Sequence", "StartActionName"});
  test({"Sequences", "Sequence", "Actions", "Action", "NextActions", "Action", "ActionName"});
  test({"Sequences", "Sequence", "Actions", "ActionGroup", "NextActions", "Action", "ActionName"});
  test({"ActionGroupSequences", "ActionGroupSequence", "StartActionName"});
  test({"ActionGroupSequences", "ActionGroupSequence", "Actions", "Action", "NextActions", "Action",
        "ActionName"});
  return found;
}

}  // namespace tavik
