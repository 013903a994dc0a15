// Sequences loaded over a workspace that holds an earlier file: every
// sequence, action and group the file defines holds what a fresh load of the
// file into an empty workspace gives (lists, start actions, successors,
// exit ports, link paths, frames, comments), nothing refers to what only the
// earlier file had, and lists grow as far as the file needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ElementItemsText.h"
#include "LoaderXml.h"
#include "ScopedWorkspace.h"
#include "SequenceXml.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/sequenceloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ActionGroup.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::action;
using tavik_test::definition;
using tavik_test::frames;
using tavik_test::handle;
using tavik_test::instance;
using tavik_test::itemsText;
using tavik_test::linkPath;
using tavik_test::nameOf;
using tavik_test::port;
using tavik_test::ports;
using tavik_test::sequence;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

std::wstring joined(const WStrings& parts, const wchar_t* separator) {
  std::wstring text;
  for (const std::wstring& part : parts) text += (text.empty() ? L"" : separator) + part;
  return text;
}

// An action's exit ports and the link paths drawn from them.
void describeAction(long long action, WStrings& out) {
  const std::wstring name = nameOf(action);
  const WStrings exits = ports(name);
  out.push_back(name + L": " + joined(exits, L"; "));
  for (std::size_t k = 0; k < exits.size(); ++k) {
    const std::wstring link = name + L"_Link_" + std::to_wstring(k);
    if (linkPath(link) != L"none") out.push_back(link + L" " + linkPath(link));
  }
}

void describeGroup(long long group, WStrings& out) {
  const ws::ActionGroup g(group);
  const std::wstring name = nameOf(group);
  WStrings actions, drawn, exits;
  for (int k = 0; k < g.getActionCount(); ++k) actions.push_back(nameOf(g.getAction(k)));
  for (int k = 0; k < g.getFrameCount(); ++k) drawn.push_back(itemsText(g.getFrame(k), "name 544"));
  for (int k = 0; k < g.getCommentCount(); ++k) drawn.push_back(itemsText(g.getComment(k), "name 616"));
  for (int k = 0; k < g.getNextActionCount(); ++k) {
    const ws::ActionGroup::NextAction n = g.getNextAction(k);
    exits.push_back(n.innerName + L"." + n.portName + L" -> " + nameOf(n.target) + L" (" +
                    nameOf(n.link) + L")");
  }
  out.push_back(name + L" items " + itemsText(group, "1656 1576 1592 1608 1624 544 1048 2208") +
                L" owner " + nameOf(g.get<long long>(ws::action_group::OwnerHandle)) + L" start " +
                nameOf(g.getStartAction()) + L" bottom " +
                nameOf(g.get<long long>(ws::action_group::BottomAction)));
  out.push_back(name + L" actions " + joined(actions, L"|"));
  out.push_back(name + L" drawn " + joined(drawn, L"|"));
  out.push_back(name + L" exits " + joined(exits, L"; "));
}

// What the workspace holds of a sequence, its actions and its groups, by
// element names, one line per part.
WStrings describeSequence(const std::wstring& name) {
  WStrings out;
  const ws::Sequence s(handle(name));
  WStrings actions, frameTexts, commentTexts;
  std::vector<long long> groups;
  for (int k = 0; k < s.getActionCount(); ++k) {
    actions.push_back(nameOf(s.getAction(k)));
    const long long group = ws::SharedAction(s.getAction(k)).get<long long>(ws::shared_action::GroupHandle);
    if (group > 0 && std::find(groups.begin(), groups.end(), group) == groups.end())
      groups.push_back(group);
  }
  for (int k = 0; k < s.getFrameCount(); ++k)
    frameTexts.push_back(itemsText(s.getFrame(k), "name 608 576 592 544 560"));
  for (int k = 0; k < s.getCommentCount(); ++k)
    commentTexts.push_back(itemsText(s.getComment(k), "name 608 616"));
  out.push_back(name + L" start " + nameOf(s.getStartAction()) + L" " +
                itemsText(s.getHandle(), "600 608 704 720"));
  out.push_back(L"actions " + joined(actions, L"|"));
  out.push_back(L"frames " + joined(frameTexts, L"; "));
  out.push_back(L"comments " + joined(commentTexts, L"; "));
  for (int k = 0; k < s.getActionCount(); ++k) describeAction(s.getAction(k), out);
  for (long long group : groups) describeGroup(group, out);
  return out;
}

struct Loaded {
  bool ok = false;
  WStrings contents;  // of the sequences Main_Sequence, Stop_Sequence and Main_Sequence/Sub_Sequence
  Strings warnings;   // WARNING and UA_WARNING lines of the last load
};

// Loads the documents in turn with one loader into a workspace of its own.
Loaded loadInTurn(const std::vector<std::string>& documents) {
  tavik_test::ScopedWorkspace scope;
  tavik_test::CapturingSink sink;
  tavik::SequenceLoader loader;
  Loaded loaded;
  for (const std::string& document : documents) {
    sink.clear();
    pugi::xml_document doc;
    const pugi::xml_node md = tavik_test::parseXml(&doc, document);
    loaded.ok = true;
    try {
      loader.load(md, false);
    } catch (const tavik::LoadAbortedException&) {
      loaded.ok = false;
    }
  }
  for (const wchar_t* name : {L"Main_Sequence", L"Stop_Sequence", L"Main_Sequence/Sub_Sequence"})
    if (ws::Workspace::getInstance()->getElementType(handle(name)) == ws::element_type::kSequence) {
      const WStrings lines = describeSequence(name);
      loaded.contents.insert(loaded.contents.end(), lines.begin(), lines.end());
    }
  loaded.warnings = sink.lines(WARNING.value);
  const Strings severe = sink.lines(UA_WARNING.value);
  loaded.warnings.insert(loaded.warnings.end(), severe.begin(), severe.end());
  return loaded;
}

std::string document(const std::string& sequences, const std::string& definitions = "") {
  return tavik_test::sequencesDocument(sequences, definitions);
}

// The group G placed as Main's start action, with a visible "Default" exit
// port to After leaving from the inner action `inner`, drawn through
// `points`.
std::string mainWithGroup(const std::string& inner, const std::string& points = "") {
  return sequence("Main", "G",
                  action("After") +
                      instance("G", "Body",
                               "<NextActions>" +
                                   port("PortName=Default;PortVisible=True;ActionName=After;"
                                        "PortActionInfo=<ActionName>" + inner + "</ActionName>",
                                        points) +
                                   "</NextActions>"));
}

// An action of a group definition with the "Default" port that the group's
// exit port leaves through.
std::string inner(const std::string& name) { return action(name, port("PortName=Default")); }

// X an action, then a group (Main starts at Start, whose port leads to X);
// Main_Sequence/Sub_Sequence Main's action, then a sequence.
const std::string kXAction = document(
    sequence("Main", "Start",
             action("Start", port("PortName=Default;ActionName=X")) + action("X") +
                 action("After") + action("Sub_Sequence")));
const std::string kXGroup = document(
    sequence("Main", "Start",
             action("Start", port("PortName=Default;ActionName=X")) + instance("X", "Body") +
                 action("After")) +
        sequence("Main_Sequence/Sub", "Y", action("Y")),
    definition("Body", "R1", action("R1")));
// Inside the group G: N an action, then a nested group.
const std::string kNAction =
    document(mainWithGroup("R1"), definition("Body", "N", inner("R1") + action("N")));
const std::string kNGroup =
    document(mainWithGroup("R1"), definition("Body", "N", inner("R1") + instance("N", "Leaf")) +
                                      definition("Leaf", "L", action("L")));

TEST(SequencesOverAWorkspace, HoldWhatAFreshLoadGivesAndNothingOfTheEarlierFile) {
  struct Case {
    std::string label;
    std::string earlier, later;
    WStrings pins;     // lines the later file gives (fresh and over the earlier)
    Strings warnings;  // of the later file's load
  };
  const Case cases[] = {
      {"an action that becomes a group, and one that becomes a sequence", kXAction, kXGroup,
       {L"actions Main_Sequence/Start|Main_Sequence/After|Main_Sequence/X/R1",
        L"Main_Sequence/Start: Default 1 1 -1,-1 -> Main_Sequence/X/R1 (-)",
        L"Main_Sequence/Sub_Sequence start Main_Sequence/Sub_Sequence/Y 0|0||"},
       {}},
      {"a group and a sequence that become actions", kXGroup, kXAction,
       {L"actions Main_Sequence/Start|Main_Sequence/X|Main_Sequence/After|Main_Sequence/Sub_Sequence",
        L"Main_Sequence/Start: Default 1 1 -1,-1 -> Main_Sequence/X (-)"},
       {}},
      {"an action of a group that becomes a nested group", kNAction, kNGroup,
       {L"Main_Sequence start Main_Sequence/G/N/L 0|0||",
        L"Main_Sequence/G actions Main_Sequence/G/R1",
        L"Main_Sequence/G/N actions Main_Sequence/G/N/L"},
       {}},
      {"a nested group that becomes an action of its group", kNGroup, kNAction,
       {L"Main_Sequence start Main_Sequence/G/N 0|0||",
        L"Main_Sequence/G actions Main_Sequence/G/R1|Main_Sequence/G/N"},
       {}},
      {"actions, start action, frames and comments change",
       document(sequence("Main", "B",
                         action("A", port("PortName=Default;ActionName=B", "1,1")) + action("B") +
                             action("C", port("PortName=Error")),
                         frames("Rectangles", {"X=1", "X=2", "X=3"}) +
                             frames("Comments", {"CommentText=a", "CommentText=b"}))),
       document(sequence("Main", "C", action("C", port("PortName=Default;ActionName=A")) + action("A"),
                         frames("Rectangles", {"X=5"}))),
       {L"Main_Sequence start Main_Sequence/C 0|0||", L"actions Main_Sequence/C|Main_Sequence/A",
        L"frames Main_Sequence_frame_0|14474460|||5|", L"comments ",
        L"Main_Sequence/C: Default 1 1 -1,-1 -> Main_Sequence/A (-)"},
       {}},
      {"a start action only the earlier file had",
       document(sequence("Main", "Old", action("Old") + action("New"))),
       document(sequence("Main", "Old", action("New"))),
       {L"Main_Sequence start - 0|0||", L"actions Main_Sequence/New"},
       {}},
      {"a start group only the earlier file placed",
       document(mainWithGroup("R1"), definition("Body", "R1", inner("R1"))),
       document(sequence("Main", "G", action("After"))),
       {L"Main_Sequence start - 0|0||", L"actions Main_Sequence/After"},
       {}},
      {"a successor only the earlier file had",
       document(sequence("Main", "", action("X", port("PortName=Error")) + action("Y"))),
       document(sequence("Main", "", action("X", port("PortName=Default;ActionName=Y")))),
       {L"Main_Sequence/X: Default 1 1 -1,-1 -> - (-)"},
       {"loadNextActions: Action Main_Sequence/X, port Default: successor Main_Sequence/Y does not "
        "exist",
        "increaseReferenceCounter: try to increase counter for invalid element"}},
      {"a second node of the same name adds to the first",
       document(sequence("Main", "D", action("C") + action("D"), frames("Rectangles", {"X=1", "X=2"}))),
       document(sequence("Main", "", action("A")) +
                sequence("Main", "A", action("B"), frames("Rectangles", {"X=7"}))),
       {L"Main_Sequence start Main_Sequence/A 0|0||", L"actions Main_Sequence/A|Main_Sequence/B",
        L"frames Main_Sequence_frame_0|14474460|||7|"},
       {}},
      {"a renamed group action and a bottom action that no port leaves from",
       document(mainWithGroup("R2"),
                definition("Body", "R1", inner("R1") + inner("R2"),
                           "<BottomActionName>R2</BottomActionName>" +
                               frames("Rectangles", {"X=1", "X=2"}))),
       document(mainWithGroup("R1"),
                definition("Body", "R3", inner("R1") + inner("R3"),
                           "<BottomActionName>R3</BottomActionName>")),
       {L"Main_Sequence start Main_Sequence/G/R3 0|0||",
        L"Main_Sequence/G items Main_Sequence|||0|0|Body||0 owner Main_Sequence start "
        L"Main_Sequence/G/R3 bottom -",
        L"Main_Sequence/G actions Main_Sequence/G/R1|Main_Sequence/G/R3",
        L"Main_Sequence/G drawn ",
        L"Main_Sequence/G exits R1.Default -> Main_Sequence/After (-)"},
       {}},
      {"a group that gains actions",
       document(mainWithGroup("R1"), definition("Body", "R1", inner("R1"))),
       document(mainWithGroup("R1", "4,4"),
                definition("Body", "R1", inner("R1") + inner("R2") + inner("R3"))),
       {L"Main_Sequence/G actions Main_Sequence/G/R1|Main_Sequence/G/R2|Main_Sequence/G/R3",
        L"Main_Sequence/G exits R1.Default -> Main_Sequence/After "
        L"(Main_Sequence_G_SequenceGroupLink_0)"},
       {}},
      {"a group port from an action only the earlier file had",
       document(mainWithGroup("R2"), definition("Body", "R1", inner("R1") + inner("R2"))),
       document(mainWithGroup("R2"), definition("Body", "R1", inner("R1"))),
       {L"Main_Sequence/G actions Main_Sequence/G/R1",
        L"Main_Sequence/G exits R2.Default -> Main_Sequence/After (-)"},
       {"loadActionGroupLinks: Action group Main_Sequence/G, port Default: the action "
        "Main_Sequence/G/R2 it leaves from does not exist"}},
      {"a group start action only the earlier file had",
       document(mainWithGroup("R1"), definition("Body", "R2", inner("R1") + inner("R2"))),
       document(mainWithGroup("R1"), definition("Body", "R2", inner("R1"))),
       {L"Main_Sequence start - 0|0||",
        L"Main_Sequence/G items Main_Sequence|||0|0|Body||0 owner Main_Sequence start - bottom -"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Loaded fresh = loadInTurn({c.later});
    const Loaded over = loadInTurn({c.earlier, c.later});
    EXPECT_EQ(std::make_pair(true, true), std::make_pair(fresh.ok, over.ok));
    EXPECT_EQ(fresh.contents, over.contents);
    EXPECT_EQ(c.warnings, fresh.warnings);
    EXPECT_EQ(c.warnings, over.warnings);
    for (const std::wstring& pin : c.pins)
      EXPECT_TRUE(std::find(over.contents.begin(), over.contents.end(), pin) != over.contents.end())
          << "missing: " << tavik::utf8Text(pin);
  }
}

// A name that changes kind stays right for every later load, and a holder
// of the old handle is told what became of it.
TEST(SequencesOverAWorkspace, ANameThatChangesKindStaysRightAndItsOldHandleIsRefused) {
  const Loaded turns = loadInTurn({kXGroup, kXAction, kXGroup});
  EXPECT_EQ(loadInTurn({kXGroup}).contents, turns.contents);
  EXPECT_EQ(std::make_pair(true, Strings{}), std::make_pair(turns.ok, turns.warnings));

  tavik_test::ScopedWorkspace scope;
  tavik::SequenceLoader loader;
  const auto load = [&loader](const std::string& file) {
    pugi::xml_document doc;
    loader.load(tavik_test::parseXml(&doc, file), false);
    return std::make_pair(handle(L"Main_Sequence/X"), handle(L"Main_Sequence/Sub_Sequence"));
  };
  const auto replaced = [](const char* kind, const char* name, long long old, const char* by) {
    return std::string("the ") + kind + " element Main_Sequence/" + name + "[" +
           std::to_string(old) + "] was replaced by an element of class " + by +
           ": open it again by name";
  };
  const auto actions = load(kXAction);
  const auto groups = load(kXGroup);
  EXPECT_EQ(replaced("SharedAction", "X", actions.first, "ActionGroup"),
            tavik_test::workspaceError([&] { ws::SharedAction old(actions.first); }));
  EXPECT_EQ(replaced("SharedAction", "Sub_Sequence", actions.second, "Sequence"),
            tavik_test::workspaceError([&] { ws::SharedAction(actions.second).getExitCount(); }));
  load(kXAction);
  EXPECT_EQ(replaced("ActionGroup", "X", groups.first, "SharedAction"),
            tavik_test::workspaceError([&] { ws::ActionGroup(groups.first).getStartAction(); }));
  EXPECT_EQ(replaced("Sequence", "Sub_Sequence", groups.second, "SharedAction"),
            tavik_test::workspaceError([&] { ws::Sequence old(groups.second); }));
}

// 300 frames and comments of a sequence, and 110 exit ports of a group of
// which 20 are visible "Default", "Warning" or "Error" ports (the limit), 80
// visible ports of other names and 10 invisible ones: all load, the group
// lists its 100 visible ports, and loading the same file again makes nothing
// new. (A successor can be named only for a port the inner action has.)
TEST(SequencesOverAWorkspace, ListsTakeWhatTheFileNeedsAndASecondLoadMakesNothingNew) {
  std::vector<std::string> rectangles, comments;
  for (int k = 0; k < 300; ++k) {
    rectangles.push_back("X=" + std::to_string(k));
    comments.push_back("CommentText=c" + std::to_string(k));
  }
  const char* const kinds[] = {"Default", "Warning", "Error"};
  const std::string from = ";PortActionInfo=<ActionName>R</ActionName>";
  std::string exits;
  for (int k = 0; k < 20; ++k)
    exits += port(std::string("PortName=") + kinds[k % 3] + ";PortVisible=True;PortX=" +
                  std::to_string(k) + ";PortActionInfo=<ActionName>R" + std::to_string(k) +
                  "</ActionName>");
  for (int k = 0; k < 80; ++k)
    exits += port("PortName=P" + std::to_string(k) + ";PortVisible=True" + from);
  for (int k = 0; k < 10; ++k) exits += port("PortName=Default" + from);
  std::string actions;
  for (int k = 0; k < 70; ++k) actions += action("R" + std::to_string(k));
  pugi::xml_document doc;
  const pugi::xml_node md = tavik_test::parseXml(
      &doc, document(sequence("Main", "G",
                              action("After") +
                                  instance("G", "Body", "<NextActions>" + exits + "</NextActions>"),
                              frames("Rectangles", rectangles) + frames("Comments", comments)),
                     definition("Body", "R", actions + action("R"))));

  tavik_test::ScopedWorkspace scope;
  tavik_test::CapturingSink sink;
  tavik::SequenceLoader loader;
  loader.load(md, false);
  const ws::Sequence s(handle(L"Main_Sequence"));
  const ws::ActionGroup g(handle(L"Main_Sequence/G"));
  EXPECT_EQ((std::vector<int>{72, 300, 300, 71, 100}),
            (std::vector<int>{s.getActionCount(), s.getFrameCount(), s.getCommentCount(),
                              g.getActionCount(), g.getNextActionCount()}));
  EXPECT_EQ((WStrings{L"Main_Sequence_frame_299|299", L"Main_Sequence_comment_299|c299"}),
            (WStrings{itemsText(s.getFrame(299), "name 544"), itemsText(s.getComment(299), "name 616")}));
  const auto exitText = [&g](int k) {
    const ws::ActionGroup::NextAction n = g.getNextAction(k);
    return n.innerName + L"." + n.portName + L" -> " + nameOf(n.target) + L" " + std::to_wstring(n.x);
  };
  EXPECT_EQ((WStrings{L"R0.Default -> - 0", L"R19.Warning -> - 19", L"R.P79 -> - -1"}),
            (WStrings{exitText(0), exitText(19), exitText(99)}));
  EXPECT_EQ(Strings{}, sink.lines(WARNING.value));
  EXPECT_EQ(Strings{}, sink.lines(UA_WARNING.value));

  const WStrings first = describeSequence(L"Main_Sequence");
  const std::size_t used = ws::Workspace::getInstance()->getUsedBytes();
  loader.load(md, true);
  EXPECT_EQ(first, describeSequence(L"Main_Sequence"));
  EXPECT_EQ(used, ws::Workspace::getInstance()->getUsedBytes());
  EXPECT_EQ((std::vector<long long>{s.getHandle(), g.getHandle()}),
            (std::vector<long long>{handle(L"Main_Sequence"), handle(L"Main_Sequence/G")}));
}

// A list that finds no room in the workspace to grow fails its sequence with
// the workspace's reason; the list keeps what it held and the other
// sequences load.
TEST(SequencesOverAWorkspace, AListWithoutRoomToGrowFailsItsSequenceAndKeepsItsEntries) {
  const std::size_t size = 256 * 1024;
  tavik_test::ScopedWorkspace scope(size);
  tavik_test::CapturingSink sink;
  tavik::SequenceLoader loader;  // its GlobalConfig exists from here on
  std::string actions;
  for (int k = 1; k <= 9; ++k) {
    actions += action("A" + std::to_string(k));
    ws::SharedAction(L"Other_Sequence/A" + std::to_wstring(k), 0);
  }
  ws::Sequence other(L"Other_Sequence");
  other.addAction(handle(L"Other_Sequence/A1"));  // an action list with room for 8
  ws::Sequence(L"Stop_Sequence").addAction(handle(L"Other_Sequence/A1"));
  const auto workspace = ws::Workspace::getInstance();
  workspace->openOrCreateElement(ws::element_class::kPropertyMap, L"filler",
                                 size - workspace->getUsedBytes() - 1248 - 512);
  pugi::xml_document doc;
  const pugi::xml_node md = tavik_test::parseXml(
      &doc, document(sequence("Other", "A9", actions, frames("Rectangles", {"X=1"})) +
                     sequence("Stop", "", "")));
  EXPECT_THROW(loader.load(md, false), tavik::LoadAbortedException);
  EXPECT_EQ((Strings{"load_sequence_or_group: Error while loading Sequences: the workspace \"" +
                     scope.name() +
                     "\" is full: no room to grow the ElementList element \"Other_Sequence\x1F"
                     "actions\" to 880 bytes"}),
            sink.lines(UA_WARNING.value));
  EXPECT_EQ(Strings{}, sink.lines(WARNING.value));
  WStrings listed;
  for (int k = 0; k < other.getActionCount(); ++k) listed.push_back(nameOf(other.getAction(k)));
  EXPECT_EQ((WStrings{L"Other_Sequence/A1", L"Other_Sequence/A2", L"Other_Sequence/A3",
                      L"Other_Sequence/A4", L"Other_Sequence/A5", L"Other_Sequence/A6",
                      L"Other_Sequence/A7", L"Other_Sequence/A8"}),
            listed);
  EXPECT_EQ((std::vector<long long>{0, 0, 0}),
            (std::vector<long long>{other.getStartAction(), other.getFrameCount(),
                                    ws::Sequence(L"Stop_Sequence").getActionCount()}));
}

}  // namespace
