// A mutex inside shared memory that outlives the death of its holder: a
// process-shared, robust pthread mutex.
//
// A process killed while it holds an ordinary process-shared mutex leaves it
// locked for good, and every other process waits on it forever. This one is
// handed to the next process that asks for it, together with the news that
// the holder died (EOWNERDEAD): what the mutex guards may then be half
// changed, and that process repairs it before it goes on.
//
//   init()        once, by the process that makes the shared memory, before
//                 any other process can see the mutex. Throws
//                 WorkspaceException when the system refuses the attributes.
//   lock(repair)  waits for the mutex and takes it. When its holder died
//                 holding it, repair() runs under the lock; it must bring
//                 what the mutex guards back to a consistent state (and may
//                 run more than once for one death: a repair that is killed
//                 itself is repaired again by the next process). When it
//                 returns, the mutex is marked consistent and lock() returns
//                 as after any other wait. When it throws, the mutex is
//                 released without being marked consistent: it becomes not
//                 recoverable, and every later lock() in every process throws
//                 WorkspaceException at once instead of waiting.
//   unlock()      releases it; only the thread that holds it may.
//
// Not recursive: a thread that takes it twice waits forever. The mutex is
// never destroyed (the memory it lives in outlives every process).
#pragma once

#include <pthread.h>

#include <functional>

namespace tavik {
namespace workspace {

class RobustMutex {
 public:
  void init();
  template <class Repair>
  void lock(Repair repair) {
    const int error = pthread_mutex_lock(&mutex_);
    if (error != 0) recover(error, repair);
  }
  void unlock();

 private:
  // Everything lock() does after pthread_mutex_lock failed with `error`.
  void recover(int error, const std::function<void()>& repair);

  pthread_mutex_t mutex_;
};

}  // namespace workspace
}  // namespace tavik
