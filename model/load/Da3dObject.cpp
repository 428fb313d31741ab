#include "model/load/Da3dObject.h"

#include "foundation/dbtl/DCp932Text.h"
#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/omb/file/ombPath.h"
#include "model/L3DHandles.h"
#include "render/L3DRenderer.h"
#include "render/LResManager.h"

#include <cstring>
#include <string>

namespace {

L3DNnidTable& namesOf(const L3DModelServices& system) {
  if (system.names != nullptr) return *system.names;
  if (system.renderer == nullptr) lerrFatal("[Da3dObject] no renderer and no resource-name table");
  return system.renderer->GetNnidTable();
}

dbtl::rcptr<L3DTexture> loadTexture(const L3DModelServices& system, const char* name,
                                    uint32_t option) {
  if (system.textures != nullptr) return system.textures->Load(system.pack, name, option);
  dbtl::rcptr<L3DTexture> out;
  if (system.renderer != nullptr) system.renderer->LoadTexture(out, system.pack, name, option != 0);
  return out;
}

// A framework path as the pack's 8-bit name; fatal when it does not fit the buffers, so a long
// name never turns into the name of another file.
// length is the full length the path builder asked for, which may exceed what it wrote: only
// the written units are read.
std::string packName(const char16_t* path, uint32_t length, const char* tag) {
  const uint32_t written = length < DA3D_PATH_CAPACITY ? length : DA3D_PATH_CAPACITY - 1;
  const std::string name = dbtl::DCp932FromUtf16(std::u16string_view(path, written));
  if (length >= DA3D_PATH_CAPACITY || name.size() >= DA3D_PATH_CAPACITY) {
    lerrFatal("[%s] path \"%s...\" is longer than %u bytes", tag, name.c_str(), DA3D_PATH_CAPACITY - 1);
  }
  return name;
}

std::u16string resolve(const char16_t* directory, const char16_t* name, const char* tag) {
  char16_t buffer[DA3D_PATH_CAPACITY];
  const uint32_t n = ombPathResolve(buffer, directory, DA3D_PATH_CAPACITY, name);
  if (n >= DA3D_PATH_CAPACITY) {
    lerrFatal("[%s] path \"%s\" is longer than %u units", tag,
              dbtl::DCp932FromUtf16(name != nullptr ? name : u"").c_str(), DA3D_PATH_CAPACITY - 1);
  }
  return std::u16string(buffer, n);
}

// path + ".dgo" as the pack name; the missing-file message ends the game.
std::string modelFile(const L3DModelServices& system, const char16_t* path, const char* tag) {
  char16_t buffer[DA3D_PATH_CAPACITY];
  const uint32_t n = ombPathMake(DA3D_PATH_CAPACITY, buffer, nullptr, path, u"dgo");
  const std::string name = packName(buffer, n, tag);
  if (!lfmIsPackDataExist(system.pack, name.c_str())) {
    lerrFatal("Error: [%s]  Object Data \"%s\" isn't exist.", tag, name.c_str());
  }
  return name;
}

dbtl::rcptr<L3DObjectData> loadData(const L3DModelServices& system, const std::string& name) {
  dbtl::DFile file;
  lfmOpenPackData(system.pack, file, name.c_str());
  dbtl::rcptr<L3DObjectData> data;
  da3dNewObjectData(data);
  data->Load(file);
  file.Close();
  return data;
}

dbtl::rcptr<L3DObjectInstance> newInstance(const L3DModelServices& system,
                                           const dbtl::rcptr<L3DObjectData>& data,
                                           const L3DTextureResolver& resolver) {
  auto instance = l3dNewObject<L3DObjectInstance>();
  instance->Create(system, data, resolver);
  return instance;
}

}  // namespace

Da3dObject& Da3dObject::operator=(const Da3dObject& other) {
  // Through a copy, so that no model is freed on the way when both share it.
  Da3dObject copy(other);
  instance = copy.instance;
  data = copy.data;
  return *this;
}

void Da3dObject::reset() {
  instance.Reset();
  data.Reset();
}

void Da3dObject::load(const L3DModelServices& system, const char16_t* path, const LSeGroupList& groups) {
  const std::string file = modelFile(system, path, "Da3dObject::load");
  data = loadData(system, file);
  char directory[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathSplit(file.c_str(), directory, nullptr, nullptr);
  L3DNnidTable& names = namesOf(system);
  L3D_RENDERER_NNID* entry = LResManager::_FindNnid(directory, names);
  if (entry == nullptr) {
    // The first model of a directory registers it and loads the directory's effect data.
    entry = LResManager::AddNnid(names, directory);
    if (system.effects != nullptr) {
      char effdata[dbtl::DPATH_BUFFER_SIZE];
      dbtl::DpathMake(effdata, directory, "effdata", nullptr);
      system.effects->LoadData(entry, system.pack, effdata);
    }
  }
  instance = newInstance(system, data, {0, da3dResolveTexture, entry});
  if (groups.count > 0) instance->SetSeGroups(groups);
}

void Da3dObject::loadWithSe(const L3DModelServices& system, const char16_t* path, const char16_t* text) {
  LSeGroupList list;
  if (text != nullptr) da3dLoadSeGroupList(system, text, list);
  load(system, path, list);
  if (system.seManager != nullptr) system.seManager->UnloadGroups(list);
}

void Da3dObject::clone(const Da3dObject& source, Da3dObject& target) {
  target.data = source.data;
  target.instance = newInstance(source.instance->services, target.data, source.instance->resolver);
  LSeGroupList copy;
  copy.count = source.instance->seGroups.count;
  copy.groups = source.instance->seGroups.groups;
  target.instance->SetSeGroups(copy);
}

void Da3dObject::loadWithNormalAnim(const L3DModelServices& system, const char16_t* directory,
                                    const char16_t* name) {
  reset();
  const std::u16string path = resolve(directory, name, "Da3dObject::loadWithNormalAnim");
  load(system, path.c_str(), LSeGroupList{});
  instance->SetAnim(instance->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
}

void Da3dObject::cloneWithNormalAnim(const Da3dObject& source) {
  reset();
  clone(source, *this);
  instance->SetAnim(instance->CreateAnim("normal"), L3DObjectInstance::Restart::Yes);
}

dbtl::rcptr<L3DObjectData> da3dLoadObjectData(const L3DModelServices& system,
                                              const char16_t* directory, const char16_t* name) {
  const std::u16string path = resolve(directory, name, "da3dLoadObjectData");
  return loadData(system, modelFile(system, path.c_str(), "da3dLoadObjectData"));
}

void da3dNewObjectData(dbtl::rcptr<L3DObjectData>& handle) { handle = l3dNewObject<L3DObjectData>(); }

bool da3dIsObjectDataExist(const L3DModelServices& system, const char16_t* directory,
                           const char16_t* name) {
  const std::u16string path = resolve(directory, name, "da3dIsObjectDataExist");
  char16_t buffer[DA3D_PATH_CAPACITY];
  const uint32_t n = ombPathMake(DA3D_PATH_CAPACITY, buffer, nullptr, path.c_str(), u"dgo");
  return lfmIsPackDataExist(system.pack, packName(buffer, n, "da3dIsObjectDataExist").c_str());
}

bool da3dIsUsableAnimName(const char* name) {
  static constexpr char kReserved[] = "__QZOR_FOR_EDIT_VIEW_ANIM__";
  return !(std::strlen(name) == sizeof kReserved - 1 &&
           dbtl::DstrCompareNoCaseN(name, kReserved, sizeof kReserved - 1) == 0);
}

dbtl::rcptr<L3DTexture> da3dLoadTexture(const L3DModelServices& system, const char16_t* path,
                                        uint32_t option) {
  const uint32_t length = static_cast<uint32_t>(std::char_traits<char16_t>::length(path));
  return loadTexture(system, packName(path, length, "da3dLoadTexture").c_str(), option);
}

dbtl::rcptr<L3DTexture> da3dLoadTextureInDir(const L3DModelServices& system,
                                             const char16_t* directory, const char16_t* name,
                                             uint32_t option) {
  return da3dLoadTexture(system, resolve(directory, name, "da3dLoadTextureInDir").c_str(), option);
}

LSeManager::_GROUPINFO* da3dLoadSeGroup(const L3DModelServices& system, const char16_t* directory,
                                        const char16_t* name, uint32_t type,
                                        const char16_t* soundDirectory) {
  if (system.seManager == nullptr) return nullptr;
  const std::u16string path = resolve(directory, name, "da3dLoadSeGroup");
  char16_t prop[DA3D_PATH_CAPACITY];
  const uint32_t n = ombPathChangeExtension(path.c_str(), prop, DA3D_PATH_CAPACITY, u"prp");
  if (!lfmIsPackDataExist(system.pack, packName(prop, n, "da3dLoadSeGroup").c_str())) return nullptr;
  const std::string group = packName(path.c_str(), static_cast<uint32_t>(path.size()), "da3dLoadSeGroup");
  std::string sounds;
  if (soundDirectory != nullptr && soundDirectory[0] != 0) sounds = dbtl::DCp932FromUtf16(soundDirectory);
  return system.seManager->LoadGroup(system.pack, group.c_str(), sounds.empty() ? nullptr : sounds.c_str(),
                                     type);
}

void da3dLoadSeGroupList(const L3DModelServices& system, const char16_t* text, LSeGroupList& list) {
  if (system.seManager == nullptr) return;
  list.count = 0;
  list.groups.Reset();
  uint32_t entries = 0;
  for (const char16_t* p = text; *p != 0;) {
    p += std::char_traits<char16_t>::length(p) + 2;
    ++entries;
  }
  if (entries == 0) return;
  list.groups.Create(entries);
  for (const char16_t* p = text; *p != 0;) {
    const uint32_t length = static_cast<uint32_t>(std::char_traits<char16_t>::length(p));
    const uint32_t type = p[length + 1];
    const std::string name = packName(p, length, "da3dLoadSeGroupList");
    list.groups[list.count++] = system.seManager->LoadGroup(system.pack, name.c_str(), nullptr, type);
    p += length + 2;
  }
}

void da3dResolveTexture(dbtl::rcptr<L3DTexture>& out, L3DObjectInstance* instance, const char* name,
                        uint32_t option) {
  out.Reset();
  if (name == nullptr || name[0] == '\0') return;
  const char* directory = LResManager::GetNnidName(instance->resolver.nnid);
  char path[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(path, directory, name, nullptr);
  char found[dbtl::DPATH_BUFFER_SIZE];
  if (!lfmSearchPackData(found, instance->services.pack, path, "dgt:dgi:png:jpg:jpeg:bmp")) {
    lerrLog(0, lerrText(u"テクスチャファイルが見つからない(%s)").c_str(), path);
    return;
  }
  out = loadTexture(instance->services, found, option);
}
