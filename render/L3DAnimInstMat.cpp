#include "render/L3DAnimInstMat.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/text/l3dText.h"
#include "platform/text/Cp932LeadByte.h"
#include "render/L3DRenderer.h"

namespace {

// Selector and texture names are copied into buffers of this size (263 characters and a
// terminator) before use, as the scanner unquotes them.
constexpr uint32_t kNameBytes = 264;

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Equal without regard to the case of ASCII letters; a double-byte character is compared as it
// is, so its trail byte is never taken for a letter.
bool namesEqualFolded(const char* a, const char* b) {
  while (*a != '\0' && *b != '\0') {
    if (platform::cp932IsLeadByte(static_cast<unsigned char>(*a)) && a[1] != '\0') {
      if (a[0] != b[0] || a[1] != b[1]) return false;
      a += 2;
      b += 2;
      continue;
    }
    if (foldAscii(*a) != foldAscii(*b)) return false;
    ++a;
    ++b;
  }
  return *a == *b;
}

bool selectorMatches(const L3DPoolRef& selector, const char* name) {
  if (selector.text == nullptr || selector.length == 0) return true;
  char buffer[kNameBytes];
  l3dTextCopyToken(buffer, sizeof buffer, selector.text, selector.length);
  return namesEqualFolded(buffer, name != nullptr ? name : "");
}

dbtl::rcptr<L3DTexture> resolveName(L3DMaterialTextures& textures, const L3DPoolRef& name) {
  char buffer[kNameBytes];
  l3dTextCopyToken(buffer, sizeof buffer, name.text, name.length);
  return textures.Resolve(buffer, false);
}

}  // namespace

bool L3D_ANIMINST_MAT::Create(L3D_ANIMINST_MAT& material,
                              dbtl::DList<L3D_RENDERER_SHADEROPT>& options,
                              L3DMaterialTextures& textures, const char* mainTexture,
                              const char* firstName, const char* secondName) {
  dbtl::rcptr<L3D_RENDERER_SHADEROPT> option;
  for (auto it = options.Begin(); it != options.End(); it = dbtl::DListBase::Next(it)) {
    dbtl::rcptr<L3D_RENDERER_SHADEROPT> candidate = dbtl::DList<L3D_RENDERER_SHADEROPT>::Get(it);
    if (!selectorMatches(candidate->partName, firstName)) continue;
    if (!selectorMatches(candidate->materialName, secondName)) continue;
    option = candidate;
    break;
  }
  if (!option) return false;

  material.option = option;
  const bool resolve = textures.CanResolve();
  material.texture = resolve ? textures.Resolve(mainTexture, true) : dbtl::rcptr<L3DTexture>();
  material.texture2.Reset();
  material.texture3.Reset();
  auto extra = [&](const L3DPoolRef& name) {
    return resolve ? resolveName(textures, name) : dbtl::rcptr<L3DTexture>();
  };
  switch (option->kind) {
    case L3D_SHADER_NORMAL:
      break;
    case L3D_SHADER_HIGHLIGHT:
      material.texture2 = extra(l3dShaderOptAs<L3D_RENDERER_SHADEROPT_HIGHLIGHT>(*option).texture);
      break;
    case L3D_SHADER_FURLIGHT:
      material.texture2 = extra(l3dShaderOptAs<L3D_RENDERER_SHADEROPT_FURLIGHT>(*option).texture);
      break;
    case L3D_SHADER_TEXLIGHT:
      material.texture2 = extra(l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXLIGHT>(*option).texture);
      break;
    case L3D_SHADER_TEXHIGHLIGHT: {
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXHIGHLIGHT>(*option);
      material.texture2 = extra(o.texture);
      material.texture3 = extra(o.texture2);
      break;
    }
    case L3D_SHADER_TEXFURLIGHT: {
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_TEXFURLIGHT>(*option);
      material.texture2 = extra(o.texture);
      material.texture3 = extra(o.texture2);
      break;
    }
    case L3D_SHADER_MAP3: {
      auto& o = l3dShaderOptAs<L3D_RENDERER_SHADEROPT_MAP3>(*option);
      material.texture2 = extra(o.texture);
      material.texture3 = extra(o.texture2);
      break;
    }
    default:
      lerrFatal(lerrText(u"[L3D_ANIMINST_MAT::Create] 認識できないシェーダタイプ(%d)").c_str(),
                int(option->kind));
  }
  return true;
}

void L3D_ANIMINST_MAT::CreateDefault(L3D_ANIMINST_MAT& material, L3DRenderer& renderer) {
  material.option = dbtl::rcptr<L3D_RENDERER_SHADEROPT>::Borrow(&renderer.GetDefaultOption());
  material.texture.Reset();
  material.texture2.Reset();
  material.texture3.Reset();
}

void l3dShaderOptMismatch(uint32_t kind) {
  lerrFatal("[L3D_RENDERER_SHADEROPT] option of kind %d is not of that kind's class", int(kind));
}
