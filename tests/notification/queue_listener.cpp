// A stand-alone listener: receives change records from one notification queue
// and prints their fields, one per line, so that tests can check what another
// process really received.
//
//   queue_listener <queue id> <count> <timeout ms>
//
// Per record:
//   handle <n>
//   property <n>
//   valueType <n>
//   old <value>        only for codes 0, 2, 4..7
//   new <value>
// Doubles as their shortest exact decimal text, wide text as UTF-8, narrow
// text byte for byte. Exit code 0 when all records arrived, 2 on timeout, 3
// when the queue cannot be opened or a record cannot be read.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/archive/text_iarchive.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/interprocess/ipc/message_queue.hpp>
#include <boost/lexical_cast.hpp>

#include "TavikEngine/Workspace/NotifyMessage.h"

namespace {

using tavik::workspace::notification::NotifyMessage;

std::string utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    const auto cp = static_cast<unsigned long>(wc);
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

void print(const NotifyMessage& m) {
  std::cout << "handle " << m.handle << "\nproperty " << m.property << "\nvalueType "
            << static_cast<int>(m.valueType) << "\n";
  switch (static_cast<int>(m.valueType)) {
    case 0:
      std::cout << "old " << boost::lexical_cast<std::string>(m.oldDoubleValue) << "\nnew "
                << boost::lexical_cast<std::string>(m.newDoubleValue) << "\n";
      break;
    case 2:
      std::cout << "old " << m.oldIntValue << "\nnew " << m.newIntValue << "\n";
      break;
    case 4:
    case 6:
      std::cout << "old " << m.oldTextValue << "\nnew " << m.newTextValue << "\n";
      break;
    case 5:
    case 7:
      std::cout << "old " << utf8(m.oldWideValue) << "\nnew " << utf8(m.newWideValue) << "\n";
      break;
    default:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: queue_listener <queue id> <count> <timeout ms>\n";
    return 3;
  }
  namespace bip = boost::interprocess;
  const std::string name = std::string("tavik_") + argv[1];
  const int count = std::stoi(argv[2]);
  const int timeoutMs = std::stoi(argv[3]);
  try {
    bip::message_queue queue(bip::open_only, name.c_str());
    std::vector<char> buffer(queue.get_max_msg_size());
    for (int i = 0; i < count; ++i) {
      bip::message_queue::size_type received = 0;
      unsigned int priority = 0;
      const auto deadline = boost::posix_time::microsec_clock::universal_time() +
                            boost::posix_time::milliseconds(timeoutMs);
      if (!queue.timed_receive(buffer.data(), buffer.size(), received, priority, deadline)) {
        std::cout << "timeout\n";
        return 2;
      }
      std::istringstream stream(std::string(buffer.data(), received));
      boost::archive::text_iarchive archive(stream);
      NotifyMessage message;
      archive >> message;
      print(message);
    }
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << "\n";
    return 3;
  }
  return 0;
}
