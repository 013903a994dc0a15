#include "TavikEngine/Workspace/NotificationText.h"

#include <cstdio>

namespace tavik {
namespace workspace {
namespace notification {

namespace {

// Fields shown with "%d" take the value as an int.
std::wstring asIntText(long long value) { return std::to_wstring(static_cast<int>(value)); }

std::wstring asFixedText(double value) {
  char buffer[400];  // "%f" of the largest double needs 317 characters
  const int length = std::snprintf(buffer, sizeof buffer, "%f", value);
  std::wstring text;
  for (int i = 0; i < length && i < static_cast<int>(sizeof buffer) - 1; ++i)
    text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(buffer[i])));
  return text;
}

// Each byte becomes the character of the same number; no locale is involved,
// so a text with bytes above 0x7F can never make the line fail.
std::wstring widenBytes(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  return wide;
}

std::wstring compose(const std::wstring& name, long long handle, unsigned int property,
                     const std::wstring& oldText, const std::wstring& newText) {
  std::wstring text = L"Notify Element " + name + L", handle: " + asIntText(handle) +
                      L", property: " + asIntText(static_cast<int>(property)) +
                      L", value changed from " + oldText + L" to " + newText;
  if (text.size() > kNotificationTextRoom - 1) text.resize(kNotificationTextRoom - 1);
  return text;
}

}  // namespace

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                const std::wstring& oldValue, const std::wstring& newValue) {
  return compose(name, handle, property, oldValue, newValue);
}

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                const std::string& oldValue, const std::string& newValue) {
  return compose(name, handle, property, widenBytes(oldValue), widenBytes(newValue));
}

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                double oldValue, double newValue) {
  return compose(name, handle, property, asFixedText(oldValue), asFixedText(newValue));
}

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                int oldValue, int newValue) {
  return compose(name, handle, property, asIntText(oldValue), asIntText(newValue));
}

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                unsigned int oldValue, unsigned int newValue) {
  return compose(name, handle, property, asIntText(static_cast<int>(oldValue)),
                 asIntText(static_cast<int>(newValue)));
}

std::wstring formatNotification(const std::wstring& name, long long handle, unsigned int property,
                                long long oldValue, long long newValue) {
  return compose(name, handle, property, asIntText(oldValue), asIntText(newValue));
}

}  // namespace notification
}  // namespace workspace
}  // namespace tavik
