// Notifying item writes: every item the loaders write goes through set().
//
// set() writes the value and, when the item has listeners (IPCListener
// elements in its listener block, see ListenerBlock.h), tells each listener
// that wants it: one whose always-notify flag (item 608) is set, or any
// listener when the value changed. Telling a listener means pushing a change
// record to the notification queue named by its item 584 (nothing is sent for
// unsigned int and long long values), marking it notified (item 600 := 1)
// and logging the NOTIFICATIONS line. A listener handle that is not an
// IPCListener element is refused as opening its proxy refuses it. While
// READ_WRITE is on, each listener is examined through its proxy, so that its
// item reads and its mark are logged; otherwise its items are read and
// marked in place. Afterwards the write itself is logged at
// READ_WRITE:
//   "Set <element>[<handle>] -> <item name>[<item>] to <value>"
// Log lines are composed only when their level is on. An item without
// listeners costs one write: no old value, listener, queue or manager is
// touched.
//
// Exceptions of the workspace (and of opening a queue) reach the caller after
// the value was written; listeners not yet examined are then not told and the
// READ_WRITE line is not written. A failed send does not: it is logged by the
// queue and the listener is marked all the same.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include <boost/shared_ptr.hpp>

#include "TavikEngine/LogLevels.h"
#include "TavikEngine/Workspace/ListenerBlock.h"
#include "TavikEngine/Workspace/NotificationText.h"
#include "TavikEngine/Workspace/NotifyerElement.h"
#include "TavikEngine/Workspace/SharedElement.h"
#include "TavikEngine/Workspace/notificationqueue.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "TavikEngine/Workspace/NotificationQueueManager.h"
#include "workspace/Unaligned.h"

namespace tavik {
namespace workspace {

template <class T>
class ItemNotifyerElement : public SharedElement<T> {
 public:
  using SharedElement<T>::SharedElement;

  void set(unsigned int property, const std::wstring& value) { set(property, value, Write{}); }
  void set(unsigned int property, const std::string& value) { set(property, value, Write{}); }
  void set(unsigned int property, const double& value) { set(property, value, Write{}); }
  void set(unsigned int property, const int& value) { set(property, value, Write{}); }
  void set(unsigned int property, const unsigned int& value) { set(property, value, Write{}); }
  void set(unsigned int property, const long long& value) { set(property, value, Write{}); }

  // Number of listeners of the item: 0 when its type has no listener block, a
  // stored negative count also counts as 0. Never more than the block (and
  // the element) can hold, whatever the memory says.
  int getListenerCount(unsigned int property) const {
    this->requireValid("getListenerCount");
    const Workspace::ResolvedItem item = this->workspace_->resolveItem(this->handle_ + property);
    return listenerCountAt(listenerPosition(item.type_code, property), item.element_size);
  }

  // Position of the item's listener block inside the element; 0 when none.
  unsigned int getListenerOffset(unsigned int property) const {
    return listenerPosition(this->getItemType(property), property);
  }

  // Text of the NOTIFICATIONS line (see NotificationText.h).
  template <class V>
  static std::wstring formatNotification(const std::wstring& name, long long handle,
                                         unsigned int property, const V& oldValue,
                                         const V& newValue) {
    return notification::formatNotification(name, handle, property, oldValue, newValue);
  }

 private:
  struct Write {};

  // The count stored at a listener block position, clamped to what the block
  // (and the element) can hold; 0 for position 0 or a negative count.
  int listenerCountAt(unsigned int position, unsigned int elementSize) const {
    if (position == 0) return 0;
    if (static_cast<unsigned long long>(position) + notification::kListenerHandlesOffset > elementSize)
      return 0;
    std::int32_t count = 0;
    std::memcpy(&count, this->workspace_->getBaseAddress() + this->handle_ + position, sizeof count);
    if (count < 0) return 0;
    const unsigned long long room =
        (elementSize - position - notification::kListenerHandlesOffset) / notification::kListenerHandleSize;
    if (static_cast<unsigned long long>(count) > room) count = static_cast<std::int32_t>(room);
    return count > notification::kMaxListeners ? notification::kMaxListeners : count;
  }

  // Sends the record of the write to the listener's queue and marks it
  // notified when it wants the write (its always-notify flag is set or the
  // value changed); false when it does not. The listener is opened as a
  // proxy, whose reads and mark are logged at READ_WRITE.
  template <class V>
  bool tellThroughProxy(long long listenerHandle, unsigned int property, const V& oldValue,
                        const V& value) {
    IPCListener listener(listenerHandle);
    const int queueId = listener.template get<int>(ipc_listener::QueueId);
    const int always = listener.template get<int>(ipc_listener::AlwaysNotify);
    if (!wants(always, oldValue, value)) return false;
    NotificationQueueManager::getInstance()->queue(queueId).push(this->handle_, property, oldValue,
                                                                 value);
    listener.set(ipc_listener::Notified, 1);
    return true;
  }

  // The same without a proxy and without log lines: after the class check
  // the proxy makes (same exception), the listener's int items are read and
  // its mark written where they lie.
  template <class V>
  bool tellInPlace(long long listenerHandle, unsigned int property, const V& oldValue,
                   const V& value) {
    this->workspace_->checkElement(element_class::kIPCListener, listenerHandle);
    char* const fields = this->workspace_->getBaseAddress() + listenerHandle;
    const int queueId = loadAt<std::int32_t>(fields + ipc_listener::QueueId);
    const int always = loadAt<std::int32_t>(fields + ipc_listener::AlwaysNotify);
    if (!wants(always, oldValue, value)) return false;
    NotificationQueueManager::getInstance()->queue(queueId).push(this->handle_, property, oldValue,
                                                                 value);
    storeAt<std::int32_t>(fields + ipc_listener::Notified, 1);
    return true;
  }

  // A NaN on either side of a double compares unequal: it always notifies.
  template <class V>
  static bool wants(int always, const V& oldValue, const V& value) {
    return always != 0 || oldValue != value;
  }

  // The one body of every set overload (named set so that its log records
  // carry the function name "set").
  template <class V>
  void set(unsigned int property, const V& value, Write) {
    this->requireValid("set");
    const long long offset = this->handle_ + property;
    // One lookup gives where the listener block lies, what bounds it, and
    // where the old value is read and the new one written.
    const Workspace::ResolvedItem item = this->workspace_->resolveItem(offset);
    const unsigned int position = listenerPosition(item.type_code, property);
    const int count = listenerCountAt(position, item.element_size);
    if (count < 1)
      this->workspace_->setItem(item, value);
    else
      set(property, value, item, position, count);
    if (g3::logLevel(READ_WRITE)) set(property, value, LogWrite{});
  }

  // The write of an item with listeners, and telling them; kept out of the
  // way of a write without listeners (named set for the function name of
  // its records).
  template <class V>
  [[gnu::noinline]] void set(unsigned int property, const V& value,
                             const Workspace::ResolvedItem& item, unsigned int position,
                             int count) {
    V oldValue{};
    this->workspace_->getItem(item, oldValue);
    this->workspace_->setItem(item, value);
    const long long firstHandle = this->handle_ + position + notification::kListenerHandlesOffset;
    for (int i = 0; i < count; ++i) {
      const long long listenerHandle = loadAt<long long>(
          this->workspace_->getBaseAddress() + firstHandle +
          static_cast<long long>(i) * notification::kListenerHandleSize);
      // While READ_WRITE is on, the listener's reads and its mark go
      // through its proxy, which logs them.
      const bool told = g3::logLevel(READ_WRITE)
                            ? tellThroughProxy(listenerHandle, property, oldValue, value)
                            : tellInPlace(listenerHandle, property, oldValue, value);
      if (!told) continue;
      WLOG(NOTIFICATIONS) << formatNotification(this->wideName(), this->handle_, property,
                                                oldValue, value);
    }
  }

  // The READ_WRITE line of a write, out of the write's way (named set for the
  // function name of its record).
  struct LogWrite {};
  template <class V>
  [[gnu::noinline, gnu::cold]] void set(unsigned int property, const V& value, LogWrite) const {
    LOG(READ_WRITE) << "Set " + this->getName() + "[" + this->toString(this->handle_) + "]" +
                           " -> " + this->getPropertyName(property) + "[" +
                           this->toString(property) + "]" + " to " + this->toString(value);
  }
};

}  // namespace workspace
}  // namespace tavik
