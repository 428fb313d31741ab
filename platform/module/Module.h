#pragma once

#include <memory>
#include <string>

namespace platform {

// A code module loaded at run time. Destroying it unloads the module, so entry points taken
// from it must not be called afterwards.
class Module {
 public:
  Module() = default;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  virtual ~Module() = default;

  // The address of an exported entry point, or null when the module has none of that name.
  virtual void* symbol(const char* name) const = 0;
};

// Loads a module of this platform (a shared object, through the dynamic linker) with every
// reference resolved at once. Null when the file is missing or is not such a module; modules
// built for another system, such as the 32-bit Windows plug-ins some games ship, never load.
std::unique_ptr<Module> loadModule(const std::string& path);

}  // namespace platform
