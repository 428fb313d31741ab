// The engine's side of the map: set-up through the model cache, the models' animation and
// drawing, showing and hiding, and the event tables the scripts see.

#include "engines/vell/Engine.h"
#include "engines/vell/Map.h"
#include "engines/vell/ModelCache.h"
#include "foundation/dbtl/DCp932Text.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombPath.h"
#include "host/system/System.h"
#include "model/object/L3DObjectInstance.h"
#include "render/L3DRenderer.h"
#include "render/device/L3DDevice.h"
#include "script/ScriptManager.h"

#include <cmath>
#include <string>

namespace vell {

namespace {

constexpr uint32_t kPathUnits = 128;

std::u16string numbered(const char16_t* text, uint32_t n) {
  std::u16string s = text;
  for (char c : std::to_string(n)) s.push_back(char16_t(c));
  return s;
}

std::u16string resolved(const char16_t* directory, const std::u16string& name) {
  char16_t path[kPathUnits];
  ombPathResolve(path, directory, kPathUnits, name.c_str());
  return path;
}

uint32_t packColor(const float c[4]) {
  auto channel = [](float v) -> uint32_t {
    if (v >= 1.0f) return 255;
    if (v <= 0.0f) return 0;
    return uint32_t(v * 255.0f + 0.5f);
  };
  return channel(c[3]) << 24 | channel(c[0]) << 16 | channel(c[1]) << 8 | channel(c[2]);
}

// The light direction normalised; a zero vector stays as it is.
void setLight(L3DRenderer& renderer, const float d[3]) {
  float n[3] = {d[0], d[1], d[2]};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (length > 0.0f) {
    const float inverse = 1.0f / length;
    for (float& v : n) v = v * inverse;
  }
  renderer.SetLightDirection(n);
}

}  // namespace

void Map::setup(Engine& owner, const char16_t* mapName, const char16_t* mapDataName) {
  engine = &owner;
  ScriptManager& names = *owner.scriptManager();
  const std::u16string dir = std::u16string(owner.baseDirectory()) + u"map/" + mapName + u"/";
  base.init(&owner, kBaseMap, names.internDirectory(dir.substr(0, kPathUnits - 1).c_str()));
  name = names.internString(mapName);
  dataName = names.internString(mapDataName);

  unloadAll();
  lightDirection[0] = 0.0f;
  lightDirection[1] = 1.0f;
  lightDirection[2] = 1.0f;
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    lightColor[i] = black[i];
    ambientColor[i] = white[i];
  }
  flags = 0;
  drawStamp = 1;
  stampCursor = 0;
  loadData(directory(), dataName, &owner.space());
  updateCache();
  makeEventTables();
  loadModels();
  base.run(dataName, owner.mapTable());
}

void Map::unloadAll() {
  unloadModels();
  eventTables_.clear();
  unload();
}

void Map::makeEventTables() {
  eventTables_.clear();
  const HSQUIRRELVM vm = engine->scriptManager()->vm.vm;
  for (const MapEvent& e : events_) {
    ScriptObject table = ScriptObject::newTable(vm);
    table.setIntegerSlot(u"no", e.no);
    table.setIntegerSlot(u"type", e.type);
    ScriptObject options = ScriptObject::newArray(vm, int32_t(e.options.size()));
    for (size_t i = 0; i < e.options.size(); ++i) {
      const ScriptObject text = ScriptObject::newString(e.options[i].c_str(), vm);
      options.setSlotByIndex(int32_t(i), text.getObject());
    }
    table.setSlot(u"options", options.getObject());
    eventTables_.push_back(table);
  }
}

ScriptObject Map::eventTable(uint32_t index) const {
  if (index < eventTables_.size()) return eventTables_[index];
  return ScriptObject::newNull(engine->scriptManager()->vm.vm);
}

void Map::loadLayer(MapLayer& layer, CacheEntry* resource) {
  layer.resource = resource;
  layer.anim.Reset();
  layer.object.reset();
  ModelCache::instantiate(layer.object, *resource);
  layer.anim = layer.object.instance->CreateAnim("start");
  layer.object.instance->SetAnim(layer.anim, L3DObjectInstance::Restart::Yes);
}

void Map::releaseLayer(MapLayer& layer) {
  layer.anim.Reset();
  layer.object.reset();
  if (layer.resource != nullptr) engine->modelCache().release(layer.resource);
  layer.resource = nullptr;
}

void Map::loadModels() {
  const L3DModelServices services = engine->modelServices();
  ScriptManager& names = *engine->scriptManager();
  const char16_t* dir = directory();
  const std::u16string data = dataName;
  if (services.seManager != nullptr) {
    seGroup = da3dLoadSeGroup(services, dir, (data + u"_se").c_str(), 1, nullptr);
    voiceGroup = da3dLoadSeGroup(services, dir, (data + u"_voice").c_str(), 2, nullptr);
  }
  // Model names are looked up and loaded lower-cased, as the cache keys them, so the existence
  // checks ask for the very file the cache loads.
  auto modelPath = [&](const std::u16string& name) {
    return std::u16string(names.internString(resolved(dir, name).c_str()));
  };
  auto exists = [&](const std::u16string& path) {
    char16_t file[kPathUnits + 8];
    ombPathMake(kPathUnits + 8, file, nullptr, path.c_str(), u"dgo");
    return lfmIsPackDataExist(services.pack, dbtl::DCp932FromUtf16(file).c_str());
  };

  ModelCache& cache = engine->modelCache();
  const std::u16string main = modelPath(data);
  CacheEntry* resource = cache.get(main.c_str());
  if (resource == nullptr) {
    LSeGroupList groups;
    if (services.seManager != nullptr) {
      LSeManager::_GROUPINFO* list[4] = {engine->seGroup(), engine->voiceGroup(), seGroup,
                                         voiceGroup};
      groups.count = 4;
      groups.groups.Create(4);
      for (uint32_t i = 0; i < 4; ++i) groups.groups[i] = list[i];
    }
    resource = cache.load(main.c_str(), groups);
  }
  loadLayer(layers[0], resource);
  for (uint32_t i = 1; i < kMapLayers; ++i) {
    const std::u16string path = modelPath(numbered((data + u"_layer").c_str(), i - 1));
    if (!exists(path)) break;
    loadLayer(layers[i], cache.loadPlain(path.c_str()));
  }
  // Without a full-screen post effect there is no water mesh: the water model serves.
  const std::u16string waterModel = modelPath(data + u"_waterC");
  if (exists(waterModel)) loadLayer(water, cache.loadPlain(waterModel.c_str()));
}

void Map::unloadModels() {
  if (engine == nullptr) return;
  releaseLayer(water);
  for (MapLayer& layer : layers) releaseLayer(layer);
  LSeManager* se = engine->system() != nullptr ? engine->system()->seManager() : nullptr;
  if (voiceGroup != nullptr && se != nullptr) se->UnloadGroup(voiceGroup);
  if (seGroup != nullptr && se != nullptr) se->UnloadGroup(seGroup);
  voiceGroup = nullptr;
  seGroup = nullptr;
}

void Map::update() {
  base.resume();
  TriangleSet& land = sets_[kSetLand];
  if (land.count > 0) {
    land.triangles[stampCursor].drawStamp = 0;
    stampCursor = stampCursor + 1 >= land.count ? 0 : stampCursor + 1;
  }
  if (!(flags & kMapHidden)) {
    for (MapLayer& layer : layers) {
      if (!layer.present()) break;
      layer.object.instance->ForwardAnimFrame();
    }
    // Layer 0's models drawn through the sorted list make the frame's draws keep to its order.
    if (layers[0].present() && (layers[0].object.instance->materialFlags & 1)) {
      engine->addFrameFlags(Engine::kMapSortBit);
    }
    if (water.present()) water.object.instance->ForwardAnimFrame();
  }
  // A hidden map's decals age all the same.
  decals.age();
}

void Map::setShow(bool show) {
  const bool hidden = (flags & kMapHidden) != 0;
  if (show == !hidden) return;
  auto apply = [show](MapLayer& layer) {
    if (!layer.present()) return;
    layer.object.instance->SetAnim(show ? layer.anim : dbtl::rcptr<L3DAnimInstance>(),
                                   L3DObjectInstance::Restart::Yes);
  };
  if (show) {
    flags &= ~kMapHidden;
  } else {
    flags |= kMapHidden;
  }
  for (MapLayer& layer : layers) apply(layer);
  apply(water);
}

void Map::drawBackground() {
  if (!(flags & kMapBackColor) || engine->system() == nullptr) return;
  d3d9::IDirect3DDevice9* device = engine->system()->device().GetDevice();
  if (device == nullptr) return;
  device->Clear(0, nullptr, d3d9::D3DCLEAR_TARGET, packColor(backColor), 0.0f, 0);
}

void Map::draw() {
  L3DRenderer* renderer = engine->system() != nullptr ? engine->system()->renderer() : nullptr;
  if (renderer == nullptr) return;
  setLight(*renderer, lightDirection);
  if (flags & kMapHidden) return;
  for (MapLayer& layer : layers) {
    if (!layer.present()) break;
    renderer->DrawObjectInstance(*layer.object.instance, lightColor, ambientColor, 2);
  }
}

void Map::drawWater() {
  L3DRenderer* renderer = engine->system() != nullptr ? engine->system()->renderer() : nullptr;
  if (renderer == nullptr) return;
  setLight(*renderer, lightDirection);
  if ((flags & kMapHidden) || !water.present()) return;
  renderer->DrawObjectInstance(*water.object.instance, lightColor, ambientColor, 2);
}

}  // namespace vell
