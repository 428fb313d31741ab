#pragma once

#include "engines/vell/Base.h"
#include "engines/vell/Camera.h"
#include "engines/vell/Decal.h"
#include "engines/vell/ModelCache.h"
#include "engines/vell/ObjectSpace.h"
#include "engines/vell/Shadow.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "sound/se/LSeManager.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Controller;
class L3DNnidTable;

namespace vell {

class BulletManager;
class Map;
class ObjectManager;

// The engine's own key strings, made once so natives read and write table members without
// creating strings; the common keys come from the host's engine base.
struct ScriptKeys {
  static constexpr uint32_t kCount = 42;
  static const char16_t* const kNames[kCount];

  const EngineScriptKeys* common = nullptr;
  std::array<ScriptObject, kCount> values;
};

// The camera: a base of its own (its script sets the matrices through the camera natives).
struct CameraRecord {
  Base base;
  Camera camera;
};

// The field engine. It is itself the root script base: the root script "main" of
// "<dir>/sys/" runs first at set-up, then the camera's "main" of "<dir>/camera/", then the
// second script "main2" beside the root. Every frame: the controllers, the root script, and
// while tasks are enabled the map, objects, bullets, the camera and the second script; then the
// model cache drops models nobody holds any more.
class Engine final : public ::Engine, public Base {
 public:
  static constexpr uint32_t kPlayers = 4;

  Engine();
  ~Engine() override;

  // Right after construction: the keys, the interned directory and the serialised arguments
  // (taken over; null for none).
  void setup(System* system, const char16_t* dir, OMB_ARRAY* argsBuffer);

  void setupResources() override;
  void update() override;
  void drawScene() override;
  // The steps of drawScene in the order they run, reported to a watcher when one is set.
  enum class DrawStep {
    View, MapView, Background, Map, FirstObjects, Decals, RestObjects, Bullets, Effects, Water,
    SortedList
  };
  void setDrawWatcher(std::function<void(DrawStep)> watcher) { drawWatcher_ = std::move(watcher); }
  // The Z-sort bits that the draw steps go by: the frame's flags, narrowed in map mode to the
  // map's bit for the map camera's pass and to the others for the normal camera's.
  uint32_t drawFlags() const { return drawFlags_; }
  // The frame's Z-sort bits of the map, the objects and the bullets (bit 0 is the effects').
  static constexpr uint32_t kMapSortBit = 2;
  static constexpr uint32_t kObjectSortBit = 4;
  static constexpr uint32_t kBulletSortBit = 8;
  bool stateHash(uint64_t* hash) const override;

  void loadResources();
  void releaseResources();
  // Releases the map of the last reset and makes the named one; its script runs in the call.
  Map* resetMap(const char16_t* mapName, const char16_t* dataName);
  void releaseMap();

  // Appends a value to this frame's damage notices (a new script array when there are none).
  void appendDamageNotice(const ScriptObject& value);

  Base* rootBase() { return this; }
  Base* secondBase() const { return second_.get(); }
  CameraRecord* camera() const { return camera_.get(); }
  Map* map() const { return map_.get(); }
  ObjectManager* objects() const { return objects_.get(); }
  BulletManager* bullets() const { return bullets_.get(); }
  Base* currentBase() const { return currentBase_; }
  void setCurrentBase(Base* base) { currentBase_ = base; }
  const char16_t* setupDirectory() const { return setupDirectory_; }
  const char16_t* baseDirectory() const { return baseDirectory_; }
  const char16_t* soundDirectory() const { return soundDirectory_; }
  const ScriptKeys& scriptKeys() const { return keys_; }
  Controller* controller(uint32_t slot) const {
    return slot < kPlayers ? controllers_[slot].get() : nullptr;
  }
  void replaceController(uint32_t slot, std::unique_ptr<Controller> controller);
  LSeManager::_GROUPINFO* seGroup() const { return seGroup_; }
  LSeManager::_GROUPINFO* voiceGroup() const { return voiceGroup_; }
  const ScriptObject& damageNotices() const { return damageNotices_; }
  ModelCache& modelCache() { return *cache_; }
  ObjectSpace& space() { return space_; }
  const ScriptObject& mapTable() const { return mapTable_; }
  const ScriptObject& cameraTable() const { return cameraTable_; }
  const ScriptObject& objectTable() const { return objectTable_; }
  // The loaders' view of the System (renderer, sound, pack), for models and sound groups.
  L3DModelServices modelServices() const;
  // A decal handle of the texture `name` of the root script's directory; a missing texture
  // ends the game.
  DecalHandle* createDecalHandle(const char16_t* name, float alpha);
  DecalList& decals() { return decals_; }
  // The objects' shadows, drawn by the map's decal pass.
  ShadowList& shadows() { return shadows_; }
  // Frames updated since set-up.
  uint32_t frame() const { return frame_; }

 private:
  void releaseTables();

  const char16_t* setupDirectory_ = nullptr;
  OMB_ARRAY* argsBuffer_ = nullptr;
  const char16_t* baseDirectory_ = nullptr;
  const char16_t* soundDirectory_ = nullptr;
  ScriptKeys keys_;
  std::unique_ptr<Base> second_;
  std::unique_ptr<Controller> controllers_[kPlayers];
  std::unique_ptr<CameraRecord> camera_;
  std::unique_ptr<Map> map_;
  std::unique_ptr<ObjectManager> objects_;
  std::unique_ptr<BulletManager> bullets_;
  LSeManager::_GROUPINFO* seGroup_ = nullptr;
  LSeManager::_GROUPINFO* voiceGroup_ = nullptr;
  ScriptObject damageNotices_;
  Base* currentBase_ = nullptr;
  std::unique_ptr<ModelCache> cache_;
  // The models' resource names when the System has no renderer to keep them (a run without a
  // device).
  std::unique_ptr<L3DNnidTable> names_;
  ObjectSpace space_;
  ScriptObject rootTable_;
  ScriptObject globalTable_;
  ScriptObject cameraTable_;
  ScriptObject mapTable_;
  ScriptObject objectTable_;
  uint32_t frame_ = 0;
  std::function<void(DrawStep)> drawWatcher_;
  uint32_t drawFlags_ = 0;
  DecalList decals_;
  ShadowList shadows_;
};

// The engine a script runs for, or null when it is not a field engine's.
Engine* engineOf(HSQUIRRELVM vm);
// The field engine a native's script runs for; the script error "not a field engine" (level 0)
// for a machine of another engine.
Engine& fieldEngine(HSQUIRRELVM vm);

// The registrars of the engine's tables (root, global, camera, map).
void registerRootTable(const ScriptObject& table);
void registerGlobalTable(const ScriptObject& table);
void registerCameraTable(const ScriptObject& table);
void registerMapTable(const ScriptObject& table);
// The root table's natives beside its own: systemCreateDecal, the decals the map natives stamp,
// the post effects, basePlaySe and the controllers' flags.
void registerDecalNatives(const ScriptObject& table);
void registerMapDecalNatives(const ScriptObject& table);
void registerPostEffectNatives(const ScriptObject& table);
void registerBasePlaySe(const ScriptObject& table);
void registerControlNatives(const ScriptObject& table);
void registerObjectTable(const ScriptObject& table);
// objectCreate, which the root table holds.
void registerObjectCreate(const ScriptObject& table);
// The root table's bullet natives, registered right after objectCreate.
void registerBulletNatives(const ScriptObject& table);
// The music natives, which the root table holds after the object and bullet natives.
void registerBgmNatives(const ScriptObject& table);

// The path from one script directory to another: the common leading directories dropped, one
// "../" for each directory left in from, then the rest of to; at most 127 units.
std::u16string relativePath(std::u16string_view from, std::u16string_view to);

::Engine* createEngine(System& system, EngineStart& start);

}  // namespace vell
