#pragma once

#include "foundation/dbtl/DObject.h"

#include <mutex>

namespace dbtl {

// The base library's re-entrant lock. The same thread may enter it again (a DFile's Read enters
// the file's section and then its own Seek enters it once more); every Enter needs one Leave.
class DSection : public DObject {
 public:
  DSection() = default;
  DSection(const DSection&) = delete;
  DSection& operator=(const DSection&) = delete;
  ~DSection() override;

  void Enter();
  void Leave();

 private:
  std::recursive_mutex m_mutex;
};

// Holds a section for one scope, so an exception or an early return always leaves it.
class DSectionLock {
 public:
  explicit DSectionLock(DSection& section) : m_section(section) { m_section.Enter(); }
  DSectionLock(const DSectionLock&) = delete;
  DSectionLock& operator=(const DSectionLock&) = delete;
  ~DSectionLock() { m_section.Leave(); }

 private:
  DSection& m_section;
};

}  // namespace dbtl
