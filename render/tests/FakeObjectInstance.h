#pragma once

#include <string>
#include <utility>

class L3DInstanceRegistry;
class L3DRenderer;

// The model library defines the real instance; the renderer and its registry only keep
// addresses. One definition for every test of this program.
class L3DObjectInstance {
 public:
  L3DObjectInstance() = default;
  L3DObjectInstance(int id_, L3DInstanceRegistry* registry_, L3DRenderer* renderer_ = nullptr,
                    std::string name_ = {})
      : id(id_), registry(registry_), renderer(renderer_), name(std::move(name_)) {}

  int id = 0;
  L3DInstanceRegistry* registry = nullptr;
  L3DRenderer* renderer = nullptr;
  std::string name;
};
