#include "model/effect/L3DEffectData.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrParsed.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "model/effect/L3DEffectEventRead.h"
#include "model/effect/L3DEffectProp.h"
#include "model/file/L3DModelReader.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The smallest records the counts can stand for: a root is its flags, the root part (flags and
// event count) and a child count; a part is flags and an event count; an event its frame and
// kind.
constexpr uint64_t kMinRootBytes = 16;
constexpr uint64_t kMinPartBytes = 8;
constexpr uint64_t kMinEventBytes = 8;

// Where a part sits, for messages: child is -1 for a root part.
struct PartPlace {
  uint32_t root;
  int32_t child;
};

class DataParser {
 public:
  DataParser(L3DModelReader& r, const char* fullName, const L3DEffectProp& prop, uint32_t version)
      : m_r(r), m_fullName(fullName), m_prop(prop), m_version(version) {}

  void Part(L3D_EFFECT_PARTDATA& part, PartPlace place) {
    part.flags = m_r.U32();
    part.eventCount = m_r.Count(kMinEventBytes);
    part.events.Create(part.eventCount);
    for (uint32_t e = 0; e < part.eventCount; ++e) {
      L3D_EFFECT_EVENT& event = part.events[e];
      event.frame = static_cast<int32_t>(m_r.U32());
      event.kind = m_r.U32();
      if (event.kind > L3D_EFFECT_KIND_MAX) {
        m_r.Fail(
            lerrFormat(lerrText(u"[L3DEffectManager::_LoadDataPart] 不明な種類%d").c_str(),
                       static_cast<int>(event.kind)),
            Context(u"[L3DEffectManager::_LoadDataPart] エフェクトファイル \"%s\" 内でエラー発生"));
      }
      l3dReadEffectEventValues(event, m_r, m_version);
      Check(event, place, e + 1);
    }
    // Effect files are written in frame order; a stable sort keeps the stored order of the
    // events that share a frame.
    if (part.eventCount > 1) {
      L3D_EFFECT_EVENT* first = part.events.Get();
      std::stable_sort(first, first + part.eventCount,
                       [](const L3D_EFFECT_EVENT& a, const L3D_EFFECT_EVENT& b) {
                         return a.frame < b.frame;
                       });
    }
  }

 private:
  // The log line that names the file before the message, which names the place only.
  std::string Context(const char16_t* format) const {
    return lerrFormat(lerrText(format).c_str(), m_fullName);
  }

  void Check(const L3D_EFFECT_EVENT& event, PartPlace p, uint32_t number) {
    const L3DEffectEventRefs refs = l3dEffectEventRefs(event.kind);
    for (uint8_t word : refs.images) {
      if (word == 0) continue;
      const int32_t image = event.I(word);
      if (image >= 0 && static_cast<uint32_t>(image) < m_prop.imageCount) continue;
      const std::string context =
          Context(u"[L3DEffectManager::_CheckImage] エフェクトファイル \"%s\" 内でエラー発生");
      if (p.child >= 0) {
        m_r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::_CheckImage] root%d/part%dの%d個目の"
                                     u"eventにおいて使用イメージが異常(%d/%u)")
                                .c_str(),
                            static_cast<int>(p.root), p.child, static_cast<int>(number), image,
                            m_prop.imageCount),
                 context);
      }
      m_r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::_CheckImage] root%dの%d個目のeventにおいて"
                                   u"使用イメージが異常(%d/%u)")
                              .c_str(),
                          static_cast<int>(p.root), static_cast<int>(number), image,
                          m_prop.imageCount),
               context);
    }
    if (refs.model == 0) return;
    const int32_t model = event.I(refs.model);
    if (model >= -L3D_EFFECT_BUILTIN_MODELS && static_cast<int64_t>(model) < m_prop.modelCount) {
      return;
    }
    const std::string context =
        Context(u"[L3DEffectManager::_CheckModel] エフェクトファイル \"%s\" 内でエラー発生");
    if (p.child >= 0) {
      m_r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::_CheckModel] root%d/part%dの%d個目の"
                                   u"eventにおいて使用モデルが異常(%d)")
                              .c_str(),
                          static_cast<int>(p.root), p.child, static_cast<int>(number), model),
               context);
    }
    m_r.Fail(lerrFormat(lerrText(u"[L3DEffectManager::_CheckModel] root%dの%d個目のeventにおいて"
                                 u"使用モデルが異常(%d)")
                            .c_str(),
                        static_cast<int>(p.root), static_cast<int>(number), model),
             context);
  }

  L3DModelReader& m_r;
  const char* m_fullName;
  const L3DEffectProp& m_prop;
  uint32_t m_version;
};

void parseData(L3D_EFFECT_DATA& data, const uint8_t* bytes, size_t size, const char* fullName,
               const L3DEffectProp& prop) {
  L3DModelReader r(bytes, size, fullName);
  if (r.U32() != L3D_EFFECT_DATA_MAGIC) {
    r.Fail(lerrFormat(
        lerrText(u"[L3DEffectManager::_LoadData] エフェクトファイル \"%s\" のヘッダが異常").c_str(),
        fullName));
  }
  const uint32_t version = r.U32();
  if (version > L3D_EFFECT_DATA_VERSION_MAX) {
    r.Fail(lerrFormat(
        lerrText(u"[L3DEffectManager::_LoadData] エフェクトファイル \"%s\" のバージョンが異常")
            .c_str(),
        fullName));
  }
  if (version < L3D_EFFECT_DATA_VERSION_MIN) {
    r.Fail(lerrFormat(
        lerrText(u"[L3DEffectManager::_LoadData] エフェクトファイル \"%s\" のバージョンが古すぎる")
            .c_str(),
        fullName));
  }
  DataParser parser(r, fullName, prop, version);
  const uint32_t rootCount = r.Count(kMinRootBytes);
  dbtl::rcptr<L3D_EFFECT_ROOTDATA> roots;
  roots.Create(rootCount);
  for (uint32_t i = 0; i < rootCount; ++i) {
    L3D_EFFECT_ROOTDATA& root = roots[i];
    root.flags = r.U32();
    parser.Part(root.root, {i, -1});
    // The root part's own flags are stored but never take effect.
    root.root.flags = 0;
    root.childCount = r.Count(kMinPartBytes);
    root.children.Create(root.childCount);
    bool childKeyStop = false;
    for (uint32_t j = 0; j < root.childCount; ++j) {
      parser.Part(root.children[j], {i, static_cast<int32_t>(j)});
      if (root.children[j].flags & L3D_EFFECT_PART_KEYSTOP) childKeyStop = true;
    }
    root.flags &= ~L3D_EFFECT_ROOT_KEYED;
    if ((root.flags & (L3D_EFFECT_ROOT_FOLLOW | L3D_EFFECT_ROOT_KEYSTOP)) != 0 || childKeyStop) {
      root.flags |= L3D_EFFECT_ROOT_KEYED;
    }
  }
  data.rootCount = rootCount;
  data.roots = roots;
}

}  // namespace

Parsed<> l3dParseEffectData(L3D_EFFECT_DATA& data, const uint8_t* bytes, size_t size,
                            const char* fullName, const L3DEffectProp& prop) {
  data.rootCount = 0;
  data.roots.Reset();
  return parseCatching<std::monostate>([&] { parseData(data, bytes, size, fullName, prop); });
}

dbtl::rcptr<L3D_EFFECT_DATA> l3dLoadEffectData(uintptr_t nnid, int32_t pack, const char* name,
                                               const L3DEffectProp& prop) {
  dbtl::rcptr<L3D_EFFECT_DATA> data;
  data.Create(1);
  const std::string fileName = l3dEffectFileName(name);
  const std::string fullName = l3dEffectPackFileName(pack, name);
  data->nnid = nnid;
  data->pack = pack;
  const size_t kept = std::min<size_t>(fileName.size(), L3D_EFFECT_NAME_SIZE - 1);
  std::memcpy(data->name, fileName.data(), kept);
  data->name[kept] = '\0';
  lerrLog(3, "[L3DEffectManager::_LoadData] load data prop \"%s\"", fullName.c_str());
  if (!lfmIsPackDataExist(pack, fileName.c_str())) {
    lerrLog(3, "[L3DEffectManager::_LoadData] \"%s\" isn't exist", fullName.c_str());
    return data;
  }
  dbtl::DFile file;
  lfmOpenPackData(pack, file, fileName.c_str());
  const std::vector<uint8_t> bytes = l3dReadDescrambledRest(file);
  file.Close();
  lerrFatalIfFailed(l3dParseEffectData(*data, bytes.data(), bytes.size(), fullName.c_str(), prop));
  return data;
}
