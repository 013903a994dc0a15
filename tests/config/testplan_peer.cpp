// Helper program of the test-plan reload tests: a display process of the
// bench that holds a test-plan column while the first process loads a file.
//
//   testplan_peer <column name> <row> <queue id> [<value the load writes>]
//
// It opens the column (by name, once) and keeps its handle, registers the
// listener "Peer listener" (notifications to <queue id>, only of changed
// values) on the row's cell, prints "ready <cell>" and then reads the cell
// through its handle, over and over. The first line on its standard input
// says that the load begins, the second that it ended; the reads between the
// two are the reads made while the load ran. Every read must give the value
// it first read or the value the load writes (when given), or be refused with
// a WorkspaceException saying the column was replaced. Then it prints:
//   reads <reads made while the load ran>
//   garbage <reads that gave anything else>
//   old: <what reading the cell through the held handle gives now>
//   rows: <what asking the held column for its rows gives now>
//   notified <the listener's Notified item>
//   records <records waiting in its queue>[: <old> -> <new> of each]
//   by name: <rows> <every cell>   (the column opened again by name)
// Exit code 0 when it got that far, 1 on anything unexpected.
#include <poll.h>
#include <unistd.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/archive/text_iarchive.hpp>
#include <boost/lexical_cast.hpp>

#include "QueueTestSupport.h"
#include "TavikEngine/Workspace/IPCListener.h"
#include "TavikEngine/Workspace/NotifyMessage.h"
#include "workspace/TestplanColumn.h"

namespace {

namespace ws = tavik::workspace;

bool inputWaiting() {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return ::poll(&input, 1, 0) > 0;
}

// " <old> -> <new>" of a double record.
std::string change(const std::string& record) {
  std::istringstream stream(record);
  boost::archive::text_iarchive archive(stream);
  ws::notification::NotifyMessage message;
  archive >> message;
  return " " + boost::lexical_cast<std::string>(message.oldDoubleValue) + " -> " +
         boost::lexical_cast<std::string>(message.newDoubleValue);
}

template <class Action>
std::string outcome(Action action) {
  try {
    return boost::lexical_cast<std::string>(action());
  } catch (const WorkspaceException& e) {
    return e.twhat();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 1;
  try {
    const std::string narrowName = argv[1];
    const std::wstring name(narrowName.begin(), narrowName.end());
    const int row = std::stoi(argv[2]);
    const int queueId = std::stoi(argv[3]);
    const boost::shared_ptr<ws::Workspace> workspace = ws::Workspace::getInstance();

    const ws::TestplanColumn column(workspace->getElement(name, ws::memory_area::kTestplanColumns));
    const unsigned int cell = column.getPropertyForRow(row);
    ws::IPCListener listener(std::wstring(L"Peer listener"));
    listener.set(ws::ipc_listener::QueueId, queueId);
    workspace->addListener(column.getHandle() + cell, listener.getHandle());
    const double first = column.get<double>(cell);
    std::cout << "ready " << first << std::endl;

    const std::string replaced = "the TestplanColumn element " + narrowName + "[" +
                                 std::to_string(column.getHandle()) +
                                 "] was replaced by a larger one: open it again by name";
    const double written = argc == 5 ? std::stod(argv[4]) : first;
    long long garbage = 0;
    long long reads = 0;
    const auto readOnce = [&] {
      try {
        const double value = column.get<double>(cell);
        if (value != first && value != written) ++garbage;
      } catch (const WorkspaceException& e) {
        if (e.twhat() != replaced) ++garbage;
      }
    };
    std::string line;
    while (!inputWaiting()) readOnce();
    std::getline(std::cin, line);  // the load begins
    for (; !inputWaiting(); ++reads) readOnce();
    std::getline(std::cin, line);  // the load ended

    std::cout << "reads " << reads << "\n";
    std::cout << "garbage " << garbage << "\n";
    std::cout << "old: " << outcome([&] { return column.get<double>(cell); }) << "\n";
    std::cout << "rows: " << outcome([&] { return column.getRowCount(); }) << "\n";
    std::cout << "notified " << listener.get<int>(ws::ipc_listener::Notified) << "\n";
    const std::vector<std::string> records = tavik_test::receiveAll(queueId);
    std::cout << "records " << records.size() << (records.empty() ? "" : ":");
    for (const std::string& record : records) std::cout << change(record);
    std::cout << "\n";
    const ws::TestplanColumn again(workspace->getElement(name, ws::memory_area::kTestplanColumns));
    std::ostringstream cells;
    for (unsigned long long r = 0; r < again.getRowCount(); ++r)
      cells << " " << again.get<double>(again.getPropertyForRow(static_cast<int>(r)));
    std::cout << "by name: " << again.getRowCount() << cells.str() << std::endl;
    return 0;
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << std::endl;
    return 1;
  }
}
