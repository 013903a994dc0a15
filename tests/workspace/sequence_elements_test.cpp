// Sequences, frames, comments and link paths in a real workspace segment:
// handle lists without repeats, their rooms, the start action, link points.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ScopedWorkspace.h"
#include "workspace/ActionGroup.h"
#include "workspace/Comment.h"
#include "workspace/Frame.h"
#include "workspace/LinkPath.h"
#include "workspace/Parameter.h"
#include "workspace/Sequence.h"

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
  EXPECT_EQ(std::make_pair(50, 140000u),
            std::make_pair(ws::Workspace::getInstance()->getElementType(main.getHandle()),
                           ws::Workspace::getInstance()->getElementSize(main.getHandle())));
}

TEST(SequenceElement, FullListsRefuseOneMoreAndAWrittenOverIndexIsRebuilt) {
  tavik_test::ScopedWorkspace scope(256u << 20);
  ws::Sequence s(L"S");
  Handles frames;
  for (int k = 0; k < ws::sequence::kFrameCapacity; ++k) {
    frames.push_back(ws::Frame(L"F" + std::to_wstring(k)).getHandle());
    s.addFrame(frames.back());
  }
  s.addFrame(frames[17]);  // held: no room needed
  const long long extra = ws::Frame(L"extra").getHandle();
  EXPECT_EQ("no room for one more of the 256 frames of sequence S",
            workspaceError([&] { s.addFrame(extra); }));
  // Another writer filled every index slot of the action list: adding still
  // ends, without repeats.
  const long long p = ws::Parameter(L"P").getHandle();
  s.addAction(p);
  const auto workspace = ws::Workspace::getInstance();
  char* index = workspace->getBaseAddress() + s.getHandle() + ws::sequence::kActionTable +
                8 * ws::sequence::kActionCapacity;
  std::memset(index, 0x7F, 4 * 2 * ws::sequence::kActionCapacity);
  s.addAction(p);
  s.addAction(extra);
  EXPECT_EQ((Handles{p, extra}), actionsOf(s));
  EXPECT_EQ(256, s.getFrameCount());
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

TEST(LinkPathElement, HoldsTwentyOnePointsAndStartsEmptyWhenOpenedByName) {
  tavik_test::ScopedWorkspace scope;
  ws::LinkPath path(L"Main_Sequence/A_Link_0");
  for (int k = 0; k < 21; ++k) path.addd_point(k, -k);
  EXPECT_EQ("addd_point: the link path Main_Sequence/A_Link_0 already holds 21 points; it has room "
            "for 21",
            workspaceError([&] { path.addd_point(99, 99); }));
  EXPECT_EQ((std::vector<int>{21, 20, -20, 3}),
            (std::vector<int>{path.getPointCount(), path.getPointX(20), path.getPointY(20),
                              ws::LinkPath(path.getHandle()).getPointX(3)}));
  ws::LinkPath again(L"Main_Sequence/A_Link_0");
  again.addd_point(7, 8);
  EXPECT_EQ((std::vector<int>{1, 7, 8, 0}),
            (std::vector<int>{again.getPointCount(), again.getPointX(0), again.getPointY(0),
                              again.get<int>(ws::link_path::pointX(1))}));
  EXPECT_EQ("getPointY: no point 1 in Main_Sequence/A_Link_0",
            workspaceError([&] { again.getPointY(1); }));
}

}  // namespace

namespace {

TEST(ActionGroupElement, ActionListSizedByCountReshapedWhenItFitsAndOpenedOnlyWithMinusOne) {
  tavik_test::ScopedWorkspace scope;
  const long long a = ws::Frame(L"A").getHandle(), b = ws::Frame(L"B").getHandle();
  ws::ActionGroup group(L"Main_Sequence/G", 2);
  for (long long h : {a, b, a}) group.addAction(h);
  EXPECT_EQ("no room for one more of the 2 actions of action group Main_Sequence/G",
            workspaceError([&] { group.addAction(ws::Frame(L"C").getHandle()); }));
  ws::ActionGroup same(L"Main_Sequence/G", 2);  // the same count keeps the list
  EXPECT_EQ((Handles{2, a, b}), (Handles{same.getActionCount(), same.getAction(0), same.getAction(1)}));
  ws::ActionGroup smaller(L"Main_Sequence/G", 1);  // fits: emptied
  EXPECT_EQ(0, smaller.getActionCount());
  EXPECT_EQ("the action group \"Main_Sequence/G\" has room for 2 actions and cannot take 3",
            workspaceError([] { ws::ActionGroup(L"Main_Sequence/G", 3); }));
  EXPECT_EQ((Handles{group.getHandle(), 0}),
            (Handles{ws::ActionGroup(L"Main_Sequence/G", -1).getHandle(),
                     ws::ActionGroup(L"Main_Sequence/H", -1).getHandle()}));
  EXPECT_FALSE(ws::Workspace::getInstance()->is_existing_element(L"Main_Sequence/H", 0xA00000));
  EXPECT_EQ("invalid element handle in addAction",
            workspaceError([&] { ws::ActionGroup(L"Main_Sequence/H", -1).addAction(a); }));
  ws::Sequence(L"Main_Sequence");
  EXPECT_NE("no WorkspaceException", workspaceError([] { ws::ActionGroup(L"Main_Sequence", -1); }));
  EXPECT_EQ(24, ws::Workspace::getInstance()->getElementType(group.getHandle()));
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
  for (int k = 2; k < ws::action_group::kNextActionCapacity; ++k)
    group.addNextAction(L"A" + std::to_wstring(k), L"Default", 1, 1, 0, 0);
  EXPECT_EQ("addNextAction: action group G already has 32 exit ports",
            workspaceError([&] { group.addNextAction(L"X", L"Default", 1, 1, 0, 0); }));
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
