#pragma once

#include "foundation/dbtl/DLockObject.h"
#include "platform/kernel/Event.h"

#include <cstddef>
#include <cstdint>

namespace dbtl {

namespace detail {
struct DEventObject;
}

// One kernel event, manual- or auto-reset (platform/kernel/Event.h has the exact semantics of
// set, pulse and wait). The object takes no lock of its own: the event is created before the
// threads that share it start and closed after they have ended.
class DEvent : public DLockObject {
 public:
  DEvent() = default;
  ~DEvent() override;

  // False when an event is already held. A null name gives a private event; a named one is
  // shared with every other DEvent of the process created with the same name (compared byte
  // for byte) while any of them holds it, and then the initial state and the reset kind of the
  // first creation stay. The security attributes are accepted and not used.
  virtual bool Create(platform::EventInitial initial, platform::EventReset reset, const char* name,
                      const void* security);
  bool Close() override;
  bool Poll() override;
  uint32_t Wait(uint32_t milliseconds) override;
  // Set.
  bool Unlock() override;
  // False when no event is held.
  virtual bool Set();
  virtual bool Reset();
  virtual bool Pulse();

  // Number of waits now blocked on the event (0 when none is held), so that a test can act on
  // waiters it knows are waiting instead of guessing with sleeps.
  std::size_t _Waiting() const;

  // The kernel event itself (null when none is held), for the platform calls that signal or
  // wait on events directly: sound-buffer position notifications and waits on several events.
  platform::Event* _GetEvent() const;

 private:
  detail::DEventObject* m_handle = nullptr;
};

}  // namespace dbtl
