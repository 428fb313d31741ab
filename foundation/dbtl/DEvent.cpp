#include "foundation/dbtl/DEvent.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace dbtl {

namespace detail {

struct DEventObject {
  DEventObject(platform::EventReset reset, platform::EventInitial initial)
      : event(reset, initial) {}
  platform::Event event;
  std::string name;  // empty for a private event
  uint32_t holders = 1;
};

}  // namespace detail

namespace {

// Named events of the process. An entry lives while any DEvent holds it.
struct NamedEvents {
  std::mutex lock;
  std::map<std::string, detail::DEventObject*, std::less<>> byName;
};

NamedEvents& namedEvents() {
  static NamedEvents table;
  return table;
}

}  // namespace

DEvent::~DEvent() {
  Close();
}

bool DEvent::Create(platform::EventInitial initial, platform::EventReset reset, const char* name,
                    const void* /*security*/) {
  if (m_handle) {
    return false;
  }
  if (!name) {
    m_handle = new detail::DEventObject(reset, initial);
    return true;
  }
  NamedEvents& named = namedEvents();
  std::lock_guard<std::mutex> hold(named.lock);
  auto found = named.byName.find(std::string_view(name));
  if (found != named.byName.end()) {
    ++found->second->holders;
    m_handle = found->second;
    return true;
  }
  auto object = std::make_unique<detail::DEventObject>(reset, initial);
  object->name = name;
  named.byName.emplace(object->name, object.get());
  m_handle = object.release();
  return true;
}

bool DEvent::Close() {
  detail::DEventObject* object = m_handle;
  m_handle = nullptr;
  if (!object) {
    return true;
  }
  if (object->name.empty()) {
    delete object;
    return true;
  }
  NamedEvents& named = namedEvents();
  std::lock_guard<std::mutex> hold(named.lock);
  if (--object->holders == 0) {
    named.byName.erase(object->name);
    delete object;
  }
  return true;
}

bool DEvent::Poll() {
  return Wait(0) != kWaitSignalled;
}

uint32_t DEvent::Wait(uint32_t milliseconds) {
  if (!m_handle) {
    return kWaitFailed;
  }
  static_assert(kInfinite == platform::Event::kInfinite &&
                kWaitTimedOut == platform::Event::kTimedOut &&
                kWaitSignalled == platform::Event::kSignalled);
  return m_handle->event.wait(milliseconds);
}

bool DEvent::Unlock() {
  return Set();
}

bool DEvent::Set() {
  if (!m_handle) {
    return false;
  }
  m_handle->event.set();
  return true;
}

bool DEvent::Reset() {
  if (!m_handle) {
    return false;
  }
  m_handle->event.reset();
  return true;
}

bool DEvent::Pulse() {
  if (!m_handle) {
    return false;
  }
  m_handle->event.pulse();
  return true;
}

std::size_t DEvent::_Waiting() const {
  return m_handle ? m_handle->event.waiting() : 0;
}

platform::Event* DEvent::_GetEvent() const { return m_handle ? &m_handle->event : nullptr; }

}  // namespace dbtl
