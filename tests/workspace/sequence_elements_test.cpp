// Sequences, action groups, frames, comments and link paths in a real
// workspace segment: handle lists without repeats that grow, building anew
// under the same handle, the start action, exit ports, link points.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "HandleTable.h"
#include "ScopedWorkspace.h"
#include "workspace/ActionGroup.h"
#include "workspace/Comment.h"
#include "workspace/Frame.h"
#include "workspace/LinkPath.h"
#include "workspace/Parameter.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"

namespace {

namespace ws = tavik::workspace;
using Handles = std::vector<long long>;
using tavik_test::workspaceError;

Handles actionsOf(const ws::Sequence& s) {
  Handles out;
  for (int k = 0; k < s.getActionCount(); ++k) out.push_back(s.getAction(k));
  return out;
}

TEST(SequenceElement, ListsKeepOrderAndIgnoreHandlesTheyHold) {
  tavik_test::ScopedWorkspace scope;
  ws::Sequence main(L"Main_Sequence");
  const long long a = ws::Frame(L"A").getHandle(), b = ws::Frame(L"B").getHandle();
  const long long c = ws::Comment(L"C").getHandle();
  for (long long h : {b, a, b, a}) main.addAction(h);
  main.addFrame(a);
  main.addFrame(a);
  main.addComment(c);
  main.addComment(a);
  ws::Sequence again(L"Main_Sequence");  // a second load over the same workspace
  for (long long h : {b, a}) again.addAction(h);
  EXPECT_EQ((Handles{b, a}), actionsOf(again));
  EXPECT_EQ((Handles{1, a, 2, c, a}),
            (Handles{main.getFrameCount(), main.getFrame(0), main.getCommentCount(),
                     main.getComment(0), main.getComment(1)}));
  EXPECT_EQ("position 2 is outside the 2 actions of sequence Main_Sequence",
            workspaceError([&] { main.getAction(2); }));
  EXPECT_EQ("addAction: no workspace element at handle 12 for sequence Main_Sequence",
            workspaceError([&] { main.addAction(12); }));
  EXPECT_EQ(std::make_pair(50, 728u),
            std::make_pair(ws::Workspace::getInstance()->getElementType(main.getHandle()),
                           ws::Workspace::getInstance()->getElementSize(main.getHandle())));
}

TEST(SequenceElement, ListsGrowWhileTheSequenceStaysAndAWrittenOverIndexIsRebuilt) {
  tavik_test::ScopedWorkspace scope;
  const auto workspace = ws::Workspace::getInstance();
  ws::Sequence s(L"S");
  const long long before = s.getHandle();
  Handles frames;
  for (int k = 0; k < 300; ++k) {
    frames.push_back(ws::Frame(L"F" + std::to_wstring(k)).getHandle());
    s.addFrame(frames.back());
  }
  s.addFrame(frames[17]);  // held: nothing added
  Handles stored;
  for (int k = 0; k < s.getFrameCount(); ++k) stored.push_back(s.getFrame(k));
  EXPECT_EQ(frames, stored);
  EXPECT_EQ(before, ws::Workspace::getInstance()->findElement(L"S", 0xA00000));
  const long long list = s.get<long long>(ws::sequence::FrameList);
  int frameRoom = 0;
  workspace->getItem(list + ws::element_list::Room, frameRoom);
  EXPECT_EQ((std::vector<long long>{512, 300, list}),
            (std::vector<long long>{frameRoom, s.getFrameCount(),
                                    workspace->findElement(L"S\x1F" L"frames", 0xE00000)}));
  // Another writer filled every index slot of the action list: adding still
  // ends, without repeats.
  const long long p = ws::Parameter(L"P").getHandle();
  s.addAction(p);
  const long long actions = s.get<long long>(ws::sequence::ActionList);
  int room = 0;
  workspace->getItem(actions + ws::element_list::Room, room);
  char* index = workspace->getBaseAddress() + actions + ws::element_list::kRecords + 8 * room;
  std::memset(index, 0x7F, 4 * ws::HandleTable::indexSlots(room));
  s.addAction(p);
  s.addAction(frames[0]);
  EXPECT_EQ((Handles{p, frames[0]}), actionsOf(s));
}

// Building a sequence again empties its lists (which keep their elements and
// room) and zeroes its items, silently; the handle stays.
TEST(SequenceElement, ResetGivesAFreshSequenceUnderTheSameHandle) {
  tavik_test::ScopedWorkspace scope;
  const auto workspace = ws::Workspace::getInstance();
  ws::Sequence s(L"S");
  const long long f = ws::Frame(L"F").getHandle(), c = ws::Comment(L"C").getHandle();
  for (int k = 0; k < 9; ++k) s.addAction(ws::Frame(L"A" + std::to_wstring(k)).getHandle());
  s.addFrame(f);
  s.addComment(c);
  s.setStartAction(ws::SharedElement<ws::SharedAction>(f));
  s.set(ws::sequence::RunState, 3);
  s.set(ws::sequence::RunStep, 4);
  s.set(ws::sequence::StartX, std::wstring(L"12"));
  const Handles lists{s.get<long long>(ws::sequence::ActionList),
                      s.get<long long>(ws::sequence::FrameList),
                      s.get<long long>(ws::sequence::CommentList)};
  const std::size_t used = workspace->getUsedBytes();
  s.reset();
  EXPECT_EQ((Handles{0, 0, 0, 0, 0, 0}),
            (Handles{s.getActionCount(), s.getFrameCount(), s.getCommentCount(), s.getStartAction(),
                     s.get<int>(ws::sequence::RunState), s.get<int>(ws::sequence::RunStep)}));
  EXPECT_EQ(L"0", s.get<std::wstring>(ws::sequence::StartX));
  EXPECT_EQ(lists, (Handles{s.get<long long>(ws::sequence::ActionList),
                            s.get<long long>(ws::sequence::FrameList),
                            s.get<long long>(ws::sequence::CommentList)}));
  for (int k = 8; k >= 0; --k) s.addAction(ws::Frame(L"A" + std::to_wstring(k)).getHandle());
  EXPECT_EQ(9, s.getActionCount());
  EXPECT_EQ(used, workspace->getUsedBytes());  // nothing new made
  EXPECT_EQ("position 0 is outside the 0 frames of sequence S",
            workspaceError([&] { s.getFrame(0); }));
}

TEST(SequenceElement, StartActionIsSetOnlyByAValidAction) {
  tavik_test::ScopedWorkspace scope;
  ws::Sequence s(L"S");
  s.setStartAction(ws::SharedElement<ws::SharedAction>(0));
  s.setStartAction(ws::SharedElement<ws::SharedAction>(-1));
  EXPECT_EQ(0, s.getStartAction());
  const long long frame = ws::Frame(L"F").getHandle();
  s.setStartAction(ws::SharedElement<ws::SharedAction>(frame));
  EXPECT_EQ(frame, s.getStartAction());
}

TEST(LinkPathElement, HoldsTwentyOnePointsAndStartsFreshWhenOpenedByName) {
  tavik_test::ScopedWorkspace scope;
  ws::LinkPath path(L"Main_Sequence/A_Link_0");
  path.set(ws::link_path::START_ACTION, 11LL);
  path.set(ws::link_path::TARGET_ACTION, 12LL);
  for (int k = 0; k < 21; ++k) path.addd_point(k, -k);
  EXPECT_EQ("addd_point: the link path Main_Sequence/A_Link_0 already holds 21 points; it has room "
            "for 21",
            workspaceError([&] { path.addd_point(99, 99); }));
  EXPECT_EQ((std::vector<int>{21, 20, -20, 3}),
            (std::vector<int>{path.getPointCount(), path.getPointX(20), path.getPointY(20),
                              ws::LinkPath(path.getHandle()).getPointX(3)}));
  ws::LinkPath again(L"Main_Sequence/A_Link_0");
  again.addd_point(7, 8);
  EXPECT_EQ((std::vector<long long>{1, 7, 8, 0, 0, 0}),
            (std::vector<long long>{again.getPointCount(), again.getPointX(0), again.getPointY(0),
                                    again.get<int>(ws::link_path::pointX(1)),
                                    again.get<long long>(ws::link_path::START_ACTION),
                                    again.get<long long>(ws::link_path::TARGET_ACTION)}));
  EXPECT_EQ("getPointY: no point 1 in Main_Sequence/A_Link_0",
            workspaceError([&] { again.getPointY(1); }));
}

}  // namespace

namespace {

// An action group: lists without a room of their own; building it again
// (count >= 0) gives a fresh group under the same handle, opening it with -1
// changes nothing.
TEST(ActionGroupElement, BuildingGivesAFreshGroupAndOpeningWithMinusOneKeepsIt) {
  tavik_test::ScopedWorkspace scope;
  const auto workspace = ws::Workspace::getInstance();
  const long long a = ws::Frame(L"A").getHandle(), b = ws::Frame(L"B").getHandle();
  const long long c = ws::Frame(L"C").getHandle();
  ws::ActionGroup group(L"Main_Sequence/G", 2);
  for (long long h : {a, b, a, c}) group.addAction(h);  // more than it was built for
  group.addFrame(a);
  group.addComment(b);
  group.addNextAction(L"R", L"Default", a, -1, 1, 2);
  group.set(ws::action_group::BottomAction, a);
  group.set(ws::action_group::StartAction, b);
  group.set(ws::action_group::DefinitionName, std::wstring(L"Body"));
  const auto state = [](const ws::ActionGroup& g) {
    return Handles{g.getActionCount(), g.getFrameCount(), g.getCommentCount(),
                   g.getNextActionCount(), g.get<long long>(ws::action_group::BottomAction),
                   g.getStartAction(),
                   static_cast<long long>(g.get<std::wstring>(ws::action_group::DefinitionName).size())};
  };
  EXPECT_EQ((Handles{3, a, b, c}),
            (Handles{group.getActionCount(), group.getAction(0), group.getAction(1), group.getAction(2)}));
  const ws::ActionGroup opened(L"Main_Sequence/G", -1);
  EXPECT_EQ((Handles{3, 1, 1, 1, a, b, 4}), state(opened));
  const std::size_t used = workspace->getUsedBytes();
  const ws::ActionGroup built(L"Main_Sequence/G", 5);
  EXPECT_EQ(group.getHandle(), built.getHandle());
  EXPECT_EQ((Handles{0, 0, 0, 0, 0, 0, 0}), state(built));
  EXPECT_EQ(L"0", built.get<std::wstring>(ws::action_group::X));
  group.addAction(c);
  group.addNextAction(L"R", L"Error", 0, 0, 0, 0);
  EXPECT_EQ((Handles{c, 1}), (Handles{built.getAction(0), built.getNextActionCount()}));
  EXPECT_EQ(used, workspace->getUsedBytes());  // the lists kept their elements
  EXPECT_EQ((Handles{0}), (Handles{ws::ActionGroup(L"Main_Sequence/H", -1).getHandle()}));
  EXPECT_FALSE(workspace->is_existing_element(L"Main_Sequence/H", 0xA00000));
  EXPECT_EQ("invalid element handle in addAction",
            workspaceError([&] { ws::ActionGroup(L"Main_Sequence/H", -1).addAction(a); }));
  ws::Sequence(L"Main_Sequence");
  EXPECT_NE("no WorkspaceException", workspaceError([] { ws::ActionGroup(L"Main_Sequence", -1); }));
  EXPECT_EQ(std::make_pair(24, 2256u),
            std::make_pair(workspace->getElementType(group.getHandle()),
                           workspace->getElementSize(group.getHandle())));
}

TEST(ActionGroupElement, ExitPortsAreReplacedByInnerAndPortNameAndTargetsBelowOneAreNone) {
  tavik_test::ScopedWorkspace scope;
  ws::ActionGroup group(L"G", 1);
  group.addNextAction(L"Ramp", L"Default", 77, -1, 10, 20);
  group.addNextAction(L"Ramp", L"Error", -1, 5, 1, 2);
  group.addNextAction(L"Ramp", L"Default", 0, 9, 3, 4);  // replaced at its index
  const auto text = [](const ws::ActionGroup::NextAction& n) {
    return n.innerName + L"." + n.portName + L" " + std::to_wstring(n.target) + L" " +
           std::to_wstring(n.link) + L" " + std::to_wstring(n.x) + L"," + std::to_wstring(n.y);
  };
  EXPECT_EQ((std::vector<std::wstring>{L"Ramp.Default 0 9 3,4", L"Ramp.Error 0 5 1,2"}),
            (std::vector<std::wstring>{text(group.getNextAction(0)), text(group.getNextAction(1))}));
  // The list grows past any former room; a port is still replaced where it
  // stands, and a name that only begins like a held one is another port.
  for (int k = 2; k < 100; ++k)
    group.addNextAction(L"A" + std::to_wstring(k), L"Default", k, k, k, -k);
  group.addNextAction(L"A50", L"Default", 7, 8, 9, 10);
  group.addNextAction(L"A5", L"Defaul", 1, 1, 1, 1);
  EXPECT_EQ((std::vector<std::wstring>{L"A50.Default 7 8 9,10", L"A99.Default 99 99 99,-99",
                                       L"A5.Defaul 1 1 1,1"}),
            (std::vector<std::wstring>{text(group.getNextAction(50)), text(group.getNextAction(99)),
                                       text(group.getNextAction(100))}));
  EXPECT_EQ(101, group.getNextActionCount());
  EXPECT_EQ("getNextAction: no exit port 101 in action group G",
            workspaceError([&] { group.getNextAction(101); }));
  EXPECT_EQ("addNextAction: the port \"Default\" of the inner action \"" + std::string(300, 'n') +
                "\" does not fit action group G",
            workspaceError([&] { group.addNextAction(std::wstring(300, L'n'), L"Default", 1, 1, 0, 0); }));
  const long long f = ws::Frame(L"F").getHandle(), c = ws::Comment(L"C").getHandle();
  group.addFrame(f);
  group.addFrame(f);
  group.addComment(c);
  EXPECT_EQ((Handles{1, f, 1, c}),
            (Handles{group.getFrameCount(), group.getFrame(0), group.getCommentCount(), group.getComment(0)}));
}

}  // namespace
