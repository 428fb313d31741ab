#include "engines/vell/Engine.h"

#include "engines/vell/Map.h"
#include "engines/vell/ObjectManager.h"
#include "engines/vell/bullet/BulletManager.h"
#include "foundation/bytes/StateHash.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/lerr/lerr.h"
#include "host/system/System.h"
#include "model/effect/L3DEffectManager.h"
#include "net/controller/Controller.h"
#include "render/L3DRenderer.h"
#include "render/LResManager.h"
#include "script/ScriptError.h"
#include "script/ScriptManager.h"
#include "script/ScriptThread.h"
#include "script/ScriptValueSerial.h"

#include <cstring>
#include <string>
#include <utility>

namespace vell {

const char16_t* const ScriptKeys::kNames[ScriptKeys::kCount] = {
    u"notifies", u"centerX", u"centerY", u"centerRange", u"centerBias", u"power",
    u"frameStart", u"frameEnd", u"frameDead", u"event", u"status", u"intr",
    u"pos", u"rot", u"rotAxis", u"rotAngle", u"rots", u"rotXZ",
    u"posrot", u"count", u"type", u"timeout", u"owner", u"ownerTrack",
    u"trackRotLimit", u"collAttackMask", u"target", u"targetOffset", u"targetOffsetFix",
    u"lockonBias", u"system", u"life", u"scale", u"slideAngle", u"slipAngle",
    u"slipFall", u"dir", u"reflect", u"no", u"options", u"args", u"marker"};

namespace {

// Everything filed in the object space (objects' cylinders, attacks) is a SpaceItem.
constexpr uint32_t kSpaceLinkOffset = offsetof(SpaceItem, link);

}  // namespace

Engine::Engine() : names_(std::make_unique<L3DNnidTable>()), space_(kSpaceLinkOffset) {}

Engine::~Engine() {
  Base::release();
  releaseResources();
  for (ScriptObject& key : keys_.values) key = ScriptObject();
  freeScriptValueBuffer(std::exchange(argsBuffer_, nullptr));
  releaseTables();
  damageNotices_ = ScriptObject();
  args = ScriptObject();
  share = ScriptObject();
  cache_.reset();
}

void Engine::releaseTables() {
  objectTable_ = ScriptObject();
  mapTable_ = ScriptObject();
  cameraTable_ = ScriptObject();
  globalTable_ = ScriptObject();
  rootTable_ = ScriptObject();
}

void Engine::setup(System* system, const char16_t* dir, OMB_ARRAY* argsBuffer) {
  ::Engine::setup(system);
  keys_.common = keys();
  const HSQUIRRELVM vm = scriptManager()->vm.vm;
  for (uint32_t i = 0; i < ScriptKeys::kCount; ++i) {
    keys_.values[i] = ScriptObject::newString(ScriptKeys::kNames[i], vm);
  }
  setupDirectory_ = scriptManager()->internDirectory(dir != nullptr ? dir : u"");
  freeScriptValueBuffer(std::exchange(argsBuffer_, argsBuffer));
  cache_ = std::make_unique<ModelCache>(*scriptManager(), modelServices());
}

L3DModelServices Engine::modelServices() const {
  L3DModelServices services;
  if (System* sys = system()) {
    services.renderer = sys->renderer();
    services.seManager = sys->seManager();
    services.pack = sys->GetPack();
  }
  if (services.renderer == nullptr) services.names = names_.get();
  return services;
}

void Engine::setupResources() {
  ::Engine::setupResources();
  ScriptManager& names = *scriptManager();
  baseDirectory_ = names.internDirectory(setupDirectory_);
  soundDirectory_ = names.internDirectory((std::u16string(baseDirectory_) + u"se/").c_str());
  Base::init(this, kBaseRoot,
             names.internDirectory((std::u16string(baseDirectory_) + u"sys/").c_str()));
  if (argsBuffer_ != nullptr) setArgsFromBuffer(std::exchange(argsBuffer_, nullptr));

  releaseTables();
  rootTable_ = names.newTable(nullptr);
  registerRootTable(rootTable_);
  registerObjectCreate(rootTable_);
  registerBulletNatives(rootTable_);
  registerBgmNatives(rootTable_);
  globalTable_ = names.newTable(&rootTable_);
  registerGlobalTable(globalTable_);
  cameraTable_ = names.newTable(&rootTable_);
  registerCameraTable(cameraTable_);
  mapTable_ = names.newTable(&rootTable_);
  registerMapTable(mapTable_);
  objectTable_ = names.newTable(&rootTable_);
  registerObjectTable(objectTable_);

  if (System* sys = system(); sys != nullptr && sys->effectManager() != nullptr &&
                              sys->renderer() != nullptr) {
    L3DEffectManager* effects = sys->effectManager();
    const std::string def = dbtl::DCp932FromUtf16(std::u16string(baseDirectory_) + u"effect/effdef");
    const std::string data = dbtl::DCp932FromUtf16(std::u16string(baseDirectory_) + u"effect/effdata");
    effects->SetProp(sys->GetPack(), def.c_str());
    // The renderer outlives the engines: a later field engine finds the name registered.
    L3DNnidTable& table = sys->renderer()->GetNnidTable();
    L3D_RENDERER_NNID* nnid = LResManager::_FindNnid("system", table);
    if (nnid == nullptr) nnid = LResManager::AddNnid(table, "system");
    effects->LoadData(reinterpret_cast<uintptr_t>(nnid), sys->GetPack(), data.c_str());
  }
  cache_->setServices(modelServices());
  loadResources();
}

void Engine::loadResources() {
  releaseResources();
  setupSubresources();
  const L3DModelServices services = modelServices();
  if (services.seManager != nullptr) {
    seGroup_ = da3dLoadSeGroup(services, directory, u"se", 1, soundDirectory_);
    voiceGroup_ = da3dLoadSeGroup(services, directory, u"voice", 2, soundDirectory_);
  }
  for (std::unique_ptr<Controller>& c : controllers_) {
    c = std::make_unique<ControllerNone>(Controller::kRecordNone);
  }
  Base::run(u"main", globalTable_);

  ScriptManager& names = *scriptManager();
  camera_ = std::make_unique<CameraRecord>();
  camera_->base.init(this, kBaseCamera,
                     names.internDirectory((std::u16string(baseDirectory_) + u"camera/").c_str()));
  camera_->camera.reset();
  camera_->base.run(u"main", cameraTable_);

  second_ = std::make_unique<Base>();
  second_->init(this, kBaseSecond, directory);
  second_->run(u"main2", globalTable_);
}

void Engine::releaseResources() {
  releaseMap();
  if (camera_) camera_->base.release();
  camera_.reset();
  for (std::unique_ptr<Controller>& c : controllers_) {
    if (c) c->release();
    c.reset();
  }
  if (second_) second_->release();
  second_.reset();
  releaseSubresources();
  LSeManager* se = system() != nullptr ? system()->seManager() : nullptr;
  if (se != nullptr) {
    if (voiceGroup_ != nullptr) se->UnloadGroup(voiceGroup_);
    if (seGroup_ != nullptr) se->UnloadGroup(seGroup_);
  }
  voiceGroup_ = nullptr;
  seGroup_ = nullptr;
  if (cache_) cache_->purge();
  decals_.clear();
}

void Engine::releaseMap() {
  // The bullets let their owners and targets go while the objects still live; the objects hand
  // their dynamic attacks back before the bullet manager goes; objects leave their triangles and
  // the collision maps before the map frees them.
  if (bullets_) bullets_->removeAll(RemoveNotify::No);
  if (objects_) objects_->destroyAll();
  bullets_.reset();
  objects_.reset();
  if (map_) {
    map_->unloadAll();
    map_->base.release();
    map_.reset();
  }
  damageNotices_ = ScriptObject();
  if (System* sys = system()) {
    if (L3DEffectManager* effects = sys->effectManager()) effects->StopAll();
  }
  space_.teardown();
}

Map* Engine::resetMap(const char16_t* mapName, const char16_t* dataName) {
  releaseMap();
  bullets_ = std::make_unique<BulletManager>(*this);
  objects_ = std::make_unique<ObjectManager>();
  objects_->setup(*this);
  map_ = std::make_unique<Map>();
  map_->setup(*this, mapName, dataName);
  return map_.get();
}

void Engine::replaceController(uint32_t slot, std::unique_ptr<Controller> controller) {
  if (slot >= kPlayers) return;
  if (controllers_[slot]) controllers_[slot]->release();
  controllers_[slot] = std::move(controller);
}

void Engine::appendDamageNotice(const ScriptObject& value) {
  const HSQUIRRELVM vm = scriptManager()->vm.vm;
  if (damageNotices_.getVm() == nullptr || damageNotices_.isNull()) {
    damageNotices_ = ScriptObject::newArray(vm, 0);
  }
  // Both go on the engine's machine, whichever machine the value's handle came from.
  sq_pushobject(vm, damageNotices_.getObject());
  sq_pushobject(vm, value.getObject());
  const bool ok = SQ_SUCCEEDED(sq_arrayappend(vm, -2));
  sq_pop(vm, 1);
  if (!ok) scriptError(u"[%ls] Script Error: can't append array");
}

void Engine::update() {
  for (const std::unique_ptr<Controller>& c : controllers_) {
    if (c) c->refresh();
  }
  Base::resume();
  if (taskEnabled()) {
    if (map_) map_->update();
    if (objects_) objects_->update();
    if (bullets_) bullets_->update();
    damageNotices_ = ScriptObject();
    if (objects_) objects_->hitPass(bullets_.get());
    if (camera_) camera_->base.resume();
    if (second_) second_->resume();
  }
  cache_->purge();
  frame_ += 1;
  ::Engine::update();
}

void Engine::drawScene() {
  System* sys = system();
  L3DRenderer* renderer = sys != nullptr ? sys->renderer() : nullptr;
  if (renderer == nullptr || !camera_) return;
  const Camera& cam = camera_->camera;
  auto step = [this](DrawStep s) {
    if (drawWatcher_) drawWatcher_(s);
  };
  const float* light = map_ ? map_->lightDirection : nullptr;
  const float* colour = map_ ? map_->lightColor : nullptr;
  const float* ambient = map_ ? map_->ambientColor : nullptr;
  auto drawBackAndMap = [&] {
    if (!map_) return;
    step(DrawStep::Background);
    map_->drawBackground();
    step(DrawStep::Map);
    map_->draw();
  };
  auto drawFirstObjects = [&] {
    if (!objects_ || !map_) return;
    step(DrawStep::FirstObjects);
    objects_->drawFirst(light, colour, ambient);
  };
  auto drawDecals = [&] {
    if (!map_) return;
    step(DrawStep::Decals);
    map_->drawDecals(&shadows_);
  };
  auto drawRestAndBullets = [&] {
    if (objects_ && map_) {
      step(DrawStep::RestObjects);
      objects_->drawRest(light, colour, ambient);
    }
    if (bullets_ && map_) {
      step(DrawStep::Bullets);
      bullets_->draw(light, colour, ambient);
    }
  };
  auto drawEffects = [&] {
    step(DrawStep::Effects);
    if (L3DEffectManager* effects = sys->effectManager()) effects->Draw(drawFlags_ != 0);
  };
  auto drawWater = [&] {
    if (!map_) return;
    step(DrawStep::Water);
    map_->drawWater();
  };
  auto drawSorted = [&] {
    step(DrawStep::SortedList);
    renderer->DrawZsd();
  };

  if (!cam.mapMode) {
    drawFlags_ = frameFlags();
    step(DrawStep::View);
    renderer->SetViewProjection(cam.view, cam.projection);
    drawBackAndMap();
    drawFirstObjects();
    drawDecals();
    drawRestAndBullets();
    drawEffects();
    drawWater();
    drawSorted();
    return;
  }
  // Map mode: the map and the objects that carry collision maps through the map camera with
  // only the map's sort bit, then the rest with the normal camera without it.
  const uint32_t saved = frameFlags();
  drawFlags_ = saved & kMapSortBit;
  step(DrawStep::MapView);
  renderer->SetViewProjection(cam.mapView, cam.mapProjection);
  drawBackAndMap();
  drawFirstObjects();
  drawDecals();
  drawWater();
  drawSorted();
  drawFlags_ = (drawFlags_ | saved) & ~kMapSortBit;
  step(DrawStep::View);
  renderer->SetViewProjection(cam.view, cam.projection);
  drawRestAndBullets();
  drawEffects();
  drawSorted();
}

bool Engine::stateHash(uint64_t* hash) const {
  StateHash h;
  h.u32(frame_);
  if (const OMB_RANDOM* r = seededRandom()) {
    for (uint32_t word : r->x) h.u32(word);
    h.u32(r->i).u32(r->j);
  }
  h.u32(taskEnabled() ? 1 : 0);
  if (camera_) {
    const Camera& c = camera_->camera;
    for (const LMat* m : {&c.projection, &c.view, &c.mapProjection, &c.mapView}) {
      for (const auto& row : m->m) {
        for (float v : row) h.f32(v);
      }
    }
    h.u32(c.mapMode ? 1 : 0);
  }
  h.u32(map_ ? 1 : 0);
  if (map_) {
    h.u32(map_->flags).u32(map_->stampCursor);
    for (const MapEvent& e : map_->events()) h.u32(e.flags);
    for (const MapGroup& g : const_cast<Map&>(*map_).groups()) h.u32(g.flags);
  }
  if (objects_) {
    forEachObject(objects_->live(), [&](const Object& o) {
      h.i32(o.position.x).i32(o.position.y).i32(o.position.z).i32(o.angle);
      h.u32(o.status).u32(o.moveMode).u32(o.moveStatus).u32(o.flags);
    });
  }
  if (bullets_) bullets_->hash(h);
  *hash = h.value();
  return true;
}

Engine* engineOf(HSQUIRRELVM vm) { return dynamic_cast<Engine*>(::Engine::fromVm(vm)); }

Engine& fieldEngine(HSQUIRRELVM vm) {
  Engine* e = engineOf(vm);
  if (e == nullptr) {
    scriptError(u"[%ls] Script Error: not a field engine");
    lerrThrow();
  }
  return *e;
}

::Engine* createEngine(System& system, EngineStart& start) {
  auto* engine = new Engine();
  engine->setup(&system, start.directory, std::exchange(start.args, nullptr));
  return engine;
}

}  // namespace vell
