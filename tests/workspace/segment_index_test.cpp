// The segment's own indexes (name hash table, address array) and the
// one-lookup item access that the notifying write uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <boost/interprocess/managed_heap_memory.hpp>
#include <boost/interprocess/mapped_region.hpp>
#include <boost/interprocess/shared_memory_object.hpp>

#include "ScopedWorkspace.h"
#include "SegmentRoot.h"
#include "workspace/ElementSchema.h"
#include "workspace/Utf16.h"

namespace {

namespace bip = boost::interprocess;
namespace ws = tavik::workspace;
using ws::Workspace;

template <class V>
std::string show(const V& value) {
  std::ostringstream text;
  text.precision(17);
  text << value;
  return text.str();
}
std::string show(const std::wstring& value) { return ws::narrowUnits(ws::toUtf16Units(value)); }

// An arena like the segment, in process memory.
struct HeapArena {
  bip::managed_heap_memory heap{1 << 20};
  char* base() { return static_cast<char*>(heap.get_address()); }
  auto& manager() { return *heap.get_segment_manager(); }
};

TEST(NameIndex, EqualHashesInOneAndOtherAreasAreAllFoundAcrossGrowth) {
  HeapArena arena;
  ws::IndexArray names;
  // 300 handles on three hashes in two areas: every probe runs through collisions.
  const auto area = [](long long handle) { return handle % 2 == 0 ? 0x400000 : 0x200000; };
  for (long long handle = 1; handle <= 300; ++handle) {
    ASSERT_TRUE(ws::reserveName(arena.manager(), arena.base(), names));
    ws::insertName(arena.base(), names,
                   ws::NameSlot{static_cast<std::uint64_t>(handle % 3), area(handle), handle * 8,
                                static_cast<std::uint64_t>(handle + 1000)});
  }
  for (long long handle = 1; handle <= 300; ++handle) {
    ASSERT_EQ(handle * 8, ws::findName(arena.base(), names, area(handle), handle % 3,
                                       [handle](long long h) { return h == handle * 8; }));
    // Each entry keeps its place in the creation order across the growth.
    const ws::NameSlot* slot = ws::nameSlotOf(arena.base(), names, area(handle), handle % 3, handle * 8);
    ASSERT_EQ(static_cast<std::uint64_t>(handle + 1000), slot ? slot->order : 0);
  }
  EXPECT_EQ((std::vector<std::uint64_t>{300, 1024}), (std::vector<std::uint64_t>{names.count, names.capacity}));
  // Right hash, wrong area; right area, unknown hash; no match among equal keys.
  EXPECT_EQ(0, ws::findName(arena.base(), names, 0x400000, 1, [](long long h) { return h == 8; }));
  EXPECT_EQ(0, ws::findName(arena.base(), names, 0x400000, 7, [](long long) { return true; }));
  EXPECT_EQ(0, ws::findName(arena.base(), names, 0x200000, 1, [](long long) { return false; }));
}

// Other processes find names by these hashes: the one-multiplication step of
// a unit with a zero high byte must give byte-wise FNV-1a of the stored units
// exactly, and the one-pass key must count units and see a zero character.
TEST(NameIndex, NameKeysAreByteWiseFnv1aOfTheStoredUnitsWithUnitCountAndZeroFlag) {
  struct Case { std::wstring name; std::uint64_t hash; std::size_t units; bool has_zero; };
  const std::vector<Case> cases = {
      {L"", 0xcbf29ce484222325ull, 0, false},
      {L"Speed", 0x899d58a3ee28889aull, 5, false},
      {L"M\u00E4x\u20AC", 0x7edce68ffb5dccf8ull, 4, false},
      {L"q\U0001F600", 0x3ccddef13337e9afull, 3, false},
      {L"\u0100A", 0x4558e17f99a1c2b3ull, 2, false},
      {std::wstring(L"a\0b", 3), 0, 3, true},
      // No fixed hash: units the encoder replaces or splits.
      {L"\U0010FFFF", 0, 2, false}, {L"\uFFFF", 0, 1, false}, {std::wstring(1, wchar_t(0xD800)), 0, 1, false},
      {std::wstring(1, wchar_t(0x110000)), 0, 1, false}, {std::wstring(1, wchar_t(-5)), 0, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(show(c.name));
    const ws::NameKey key = ws::nameKeyOf(c.name);
    EXPECT_EQ(ws::hashName(ws::toUtf16Units(c.name)), ws::hashName(c.name));
    if (c.hash != 0) {
      EXPECT_EQ(std::make_pair(c.hash, c.hash), std::make_pair(key.hash, ws::hashName(c.name)));
    }
    EXPECT_EQ(std::make_pair(c.units, c.has_zero), std::make_pair(key.units, key.has_zero));
  }
  EXPECT_EQ(3u, ws::utf16Length(L"\U0001F600x"));
}

TEST(AddressIndex, StaysAscendingWhateverTheInsertionOrderAndFindsTheElementBelow) {
  // Ascending, descending and scattered orders of the handles 100 .. 30000.
  for (long long (*at)(long long) : {+[](long long i) { return 100 * i; }, +[](long long i) { return 100 * (301 - i); },
                                     +[](long long i) { return 100 * ((i * 7) % 300 + 1); }}) {
    HeapArena arena;
    ws::IndexArray handles;
    std::vector<long long> sorted;
    for (long long i = 1; i <= 300; ++i) {
      ASSERT_TRUE(ws::reserveHandle(arena.manager(), arena.base(), handles));
      ws::insertByAddress(arena.base(), handles, at(i));
      sorted.push_back(at(i));
    }
    std::sort(sorted.begin(), sorted.end());
    const std::int64_t* entries = ws::entriesOf<std::int64_t>(arena.base(), handles);
    EXPECT_EQ(sorted, std::vector<long long>(entries, entries + handles.count));
    EXPECT_EQ(512u, handles.capacity);
    std::vector<long long> below;
    for (long long address : {99, 100, 199, 200, 15050, 1 << 30})
      below.push_back(ws::handleAtOrBelow(arena.base(), handles, address));
    EXPECT_EQ((std::vector<long long>{0, 100, 100, 200, 15000, 30000}), below);
  }
}

TEST(SegmentIndexes, NamesAboveUffffAreStoredAsSurrogatePairsAndFoundAgain) {
  tavik_test::ScopedWorkspace scope;
  boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  const long long handle = workspace->openOrCreateElement(ws::element_class::kIPCListener, L"q\U0001F600");
  const char16_t* stored = reinterpret_cast<const char16_t*>(workspace->getBaseAddress() + handle + 20);
  EXPECT_EQ(std::u16string(u"q\xD83D\xDE00\0", 4), std::u16string(stored, 4));
  EXPECT_EQ((std::vector<long long>{handle, handle, 0}),
            (std::vector<long long>{workspace->openOrCreateElement(ws::element_class::kIPCListener, L"q\U0001F600"),
                                    workspace->findElement(L"q\U0001F600", 0x200000),
                                    workspace->findElement(std::wstring(L"q\U0001F600\0", 3), 0x200000)}));
}

// An element that fits where its index entries do not is refused whole.
TEST(SegmentIndexes, AnIndexWithoutRoomToGrowLeavesNoHalfRegisteredElement) {
  const std::size_t size = 256 * 1024;
  tavik_test::ScopedWorkspace scope(size);
  boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  // 127 listeners and a filler fill the first arrays; the next element needs all of them grown.
  for (int i = 0; i < 127; ++i)
    workspace->openOrCreateElement(ws::element_class::kIPCListener, L"l" + std::to_wstring(i));
  const std::size_t left = 4096;
  workspace->openOrCreateElement(ws::element_class::kPropertyMap, L"filler",
                                 size - workspace->getUsedBytes() - 1248 - left);
  std::vector<long long> before;
  workspace->getAllElementsOfType(ws::element_type::kIPCListener, before, 0x200000);
  const std::size_t used = workspace->getUsedBytes();
  // Only a refusal for want of room is the full exception: a caller that goes on
  // after one bad value must stop at it.
  const auto refusal = [](const std::function<void()>& action) -> std::string {
    try {
      action();
    } catch (const WorkspaceFullException& e) {
      return "full: " + e.twhat();
    } catch (const WorkspaceException& e) {
      return "other: " + e.twhat();
    }
    return "none";
  };
  const long long filler = workspace->findElement(L"filler", 0x300000);
  const std::string full = "full: the workspace \"" + scope.name() + "\" is full: ";
  EXPECT_EQ((std::vector<std::string>{
                full + "no room to index the IPCListener element \"x\"",
                full + "no room for the Device element \"d\"",
                full + "no room to grow the PropertyMap element \"filler\" to " +
                    std::to_string(workspace->getElementSize(filler) + 8192) + " bytes",
                "other: the element name \"" + std::string(300, 'n') +
                    "\" (300 characters) does not fit a Device element (room for 261 characters)"}),
            (std::vector<std::string>{
                refusal([&] { workspace->openOrCreateElement(ws::element_class::kIPCListener, L"x"); }),
                refusal([&] { workspace->openOrCreateElement(ws::element_class::kDevice, L"d"); }),
                refusal([&] {
                  workspace->replaceElement(filler, workspace->getElementSize(filler) + 8192 - 1248, 0);
                }),
                refusal([&] {
                  workspace->openOrCreateElement(ws::element_class::kDevice, std::wstring(300, L'n'));
                })}));
  EXPECT_LE(workspace->getFreeBytes(), left);
  EXPECT_EQ(size, workspace->getFreeBytes() + workspace->getUsedBytes());
  std::vector<long long> after;
  workspace->getAllElementsOfType(ws::element_type::kIPCListener, after, 0x200000);
  EXPECT_EQ(std::make_pair(before, used), std::make_pair(after, workspace->getUsedBytes()));
  EXPECT_EQ(127u, after.size());
  EXPECT_FALSE(workspace->is_existing_element(L"x", 0x200000));
}

// A segment whose first four bytes hold another layout version is refused;
// one whose maker died before it wrote them (still 0) is refused after a
// bounded wait, not waited on forever.
TEST(SegmentIndexes, ASegmentOfAnotherLayoutOrOfADeadMakerIsRefused) {
  for (const std::uint32_t version : {1u, 0u}) {
    tavik_test::ScopedWorkspace scope;
    bip::shared_memory_object object(bip::create_only, scope.name().c_str(), bip::read_write);
    object.truncate(256 * 1024);
    bip::mapped_region region(object, bip::read_write);
    std::memcpy(region.get_address(), &version, sizeof version);
    EXPECT_EQ(version == 1 ? "the workspace segment \"" + scope.name() +
                                 "\" has layout version 1, this program needs 4"
                           : "cannot open the workspace segment \"" + scope.name() +
                                 "\": its maker stopped before it was ready; remove it and make "
                                 "it anew",
              tavik_test::workspaceError([] { Workspace::getInstance(); }));
  }
}

// Every value type written and read through a ResolvedItem gives what the
// offset form gives, refusals included, on an item of every type code.
TEST(ResolvedItem, ReadsAndWritesEveryValueTypeExactlyAsTheOffsetForm) {
  tavik_test::ScopedWorkspace scope;
  boost::shared_ptr<Workspace> workspace = Workspace::getInstance();
  std::map<int, long long> item_of_code;  // one item of each type code
  for (const ws::ElementSchema& schema : ws::allSchemas()) {
    const long long handle = workspace->openOrCreateElement(schema.class_id, L"R" + std::to_wstring(schema.class_id));
    for (const ws::ItemSchema& item : schema.items) item_of_code.emplace(item.type_code, handle + item.item);
  }
  ASSERT_EQ(16u, item_of_code.size());  // every code an item has

  using Outcomes = std::vector<std::string>;
  // Writes each value, then reads the item back as every type.
  const auto runAll = [&](long long offset, bool resolved, Outcomes& out) {
    const auto run = [&](auto value) {
      const Workspace::ResolvedItem item = workspace->resolveItem(offset);
      out.push_back(tavik_test::workspaceError(
          [&] { resolved ? workspace->setItem(item, value) : workspace->setItem(offset, value); }));
      const auto readAs = [&](auto read) {
        out.push_back(tavik_test::workspaceError([&] {
          resolved ? workspace->getItem(item, read) : workspace->getItem(offset, read);
          out.push_back(show(read));
        }));
      };
      readAs(int()), readAs(0u), readAs(0LL), readAs(0.0), readAs(std::string()), readAs(std::wstring());
    };
    const auto each = [&](auto... values) { (run(values), ...); };
    each(-1, 4000000000u, 5000000000LL, 2.5, std::nan(""), std::string(" 12 "), std::string("M\xE4x"),
         std::wstring(L"\U0001F600\u0141"), std::wstring(300, L'w'), std::wstring(L"x\0", 2));
  };
  std::map<int, Outcomes> by_offset, by_resolved;
  for (const auto& [code, offset] : item_of_code) {
    // Both runs start from the same item bytes.
    char* at = workspace->getBaseAddress() + offset;
    const std::string start(at, at + 4100);
    runAll(offset, false, by_offset[code]);
    std::memcpy(at, start.data(), start.size());
    runAll(offset, true, by_resolved[code]);
  }
  EXPECT_EQ(by_offset, by_resolved);
  const long long counter = item_of_code.at(ws::item_type::kListenedUnsigned);
  const Workspace::ResolvedItem item = workspace->resolveItem(counter);
  Workspace::resetInstance();  // the next instance is another Workspace object
  EXPECT_EQ("the item at offset " + std::to_string(counter) + " was resolved by another workspace object",
            tavik_test::workspaceError([&] { Workspace::getInstance()->setItem(item, 1); }));
  const long long global = counter - 14816;
  EXPECT_EQ("offset " + std::to_string(global + 1) + " is not an item of GlobalConfig R1[" +
                std::to_string(global) + "] (no item 1)",
            tavik_test::workspaceError([&] { workspace->resolveItem(global + 1); }));
}

}  // namespace
