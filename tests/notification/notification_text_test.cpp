// The NOTIFICATIONS line text and the listener block position table.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "TavikEngine/Workspace/ListenerBlock.h"
#include "TavikEngine/Workspace/NotificationText.h"

namespace {

using tavik::workspace::notification::formatNotification;
using tavik::workspace::notification::listenerPosition;

TEST(NotificationText, EveryValueTypeHasItsExactText) {
  EXPECT_EQ(L"Notify Element GlobalConfig, handle: 4096, property: 11296, value changed from a\u20ac to b",
            formatNotification(L"GlobalConfig", 4096, 11296, std::wstring(L"a\u20ac"), std::wstring(L"b")));
  // Narrow bytes above ASCII show as U+0080..U+00FF, whatever the locale.
  EXPECT_EQ(L"Notify Element P, handle: 8, property: 15640, value changed from  to x\u00e4\u00ff",
            formatNotification(L"P", 8, 15640, std::string(""), std::string("x\xe4\xff")));
  EXPECT_EQ(L"Notify Element P, handle: 8, property: 13176, value changed from 0.100000 to -2.500000",
            formatNotification(L"P", 8, 13176, 0.1, -2.5));
  EXPECT_EQ(L"Notify Element P, handle: 8, property: 12360, value changed from -3 to 2147483647",
            formatNotification(L"P", 8, 12360, -3, 2147483647));
}

TEST(NotificationText, IntFieldsShowTheLow32BitsAsSigned) {
  // handle 2^32 + 5, property 2^32 - 1, unsigned 3000000000, long long 2^33 + 7
  EXPECT_EQ(L"Notify Element E, handle: 5, property: -1, value changed from -1294967296 to 0",
            formatNotification(L"E", 4294967301LL, 4294967295u, 3000000000u, 0u));
  EXPECT_EQ(L"Notify Element E, handle: -1, property: 0, value changed from 7 to -8",
            formatNotification(L"E", -1LL, 0u, 8589934599LL, -8LL));
}

TEST(NotificationText, NanInfinityAndHugeDoubles) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(L"Notify Element E, handle: 1, property: 2, value changed from nan to inf",
            formatNotification(L"E", 1, 2, nan, std::numeric_limits<double>::infinity()));
  const double max = std::numeric_limits<double>::max();  // "%f": 309 digits and ".000000"
  const std::wstring fits = formatNotification(L"E", 1, 2, 1.0, max);
  EXPECT_EQ(389u, fits.size());
  EXPECT_EQ(L".000000", fits.substr(382));
  const std::wstring cut = formatNotification(L"E", 1, 2, -max, max);
  EXPECT_EQ(511u, cut.size());
  EXPECT_EQ(L"Notify Element E, handle: 1, property: 2, value changed from -17976931348623157",
            cut.substr(0, 79));
  EXPECT_EQ(L".000000 to 179", cut.substr(371, 14));
}

TEST(NotificationText, ALongTextIsCutToTheRoomOf512) {
  // 61 characters before the old value and 4 after it.
  const std::wstring fits = formatNotification(L"E", 1, 2, std::wstring(446, L'a'), std::wstring(L""));
  EXPECT_EQ(511u, fits.size());
  EXPECT_EQ(std::wstring(L"a to "), fits.substr(506));
  const std::wstring oneOver = formatNotification(L"E", 1, 2, std::wstring(447, L'a'), std::wstring(L""));
  EXPECT_EQ(511u, oneOver.size());
  EXPECT_EQ(L"a to", oneOver.substr(507));
  const std::wstring cut = formatNotification(std::wstring(600, L'N'), 1, 2, std::wstring(L"o"), std::wstring(L"n"));
  EXPECT_EQ(L"Notify Element " + std::wstring(496, L'N'), cut);
  const std::wstring narrow = formatNotification(L"E", 1, 2, std::string(5000, '\xe9'), std::string("n"));
  EXPECT_EQ(511u, narrow.size());
  EXPECT_EQ(L'\u00e9', narrow.back());
}

TEST(ListenerPosition, TheFullTableOfItemTypeCodes) {
  for (int code : {0, 2, 3, 4, 5, 6, 7, 8, 9}) EXPECT_EQ(0u, listenerPosition(code, 1000)) << code;
  EXPECT_EQ(1016u, listenerPosition(10, 1000));
  EXPECT_EQ(1016u, listenerPosition(13, 1000));
  EXPECT_EQ(1008u, listenerPosition(12, 1000));
  EXPECT_EQ(1008u, listenerPosition(19, 1000));
  EXPECT_EQ(1256u, listenerPosition(14, 1000));
  EXPECT_EQ(1256u, listenerPosition(18, 1000));
  EXPECT_EQ(1504u, listenerPosition(15, 1000));
  EXPECT_EQ(2028u, listenerPosition(16, 1000));
  EXPECT_EQ(5100u, listenerPosition(17, 1000));
  for (int code : {1, 11, 20, -1, 1000}) EXPECT_EQ(1000u, listenerPosition(code, 1000)) << code;
  EXPECT_EQ(0u, listenerPosition(1, 0));  // the item itself at 0: no listeners
}

}  // namespace
