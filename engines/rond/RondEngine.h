#pragma once

#include "engines/rond/Camera.h"
#include "engines/rond/Guide.h"
#include "engines/rond/Player.h"
#include "engines/rond/PlayerParameter.h"
#include "engines/rond/ScoreTip.h"
#include "engines/rond/Stage.h"
#include "engines/rond/bullet/BulletManager.h"
#include "foundation/file/File.h"
#include "foundation/math/LMat.h"
#include "host/engine/Engine.h"
#include "host/engine/EngineFactory.h"
#include "model/object/L3DModelServices.h"
#include "render/LResManager.h"
#include "script/ScriptHandle.h"
#include "sound/se/LSeManager.h"

#include <memory>
#include <string>

class L3DEffectManager;
class L3DRenderer;
class LSeManager;
struct ScriptThread;

namespace rond {

// Handle kinds of the objects the engine hands to scripts.
extern const ScriptHandleKind kAttackHandle;
extern const ScriptHandleKind kGeometryHandle;
extern const ScriptHandleKind kAnimationHandle;

inline constexpr int32_t kNoSlot = 2;

// The versus engine: one match between player slots 0 and 1 on a stage. Scripts run in seven
// tables (common, camera, brain, system, guide, player, stage, each later one delegating to the
// common one); the frame advances them in a fixed order so that a seeded match replays bit for
// bit.
class Engine : public ::Engine {
 public:
  Engine();
  ~Engine() override;

  // Copies the set-up record (directories interned on set-up of the resources).
  void setup(System* system, const RondEngineSetup& record);
  void setupResources() override;
  void update() override;
  void drawScene() override;
  bool stateHash(uint64_t* hash) const override;

  void loadSystemResources();
  // kind 1 a full view, 2 a half-width view; side 0 or 1.
  void drawView(int32_t kind, int32_t side);

  // A quiescence request of the player of that slot (a later one in the frame replaces it).
  void requestQuiescence(int32_t slot, int32_t frames);
  bool quiescenceActive() const { return quiescenceOwner_ != kNoSlot; }
  int32_t quiescenceOwner() const { return quiescenceOwner_; }

  // The sound-effect group list text: entries of a name, a 0 unit and the 16-bit type, ended by
  // one more 0 unit, at most 256 units.
  std::u16string seListText(const char16_t* directory, const char16_t* playerDirectory,
                            bool stage) const;

  const char16_t* internDirectory(const char16_t* path);
  L3DModelServices modelServices() const;
  L3DRenderer* renderer() const;
  L3DEffectManager* effectManager() const;
  LSeManager* seManager() const;

  Player* player(int32_t slot) const { return slot == 0 || slot == 1 ? players_[slot].get() : nullptr; }
  Stage& stage() { return stage_; }
  BulletManager& bullets() { return *bullets_; }
  ScoreTips& scoreTips() { return scoreTips_; }
  ParameterTables& parameterTables() { return parameters_; }
  ScriptHandleTable& handles() { return handles_; }
  const ScriptObject& systemTable() const { return tables_[kSystemTable]; }
  const ScriptObject& playerTable() const { return tables_[kPlayerTable]; }
  const ScriptObject& stageTable() const { return tables_[kStageTable]; }
  const ScriptObject& guideTable() const { return tables_[kGuideTable]; }
  const ScriptObject& cameraTable() const { return tables_[kCameraTable]; }
  const ScriptObject& brainTable() const { return tables_[kBrainTable]; }
  // The camera of a slot (a player camera for a drawn slot), when the slot has a player.
  Camera* camera(int32_t slot) const { return slot == 0 || slot == 1 ? cameras_[slot].get() : nullptr; }
  const char16_t* systemDirectory() const { return systemDirectory_; }
  // The system guide (target 2) and the player guide of a view side, when they exist.
  Guide* systemGuide() const { return systemGuide_.get(); }
  Guide* playerGuide(int32_t side) const { return side == 0 || side == 1 ? playerGuides_[side].get() : nullptr; }
  const RondEngineSetup& setupRecord() const { return setup_; }
  int32_t drawType() const { return drawType_; }
  int32_t activeView(int32_t i) const { return views_[i]; }
  uint32_t frame() const { return frame_; }
  void setSingleView(bool single) { singleView_ = single; }
  bool singleView() const { return singleView_; }
  // The system sprite set; null where no renderer draws it (a headless match without devices).
  sprite1::System* systemSprites() { return spritesMade_ ? &sprites_ : nullptr; }
  // The sound-effect group "systemCommon"; null without sound.
  LSeManager::_GROUPINFO* systemCommonGroup() const { return systemCommon_; }

  // Broadcast of an unlinked object to both players.
  void notifyPlayersOfRelease(Object* object);
  void removeBulletSide(int32_t slot);
  void retireGeometryHandles(Geometry& geometry);

  // Runs the two-player part of a normal frame on the players as they are (moves, contact,
  // clamps, attacks), for the frame and the tests alike.
  void stepPlayers();
  // The frame's bullet phase: update, leaving the bullet box, hits on both players, erosion.
  void stepBullets();

 private:
  enum Table { kCommonTable, kCameraTable, kBrainTable, kSystemTable, kGuideTable, kPlayerTable,
               kStageTable, kTables };

  void createTables();
  std::unique_ptr<Controller> makeController(int32_t slot, File* replay, uint32_t recordKind);
  void quiescenceStep();
  void clampMoves();
  void resumeGuides();
  void loadEffects();
  void releaseSystemResources();
  void updateCameras();

  RondEngineSetup setup_;
  const char16_t* systemDirectory_ = nullptr;
  const char16_t* seDirectory_ = nullptr;
  std::unique_ptr<File> replayOut_;
  std::unique_ptr<File> replayIn_;
  Stage stage_;
  std::unique_ptr<BulletManager> bullets_;
  ScoreTips scoreTips_{this};
  std::unique_ptr<Player> players_[2];
  int32_t drawType_ = 0;
  int32_t views_[2] = {kNoSlot, kNoSlot};
  bool singleView_ = false;
  int32_t quiescenceOwner_ = kNoSlot;
  int32_t quiescenceLeft_ = 0;
  int32_t requestedOwner_ = kNoSlot;
  int32_t requestedFrames_ = 0;
  ParameterTables parameters_;
  ScriptObject tables_[kTables];
  ScriptThread* systemThread_ = nullptr;
  sprite1::System sprites_;
  bool spritesMade_ = false;
  LSeManager::_GROUPINFO* systemCommon_ = nullptr;
  std::unique_ptr<Camera> cameras_[2];
  std::unique_ptr<Guide> systemGuide_;
  std::unique_ptr<Guide> playerGuides_[2];
  ScriptHandleTable handles_;
  // Resource names of the models loaded without a renderer (a headless match).
  std::unique_ptr<L3DNnidTable> names_ = std::make_unique<L3DNnidTable>();
  uint32_t frame_ = 0;
};

// The natives of the tables (RondNatives.cpp; the guide table in GuideNatives.cpp, the player
// table in PlayerNatives.cpp).
void registerCommonApi(const ScriptObject& table);
void registerSystemApi(const ScriptObject& table);
void registerGuideApi(const ScriptObject& table);
void registerPlayerApi(const ScriptObject& table);
// The bullet natives of the player table, the score-tip natives of the system table and the
// bullet report of the brain table (bullet/BulletNatives.cpp), each registered by its table's
// registrar in its place.
void registerBulletPlayerApi(const ScriptObject& player);
void registerRuntimeResourceApi(const ScriptObject& system);
void registerBulletReportApi(const ScriptObject& brain);

::Engine* createEngine(System& system, EngineStart& start);

}  // namespace rond
