#pragma once

#include <exception>

// A fatal error raised on a worker thread must not leave the thread's entry: that would end the
// whole process through std::terminate, without the orderly shut-down of the game thread.
// Thread entries catch everything and hand it over here; the game thread rethrows it at its
// next check, where it unwinds like a fatal error raised there.

// Keeps the error for the game thread. Only the first error is kept: later ones are usually
// consequences of it.
void ombThreadFaultCatch(std::exception_ptr error);

// True while a handed-over error waits for the game thread.
bool ombThreadFaultPending();

// Rethrows the handed-over error, if any, and forgets it.
void ombThreadFaultRethrow();

// Runs body() and hands any exception it throws over to the game thread; returns `failed` then.
template <class Result, class Body>
Result ombThreadFaultGuard(Result failed, Body&& body) {
  try {
    return body();
  } catch (...) {
    ombThreadFaultCatch(std::current_exception());
    return failed;
  }
}
