// The configuration's sequences (Sequences/Sequence) with their actions,
// action groups, exit ports, link paths, frames and comments as workspace
// elements. Step 4 of 4 of a load: the configuration reader calls
// setFormuaLoader, then load, after the test plans exist.
//
// Names (each is a workspace element name):
//   sequence          Category + "_Sequence"
//   action            owner + "/" + Name  (owner: the sequence, or a group prefix)
//   group instance    owner + "/" + its Name  (the prefix of what it holds)
//   frame, comment    sequence + "_frame_" + i, sequence + "_comment_" + j;
//                     in a group: owner + prefix + "_frame_" + i and
//                     owner + prefix + "_commenct_" + j (so spelled)
//   link path         action + "_Link_" + k (k counts the action's ports
//                     with link points); of a group's exit port:
//                     owner + "_" + group Name + "_SequenceGroupLink_" + k
// Frames and comments are numbered independently from 0; colour default
// 14474460. "Main", "Initialize", "Stop" and "End" sequences carry the handle
// of the test plan of the same category in their actions, others -1.
//
// Loading over a workspace that holds anything (an earlier file, a failed
// load, the same file) gives what a fresh load into an empty workspace
// gives:
//  - The first Sequence node of a name in a load builds its sequence anew
//    (Sequence::reset: lists, start action, run state and step); a second
//    node of the same name adds to it. A group instance is built anew by
//    ActionGroup(prefix, count).
//  - Sequences, actions and groups share one name area, and an element keeps
//    its class. A name the earlier file gave an element of another class (an
//    action that is now a group, a group that is now an action) is made anew
//    in the class this load builds (claimName); within one load the first
//    element of a name keeps it, as in an empty workspace.
//  - Start actions, successors, the actions exit ports leave from and group
//    owners resolve only to the sequences, actions and groups this load
//    built: an element left from an earlier file counts as absent (a start
//    name that matches nothing of this load sets no start action).
// Lists (actions, frames, comments, group exit ports) have no limit of
// their own; they grow while the workspace has room.
//
// Progress (GlobalConfig): total := 2 x the sequences' actions (not those
// inside groups); current advances once per action created and once per
// action (groups' actions included) whose links are loaded. An abort request
// > 0 stops the current step; any non-zero request at the end fails the
// load.
//
// Errors:
//  - Every failure while loading one sequence fails that sequence only: a
//    configuration error (an empty group definition, more than 20 visible
//    exit ports of a group, a link path of more than 21 points, more ports
//    with link points than the 16-bit link counter numbers, a group
//    definition that places itself directly or through other groups, a start
//    action that leads into a loop of groups, more group instances than the
//    bound below) as much as a refusal of the workspace (a name or text that
//    does not fit its element, a full workspace: nothing of that sequence
//    can be trusted to fit any more). UA_WARNING "Error while loading
//    Sequences: " + the reason; the rest of that sequence is skipped (an exit
//    port being loaded keeps its position with an empty name and no
//    successor), the other sequences are loaded, and load() fails at its end
//    without handing the formula uses on.
//  - Group instances: before a sequence creates anything, the instances its
//    groups would create (nested ones included) are counted; more than one
//    per 14 KB of the workspace's free room, or more than 100,000, refuse
//    that sequence with a configuration error naming the count.
//  - An action whose element cannot be created: WARNING "Error creating
//    action " + the reason; nothing refers to it (no start action, successor
//    or group member), its exit ports are skipped with a WARNING naming it,
//    and the other actions are loaded. A value of an action the workspace
//    refuses costs that item or option only (see actionloader.h).
//  - Two Action nodes of one Name in one Actions list: the last one wins
//    wholly, as if the file held only it; one WARNING names the action.
//  - A position, size or colour that is no number ("12,5", "#FF0000",
//    "left") of a sequence, group, frame or comment: WARNING naming the
//    element, the item and the text; the item is left empty.
//  - A successor that names no action of this load: one WARNING naming the
//    action, the port and the successor; the port keeps its shape (it has a
//    target, the successor is 0, its link path leads from the action to 0)
//    and the successor's reference count warns of an invalid element.
//  - A group exit port whose inner action is no action of this load, or has
//    no port of that name: one WARNING naming the group, the port and the
//    action; the inner action is left as it is, the group's visible port is
//    registered all the same.
// Names are compared as literal texts: quotes or XPath syntax in a name
// match only that exact name.
//
// Not thread-safe; runs on the loading thread.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <pugixml.hpp>

#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/actionloader.h"
#include "TavikEngine/Config/testplanloader.h"

namespace tavik {
namespace workspace {
class ActionGroup;
class GlobalConfig;
class Sequence;
class SharedAction;
}  // namespace workspace

class SequenceLoader : public ActionLoaderBase {
 public:
  SequenceLoader();
  ~SequenceLoader() override;
  SequenceLoader(const SequenceLoader&) = delete;
  SequenceLoader& operator=(const SequenceLoader&) = delete;

  // The formula loader whose list receives the formula uses of action
  // options at the end of a successful load (not owned).
  void setFormuaLoader(FormuaLoader* loader);
  // The test-plan loader of the same load (not owned): a sequence is bound
  // only to a plan that this loader built in its last load, never to a plan
  // an earlier file left in the workspace. Without one, any plan of the
  // name is bound.
  void setTestplanLoader(const TestplanLoader* loader) { testplanLoader = loader; }
  // The map loader of the same load, handed to the action loader (not
  // owned; see ActionLoader::setMapLoader).
  void setMapLoader(const MapLoader* maps);

  // Loads every sequence. `reload` is not consulted. Logs INFO "Loading
  // Sequences" and "Loading Sequences ready", times itself as "Loading
  // Sequences". Throws LoadAbortedException when a sequence failed or an
  // abort was requested. A failure inside one sequence never leaves it (see
  // Errors); a refusal of the progress items propagates.
  void load(const pugi::xml_node& measurementDefinition, bool reload);

  // One Sequence node: the bound on its group instances, the element, its
  // start marker, its body; a failure of any of them fails this sequence
  // only (see Errors).
  void loadSequence(const pugi::xml_node& sequence, const pugi::xml_node& measurementDefinition);
  // Handle of the test plan bound to the sequence element name, or -1 (also
  // for a plan the test-plan loader did not build in this load).
  long long testplanForSequence(const std::wstring& sequenceName);
  // Start action, actions, frames and comments of a sequence, inside the
  // handler for every failure described above (a std::exception of any kind,
  // not only a ConfigException).
  void load_sequence_or_group(const pugi::xml_node& node,
                              const pugi::xml_node& measurementDefinition,
                              const std::wstring& name, workspace::Sequence& sequence,
                              long long testplan);
  // The actions, groups and links of one Actions node; true when it held an
  // action or a loaded group (and no abort stopped it).
  bool loadActions(const pugi::xml_node& actions, const pugi::xml_node& measurementDefinition,
                   workspace::Sequence& sequence, long long testplan, std::wstring name);
  bool add_sequence_actions(workspace::Sequence sequence, pugi::xml_node actions,
                            long long testplan, std::wstring name);
  // Sets the sequence's start action; an action group stands for its start
  // action, followed through nested groups. A name that matches no element
  // (of this load, during a load) sets nothing.
  void setStartAction(workspace::Sequence sequence, const std::wstring& name,
                      const std::wstring& startActionName);

  // Calls visit(option, valueOption, certain) for every Option of every
  // action that a load of `measurementDefinition` builds, in the order the
  // load builds them: each sequence's actions (the last of each Name), then
  // its action groups that something refers to, each with its definition's
  // actions, then the groups nested in it. valueOption is null for an action
  // of a sequence (its options hold their values) and, for an action in a
  // group, the data Option its values come from (an empty node when there is
  // none). An action whose name is too long for an element is not built and
  // not visited; `certain` is false for an action whose name the workspace
  // holds now as an element of another kind, which the load may not build.
  // A group definition that places itself is not entered again, nor is a
  // sequence that would make too many groups. Writes nothing to the
  // workspace and logs nothing; linear in the document and the groups it
  // places.
  using OptionVisitor = std::function<void(const pugi::xml_node& option,
                                           const pugi::xml_node* valueOption, bool certain)>;
  void forEachBuiltOption(const pugi::xml_node& measurementDefinition,
                          const OptionVisitor& visit);

  // Exit ports, successors and link paths of one action of owner `name`.
  void loadActionLinks(const std::wstring& name, const pugi::xml_node& action);
  void loadNextActions(const std::wstring& name,
                       boost::shared_ptr<workspace::SharedAction> action,
                       const pugi::xml_node& nextActions);

  // The ActionGroup instances of one Actions node; true when any was loaded.
  bool loadActionGroups(const pugi::xml_node& actions, long long testplan,
                        const pugi::xml_node& measurementDefinition,
                        workspace::Sequence& sequence, const std::wstring& name);
  // One instance (and the groups nested in it); false when no sequence or
  // definition names it as start action or successor, or an abort stopped
  // it.
  bool load_group(const pugi::xml_node& group, const pugi::xml_node& measurementDefinition,
                  workspace::Sequence& sequence, long long testplan, const std::wstring& name);
  // The first ActionGroupSequence / ActionGroupData below the measurement
  // definition, or the first Actions/Action below a data node, whose Name is
  // exactly `name`; an empty node when none is.
  pugi::xml_node findActionGroupSequence(const pugi::xml_node& measurementDefinition,
                                         const std::wstring& name);
  pugi::xml_node findActionGroupData(const pugi::xml_node& measurementDefinition,
                                     const std::wstring& name);
  pugi::xml_node findAction(const pugi::xml_node& data, const std::wstring& name);
  // Group item 1552 := the element `startName`, an action group followed to
  // its start action through nested groups (0 or below for a missing name).
  void setGroupStartAction(const std::wstring& startName, workspace::ActionGroup& group);
  // Exit ports of the loaded ActionGroup instances of one Actions node.
  void loadActionGroupLinks(const pugi::xml_node& measurementDefinition,
                            const pugi::xml_node& actions, std::wstring name);
  // The link path of a group's exit port; -1 when it has no link points.
  long long loadGroupLinkPoints(const std::wstring& name, const std::wstring& groupName,
                                const pugi::xml_node& port);

 private:
  // The exit ports of `action`, whose element name is `actionName`.
  void loadNextActions(const std::wstring& name,
                       const boost::shared_ptr<workspace::SharedAction>& action,
                       const std::wstring& actionName, const pugi::xml_node& nextActions);
  // The action element named `key` (owner + "/" + name) whose exit ports a
  // link step loads: one this load built (an action group or an element of
  // an earlier file gives an invalid proxy, handle 0).
  boost::shared_ptr<workspace::SharedAction> builtAction(const std::wstring& key);
  // The action `key` (owner + "/" + name) made by `create` (which names it
  // in its argument) once the name is claimed for an action, recorded as
  // built and by name; nullptr with the reason in `failure` when its element
  // cannot be made (nothing then refers to it). A full workspace reaches the
  // caller.
  template <class Create>
  boost::shared_ptr<workspace::SharedAction> tryCreateAction(const std::wstring& key,
                                                             Create&& create,
                                                             std::string& failure);
  // Of the Action children of `actions` (of owner `owner`) that share a Name,
  // all but the last are marked repeated, with one WARNING per such name:
  // the load neither builds nor links them.
  void markRepeatedActions(const pugi::xml_node& actions, const std::wstring& owner);
  // The last Action child of `actions` of each Name text; false when no Name
  // repeats.
  using LastActions = std::unordered_map<std::string_view, pugi::xml_node>;
  static bool lastOfEachName(const pugi::xml_node& actions, LastActions& last);
  // forEachBuiltOption for the actions and groups of one Actions node of
  // owner `name`; `data` is the group's data node, null for a sequence's own
  // actions.
  void visitBuiltOptions(const pugi::xml_node& actions, const pugi::xml_node& measurementDefinition,
                         const std::wstring& name, const pugi::xml_node* data,
                         std::vector<std::wstring>& chain, const OptionVisitor& visit);
  bool isRepeated(const pugi::xml_node& action) const;
  // Whether the action has an exit port named `portName`.
  static bool hasPortNamed(const workspace::SharedAction& action, const std::wstring& portName);
  // Brings port `port` back to a fresh one (no name, no successor).
  static void clearPort(workspace::SharedAction& action, int port);
  // ConfigException when `drawn` ports of `owner` have link points: more than
  // the 16-bit link counter numbers apart.
  static void checkLinkCount(long long drawn, const std::wstring& owner);
  // ConfigException naming the count when loading the Actions node `actions`
  // of sequence `name` would create more action group instances than the
  // bound (see load_group).
  void checkGroupInstances(const pugi::xml_node& actions,
                           const pugi::xml_node& measurementDefinition, const std::wstring& name);
  // The instances load_group would create below `actions`, nested ones
  // included (a definition that places itself counts its instance once).
  long long countGroupInstances(const pugi::xml_node& actions,
                                const pugi::xml_node& measurementDefinition);
  // The action a successor name `key` (owner + "/" + name) stands for, as
  // get_shared_action gives it.
  boost::shared_ptr<workspace::SharedAction> successor(const std::wstring& key);
  // Follows action groups to their start actions from `handle` (whose
  // element type is `type`); ConfigException when the way leads back to a
  // group already passed.
  long long resolveGroupStart(long long handle, int type, const std::wstring& startName);
  // What the reference test of load_group and the find functions look up,
  // gathered in one pass over the document that load() works on.
  void indexDocument(const pugi::xml_node& measurementDefinition);
  void forgetDocument();
  bool isReferencedGroup(const pugi::xml_node& measurementDefinition, const std::string& name);

  ActionLoader actionLoader;
  boost::shared_ptr<workspace::GlobalConfig> globalConfig;
  // The actions this load created (sequences' and groups'), by full name.
  std::unordered_map<std::wstring, long long> actionHandles;
  // Actions this load built twice (a second node of a sequence), whose second
  // build remade them with more room: old copy -> new copy.
  std::unordered_map<long long, long long> remadeActions;
  // Points every reference this load wrote to an old copy in remadeActions at
  // its new copy (RemadeActions.cpp).
  void followRemadeActions();
  // Action nodes a later node of the same Name replaces (markRepeatedActions).
  std::unordered_set<const void*> repeatedActions;
  std::map<std::wstring, std::map<std::wstring, bool>> loadedGroups;
  FormuaLoader* formuaLoader = nullptr;
  const TestplanLoader* testplanLoader = nullptr;
  std::vector<FormulaEntry> formulaUses;
  unsigned short linkCounter = 0;

  // The group definitions load_group is inside of, outermost first.
  std::vector<std::wstring> groupChain;
  // The index of the document load() works on (indexed is its root).
  pugi::xml_node indexed;
  std::unordered_set<std::string> referencedGroups;
  std::unordered_map<std::string, pugi::xml_node> definitionsByName;
  std::unordered_map<std::string, pugi::xml_node> dataByName;
  // Per data node (by its address), its actions by Name; built when first
  // asked, forgotten with the document.
  std::unordered_map<const void*, std::unordered_map<std::string, pugi::xml_node>> dataActions;
};

}  // namespace tavik
