// What the sequence loader does with what goes wrong, against a real
// workspace segment: a failure fails its sequence only, a full workspace
// stops it, a refused value costs its item, group ports stand whatever the
// inside holds, repeated action names, the link counter and the bound on
// group instances.
#include <gtest/gtest.h>

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
#include "workspace/ElementSchema.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;
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

// The sequence "Stop" with its start action S: loaded after a failed one.
const std::string kStop = sequence("Stop", "S", action("S"));
const std::string kFailed = "load_sequence_or_group: Error while loading Sequences: ";

class SequenceFailuresTest : public ::testing::Test {
 protected:
  // Loads the document of the sequences, definitions and `more` with a
  // fresh loader; false when load() ended with LoadAbortedException.
  bool load(const std::string& sequences, const std::string& definitions = "",
            const std::string& more = "") {
    md_ = tavik_test::parseXml(&doc_, tavik_test::sequencesDocument(sequences, definitions, more));
    tavik::SequenceLoader loader;
    try {
      loader.load(md_, false);
    } catch (const tavik::LoadAbortedException&) {
      return false;
    }
    return true;
  }
  static WStrings listed(const std::wstring& name) {
    const ws::Sequence s(handle(name));
    WStrings out;
    for (int k = 0; k < s.getActionCount(); ++k) out.push_back(nameOf(s.getAction(k)));
    return out;
  }
  static std::wstring start(const std::wstring& sequence) {
    return nameOf(ws::Sequence(handle(sequence)).getStartAction());
  }
  // "@" replaced by the handle of the element `name` of that area.
  static std::string withHandle(std::string line, const std::wstring& name, long long area) {
    const size_t at = line.find('@');
    if (at != std::string::npos)
      line.replace(at, 1, std::to_string(ws::Workspace::getInstance()->findElement(name, area)));
    return line;
  }
  Strings lines(const LEVELS& level) { return sink_.lines(level.value); }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  pugi::xml_node md_;
};

// An action fails only when its element cannot be made; then nothing refers
// to it. An action with a refused value is complete, listed, the start
// action and a successor.
TEST_F(SequenceFailuresTest, OnlyAnActionWithoutElementFailsAndNothingRefersToIt) {
  const std::string longName(300, 'n');
  ASSERT_TRUE(load(sequence("Main", "A",
                            action("A", port("PortName=Default;ActionName=B"), "<X>12,5</X>") +
                                action("B", port("PortName=Default;ActionName=A") +
                                                port("PortName=Error;ActionName=" + longName)) +
                                action(longName)) +
                   sequence("Other", longName, action(longName))));
  EXPECT_EQ((WStrings{L"Main_Sequence/A", L"Main_Sequence/B"}), listed(L"Main_Sequence"));
  EXPECT_EQ((WStrings{L"Main_Sequence/A", L"-"}),
            (WStrings{start(L"Main_Sequence"), start(L"Other_Sequence")}));
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> Main_Sequence/A (-)", L"Error 1 1 -1,-1 -> - (-)"}),
            ports(L"Main_Sequence/B"));
  const auto notFit = [&](const std::string& owner) {
    return "add_sequence_actions: Error creating action the element name \"" + owner + "/" +
           longName + "\" (" + std::to_string(owner.size() + 301) +
           " characters) does not fit a SharedAction element (room for 265 characters)";
  };
  const std::string unlinked = " was not created: its exit ports are not loaded";
  EXPECT_EQ(
      (Strings{withHandle("setText: Action Main_Sequence/A: item X left empty, the text "
                          "\"12,5\" was refused: cannot write item X[3648] of SharedAction "
                          "Main_Sequence/A[@]: the text \"12,5\" is not a number",
                          L"Main_Sequence/A", 0xA00000),
               notFit("Main_Sequence"),
               "loadNextActions: Action Main_Sequence/B, port Error: successor Main_Sequence/" +
                   longName + " does not exist",
               "increaseReferenceCounter: try to increase counter for invalid element",
               "loadActionLinks: Action Main_Sequence/" + longName + unlinked,
               notFit("Other_Sequence"),
               "loadActionLinks: Action Other_Sequence/" + longName + unlinked}),
      lines(WARNING));
  EXPECT_EQ(Strings{}, lines(UA_WARNING));
}

// A WorkspaceException anywhere in a sequence fails that sequence only: one
// UA_WARNING, the later "Stop" sequence loads, the load ends false. A port
// that cannot be completed keeps its position with an empty name and no
// successor; the exit count stays the count of NextActions.
TEST_F(SequenceFailuresTest, AWorkspaceRefusalFailsItsSequenceOnly) {
  struct Case {
    std::string label;
    std::string sequences, definitions;
    std::string line;  // "@": the handle of the element `at` (area `area`)
    std::wstring at;
    long long area;
  };
  const std::string name245(245, 'a');
  std::string nested;  // definitions D1 .. D121, each placing the next as G
  for (int k = 1; k <= 121; ++k)
    nested += definition("D" + std::to_string(k), "G",
                         k < 121 ? instance("G", "D" + std::to_string(k + 1)) : action("A"));
  std::wstring deepest = L"Main_Sequence";
  for (int k = 0; k < 121; ++k) deepest += L"/G";
  const std::string category(230, 'c');
  const Case cases[] = {
      {"a link path name too long for its element",
       sequence("Main", name245,
                action(name245, port("PortName=Default;ActionName=B") +
                                    port("PortName=Error;ActionName=B", "1,1")) +
                    action("B")),
       "",
       kFailed + "the element name \"Main_Sequence/" + name245 +
           "_Link_0\" (266 characters) does not fit a LinkPath element (room for 261 characters)",
       L"", 0},
      {"the owner name of a group nested 121 deep", sequence("Main", "G", instance("G", "D1")),
       nested,
       kFailed + "cannot write item OwnerName[1656] of ActionGroup " + tavik::utf8Text(deepest) +
           "[@]: a text of 253 characters does not fit (room for 251)",
       deepest, 0xA00000},
      {"a status text too long", sequence(category, "A", action("A")), "",
       "loadSequence: Error while loading Sequences: cannot write item StatusText[10776] of "
       "GlobalConfig GlobalConfig[@]: a text of 258 characters does not fit (room for 251)",
       L"GlobalConfig", 0x100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    sink_.clear();
    EXPECT_FALSE(load(c.sequences + kStop, c.definitions));
    EXPECT_EQ(Strings{withHandle(c.line, c.at, c.area)}, lines(UA_WARNING));
    EXPECT_EQ(L"Stop_Sequence/S", start(L"Stop_Sequence"));
  }
  // The first case's action: its first port loaded, the second left blank.
  const std::wstring a = L"Main_Sequence/" + std::wstring(name245.begin(), name245.end());
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> Main_Sequence/B (-)", L" 0 0 0,0 -> - (-)"}),
            ports(a));
}

// A workspace that fills up in the middle of a sequence stops that sequence
// with a UA_WARNING naming what found no room (not the WARNING of a refused
// option); the next sequence, whose elements exist already, loads.
TEST(SequenceFailures, AFullWorkspaceStopsTheSequenceAndNamesWhatFoundNoRoom) {
  const std::size_t size = 256 * 1024;
  tavik_test::ScopedWorkspace scope(size);
  tavik_test::CapturingSink sink;
  tavik::SequenceLoader loader;  // its GlobalConfig exists from here on
  // Everything the load needs exists, with its lists grown, except the
  // property of option Label.
  for (const wchar_t* name : {L"Other_Sequence", L"Stop_Sequence"}) {
    ws::Sequence sequence(name);
    sequence.addAction(
        ws::SharedAction(std::wstring(name) + (name[0] == L'O' ? L"/A" : L"/S"), 0).getHandle());
  }
  const auto workspace = ws::Workspace::getInstance();
  workspace->openOrCreateElement(ws::element_class::kPropertyMap, L"filler",
                                 size - workspace->getUsedBytes() - 1248 - 1024);
  pugi::xml_document doc;
  const pugi::xml_node md = tavik_test::parseXml(
      &doc, tavik_test::sequencesDocument(
                sequence("Other", "A",
                         action("A", "",
                                "<Options><Option><Name>Label</Name><Type>Value</Type>"
                                "</Option></Options>")) +
                kStop));
  EXPECT_THROW(loader.load(md, false), tavik::LoadAbortedException);
  EXPECT_EQ(
      (Strings{kFailed + "the workspace \"" + scope.name() +
               "\" is full: no room for the StringValue element \"_prop_Other_Sequence/ALabel\""}),
      sink.lines(UA_WARNING.value));
  EXPECT_EQ(Strings{}, sink.lines(WARNING.value));
  EXPECT_EQ((WStrings{L"-", L"Stop_Sequence/S"}),
            (WStrings{nameOf(ws::Sequence(handle(L"Other_Sequence")).getStartAction()),
                      nameOf(ws::Sequence(handle(L"Stop_Sequence")).getStartAction())}));
}

// Group ports stand whatever the inside holds: an inner action without the
// port, or none at all (here a nested group), is left as it is with a
// WARNING, and the group's visible port is registered with its successor. A
// successor that names no action of this load keeps the port's shape.
TEST_F(SequenceFailuresTest, GroupPortsStandWhateverTheInsideHolds) {
  const std::string info = ";PortVisible=True;PortActionInfo=<ActionName>";
  ASSERT_TRUE(load(
      sequence(
          "Main", "G",
          action("After", port("PortName=Default;ActionName=Gone", "1,1")) +
              instance("G", "Body",
                       "<NextActions>" +
                           port("PortName=Warning;ActionName=After" + info + "R1</ActionName>") +
                           port("PortName=Default;ActionName=After" + info + "H</ActionName>") +
                           port("PortName=Default;ActionName=Ghost" + info + "R1</ActionName>") +
                           "</NextActions>")),
      definition("Body", "R1",
                 action("R1", port("PortName=Default;ActionName=R2")) + action("R2") +
                     instance("H", "Inner")) +
          definition("Inner", "X", action("X"))));
  const ws::ActionGroup g(handle(L"Main_Sequence/G"));
  WStrings exits;
  for (int k = 0; k < g.getNextActionCount(); ++k) {
    const ws::ActionGroup::NextAction n = g.getNextAction(k);
    exits.push_back(n.innerName + L"." + n.portName + L" -> " + nameOf(n.target));
  }
  EXPECT_EQ((WStrings{L"R1.Warning -> Main_Sequence/After", L"H.Default -> Main_Sequence/After",
                      L"R1.Default -> -"}),
            exits);
  // R1 keeps its one port; the successor that names nothing leads to 0.
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> - (-)"}), ports(L"Main_Sequence/G/R1"));
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> - (Main_Sequence/After_Link_0)"}),
            ports(L"Main_Sequence/After"));
  EXPECT_EQ(L"Main_Sequence/After - | 1,1", linkPath(L"Main_Sequence/After_Link_0"));
  EXPECT_EQ((Strings{"loadNextActions: Action Main_Sequence/After, port Default: successor "
                     "Main_Sequence/Gone does not exist",
                     "increaseReferenceCounter: try to increase counter for invalid element",
                     "loadActionGroupLinks: Action group Main_Sequence/G, port Warning: the action "
                     "Main_Sequence/G/R1 it leaves from has no exit port of that name and is left "
                     "unchanged",
                     "loadActionGroupLinks: Action group Main_Sequence/G, port Default: the action "
                     "Main_Sequence/G/H it leaves from does not exist",
                     "loadActionGroupLinks: Action Main_Sequence/G/R1, port Default: successor "
                     "Main_Sequence/Ghost does not exist"}),
            lines(WARNING));
}

// Two actions of one name in one Actions list: the later node wins wholly,
// as if the file held only that one; the action is listed once.
TEST_F(SequenceFailuresTest, ARepeatedActionNameLoadsTheLastNodeOnly) {
  const std::string older =
      action("A", port("PortName=Default;ActionName=B"),
             "<Options><Option><Name>Old</Name><Type>CheckBox</Type></Option></Options>");
  const std::string later =
      action("A", port("PortName=Error"),
             "<Options><Option><Name>New</Name><Type>Value</Type></Option></Options>");
  struct Case {
    std::string label;
    std::string sequences, definitions;
    std::wstring action;
    WStrings listed;
  };
  const Case cases[] = {
      {"in a sequence",
       sequence("Main", "A", older + action("B") + later),
       "",
       L"Main_Sequence/A",
       {L"Main_Sequence/B", L"Main_Sequence/A"}},
      {"in a group definition",
       sequence("Main", "G", instance("G", "Body")),
       definition("Body", "A", older + later),
       L"Main_Sequence/G/A",
       {L"Main_Sequence/G/A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    sink_.clear();
    ASSERT_TRUE(load(c.sequences, c.definitions));
    EXPECT_EQ(c.listed, listed(L"Main_Sequence"));
    EXPECT_EQ(c.action, start(L"Main_Sequence"));
    const ws::SharedAction a(handle(c.action));
    EXPECT_EQ((WStrings{L"Error 0 1 -1,-1 -> - (-)"}), ports(c.action));
    EXPECT_EQ((std::vector<long long>{1, -1}),
              (std::vector<long long>{a.getPropertyCount(), a.getActionProperty(L"Old")}));
    EXPECT_EQ((Strings{"markRepeatedActions: Action " + tavik::utf8Text(c.action) +
                       " is defined more than once: only its last definition is loaded"}),
              lines(WARNING));
  }
}

// The 16-bit link counter never numbers two link paths alike: an action or
// a group with more ports with link points than it numbers fails its
// sequence before any path is drawn.
TEST_F(SequenceFailuresTest, MorePortsWithLinkPointsThanTheCounterNumbersFailTheSequence) {
  std::string drawn;
  for (int k = 0; k <= 65536; ++k) drawn += port("PortName=P;PortVisible=false", "0,0");
  struct Case {
    std::string label;
    std::string sequences, definitions;
    std::string owner;
    std::wstring firstPath;
  };
  const Case cases[] = {
      {"an action", sequence("Main", "A", action("A", drawn)), "", "Action Main_Sequence/A",
       L"Main_Sequence/A_Link_0"},
      {"a group",
       sequence("Main", "G", instance("G", "Body", "<NextActions>" + drawn + "</NextActions>")),
       definition("Body", "A", action("A")), "Action group Main_Sequence/G",
       L"Main_Sequence_G_SequenceGroupLink_0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    sink_.clear();
    EXPECT_FALSE(load(c.sequences + kStop, c.definitions));
    EXPECT_EQ((Strings{kFailed + c.owner +
                       " has 65537 exit ports with link points; their link paths are numbered "
                       "from 0 to 65535 only"}),
              lines(UA_WARNING));
    EXPECT_EQ(L"none", linkPath(c.firstPath));
    EXPECT_EQ(L"Stop_Sequence/S", start(L"Stop_Sequence"));
  }
  EXPECT_EQ(L"65537", itemsText(handle(L"Main_Sequence/A"), "8008"));
}

// Positions, sizes and colours that are no numbers are left empty, with a
// WARNING naming the element, the item and the text; the load goes on.
TEST_F(SequenceFailuresTest, PositionsThatAreNoNumbersAreLeftEmpty) {
  ASSERT_TRUE(load(
      sequence("Main", "G",
               "<ActionGroup><Name>G</Name><ActionGroupSequence>Body"
               "</ActionGroupSequence><X>left</X><Width>5</Width><Color>#FF0000"
               "</Color></ActionGroup>",
               "<StartX>12,5</StartX><StartY>3</StartY>" + frames("Rectangles", {"X=#FF0000;Y=2"})),
      definition("Body", "A", action("A"), frames("Comments", {"Y=left;X=1"}))));
  const long long g = handle(L"Main_Sequence/G");
  const ws::ActionGroup group(g);
  const ws::Sequence main(handle(L"Main_Sequence"));
  EXPECT_EQ((WStrings{L"|3", L"|5|", L"|2", L"1|"}),
            (WStrings{itemsText(main.getHandle(), "704 720"), itemsText(g, "1576 1608 2208"),
                      itemsText(main.getFrame(0), "544 560"),
                      itemsText(group.getComment(0), "544 560")}));
  const auto refused = [](const std::string& kind, const std::string& name, const std::string& item,
                          int number, const std::string& text, const std::string& where) {
    return "setOrLeaveEmpty: " + kind + " " + name + ": item " + item + " left empty, the text \"" +
           text + "\" was refused: cannot write item " + item + "[" + std::to_string(number) +
           "] of " + where + ": the text \"" + text + "\" is not a number";
  };
  const auto at = [](const std::string& cls, const std::wstring& name, long long area) {
    return cls + " " + tavik::utf8Text(name) + "[" +
           std::to_string(ws::Workspace::getInstance()->findElement(name, area)) + "]";
  };
  const std::wstring comment = L"Main_SequenceMain_Sequence/G_commenct_0";
  EXPECT_EQ((Strings{refused("Sequence", "Main_Sequence", "StartX", 704, "12,5",
                             at("Sequence", L"Main_Sequence", 0xA00000)),
                     refused("Action group", "Main_Sequence/G", "X", 1576, "left",
                             at("ActionGroup", L"Main_Sequence/G", 0xA00000)),
                     refused("Action group", "Main_Sequence/G", "Color", 2208, "#FF0000",
                             at("ActionGroup", L"Main_Sequence/G", 0xA00000)),
                     refused("Comment", tavik::utf8Text(comment), "Y", 560, "left",
                             at("Comment", comment, 0xD10000)),
                     refused("Frame", "Main_Sequence_frame_0", "X", 544, "#FF0000",
                             at("Frame", L"Main_Sequence_frame_0", 0xD00000))}),
            lines(WARNING));
}

// Before a sequence makes anything, the group instances it would make are
// counted (in time that grows with the file, not with the count); more than
// the workspace's free room holds at one per 14 KB refuse that sequence.
TEST(SequenceFailures, TooManyGroupInstancesRefuseTheSequenceBeforeAnythingIsMade) {
  tavik_test::ScopedWorkspace scope;
  tavik_test::CapturingSink sink;
  tavik::SequenceLoader loader;  // its GlobalConfig exists from here on
  // 40 levels of two instances each: 2^41 - 2 instances.
  std::string definitions = definition("Y", "Y", "");  // names Y as referenced
  for (int k = 0; k < 40; ++k) {
    const std::string next = "D" + std::to_string(k + 1);
    definitions += definition("D" + std::to_string(k), k < 39 ? "X" : "A",
                              k < 39 ? instance("X", next) + instance("Y", next) : action("A"));
  }
  // Three levels: 14 instances fit.
  for (int k = 0; k < 3; ++k) {
    const std::string next = "E" + std::to_string(k + 1);
    definitions += definition("E" + std::to_string(k), k < 2 ? "X" : "A",
                              k < 2 ? instance("X", next) + instance("Y", next) : action("A"));
  }
  pugi::xml_document doc;
  const pugi::xml_node md = tavik_test::parseXml(
      &doc, tavik_test::sequencesDocument(
                sequence("Main", "X", instance("X", "D0") + instance("Y", "D0")) +
                    sequence("Small", "X", instance("X", "E0") + instance("Y", "E0")) + kStop,
                definitions));
  const std::size_t room = ws::Workspace::getInstance()->getFreeBytes() / (14 * 1024);
  EXPECT_THROW(loader.load(md, false), tavik::LoadAbortedException);
  EXPECT_EQ((Strings{"loadSequence: Error while loading Sequences: The sequence Main_Sequence "
                     "would create 2199023255550 action groups; the workspace has room for " +
                     std::to_string(room) + " (one per 14336 bytes free, at most 100000)"}),
            sink.lines(UA_WARNING.value));
  EXPECT_EQ((std::vector<long long>{0, 0}),
            (std::vector<long long>{handle(L"Main_Sequence"), handle(L"Main_Sequence/X")}));
  EXPECT_EQ(L"Small_Sequence/X/X/X/A",
            nameOf(ws::Sequence(handle(L"Small_Sequence")).getStartAction()));
  EXPECT_EQ(8, ws::Sequence(handle(L"Small_Sequence")).getActionCount());
  EXPECT_EQ(L"Stop_Sequence/S", nameOf(ws::Sequence(handle(L"Stop_Sequence")).getStartAction()));
}

}  // namespace
