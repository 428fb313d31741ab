// The three record lists that the object and each animation carry: shader options, texture
// areas and events, each naming its texts in the owner's name pool.

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "model/L3DHandles.h"
#include "model/L3DObjectData.h"
#include "model/file/L3DModelReader.h"

namespace {

// Kind 3 has the fewest kind fields: one name reference and one float.
constexpr uint64_t kMinShaderBytes = 4 + 16 + 24 + 1 + 4 + 16;
constexpr uint64_t kTexAreaBytes = 64;
constexpr uint64_t kMinEventBytes = 12;

void readFloats(L3DModelReader& r, float* out, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) out[i] = r.F32();
}

template <class T>
void readColours(L3DModelReader& r, T& option) {
  readFloats(r, option.colourA, 4);
  readFloats(r, option.colourB, 4);
}

dbtl::rcptr<L3D_RENDERER_SHADEROPT> readShaderKind(uint32_t kind, L3DModelReader& r,
                                                   const L3DPool& pool) {
  switch (kind) {
    case L3D_SHADER_NORMAL: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_NORMAL>();
      readColours(r, *o);
      return o;
    }
    case L3D_SHADER_HIGHLIGHT: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_HIGHLIGHT>();
      readColours(r, *o);
      o->texture = r.PoolRef(pool);
      o->parameter = r.F32();
      return o;
    }
    case L3D_SHADER_FURLIGHT: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_FURLIGHT>();
      readColours(r, *o);
      o->texture = r.PoolRef(pool);
      o->parameter = r.F32();
      readFloats(r, o->direction, 3);
      return o;
    }
    case L3D_SHADER_TEXLIGHT: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_TEXLIGHT>();
      o->texture = r.PoolRef(pool);
      o->parameter = r.F32();
      return o;
    }
    case L3D_SHADER_TEXHIGHLIGHT: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>();
      o->texture = r.PoolRef(pool);
      o->parameter = r.F32();
      o->texture2 = r.PoolRef(pool);
      o->parameter2 = r.F32();
      return o;
    }
    case L3D_SHADER_TEXFURLIGHT: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>();
      o->texture = r.PoolRef(pool);
      o->parameter = r.F32();
      o->texture2 = r.PoolRef(pool);
      o->parameter2 = r.F32();
      readFloats(r, o->direction, 3);
      return o;
    }
    case L3D_SHADER_MAP3: {
      auto o = l3dNewObject<L3D_RENDERER_SHADEROPT_MAP3>();
      readColours(r, *o);
      o->texture = r.PoolRef(pool);
      o->texture2 = r.PoolRef(pool);
      return o;
    }
    default:
      r.Fail(lerrFormat(lerrText(u"[L3DObjectData::_LoadShader] 未対応のシェーダタイプ(%d)").c_str(),
                        static_cast<int>(kind)));
  }
}

dbtl::rcptr<L3D_OBJDATA_EVENT> readEventFields(uint32_t type, L3DModelReader& r,
                                               const L3DPool& pool, uint32_t version) {
  switch (type) {
    case L3D_EVENT_TEXSET: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_TEXSET>();
      e->sourceArea = r.PoolRef(pool);
      e->targetArea = r.PoolRef(pool);
      return e;
    }
    case L3D_EVENT_SE: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_SE>();
      if (version >= 9) e->groupIndex = r.U32();
      e->soundNumber = r.U32();
      if (version >= 13) {
        e->choiceCount = r.Count(4);
        e->choices.Create(e->choiceCount);
        for (uint32_t i = 0; i < e->choiceCount; ++i) e->choices[i] = r.U32();
      }
      e->partName = r.PoolRef(pool);
      e->boneName = r.PoolRef(pool);
      return e;
    }
    case L3D_EVENT_SYSTEM_EFFECT:
    case L3D_EVENT_EFFECT: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_EFFECT>();
      e->effectNumber = r.U32();
      e->partName = r.PoolRef(pool);
      e->boneName = r.PoolRef(pool);
      e->position = r.Vec3();
      e->rotation = r.Quat();
      e->scale = r.Vec3();
      e->tag = r.PoolRef(pool);
      if (version >= 10) {
        e->partName2 = r.PoolRef(pool);
        e->boneName2 = r.PoolRef(pool);
      }
      if (version >= 11) {
        e->partName3 = r.PoolRef(pool);
        e->boneName3 = r.PoolRef(pool);
      }
      e->life = version >= 12 ? r.U32() : 0xFFFFFFFFu;
      return e;
    }
    case L3D_EVENT_SETCOLL: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_SETCOLL>();
      e->groupName = r.PoolRef(pool);
      e->value = r.U32();
      return e;
    }
    case L3D_EVENT_GOFRAME: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_GOFRAME>();
      e->targetFrame = r.U32();
      return e;
    }
    case L3D_EVENT_TEXANIM: {
      auto e = l3dNewObject<L3D_OBJDATA_EVENT_TEXANIM>();
      e->partName = r.PoolRef(pool);
      e->materialName = r.PoolRef(pool);
      e->waveOn = r.U8();
      e->ampU = r.F32();
      e->ampV = r.F32();
      e->heightScaled = r.U8();
      e->baseU = r.F32();
      e->baseV = r.F32();
      e->periodU = r.U32();
      e->periodV = r.U32();
      e->scrollOn = r.U8();
      e->speedU = r.F32();
      e->speedV = r.F32();
      e->limitU = r.F32();
      e->limitV = r.F32();
      return e;
    }
    default:
      r.Fail(lerrFormat(lerrText(u"[L3DObjectData::_LoadEvent] 未対応のイベントタイプ(%d)").c_str(),
                        static_cast<int>(type)));
  }
}

}  // namespace

void L3DObjectData::_LoadShader(dbtl::DList<L3D_RENDERER_SHADEROPT>& list, L3DModelReader& r,
                                const L3DPool& pool, uint32_t version) {
  l3dCheckVersion(version, "L3DObjectData::_LoadShader", r);
  list.Clear();
  const uint32_t count = r.Count(kMinShaderBytes);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t kind = r.U32();
    dbtl::rcptr<L3D_RENDERER_SHADEROPT> option = readShaderKind(kind, r, pool);
    option->kind = kind;
    option->partName = r.PoolRef(pool);
    option->materialName = r.PoolRef(pool);
    // Old files kept the blend mode as a switch in one byte.
    option->blendMode = version >= 3 ? r.U32() : (r.U8() != 0 ? 1u : 0u);
    option->edgeWidth = r.F32();
    readFloats(r, option->edgeColour, 4);
    option->addressMode = version >= 14 ? r.U32() : 0;
    list.PushBack(option);
  }
}

void L3DObjectData::_LoadTexArea(dbtl::DList<L3D_OBJDATA_TEXAREA>& list, L3DModelReader& r,
                                 const L3DPool& pool, uint32_t version) {
  l3dCheckVersion(version, "L3DObjectData::_LoadTexArea", r);
  l3dReadArray(list, r.Count(kTexAreaBytes), [&](L3D_OBJDATA_TEXAREA& a) {
    a.areaName = r.PoolRef(pool);
    a.partName = r.PoolRef(pool);
    a.materialName = r.PoolRef(pool);
    a.textureName = r.PoolRef(pool);
    a.left = r.F32();
    a.top = r.F32();
    a.width = r.F32();
    a.height = r.F32();
  });
}

void L3DObjectData::_LoadEvent(dbtl::DList<L3D_OBJDATA_EVENT>& list, L3DModelReader& r,
                               const L3DPool& pool, uint32_t version) {
  l3dCheckVersion(version, "L3DObjectData::_LoadEvent", r);
  list.Clear();
  const uint32_t count = r.Count(kMinEventBytes);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t type = r.U32();
    dbtl::rcptr<L3D_OBJDATA_EVENT> event = readEventFields(type, r, pool, version);
    event->type = type;
    event->frame = r.U32();
    list.PushBack(event);
  }
}
