#include "RobustMutex.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "workspace/WorkspaceException.h"

namespace tavik {
namespace workspace {

namespace {

[[noreturn]] void throwMutexError(const char* what, int error) {
  throw WorkspaceException(std::string("the workspace lock: ") + what + ": " + std::strerror(error));
}

}  // namespace

void RobustMutex::init() {
  pthread_mutexattr_t attributes;
  int error = pthread_mutexattr_init(&attributes);
  if (error != 0) throwMutexError("cannot make its attributes", error);
  error = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
  if (error == 0) error = pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
  if (error == 0) error = pthread_mutex_init(&mutex_, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (error != 0) throwMutexError("cannot make it process-shared and robust", error);
}

void RobustMutex::recover(int error, const std::function<void()>& repair) {
  if (error == ENOTRECOVERABLE) {
    throw WorkspaceException(
        "the workspace lock is not recoverable: a process died holding it and its repair "
        "failed; remove the workspace and make it anew");
  }
  if (error != EOWNERDEAD) throwMutexError("cannot take it", error);
  // The holder died: this thread holds the mutex now, inconsistent.
  try {
    repair();
  } catch (...) {
    // Released unrepaired: the mutex is not recoverable from now on.
    pthread_mutex_unlock(&mutex_);
    throw;
  }
  pthread_mutex_consistent(&mutex_);
}

void RobustMutex::unlock() { pthread_mutex_unlock(&mutex_); }

}  // namespace workspace
}  // namespace tavik
