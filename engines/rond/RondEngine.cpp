#include "engines/rond/RondEngine.h"

#include "engines/rond/Brain.h"
#include "engines/rond/Camera.h"
#include "foundation/bytes/StateHash.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/omb/file/ombPath.h"
#include "foundation/omb/ombLog.h"
#include "host/config/Config.h"
#include "host/engine/EngineSprite1.h"
#include "host/globals/GlobalNatives.h"
#include "host/system/System.h"
#include "model/effect/L3DEffectManager.h"
#include "model/load/Da3dObject.h"
#include "net/controller/ControllerInput.h"
#include "net/controller/ControllerReplay.h"
#include "net/controller/ReplayFile.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"
#include "sound/se/LSeManager.h"

#include <utility>

namespace rond {

const ScriptHandleKind kAttackHandle{u"attack"};
const ScriptHandleKind kGeometryHandle{u"geometry"};
const ScriptHandleKind kAnimationHandle{u"animation"};

namespace {

constexpr uint32_t kSeListUnits = 256;

// The last component of a directory, a trailing '/' removed first.
std::u16string lastComponent(const char16_t* directory) {
  std::u16string d = directory != nullptr ? directory : u"";
  while (!d.empty() && (d.back() == u'/' || d.back() == u'\\')) d.pop_back();
  const size_t slash = d.find_last_of(u"/\\");
  return slash == std::u16string::npos ? d : d.substr(slash + 1);
}

void appendEntry(std::u16string& text, const std::u16string& name, char16_t type) {
  text += name;
  text += char16_t(0);
  text += type;
}

}  // namespace

Engine::Engine() = default;

Engine::~Engine() {
  for (ScriptObject& table : tables_) table = ScriptObject();
  releaseSystemResources();
  for (auto& guide : playerGuides_) guide.reset();
  systemGuide_.reset();
  for (auto& camera : cameras_) camera.reset();
  scoreTips_.setDefinitionCount(0);
  for (auto& player : players_) player.reset();
  bullets_.reset();
  replayIn_.reset();
  replayOut_.reset();
}

void Engine::setup(System* system, const RondEngineSetup& record) {
  ::Engine::setup(system);
  setup_ = record;
}

const char16_t* Engine::internDirectory(const char16_t* path) {
  return scriptManager()->internDirectory(path != nullptr ? path : u"");
}

L3DModelServices Engine::modelServices() const {
  L3DModelServices services;
  if (System* sys = system()) {
    services.renderer = sys->renderer();
    services.seManager = sys->seManager();
    services.effects = sys->effectManager();
    services.pack = sys->GetPack();
  }
  if (services.renderer == nullptr) services.names = names_.get();
  return services;
}

L3DRenderer* Engine::renderer() const { return system() != nullptr ? system()->renderer() : nullptr; }
L3DEffectManager* Engine::effectManager() const {
  return system() != nullptr ? system()->effectManager() : nullptr;
}
LSeManager* Engine::seManager() const {
  return system() != nullptr ? system()->seManager() : nullptr;
}

std::u16string Engine::seListText(const char16_t* directory, const char16_t* playerDirectory,
                                  bool stage) const {
  const std::u16string se = seDirectory_ != nullptr ? seDirectory_ : u"";
  const std::u16string name = lastComponent(directory);
  std::u16string text;
  appendEntry(text, se + u"systemCommon", 1);
  appendEntry(text, se + u"system" + name, 1);
  if (playerDirectory != nullptr) {
    const std::u16string player = lastComponent(playerDirectory);
    appendEntry(text, se + u"player" + player + u"Common", 1);
    appendEntry(text, se + u"player" + player + name, 1);
    appendEntry(text, se + u"player" + player + u"Voice", 2);
  }
  if (stage) appendEntry(text, se + u"stage" + name, 1);
  // The list is cut at the buffer's size and always ends with its empty name.
  if (text.size() > kSeListUnits - 1) text.resize(kSeListUnits - 1);
  text += char16_t(0);
  return text;
}

void Engine::createTables() {
  ScriptManager* scripts = scriptManager();
  tables_[kCommonTable] = scripts->newTable(nullptr);
  registerCommonApi(tables_[kCommonTable]);
  for (int t = kCameraTable; t < kTables; ++t) {
    tables_[t] = scripts->newTable(&tables_[kCommonTable]);
  }
  registerCameraApi(tables_[kCameraTable]);
  registerBrainApi(tables_[kBrainTable]);
  registerSystemApi(tables_[kSystemTable]);
  registerGuideApi(tables_[kGuideTable]);
  registerPlayerApi(tables_[kPlayerTable]);
  registerStageApi(tables_[kStageTable]);
}

void Engine::setupResources() {
  ::Engine::setupResources();
  systemDirectory_ = internDirectory(setup_.systemDirectory.c_str());
  seDirectory_ = internDirectory(setup_.seDirectory.c_str());
  if (!setup_.drawSave.empty()) {
    setScreenshots(internDirectory(setup_.drawSave.c_str()), uint32_t(setup_.drawSaveSpan));
  }
  createTables();

  const int32_t version = system()->config() != nullptr ? system()->config()->gameVersion : 0;
  if (!setup_.inputHistorySave.empty()) {
    replayOut_ = std::make_unique<File>();
    replayCreate(*replayOut_, scriptManager()->internString(setup_.inputHistorySave.c_str()),
                 ReplayHeader{uint32_t(version), seed()});
  } else if (!setup_.inputHistoryReplay.empty()) {
    replayIn_ = std::make_unique<File>();
    const ReplayHeader header =
        replayOpen(*replayIn_, scriptManager()->internString(setup_.inputHistoryReplay.c_str()));
    if (int32_t(header.version) != version) {
      ombLogPrintf(OMB_LOG_ERROR, u"Error: [%s] リプレイデータのバージョンが異なります",
                   "rond::Engine::setupResources");
    }
    seedRandom(header.seed);
  }

  loadEffects();
  loadSystemResources();
  bullets_ = std::make_unique<BulletManager>(this);
  stage_.reset(this, setup_.stageDirectory.c_str());

  const uint32_t recordKind = replayOut_ ? Controller::kRecordFlags : Controller::kRecordNone;
  for (int32_t slot = 0; slot < 2; ++slot) {
    if (setup_.players[slot].empty()) break;
    std::unique_ptr<Controller> controller = makeController(slot, replayIn_.get(), recordKind);
    players_[slot] = std::make_unique<Player>();
    players_[slot]->init(stage_.startAngle[slot], this, slot, setup_.players[slot].c_str(),
                         std::move(controller), stage_.startPosition[slot]);
  }
  replayIn_.reset();
  for (auto& player : players_) {
    if (player && player->controller() != nullptr &&
        player->controller()->getType() == Controller::kTypeBrain) {
      static_cast<ControllerBrain*>(player->controller())->start();
    }
  }

  for (int32_t slot = 0; slot < 2; ++slot) {
    if (!players_[slot]) continue;
    if (setup_.drawTargets[slot]) {
      auto camera = std::make_unique<CameraPlayer>();
      camera->init(this, slot);
      camera->setup();
      cameras_[slot] = std::move(camera);
    } else {
      cameras_[slot] = std::make_unique<CameraNone>();
      cameras_[slot]->init(this, slot);
    }
  }

  int32_t views = 0;
  for (int32_t slot = 0; slot < 2; ++slot) {
    if (players_[slot] && setup_.drawTargets[slot]) views_[views++] = slot;
  }
  drawType_ = views;

  systemGuide_ = std::make_unique<Guide>(this, kNoSlot);
  systemGuide_->start();
  for (int32_t side = 0; side < views; ++side) {
    playerGuides_[side] = std::make_unique<Guide>(this, views_[side]);
    playerGuides_[side]->start();
  }
}

std::unique_ptr<Controller> Engine::makeController(int32_t slot, File* replay,
                                                   uint32_t recordKind) {
  if (replay != nullptr) return std::make_unique<ControllerReplay>(*replay);
  const RondEngineSetup::ControllerEntry& entry = setup_.controllers[slot];
  if (entry.device != nullptr) return std::make_unique<ControllerInput>(recordKind, entry.device);
  if (entry.hasBrain && !entry.brain.empty()) {
    return std::make_unique<ControllerBrain>(recordKind, this, entry.brain.c_str(),
                                             entry.brainLevel, slot);
  }
  return std::make_unique<ControllerNone>(recordKind);
}

void Engine::releaseSystemResources() {
  parameters_.clear();
  if (systemThread_ != nullptr) ScriptThread::destroy(std::exchange(systemThread_, nullptr));
  if (LSeManager* se = seManager(); se != nullptr && systemCommon_ != nullptr) {
    se->UnloadGroup(systemCommon_);
  }
  systemCommon_ = nullptr;
  if (spritesMade_) {
    sprite1::systemDestroy(&sprites_);
    spritesMade_ = false;
  }
}

void Engine::loadSystemResources() {
  scoreTips_.setDefinitionCount(0);
  releaseSystemResources();
  singleView_ = false;
  releaseSubresources();
  setupSubresources();
  // Sprites and sound need the devices; a headless run without them simulates alike.
  if (renderer() != nullptr) {
    sprite1::systemCreate(&sprites_, engineSprite1Config(*system()));
    spritesMade_ = true;
  }
  if (seManager() != nullptr) {
    systemCommon_ = da3dLoadSeGroup(modelServices(), seDirectory_, u"systemCommon", 1, nullptr);
  }
  systemThread_ = new ScriptThread(scriptManager(), tables_[kSystemTable]);
  systemThread_->loadRelative(systemDirectory_, u"main", static_cast<::Engine*>(this), this);
}

void Engine::loadEffects() {
  L3DEffectManager* effects = effectManager();
  L3DRenderer* r = renderer();
  if (effects == nullptr || r == nullptr) return;
  char16_t path[128];
  ombPathMake(128, path, systemDirectory_, u"effect/effdef", nullptr);
  std::string name = dbtl::DCp932FromUtf16(path);
  if (name.size() > 127) name.resize(127);
  effects->SetProp(system()->GetPack(), name.c_str());
  ombPathMake(128, path, systemDirectory_, u"effect/effdata", nullptr);
  name = dbtl::DCp932FromUtf16(path);
  if (name.size() > 127) name.resize(127);
  L3D_EFFECT_DATA* data = effects->LoadData(reinterpret_cast<uintptr_t>(r->GetSystemNnid()),
                                            system()->GetPack(), name.c_str());
  if (data != nullptr) {
    LSeGroupList list;
    const std::u16string text = seListText(setup_.stageDirectory.c_str(), nullptr, false);
    da3dLoadSeGroupList(modelServices(), text.c_str(), list);
    effects->SetDataSeGroups(data, list);
    if (LSeManager* se = seManager()) se->UnloadGroups(list);
  }
}

void Engine::updateCameras() {
  for (auto& camera : cameras_) {
    if (camera) camera->update();
  }
}

void Engine::resumeGuides() {
  for (auto& guide : playerGuides_) {
    if (guide) guide->resume();
  }
  if (systemGuide_) systemGuide_->resume();
}

void Engine::notifyPlayersOfRelease(Object* object) {
  for (auto& player : players_) {
    if (player) player->notifyRelease(object);
  }
}

void Engine::removeBulletSide(int32_t slot) {
  if (bullets_) bullets_->removeSide(slot);
}

void Engine::retireGeometryHandles(Geometry& geometry) {
  handles_.remove(geometry.handle);
  for (const auto& entry : geometry.entries) handles_.remove(entry->handle);
}

void Engine::requestQuiescence(int32_t slot, int32_t frames) {
  if (quiescenceActive()) return;
  requestedOwner_ = slot;
  requestedFrames_ = frames;
}

void Engine::clampMoves() {
  for (auto& player : players_) {
    if (player) clampMove(player->appliedMove, player->extents, stage_.moveBox);
  }
}

void Engine::stepPlayers() {
  for (auto& player : players_) {
    if (player) player->stepBeforeMove();
  }
  clampMoves();
  if (players_[0] && players_[1]) {
    const FixedVec3 positions[2] = {players_[0]->position, players_[1]->position};
    FixedVec3 moves[2] = {players_[0]->appliedMove, players_[1]->appliedMove};
    const Extents extents[2] = {players_[0]->extents, players_[1]->extents};
    if (resolveContact(positions, moves, extents)) {
      players_[0]->appliedMove = moves[0];
      players_[1]->appliedMove = moves[1];
    }
  }
  clampMoves();
  for (auto& player : players_) {
    if (player) player->stepAfterMove();
  }
  for (int32_t slot = 0; slot < 2; ++slot) {
    Player* attacker = players_[slot].get();
    Player* victim = players_[1 - slot].get();
    if (attacker == nullptr || victim == nullptr || attacker->activeAttack == nullptr ||
        attacker->attackSpheres.radius == 0) {
      continue;
    }
    Player::checkAttack(*attacker, *victim);
  }
}

void Engine::stepBullets() {
  if (!bullets_) return;
  bullets_->update();
  bullets_->eraseOutOfBox(stage_.bulletBox);
  for (auto& player : players_) {
    if (player) bullets_->hitPlayer(*player);
  }
  bullets_->erodeBullets();
}

void Engine::quiescenceStep() {
  Player* owner = player(quiescenceOwner_);
  if (owner != nullptr) owner->stepBeforeMove();
  clampMoves();
  if (owner != nullptr) owner->stepAfterMove();
  updateCameras();
  resumeGuides();
  if (--quiescenceLeft_ <= 0) {
    quiescenceOwner_ = kNoSlot;
    quiescenceLeft_ = 0;
  }
  requestedOwner_ = kNoSlot;
  requestedFrames_ = 0;
}

void Engine::update() {
  if (systemThread_ != nullptr) systemThread_->resume();
  if (!taskEnabled()) {
    for (auto& player : players_) {
      if (player && player->controller() != nullptr) player->controller()->refresh();
    }
  } else if (!quiescenceActive() && requestedOwner_ != kNoSlot && requestedFrames_ > 0) {
    quiescenceOwner_ = requestedOwner_;
    quiescenceLeft_ = requestedFrames_;
    if (L3DEffectManager* effects = effectManager()) {
      for (L3D_EFFECT_WORKROOT* root = effects->GetPlaying(); root != nullptr; root = root->next) {
        root->holdFlags = L3D_EFFECT_HOLD_STEP | L3D_EFFECT_HOLD_DRAW;
        root->holdCount = uint32_t(requestedFrames_);
      }
    }
    quiescenceStep();
  } else {
    if (!quiescenceActive() && requestedOwner_ != kNoSlot) {
      requestedOwner_ = kNoSlot;
      requestedFrames_ = 0;
    }
    if (!quiescenceActive()) {
      stage_.step();
      stepPlayers();
      stepBullets();
      updateCameras();
      resumeGuides();
      scoreTips_.update();
    } else {
      quiescenceStep();
    }
  }
  ::Engine::update();
  ++frame_;
  if (quitRequested() && replayOut_ && replayOut_->isOpen()) {
    for (auto& player : players_) {
      if (player && player->controller() != nullptr) player->controller()->writeReplay(*replayOut_);
    }
    replayOut_->close();
  }
}

void Engine::drawScene() {
  if (drawType_ == 1 || (drawType_ == 2 && singleView_)) {
    drawView(1, 0);
  } else if (drawType_ == 2) {
    d3d9::IDirect3DDevice9* d3d = system()->device().GetDevice();
    if (d3d != nullptr) {
      d3d9::D3DVIEWPORT9 saved{};
      d3d->GetViewport(&saved);
      d3d9::D3DVIEWPORT9 half = saved;
      half.Width = saved.Width >> 1;
      d3d->SetViewport(&half);
      drawView(2, 0);
      half.X = saved.X + half.Width;
      d3d->SetViewport(&half);
      drawView(2, 1);
      d3d->SetViewport(&saved);
    }
  }
  if (systemGuide_) systemGuide_->draw();
  if (spritesMade_) sprite1::drawAll(&sprites_);
}

void Engine::drawView(int32_t kind, int32_t side) {
  L3DRenderer* r = renderer();
  if (r == nullptr) return;
  LMat view;
  LMat projection;
  if (Camera* c = camera(views_[side])) {
    c->selectProjection(kind, view, projection);
  } else {
    view.SetIdentity();
    projection.SetIdentity();
  }
  r->SetViewProjection(view, projection);
  if (quiescenceActive()) {
    if (d3d9::IDirect3DDevice9* d3d = system()->device().GetDevice()) {
      d3d->Clear(0, nullptr, d3d9::D3DCLEAR_TARGET, 0xFF000000u, 0.0f, 0);
    }
  }
  for (auto& player : players_) {
    if (!player) continue;
    player->draw(stage_.lightDirection, stage_.lightColour, stage_.ambientColour);
    stage_.drawShadow(player->position);
  }
  if (!quiescenceActive()) {
    stage_.applyFog();
    stage_.draw();
    r->fog.enabled = 0;
  }
  if (bullets_) bullets_->draw(stage_.lightDirection, stage_.lightColour, stage_.ambientColour);
  scoreTips_.draw(stage_.lightDirection, stage_.lightColour, stage_.ambientColour);
  if (L3DEffectManager* effects = effectManager()) effects->Draw(false);
  r->DrawZsd();
  if (Guide* guide = playerGuide(side)) guide->draw();
}

bool Engine::stateHash(uint64_t* hash) const {
  StateHash h;
  h.u32(frame_);
  if (const OMB_RANDOM* random = seededRandom()) {
    h.u32(random->i).u32(random->j);
    for (uint32_t word : random->x) h.u32(word);
  }
  h.i32(quiescenceOwner_).i32(quiescenceLeft_).u32(stage_.frame);
  auto vec = [&h](const FixedVec3& v) { h.i32(v.x).i32(v.y).i32(v.z); };
  for (const auto& player : players_) {
    if (!player) {
      h.u32(0);
      continue;
    }
    h.u32(1);
    vec(player->position);
    h.f32(player->rotation.x).f32(player->rotation.y).f32(player->rotation.z).f32(player->rotation.w);
    h.i32(player->rotationAngle).i32(player->rotationTrack);
    vec(player->velocity);
    vec(player->target);
    vec(player->acceleration);
    vec(player->bias);
    h.u32(player->moveResult);
    vec(player->extents.saved);
    h.i32(player->extents.radius).i32(player->extents.top).i32(player->extents.bottom);
    h.u32(player->damageFlag).i32(player->damageAngleValue);
    h.u32(uint32_t(player->parameters.size()));
    for (const PlayerParameter& p : player->parameters) h.i32(p.value).i32(p.min).i32(p.max);
    int32_t active = -1;
    for (size_t i = 0; i < player->attacks().size(); ++i) {
      if (player->attacks()[i].get() == player->activeAttack) active = int32_t(i);
    }
    h.i32(active);
  }
  for (const PlayerParameter& p : parameters_.system) h.i32(p.value);
  if (bullets_) bullets_->hash(h);
  scoreTips_.hash(h);
  *hash = h.value();
  return true;
}

::Engine* createEngine(System& system, EngineStart& start) {
  auto* engine = new Engine();
  engine->setup(&system, start.rond != nullptr ? *start.rond : RondEngineSetup{});
  return engine;
}

}  // namespace rond
