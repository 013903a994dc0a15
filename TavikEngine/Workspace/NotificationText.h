// The text of the NOTIFICATIONS log line that a notifying write logs for each
// listener it told:
//   "Notify Element <name>, handle: <h>, property: <p>, value changed from <old> to <new>"
// Handle, property and integer values are shown as int (their low 32 bits;
// unsigned values as signed), doubles as printf "%f", narrow text byte by byte
// as the characters U+0000..U+00FF.
//
// The text fits a room of kNotificationTextRoom wide characters including the
// terminator: a longer text is cut after kNotificationTextRoom - 1 characters.
#pragma once

#include <cstddef>
#include <string>

namespace tavik {
namespace workspace {
namespace notification {

constexpr std::size_t kNotificationTextRoom = 512;

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                const std::wstring& oldValue, const std::wstring& newValue);
std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                const std::string& oldValue, const std::string& newValue);
std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                double oldValue, double newValue);
std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                int oldValue, int newValue);
std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                unsigned int oldValue, unsigned int newValue);
std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                long long oldValue, long long newValue);

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
