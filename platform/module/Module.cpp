#include "platform/module/Module.h"

#include <dlfcn.h>

namespace platform {

namespace {

class SharedObject final : public Module {
 public:
  explicit SharedObject(void* handle) : m_handle(handle) {}
  ~SharedObject() override { ::dlclose(m_handle); }

  void* symbol(const char* name) const override {
    return name != nullptr ? ::dlsym(m_handle, name) : nullptr;
  }

 private:
  void* m_handle;
};

}  // namespace

std::unique_ptr<Module> loadModule(const std::string& path) {
  // A name without a slash would make the dynamic linker search its library path; a module
  // is always named by its file.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return std::make_unique<SharedObject>(handle);
}

}  // namespace platform
