// The NOTIFICATIONS line text, its 512-character room, and the listener block
// position table.
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "TavikEngine/Workspace/ListenerBlock.h"
#include "TavikEngine/Workspace/NotificationText.h"

namespace {

using tavik::workspace::notification::formatNotification;
using tavik::workspace::listenerPosition;

TEST(NotificationText, ExactTextPerValueType) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::wstring head = L"Notify Element P, handle: 8, property: 7, value changed from ";
  const struct { std::wstring text, tail; } rows[] = {
      {formatNotification(L"P", 8, 7, std::wstring(L"a\u20ac"), std::wstring(L"b")), L"a\u20ac to b"},
      // Narrow bytes above ASCII show as U+0080..U+00FF, whatever the locale.
      {formatNotification(L"P", 8, 7, std::string(""), std::string("x\xe4\xff")), L" to x\u00e4\u00ff"},
      {formatNotification(L"P", 8, 7, 0.1, -2.5), L"0.100000 to -2.500000"},
      {formatNotification(L"P", 8, 7, nan, std::numeric_limits<double>::infinity()), L"nan to inf"},
      {formatNotification(L"P", 8, 7, -3, 2147483647), L"-3 to 2147483647"},
      // %d fields show the low 32 bits as signed.
      {formatNotification(L"P", 8, 7, 3000000000u, 0u), L"-1294967296 to 0"},
      {formatNotification(L"P", 8, 7, 8589934599LL, -8LL), L"7 to -8"},
  };
  for (const auto& row : rows) EXPECT_EQ(head + row.tail, row.text);
  EXPECT_EQ(L"Notify Element E, handle: 5, property: -1, value changed from 1 to 2",
            formatNotification(L"E", 4294967301LL, 4294967295u, 1, 2));
}

TEST(NotificationText, NeverLongerThanTheRoomOf512) {
  // 61 characters before the old value, " to " after it: 446 fill the room.
  EXPECT_EQ(L"a to ", formatNotification(L"E", 1, 2, std::wstring(446, L'a'), std::wstring()).substr(506));
  EXPECT_EQ(L"a to", formatNotification(L"E", 1, 2, std::wstring(447, L'a'), std::wstring()).substr(507));
  EXPECT_EQ(L"Notify Element " + std::wstring(496, L'N'),
            formatNotification(std::wstring(600, L'N'), 1, 2, std::wstring(L"o"), std::wstring(L"n")));
  const double max = std::numeric_limits<double>::max();  // "%f": 309 digits and ".000000"
  const std::wstring huge = formatNotification(L"E", 1, 2, -max, max);
  EXPECT_EQ(std::make_pair(511ul, std::wstring(L".000000 to 179")), std::make_pair(huge.size(), huge.substr(371, 14)));
  EXPECT_EQ(L'\u00e9', formatNotification(L"E", 1, 2, std::string(5000, '\xe9'), std::string("n")).back());
}

TEST(ListenerPosition, TheFullTableOfItemTypeCodes) {
  const struct { int code; unsigned int position; } rows[] = {
      {0, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0},
      {10, 1016}, {13, 1016}, {12, 1008}, {19, 1008}, {14, 1256}, {18, 1256},
      {15, 1504}, {16, 2028}, {17, 5100}, {1, 1000}, {11, 1000}, {20, 1000}, {-1, 1000}};
  for (const auto& row : rows) EXPECT_EQ(row.position, listenerPosition(row.code, 1000)) << row.code;
  EXPECT_EQ(0u, listenerPosition(1, 0));
}

}  // namespace
