// Remaking an element that outgrew its room, and the growable lists of
// elements: what the new copy holds, what the old handle still gives, and
// that the owner of a list never moves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "OwnedList.h"
#include "ScopedWorkspace.h"
#include "workspace/Chunk.h"
#include "workspace/Sequence.h"
#include "workspace/Workspace.h"

namespace {

namespace ws = tavik::workspace;
using tavik_test::workspaceError;

TEST(ElementGrowth, TheNewCopyKeepsNameItemsAndCountAndTheOldHandleSaysItWasReplaced) {
  tavik_test::ScopedWorkspace scope;
  const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();
  const long long old = workspace->openOrCreateElement(ws::element_class::kChunk, L"C", 16);
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
  std::vector<long long> chunks;
  workspace->getAllElementsOfType(ws::element_type::kChunk, chunks, ws::memory_area::kChunks);
  EXPECT_EQ(chunks, std::vector<long long>{fresh});
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

}  // namespace
