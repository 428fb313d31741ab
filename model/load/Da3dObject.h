#pragma once

#include "foundation/dbtl/rcptr.h"
#include "model/L3DObjectData.h"
#include "model/object/L3DModelServices.h"
#include "model/object/L3DObjectInstance.h"
#include "sound/se/LSeManager.h"

#include <cstdint>

// The engines' loaders of models, textures and sound-effect groups over the application's pack.
// Paths are framework paths (UTF-16) of at most 127 units once resolved; a longer one is a fatal
// error rather than a cut name that would open another file.

// A loaded model with its own instance; copies share both handles.
class Da3dObject {
 public:
  Da3dObject() = default;
  Da3dObject(const Da3dObject& other) = default;
  Da3dObject& operator=(const Da3dObject& other);
  ~Da3dObject() { reset(); }

  // path without extension ("dgo" is added). groups become the instance's sound-effect groups.
  void load(const L3DModelServices& system, const char16_t* path, const LSeGroupList& groups);
  // The groups of the list text (NUL-terminated names, each followed by its 16-bit type; an empty
  // name ends the text), then load with them.
  void loadWithSe(const L3DModelServices& system, const char16_t* path, const char16_t* text);
  static void clone(const Da3dObject& source, Da3dObject& target);
  void loadWithNormalAnim(const L3DModelServices& system, const char16_t* directory,
                          const char16_t* name);
  void cloneWithNormalAnim(const Da3dObject& source);
  void reset();

  dbtl::rcptr<L3DObjectData> data;
  dbtl::rcptr<L3DObjectInstance> instance;
};

// Units of a resolved path, the terminator included.
inline constexpr uint32_t DA3D_PATH_CAPACITY = 128;

dbtl::rcptr<L3DObjectData> da3dLoadObjectData(const L3DModelServices& system,
                                              const char16_t* directory, const char16_t* name);
void da3dNewObjectData(dbtl::rcptr<L3DObjectData>& handle);
bool da3dIsObjectDataExist(const L3DModelServices& system, const char16_t* directory,
                           const char16_t* name);
bool da3dIsUsableAnimName(const char* name);
dbtl::rcptr<L3DTexture> da3dLoadTexture(const L3DModelServices& system, const char16_t* path,
                                        uint32_t option);
dbtl::rcptr<L3DTexture> da3dLoadTextureInDir(const L3DModelServices& system,
                                             const char16_t* directory, const char16_t* name,
                                             uint32_t option);
LSeManager::_GROUPINFO* da3dLoadSeGroup(const L3DModelServices& system, const char16_t* directory,
                                        const char16_t* name, uint32_t type,
                                        const char16_t* soundDirectory);
void da3dLoadSeGroupList(const L3DModelServices& system, const char16_t* text, LSeGroupList& list);
// The texture resolver of loaded models: the name relative to the model's directory, with the
// texture extensions tried in order; a missing file is logged and gives an empty handle.
void da3dResolveTexture(dbtl::rcptr<L3DTexture>& out, L3DObjectInstance* instance,
                        const char* name, uint32_t option);
