#pragma once

#include <new>

namespace dbtl {

// The allocation failure of the whole process: a std::bad_alloc whose text is "bad allocation".
class DBadAlloc : public std::bad_alloc {
 public:
  const char* what() const noexcept override;
};

// The new-handler the program entry installs, and the one way the base library reports a size
// that cannot be allocated (an overflowing capacity, an array over 4 GiB).
[[noreturn]] void DThrowBadAlloc();

}  // namespace dbtl
