// Remaking an element that outgrew its room, and the growable lists of
// elements: what the new copy holds, what the old handle still gives, and
// that the owner of a list never moves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "OwnedList.h"
#include "ScopedWorkspace.h"
#include "workspace/Chunk.h"
#include "workspace/Device.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "workspace/Parameter.h"
#include "workspace/Sequence.h"
#include "workspace/SharedAction.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::workspaceError;

TEST(ElementGrowth, TheNewCopyKeepsNameItemsAndCountAndTheOldHandleSaysItWasReplaced) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  const long long old = workspace->openOrCreateElement(ws::element_class::kChunk, L"C", 16);
  const long long later = workspace->openOrCreateElement(ws::element_class::kChunk, L"D", 0);
  workspace->increaseReferenceCounter(old);
  workspace->setItem(old + ws::chunk::Size, 7);
  std::memcpy(workspace->getBaseAddress() + old + ws::chunk::kText, "abcdefghijklmnop", 16);
  const std::size_t before = workspace->getUsedBytes();

  const long long fresh = workspace->replaceElement(old, 40, 6);
  EXPECT_NE(fresh, old);
  EXPECT_GT(workspace->getUsedBytes(), before);  // the old copy is never freed
  EXPECT_EQ(workspace->findElement(L"C", ws::memory_area::kChunks), fresh);
  EXPECT_EQ(workspace->getElementSize(fresh), ws::chunk::kElementSize + 40);
  EXPECT_EQ(workspace->getReferenceCount(fresh), 1);
  int size = 0;
  workspace->getItem(fresh + ws::chunk::Size, size);
  EXPECT_EQ(size, 7);
  const char* tail = workspace->getBaseAddress() + fresh + ws::chunk::kText;
  EXPECT_EQ(std::string(tail, 6), "abcdef");
  EXPECT_EQ(std::string(tail + 6, 34), std::string(34, '\0'));
  EXPECT_TRUE(workspace->isReplaced(old));
  EXPECT_FALSE(workspace->isReplaced(fresh));

  const std::string replaced = "the Chunk element C[" + std::to_string(old) +
                               "] was replaced by a larger one: open it again by name";
  int value = 0;
  EXPECT_EQ(workspaceError([&] { workspace->getItem(old + ws::chunk::Size, value); }), replaced);
  EXPECT_EQ(workspaceError([&] { workspace->setItem(old + ws::chunk::Size, 1); }), replaced);
  EXPECT_EQ(workspaceError([&] { ws::Chunk chunk(old); }), replaced);
  EXPECT_EQ(workspaceError([&] { workspace->replaceElement(old, 80, 0); }), replaced);
  // The new copy is listed where the old one was.
  std::vector<long long> chunks;
  workspace->getAllElementsOfType(ws::element_type::kChunk, chunks, ws::memory_area::kChunks);
  EXPECT_EQ(chunks, (std::vector<long long>{fresh, later}));
}

// Actions, groups and sequences share one name area: a name may pass to an
// element of another class, which takes the old one's place.
TEST(ElementGrowth, AnElementMadeAnewInAnotherClassTakesNameCountAndPlaceAndTheOldHandleSaysSo) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  const long long action = workspace->openOrCreateElement(ws::element_class::kSharedAction, L"S/A", 16);
  const long long other = workspace->openOrCreateElement(ws::element_class::kSharedAction, L"S/B");
  workspace->setItem(action + ws::shared_action::Kind, 4);
  workspace->increaseReferenceCounter(action);
  workspace->increaseReferenceCounter(action);

  const long long group = workspace->remakeAsClass(action, ws::element_class::kActionGroup);
  const auto listed = [&](int type) {
    std::vector<long long> handles;
    workspace->getAllElementsOfType(type, handles, ws::memory_area::kActions);
    return handles;
  };
  long long start = -1;
  workspace->getItem(group + ws::action_group::StartAction, start);
  EXPECT_EQ((std::vector<long long>{group, 24, 2, 0, ws::action_group::kElementSize}),
            (std::vector<long long>{workspace->findElement(L"S/A", ws::memory_area::kActions),
                                    workspace->getElementType(group),
                                    workspace->getReferenceCount(group), start,
                                    workspace->getElementSize(group)}));
  EXPECT_EQ(std::vector<long long>{other}, listed(ws::element_type::kSharedAction));
  EXPECT_EQ(std::vector<long long>{group}, listed(ws::element_type::kActionGroup));
  const std::string replaced = "the SharedAction element S/A[" + std::to_string(action) +
                               "] was replaced by an element of class ActionGroup: open it again "
                               "by name";
  int kind = 0;
  EXPECT_EQ(replaced, workspaceError([&] { workspace->getItem(action + ws::shared_action::Kind, kind); }));
  EXPECT_EQ(replaced, workspaceError([&] { ws::SharedAction proxy(action); }));
  EXPECT_EQ(replaced, workspaceError([&] { workspace->remakeAsClass(action, ws::element_class::kSequence); }));
  EXPECT_EQ("the element SharedAction S/B[" + std::to_string(other) +
                "] is in memory area 0xA00000, a Chunk element in 0xB00000",
            workspaceError([&] { workspace->remakeAsClass(other, ws::element_class::kChunk); }));
  const long long longName =
      workspace->openOrCreateElement(ws::element_class::kSharedAction, std::wstring(265, L'n'));
  EXPECT_EQ("the element name \"" + std::string(265, 'n') +
                "\" (265 characters) does not fit a Sequence element (room for 261 characters)",
            workspaceError([&] { workspace->remakeAsClass(longName, ws::element_class::kSequence); }));

  // Back to an action: first in the listing again, where S/A was made.
  const long long again = workspace->remakeAsClass(group, ws::element_class::kSharedAction);
  EXPECT_EQ((std::vector<long long>{again, other, longName}), listed(ws::element_type::kSharedAction));
  EXPECT_EQ(std::vector<long long>{}, listed(ws::element_type::kActionGroup));
  EXPECT_EQ("the ActionGroup element S/A[" + std::to_string(group) +
                "] was replaced by an element of class SharedAction: open it again by name",
            workspaceError([&] { workspace->getItem(group + ws::action_group::StartAction, start); }));
}

TEST(ElementGrowth, ACachedElementIsRefusedOnceAnotherWriteRemadeIt) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  const long long old = workspace->openOrCreateElement(ws::element_class::kChunk, L"C", 8);
  int size = 0;
  workspace->getItem(old + ws::chunk::Size, size);  // now in this thread's cache
  workspace->replaceElement(old, 16, 0);
  EXPECT_NE(workspaceError([&] { workspace->getItem(old + ws::chunk::Size, size); }),
            "no WorkspaceException");
}

TEST(ElementGrowth, AHandleListGrowsByDoublingKeepsItsOrderAndNeverRepeats) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  ws::Sequence owner(L"S");
  const long long ownerHandle = owner.getHandle();
  // Any long long item of the owner serves as the list's anchor here.
  ws::OwnedList list(*workspace, ownerHandle, ws::sequence::StartAction, L"test", 8, true,
                     [] { return std::string("test entries of S"); });
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.room(), 0);
  std::vector<long long> lists;
  for (long long h = 1; h <= 20; ++h) {
    EXPECT_EQ(list.addHandle(h * 100), h - 1);
    long long at = 0;
    workspace->getItem(ownerHandle + ws::sequence::StartAction, at);
    if (lists.empty() || lists.back() != at) lists.push_back(at);
  }
  EXPECT_EQ(list.addHandle(700), 6);
  EXPECT_EQ(list.count(), 20);
  EXPECT_EQ(list.room(), 32);
  EXPECT_EQ(lists.size(), 3u);  // rooms 8, 16, 32
  for (int i = 0; i < 20; ++i) EXPECT_EQ(list.handleAt(i), (i + 1) * 100LL);
  EXPECT_TRUE(workspace->isReplaced(lists[0]));
  EXPECT_EQ(workspace->findElement(L"S\x1Ftest", ws::memory_area::kLists), lists.back());
  EXPECT_EQ(workspaceError([&] { list.handleAt(20); }), "position 20 is outside the 20 test entries of S");

  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.room(), 32);
  EXPECT_EQ(list.addHandle(700), 0);
}

TEST(ElementGrowth, ARecordListAppendsZeroFilledRecords) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  ws::Sequence owner(L"S");
  ws::OwnedList list(*workspace, owner.getHandle(), ws::sequence::StartAction, L"records", 20,
                     false, [] { return std::string("records of S"); });
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(list.append(), i);
    EXPECT_EQ(std::string(list.record(i), 20), std::string(20, '\0'));
    std::memset(list.record(i), 'a' + i, 20);
  }
  EXPECT_EQ(list.room(), 16);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(std::string(list.record(i), 20), std::string(20, 'a' + i));
}

// A parameter's same-set-name links and map bindings live in lists of their
// own: they grow past any room while the parameter keeps its handle, items
// and listeners; emptied, a list keeps its room and its element.
TEST(ElementGrowth, AParametersListsGrowWhileTheParameterStaysWhereItIs) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  ws::Parameter p(std::wstring(L"Oil"));
  const long long handle = p.getHandle();
  p.set(ws::parameter::Value, 1.5);
  workspace->addListener(handle + ws::parameter::Value, ws::IPCListener(L"listener").getHandle());
  std::vector<long long> links;
  for (long long h = 1; h <= 100; ++h) {
    p.add_same_setname_parameter(h * 8);
    p.add_same_setname_parameter(8);  // known: not added again
    links.push_back(h * 8);
  }
  p.set_map(L"Min", std::wstring(261, L'\u00C4'));  // the longest name a map can have
  EXPECT_EQ("cannot bind map \"" + std::string(262, '\xC4') +
                "\" to property \"Max\" of parameter \"Oil\": a text of 262 characters does not "
                "fit (room for 261)",
            tavik_test::workspaceError([&] { p.set_map(L"Max", std::wstring(262, L'\u00C4')); }));
  EXPECT_EQ(std::make_tuple(links, 1, std::wstring(261, L'\u00C4'), handle, false, 1.5, 1),
            std::make_tuple(p.getSameSetNameParameters(), p.getMapBindingCount(), p.get_map(L"Min"),
                            workspace->findElement(L"Oil", ws::memory_area::kParameters),
                            workspace->isReplaced(handle), p.get<double>(ws::parameter::Value),
                            p.getListenerCount(ws::parameter::Value)));
  // The parameter's own record of the list tells its content and order.
  std::vector<long long> swapped = links;
  std::swap(swapped[0], swapped[1]);
  EXPECT_EQ((std::vector<bool>{true, false, false, false}),
            (std::vector<bool>{p.holdsSameSetNameParameters(links), p.holdsSameSetNameParameters(swapped),
                               p.holdsSameSetNameParameters({links.begin(), links.end() - 1}),
                               p.holdsSameSetNameParameters({})}));

  const long long linkList = p.get<long long>(ws::parameter::Same_SetName_List);
  p.clear_same_setname_parameters();
  p.clear_maps();
  EXPECT_EQ(std::make_tuple(std::vector<long long>{}, 0, true, false),
            std::make_tuple(p.getSameSetNameParameters(), p.getMapBindingCount(),
                            p.holdsSameSetNameParameters({}), p.holdsSameSetNameParameters({8})));
  for (long long h = 100; h >= 1; --h) p.add_same_setname_parameter(h);
  EXPECT_EQ(std::make_pair(linkList, 100LL),
            std::make_pair(p.get<long long>(ws::parameter::Same_SetName_List),
                           p.getSameSetNameParameters().front()));
}

TEST(ElementGrowth, ADevicesEcusGrowAreUpdatedByNameAndTextsThatDoNotFitChangeNothing) {
  tavik_test::ScopedWorkspace scope;
  ws::Device device(L"Engine");
  const long long handle = device.getHandle();
  for (int k = 0; k < 40; ++k)
    device.add_ecu(L"ECU\u00C4" + std::to_wstring(k), "h" + std::to_string(k), "a" + std::to_string(k));
  device.add_ecu(L"ECU\u00C43", "new.hex", "new.a2l");  // known: updated in place
  EXPECT_EQ("cannot add ECU E40 to device Engine: a text of 512 characters does not fit (room for 511)",
            tavik_test::workspaceError([&] { device.add_ecu(L"E40", std::string(512, 'h'), "x"); }));
  EXPECT_EQ("cannot add ECU " + std::string(64, 'N') +
                " to device Engine: a text of 64 characters does not fit (room for 63)",
            tavik_test::workspaceError([&] { device.add_ecu(std::wstring(64, L'N'), "h", "a"); }));
  EXPECT_EQ(std::make_pair(40, 40), std::make_pair(device.getEcuCount(),
                                                   device.get<int>(ws::device::EcuCount)));
  const std::vector<ws::Device::Ecu> ecus = device.getEcus();
  ASSERT_EQ(40u, ecus.size());
  const auto text = [](const ws::Device::Ecu& ecu) {
    return std::string(ecu.name.begin(), ecu.name.end()) + "|" + ecu.hex + "|" + ecu.a2l;
  };
  EXPECT_EQ((std::vector<std::string>{"ECU\xC4" "0|h0|a0", "ECU\xC4" "3|new.hex|new.a2l",
                                      "ECU\xC4" "39|h39|a39"}),
            (std::vector<std::string>{text(ecus[0]), text(ecus[3]), text(ecus[39])}));

  const long long list = device.get<long long>(ws::device::EcuList);
  device.clear_ecus();
  EXPECT_EQ(std::make_pair(0, 0), std::make_pair(device.getEcuCount(),
                                                 device.get<int>(ws::device::EcuCount)));
  device.add_ecu(L"Only", "o.hex", "o.a2l");
  EXPECT_EQ(std::make_tuple(1, list, handle),
            std::make_tuple(device.getEcuCount(), device.get<long long>(ws::device::EcuList),
                            ws::Workspace::getInstance()->findElement(L"Engine", ws::memory_area::kDevices)));
}

}  // namespace
