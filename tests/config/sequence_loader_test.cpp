// The sequence loader against a real workspace segment: sequences with their
// actions, start actions, frames and comments; exit ports, successors and
// link paths; action groups with nested groups and exit ports; progress,
// abort and the errors that fail one sequence.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CapturingSink.h"
#include "ElementItemsText.h"
#include "LoaderXml.h"
#include "SequenceXml.h"
#include "ScopedIni.h"
#include "ScopedWorkspace.h"
#include "TavikEngine/Config/ConfigReader.h"
#include "TavikEngine/Config/FormuaLoader.h"
#include "TavikEngine/Config/LoadAborted.h"
#include "TavikEngine/Config/XmlText.h"
#include "TavikEngine/Config/sequenceloader.h"
#include "TavikEngine/LogLevels.h"
#include "workspace/ActionGroup.h"
#include "workspace/ElementSchema.h"
#include "workspace/GlobalConfig.h"
#include "workspace/LinkPath.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Testplan.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::itemsText;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

using tavik_test::action;
using tavik_test::definition;
using tavik_test::frames;
using tavik_test::handle;
using tavik_test::instance;
using tavik_test::linkPath;
using tavik_test::nameOf;
using tavik_test::port;
using tavik_test::ports;
using tavik_test::sequence;

class SequenceLoaderTest : public ::testing::Test {
 protected:
  // Parses the document of the sequences, the group definitions and `more`.
  void parse(const std::string& sequences, const std::string& definitions = "",
             const std::string& more = "") {
    md_ = tavik_test::parseXml(&doc_, tavik_test::sequencesDocument(sequences, definitions, more));
  }
  // Loads it with `loader` (the fixture's by default); false when load()
  // ended with LoadAbortedException.
  bool run(tavik::SequenceLoader* loader = nullptr) {
    try {
      (loader ? loader : &loader_)->load(md_, false);
    } catch (const tavik::LoadAbortedException&) {
      return false;
    }
    return true;
  }
  bool load(const std::string& sequences, const std::string& definitions = "",
            const std::string& more = "") {
    parse(sequences, definitions, more);
    return run();
  }

  static WStrings sequenceActions(const std::wstring& name) {
    const ws::Sequence s(handle(name));
    WStrings out;
    for (int k = 0; k < s.getActionCount(); ++k) out.push_back(nameOf(s.getAction(k)));
    return out;
  }
  std::wstring progress() { return itemsText(ws::GlobalConfig().getHandle(), "10760 10768"); }
  Strings lines(const LEVELS& level) { return sink_.lines(level.value); }

  tavik_test::ScopedWorkspace workspace_;
  tavik_test::CapturingSink sink_;
  pugi::xml_document doc_;
  pugi::xml_node md_;
  tavik::SequenceLoader loader_;
};

TEST_F(SequenceLoaderTest, NoSequencesLoadsNothingAndStillHandsOnTheEmptyUses) {
  FormuaLoader formulas;
  formulas.get_formula_uses().resize(2);
  loader_.setFormuaLoader(&formulas);
  ws::GlobalConfig().set(ws::global_config::ProgressTotal, 9);
  EXPECT_TRUE(load(""));
  EXPECT_EQ(L"0|0", progress());
  ASSERT_EQ(1u, lines(TIMING).size());
  EXPECT_EQ(0u, lines(TIMING)[0].find("~DurationLogger: Function Loading Sequencestook "));
  EXPECT_EQ(2u, formulas.get_formula_uses().size());
}

TEST_F(SequenceLoaderTest, ASequenceHoldsItsActionsPortsLinksStartFramesAndComments) {
  ASSERT_TRUE(load(sequence("Main", "A",
                            action("A", port("PortName=Default;ActionName=B", "1,2 3,4") +
                                            port("PortName=Error;PortVisible=false;PortX=5", "-,7") +
                                            port("PortName=Warning;ActionName=;PortY=8") +
                                            port("ActionName=B;PortVisible=true", "9,9")) +
                                action("B"),
                            "<StartX>10</StartX><StartY>20</StartY>" +
                                frames("Rectangles", {"Color=1;Width=50;Height=60;X=7;Y=8",
                                                      "X=1", "Color=3"}) +
                                frames("Comments", {"CommentText=Hello;Width=4", "Color=2"}))));
  EXPECT_EQ((WStrings{L"Main_Sequence/A", L"Main_Sequence/B"}), sequenceActions(L"Main_Sequence"));
  const ws::Sequence s(handle(L"Main_Sequence"));
  EXPECT_EQ(L"Main_Sequence/A|10|20", nameOf(s.getStartAction()) + L"|" + itemsText(s.getHandle(), "704 720"));
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> Main_Sequence/B (Main_Sequence/A_Link_0)",
                      L"Error 0 0 5,-1 -> - (-)", L"Warning 0 1 -1,8 -> - (-)",
                      L" 1 1 -1,-1 -> Main_Sequence/B (Main_Sequence/A_Link_2)"}),
            ports(L"Main_Sequence/A"));
  WStrings drawn;  // link paths, exit counts, frames and comments
  for (int k = 0; k < 4; ++k) drawn.push_back(linkPath(L"Main_Sequence/A_Link_" + std::to_wstring(k)));
  drawn.push_back(itemsText(handle(L"Main_Sequence/A"), "8008") + L"|" +
                  itemsText(handle(L"Main_Sequence/B"), "8008"));
  for (int k = 0; k < s.getFrameCount(); ++k)
    drawn.push_back(itemsText(s.getFrame(k), "name 608 576 592 544 560"));
  for (int k = 0; k < s.getCommentCount(); ++k)
    drawn.push_back(itemsText(s.getComment(k), "name 608 576 592 544 560 616"));
  EXPECT_EQ((WStrings{L"Main_Sequence/A Main_Sequence/B | 1,2 3,4", L"- - | -1,7",
                      L"Main_Sequence/A Main_Sequence/B | 9,9", L"none", L"4|0",
                      L"Main_Sequence_frame_0|1|50|60|7|8",
                      L"Main_Sequence_frame_1|14474460|||1|", L"Main_Sequence_frame_2|3||||",
                      L"Main_Sequence_comment_0|14474460|4||||Hello",
                      L"Main_Sequence_comment_1|2|||||"}),
            drawn);
  EXPECT_EQ(L"4|4", progress());
  EXPECT_EQ(Strings{}, lines(WARNING));
}

TEST_F(SequenceLoaderTest, StartActionNamesAndTestPlans) {
  struct Case {
    std::string sequences;
    std::wstring element;  // the sequence element
    std::wstring items;    // start action | 600 | 608 | the first action's test plan
                           // (600 and 608 held 5 before: the load builds the
                           // sequence anew, with or without a start action)
    std::wstring status;
  };
  ws::Testplan(L"Main_Testplan", 1);
  const std::wstring plan = std::to_wstring(ws::Testplan(L"Main_Testplan", 0).getHandle());
  const Case cases[] = {
      {sequence("Main", "A", action("A")), L"Main_Sequence", L"Main_Sequence/A|0|0|" + plan,
       L"Main"},
      {sequence("MainX", "Ghost", action("A")), L"MainX_Sequence", L"-|0|0|-1", L"MainX"},
      {sequence("", "A", action("A")), L"_Sequence", L"_Sequence/A|0|0|-1", L""},
      {sequence("Empty", "A", ""), L"Empty_Sequence", L"-|0|0|?", L"Empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sequences);
    ws::Sequence before(c.element);
    before.set(ws::sequence::RunState, 5);
    before.set(ws::sequence::RunStep, 5);
    ASSERT_TRUE(load(c.sequences));
    const ws::Sequence s(handle(c.element));
    EXPECT_EQ(c.items, nameOf(s.getStartAction()) + L"|" + itemsText(s.getHandle(), "600 608") +
                           L"|" + itemsText(handle(c.element + L"/A"), "3936"));
    EXPECT_EQ(L"Step 4/4: Loading Sequence: " + c.status,
              itemsText(ws::GlobalConfig().getHandle(), "10776"));
  }
}

TEST_F(SequenceLoaderTest, ActionsThatCannotBeMadeOrSuccessorsThatDoNotExistAreWarnedAbout) {
  const std::string longName(300, 'n');
  ASSERT_TRUE(load(sequence("Main", "", action(longName) +
                                            action("A", port("PortName=Default;ActionName=Ghost"))) +
                   sequence("Stop", "", action("B"))));
  EXPECT_EQ((WStrings{L"Main_Sequence/A"}), sequenceActions(L"Main_Sequence"));
  // A successor named keeps the port's shape: it has a target, which is 0.
  EXPECT_EQ((WStrings{L"Default 1 1 -1,-1 -> - (-)"}), ports(L"Main_Sequence/A"));
  EXPECT_EQ((Strings{"add_sequence_actions: Error creating action the element name \"Main_Sequence/" +
                         longName + "\" (314 characters) does not fit a SharedAction element "
                         "(room for 265 characters)",
                     "loadActionLinks: Action Main_Sequence/" + longName +
                         " was not created: its exit ports are not loaded",
                     "loadNextActions: Action Main_Sequence/A, port Default: successor "
                     "Main_Sequence/Ghost does not exist",
                     "increaseReferenceCounter: try to increase counter for invalid element"}),
            lines(WARNING));
  EXPECT_EQ((WStrings{L"Stop_Sequence/B"}), sequenceActions(L"Stop_Sequence"));
}

// A name that the 16-bit storage changes (a character beyond U+10FFFF is
// stored as U+FFFD): a port's warning names the action as its element holds
// it.
TEST_F(SequenceLoaderTest, PortWarningsNameTheActionAsItsElementHoldsIt) {
  const struct {
    std::string name;
    std::string logged;
  } cases[] = {{"A", "A"},
               {"\xF4\x90\x80\x80", "\xEF\xBF\xBD"},
               {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
               {"\xED\xA0\x80\xED\xB0\x80", "\xF0\x90\x80\x80"}};
  for (const auto& c : cases) {
    sink_.clear();
    ASSERT_TRUE(
        load(sequence("Main", "", action(c.name, port("PortName=Default;ActionName=Ghost")))));
    EXPECT_EQ((Strings{"loadNextActions: Action Main_Sequence/" + c.logged +
                           ", port Default: successor Main_Sequence/Ghost does not exist",
                       "increaseReferenceCounter: try to increase counter for invalid element"}),
              lines(WARNING));
  }
}

// Main places G (definition Body, data D) as its start action, with an exit
// port from the bottom action R1 and one from X inside the nested H; Lonely is
// placed but named by nobody.
const std::string kGroups =
    definition("Body", "H",
               action("R1", port("PortName=Default")) + action("R2") + instance("H", "Inner"),
               "<BottomActionName>R1</BottomActionName>" + frames("Rectangles", {"X=3"}) +
                   frames("Comments", {"CommentText=Note"})) +
    definition("Inner", "X", action("X", port("PortName=Warning")));

const std::string kMain = sequence(
    "Main", "G",
    action("After") +
        instance("G", "Body",
                 "<ActionGroupData>D</ActionGroupData><X>1</X><Y>2</Y><Height>4</Height>"
                 "<NextActions>" +
                     port("PortName=Default;PortVisible=True;ActionName=After;PortX=6;PortY=7;"
                          "PortActionInfo=<ActionName>R1</ActionName>",
                          "5,5") +
                     port("PortName=Warning;PortVisible=True;ActionName=After;"
                          "PortActionInfo=<ParentActionGroup>H</ParentActionGroup><ActionName>X"
                          "</ActionName>") +
                     "</NextActions>") +
        instance("Lonely", "Body"));

TEST_F(SequenceLoaderTest, GroupsNestedGroupsTheirActionsExitPortsFramesAndComments) {
  ASSERT_TRUE(load(kMain, kGroups));
  EXPECT_EQ((WStrings{L"Main_Sequence/After", L"Main_Sequence/G/R1", L"Main_Sequence/G/R2",
                      L"Main_Sequence/G/H/X"}),
            sequenceActions(L"Main_Sequence"));
  EXPECT_EQ(L"Main_Sequence/G/H/X", nameOf(ws::Sequence(handle(L"Main_Sequence")).getStartAction()));
  const ws::ActionGroup g(handle(L"Main_Sequence/G"));
  const ws::ActionGroup h(handle(L"Main_Sequence/G/H"));
  // A group: its items, owner, sequence, start and bottom action, actions.
  const auto group = [](const ws::ActionGroup& x) {
    std::wstring text = itemsText(x.getHandle(), "1656") + L"|" +
                        nameOf(x.get<long long>(ws::action_group::OwnerHandle)) + L"|" +
                        nameOf(x.get<long long>(ws::action_group::SequenceHandle)) + L"|" +
                        itemsText(x.getHandle(), "1576 1592 1608 1624 544 1048 2208") + L"|" +
                        nameOf(x.getStartAction()) + L"|" +
                        nameOf(x.get<long long>(ws::action_group::BottomAction));
    for (int k = 0; k < x.getActionCount(); ++k) text += L"|" + nameOf(x.getAction(k));
    return text;
  };
  EXPECT_EQ((WStrings{L"Main_Sequence|Main_Sequence|Main_Sequence|1|2|0|4|Body|D|0|Main_Sequence/G/H/X|"
                      L"Main_Sequence/G/R1|Main_Sequence/G/R1|Main_Sequence/G/R2",
                      L"Main_Sequence/G|Main_Sequence/G|Main_Sequence|||0|0|Inner||0|"
                      L"Main_Sequence/G/H/X|-|Main_Sequence/G/H/X"}),
            (WStrings{group(g), group(h)}));
  // An action in a group: its items and its group.
  WStrings inGroup;
  for (const wchar_t* name : {L"Main_Sequence/G/R1", L"Main_Sequence/G/R2", L"Main_Sequence/G/H/X"})
    inGroup.push_back(itemsText(handle(name), "2584 3088 2568 2576") + L"|" +
                      nameOf(ws::SharedAction(handle(name)).get<long long>(3592)));
  EXPECT_EQ((WStrings{L"Main_Sequence/G|G|1|1|Main_Sequence/G", L"Main_Sequence/G|G|1|0|Main_Sequence/G",
                      L"Main_Sequence/G/H|H|1|0|Main_Sequence/G/H"}),
            inGroup);
  EXPECT_EQ((WStrings{L"Main_SequenceMain_Sequence/G_frame_0|3",
                      L"Main_SequenceMain_Sequence/G_commenct_0|Note"}),
            (WStrings{itemsText(g.getFrame(0), "name 544"), itemsText(g.getComment(0), "name 616")}));
  // Exit ports: on the group, and as successors of the inner actions' ports.
  WStrings exits;
  for (int k = 0; k < g.getNextActionCount(); ++k) {
    const ws::ActionGroup::NextAction n = g.getNextAction(k);
    exits.push_back(n.innerName + L"." + n.portName + L" -> " + nameOf(n.target) + L" (" +
                    nameOf(n.link) + L") " + std::to_wstring(n.x) + L"," + std::to_wstring(n.y));
  }
  EXPECT_EQ((WStrings{L"R1.Default -> Main_Sequence/After (Main_Sequence_G_SequenceGroupLink_0) 6,7",
                      L"X.Warning -> Main_Sequence/After (-) -1,-1"}),
            exits);
  EXPECT_EQ(L"- - | 5,5", linkPath(L"Main_Sequence_G_SequenceGroupLink_0"));
  EXPECT_EQ((WStrings{L"Default 0 1 -1,-1 -> Main_Sequence/After (-)",
                      L"Warning 0 1 -1,-1 -> Main_Sequence/After (-)"}),
            (WStrings{ports(L"Main_Sequence/G/R1")[0], ports(L"Main_Sequence/G/H/X")[0]}));
  EXPECT_EQ(0, handle(L"Main_Sequence/Lonely"));
  EXPECT_EQ(L"2|5", progress());  // the group's actions are linked, not counted
}

TEST_F(SequenceLoaderTest, NamesWithQuotesMatchThemselvesOnly) {
  const std::string crafted = "x' or '1'='1";
  ASSERT_TRUE(load(sequence("Q", "G'\"", instance("G'\"", "B\"'1", "<ActionGroupData>D'\"</ActionGroupData>") +
                                          instance(crafted, "B\"'1")),
                   definition("B\"'1", "R'1", action("R'1", "", "<Options><Option><Name>O</Name><Type>Value</Type></Option></Options>")) +
                       definition(crafted, "R'1", "") + definition("B\"'1", "Other", action("Other")),
                   "<ActionGroupDatas><ActionGroupData><Name>" + crafted +
                       "</Name></ActionGroupData><ActionGroupData><Name>D'\"</Name><Actions>" +
                       action("R'1", "", "<Options><Option><Name>O</Name><Values><Value>v"
                                         "</Value></Values></Option></Options>") +
                       "</Actions></ActionGroupData></ActionGroupDatas>"));
  EXPECT_EQ(L"Q_Sequence/G'\"/R'1", nameOf(ws::Sequence(handle(L"Q_Sequence")).getStartAction()));
  EXPECT_EQ(L"B\"'1|D'\"", itemsText(handle(L"Q_Sequence/G'\""), "544 1048"));
  const long long property = ws::SharedAction(handle(L"Q_Sequence/G'\"/R'1")).getActionProperty(L"O");
  EXPECT_EQ(L"v", itemsText(property, "1056"));
  EXPECT_EQ(0, handle(L"Q_Sequence/" + std::wstring(crafted.begin(), crafted.end())));
  // Outside a load the same lookups walk the document, with the same first matches.
  EXPECT_EQ((Strings{"R'1", "D'\"", "R'1", "", ""}),
            (Strings{loader_.findActionGroupSequence(md_, L"B\"'1").child_value("StartActionName"),
                     loader_.findActionGroupData(md_, L"D'\"").child_value("Name"),
                     loader_.findAction(loader_.findActionGroupData(md_, L"D'\""), L"R'1")
                         .child_value("Name"),
                     loader_.findActionGroupSequence(md_, L"' or '1'='1").child_value("Name"),
                     loader_.findAction(md_, L"R'1").child_value("Name")}));
}

// The formula uses of action options (here of Stop, which always loads) join
// the formula loader only after a successful load.
TEST_F(SequenceLoaderTest, GroupErrorsFailTheirSequenceOnlyAndKeepTheFormulaUsesOut) {
  struct Case {
    std::string label;
    std::string groupFields;  // of the instance G placed as start action
    std::string definitions;
    std::string line;  // after "load_sequence_or_group: Error while loading Sequences: "
    std::wstring made, absent;  // a group element made, one not made (none: "")
    std::string comment = "";  // of Main, after its one frame
  };
  const std::string info = ";PortActionInfo=<ActionName>A</ActionName>";
  const char* const kinds[] = {"Default", "Warning", "Error"};
  std::string ports20;
  for (int k = 0; k < 20; ++k)
    ports20 += port(std::string("PortName=") + kinds[k % 3] + ";PortVisible=True" + info);
  // A port not visible or of another name takes no room; a 21st visible one does.
  const std::string uncounted =
      port("PortName=Default" + info) + port("PortName=Other;PortVisible=True" + info);
  const std::string ports21 = ports20 + port("PortName=Error;PortVisible=true" + info);
  const std::string formula =
      "<CalculationFormulas><CalculationFormula><Name>F</Name><Formula>1 + 2</Formula>"
      "</CalculationFormula></CalculationFormulas>";
  const std::string target = "<Options><Option><Name>Target</Name><Type>MapAndValueSelect</Type>"
                             "<Values><Value>Formula:F</Value></Values></Option></Options>";
  std::string points;
  for (int k = 0; k < 22; ++k) points += (k ? " " : "") + std::to_string(k) + ",0";
  const Case cases[] = {
      {"20 visible ports", "<NextActions>" + ports20 + uncounted + "</NextActions>",
       definition("Body", "A", action("A")), "", L"Main_Sequence/G", L""},
      {"21 visible ports", "<NextActions>" + ports21 + "</NextActions>",
       definition("Body", "A", action("A")),
       "Maximum number of exit ports of an Action Group (20) exceeded. Sequence can't be executed",
       L"Main_Sequence/G", L""},
      {"empty definition", "", definition("Body", "A", ""),
       "Sequences containing empty Action Groups can't be executed", L"", L"Main_Sequence/G"},
      {"no definition", "", "", "Sequences containing empty Action Groups can't be executed", L"",
       L"Main_Sequence/G"},
      {"22 link points", "", definition("Body", "A", action("A", port("PortName=P", points))),
       "addd_point: the link path Main_Sequence/G/A_Link_0 already holds 21 points; it has room "
       "for 21", L"Main_Sequence/G/A", L""},
      {"self placement", "", definition("Body", "G2", action("A") + instance("G2", "Body")),
       "Action group definitions place each other in a cycle: Body -> Body", L"Main_Sequence/G",
       L"Main_Sequence/G/G2"},
      {"placement through a second group", "",
       definition("Body", "G2", action("A") + instance("G2", "Second")) +
           definition("Second", "G3", action("A") + instance("G3", "Body")),
       "Action group definitions place each other in a cycle: Body -> Second -> Body",
       L"Main_Sequence/G/G2", L"Main_Sequence/G/G2/G3"},
      {"an element without room", "", definition("Body", "A", action("A")),
       "cannot write item CommentText[616] of Comment Main_Sequence_comment_0[@]: a text of 2100 "
       "characters does not fit (room for 2047)", L"Main_Sequence/G", L"", std::string(2100, 'c')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    sink_.clear();
    tavik_test::ScopedWorkspace scope;  // every case in a fresh workspace
    tavik::SequenceLoader loader;
    parse(sequence("Main", "G", action("Before") + instance("G", "Body", c.groupFields),
                   frames("Rectangles", {"X=1"}) +
                       (c.comment.empty() ? "" : frames("Comments", {"CommentText=" + c.comment}))) +
              sequence("Stop", "S", action("S", "", target)),
          c.definitions, formula);
    FormuaLoader formulas;
    formulas.load(md_);
    loader.setFormuaLoader(&formulas);
    const size_t before = formulas.get_formula_uses().size();
    const bool ok = run(&loader);
    ASSERT_EQ(before + (ok ? 1 : 0), formulas.get_formula_uses().size());
    if (ok) {
      const FormulaEntry& use = formulas.get_formula_uses().back();
      EXPECT_EQ(L"_prop_Stop_Sequence/STarget|_prop_Stop_Sequence_STarget.set_result(|1",
                use.target + L"|" + use.setter + L"|" + std::to_wstring(use.action_property_bound));
    }
    EXPECT_EQ(c.line.empty(), ok);
    std::string line = c.line;  // "@": the handle of the comment
    if (line.find('@') != std::string::npos)
      line.replace(line.find('@'), 1, std::to_string(ws::Workspace::getInstance()->findElement(
                                          L"Main_Sequence_comment_0", 0xD10000)));
    EXPECT_EQ(c.line.empty() ? Strings{}
                             : Strings{"load_sequence_or_group: Error while loading Sequences: " + line},
              lines(UA_WARNING));
    const ws::Sequence main(handle(L"Main_Sequence"));  // frames are written after the start action
    EXPECT_EQ((std::vector<int>{c.line.empty() || !c.comment.empty() ? 1 : 0, 0}),
              (std::vector<int>{main.getFrameCount(), main.getCommentCount()}));
    EXPECT_TRUE(c.made.empty() || handle(c.made) > 0) << "missing";
    EXPECT_TRUE(c.absent.empty() || handle(c.absent) == 0) << "made";
    EXPECT_EQ(L"Stop_Sequence/S", nameOf(ws::Sequence(handle(L"Stop_Sequence")).getStartAction()));
    EXPECT_EQ((c.line.empty() ? Strings{"load: Loading Sequences", "load: Loading Sequences ready"}
                              : Strings{"load: Loading Sequences"}),
              lines(INFO));
  }
}

TEST_F(SequenceLoaderTest, AStartActionLoopWrittenIntoGroupsEndsWithAConfigurationError) {
  ws::Sequence s(L"S_Sequence");
  ws::ActionGroup g1(L"S_Sequence/G1", 1), g2(L"S_Sequence/G2", 1);
  g1.set(ws::action_group::StartAction, g2.getHandle());
  g2.set(ws::action_group::StartAction, g1.getHandle());
  EXPECT_EQ("The start action S_Sequence/G1 leads into a loop of action groups",
            tavik_test::configError([&] { loader_.setStartAction(s, L"S_Sequence", L"G1"); }));
  ws::ActionGroup outer(L"S_Sequence/Outer", 1);
  EXPECT_EQ("The start action S_Sequence/G2 leads into a loop of action groups",
            tavik_test::configError([&] { loader_.setGroupStartAction(L"S_Sequence/G2", outer); }));
  EXPECT_EQ(0, s.getStartAction());
}

TEST_F(SequenceLoaderTest, AnAbortWhileLinkingAGroupLeavesItWithoutStartFramesAndComments) {
  ws::GlobalConfig().set(ws::global_config::AbortRequest, 1);
  EXPECT_FALSE(load(sequence("Main", "G", instance("G", "Body")),
                    definition("Body", "A", action("A") + action("B"),
                               frames("Rectangles", {"X=1"}) + frames("Comments", {"X=1"}))));
  const ws::ActionGroup g(handle(L"Main_Sequence/G"));
  EXPECT_EQ((std::vector<long long>{2, 0, 0, 0}),
            (std::vector<long long>{g.getActionCount(), g.getStartAction(), g.getFrameCount(),
                                    g.getCommentCount()}));
  EXPECT_EQ(L"0|1", progress());
  EXPECT_EQ(Strings{"load: Loading Sequences"}, lines(INFO));
}

// Every element of the workspace by class and name, with its bytes past the
// type code and reference count (which each load raises).
std::map<std::string, std::string> workspaceContents() {
  const auto workspace = ws::Workspace::getInstance();
  std::map<std::string, std::string> contents;
  for (const ws::ElementSchema& schema : ws::allSchemas()) {
    std::vector<long long> handles;
    workspace->getAllElementsOfType(schema.element_type, handles, schema.area);
    for (long long h : handles) {
      const char* at = workspace->getBaseAddress() + h;
      contents[schema.class_name + " " + tavik::utf8Text(itemsText(h, "name"))] =
          std::string(at + ws::element_header::kClassId,
                      workspace->getElementSize(h) - ws::element_header::kClassId);
    }
  }
  return contents;
}

TEST(ExampleConfiguration, LoadsAndASecondLoadOverItGivesTheSameElementsAndItems) {
  tavik_test::ScopedWorkspace scope;
  tavik_test::ScopedIni ini("[devices]\nMotor=ECU\nDyno=Dynamometer\n");
  tavik_test::CapturingSink sink;
  tavik::ConfigReader reader;
  ASSERT_TRUE(reader.loadConfig(tavik::wideText(TAVIK_EXAMPLE_CONFIG), false));
  const std::map<std::string, std::string> first = workspaceContents();
  ASSERT_TRUE(reader.loadConfig(tavik::wideText(TAVIK_EXAMPLE_CONFIG), true));
  const std::map<std::string, std::string> second = workspaceContents();
  std::vector<std::string> changed;
  for (const auto& [name, bytes] : second)
    if (first.count(name) == 0 || first.at(name) != bytes) changed.push_back(name);
  EXPECT_EQ(first.size(), second.size());
  EXPECT_EQ(std::vector<std::string>{}, changed);
  EXPECT_EQ(Strings{}, sink.lines(WARNING.value));
  EXPECT_EQ(Strings{}, sink.lines(UA_WARNING.value));
  EXPECT_EQ(1u, first.count("Sequence Main_Sequence"));
  EXPECT_EQ(1u, first.count("ActionGroup Main_Sequence/Sweep/Step"));
}

}  // namespace
