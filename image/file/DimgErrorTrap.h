#pragma once

#include <csetjmp>

// Leaves a C library (libpng, libjpeg) from inside its error callback without a C++ exception,
// which must never unwind through the library's C frames.
//
// Run executes one step of work that calls into the library. The library's error callback
// finishes its own work (a log line) and calls Leave, which jumps back into that Run; Run then
// returns false. For the jump to be sound, every frame it skips (the step's body, the library,
// the library's callbacks into this program) must hold no object with a destructor at that
// moment: so a callback that reads a file lets the read, with its lock and its buffers, finish
// and catches every exception first, and raises the library's error only afterwards. A step's
// body therefore does nothing but call the library and write to memory that outlives it.
class DimgErrorTrap {
 public:
  template <class Body>
  bool Run(Body&& body) {
    std::jmp_buf jump;
    m_jump = &jump;
    if (setjmp(jump) != 0) {
      m_jump = nullptr;
      return false;
    }
    try {
      body();
    } catch (...) {
      m_jump = nullptr;
      throw;
    }
    m_jump = nullptr;
    return true;
  }

  // True inside Run.
  bool Armed() const { return m_jump != nullptr; }

  // Jumps back into the running Run. Only to be called when Armed.
  [[noreturn]] void Leave() { std::longjmp(*m_jump, 1); }

 private:
  std::jmp_buf* m_jump = nullptr;
};
