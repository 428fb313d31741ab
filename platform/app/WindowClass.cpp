#include "platform/app/WindowClass.h"

#include "platform/app/StepFailure.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr uint32_t kFirstRegisteredMessage = 0xC000;
constexpr uint32_t kLastRegisteredMessage = 0xFFFF;

struct Registry {
  std::mutex lock;
  std::vector<WindowClass> classes;
  std::vector<std::string> messages;
};

// Never destroyed: a class may be looked up by code that runs during the process's exit.
Registry& registry() {
  static Registry* const instance = new Registry();
  return *instance;
}

const WindowClass* findLocked(const Registry& r, std::string_view name) {
  for (const WindowClass& c : r.classes) {
    if (equalsIgnoringAsciiCase(c.name, name)) return &c;
  }
  return nullptr;
}

}  // namespace

ClassRegistration registerWindowClass(const WindowClass& windowClass) {
  if (windowClass.name.empty() || windowClass.procedure == nullptr) {
    return ClassRegistration::Failed;
  }
  if (appStepFails("class:" + windowClass.name)) return ClassRegistration::Failed;
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  if (findLocked(r, windowClass.name) != nullptr) return ClassRegistration::AlreadyExists;
  r.classes.push_back(windowClass);
  return ClassRegistration::Registered;
}

std::optional<WindowClass> findWindowClass(std::string_view name) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  const WindowClass* found = findLocked(r, name);
  if (found == nullptr) return std::nullopt;
  return *found;
}

intptr_t defaultWindowProcedure(void*, uint32_t, uintptr_t, intptr_t) { return 0; }

uint32_t registerWindowMessage(std::string_view name) {
  if (name.empty()) return 0;
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  for (std::size_t i = 0; i < r.messages.size(); ++i) {
    if (equalsIgnoringAsciiCase(r.messages[i], name)) {
      return kFirstRegisteredMessage + static_cast<uint32_t>(i);
    }
  }
  if (r.messages.size() > kLastRegisteredMessage - kFirstRegisteredMessage) return 0;
  r.messages.emplace_back(name);
  return kFirstRegisteredMessage + static_cast<uint32_t>(r.messages.size() - 1);
}

}  // namespace platform
