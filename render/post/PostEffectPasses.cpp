#include "render/post/PostEffectPasses.h"

#include "render/device/L3DDevice.h"

#include <cmath>
#include <utility>

using namespace d3d9;

namespace {

using S = PostEffectShaders;

// A level takes part in a glow only from this alpha on.
constexpr float kMinimumAlpha = 0.003f;

// trunc(value x 255) mod 256, also for values outside 0..1; a value too large for an integer
// gives 0 rather than an undefined conversion.
uint32_t colourByte(float value) {
  const float scaled = value * 255.0f;
  if (!(std::fabs(scaled) < 9.0e18f)) return 0;
  return uint32_t(int64_t(scaled)) & 0xFFu;
}

}  // namespace

PostEffectPasses::PostEffectPasses(PostEffect& effect)
    : fx(effect), device(*effect.config_.device), W(effect.width_), H(effect.height_) {}

void PostEffectPasses::target(const Texture& texture) { device.SetRenderTarget(false, texture); }

void PostEffectPasses::vertexShader(uint32_t slot) {
  device.SetVShader(false, fx.shaders_.vertex[slot]->shader);
}

void PostEffectPasses::pixelShader(uint32_t slot) {
  device.SetPShader(fx.shaders_.pixel[slot]->shader);
}

void PostEffectPasses::noShaders() {
  device.SetVShader(device.IsSoftwareVP(), nullptr);
  device.SetPShader(nullptr);
}

void PostEffectPasses::setup2D() {
  device.ResetState();
  noShaders();
  device.SetFVF(POSTEFFECT_FVF);
  device.SetStateRender(D3DRS_ZENABLE, FALSE);
  device.SetStateRender(D3DRS_CULLMODE, D3DCULL_NONE);
  device.SetStateRender(D3DRS_MULTISAMPLEANTIALIAS, FALSE);
  for (uint32_t stage = 0; stage < 2; ++stage) {
    device.SetStateTexStage(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device.SetStateTexStage(stage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  }
}

void PostEffectPasses::drawQuad(float x, float y, float w, float h, const float r0[4],
                                const float r1[4], uint32_t colour) {
  const float tw = float(device.GetRenderTargetWidth());
  const float th = float(device.GetRenderTargetHeight());
  const float xl = (x - 0.5f) * 2.0f / tw - 1.0f;
  const float xr = (x + w - 0.5f) * 2.0f / tw - 1.0f;
  const float yt = 1.0f - (y - 0.5f) * 2.0f / th;
  const float yb = 1.0f - (y + h - 0.5f) * 2.0f / th;
  PostEffectVertex v[4] = {};
  const float px[4] = {xl, xl, xr, xr};
  const float py[4] = {yt, yb, yt, yb};
  const uint32_t u[4] = {0, 0, 2, 2};  // left or right of each rectangle
  const uint32_t t[4] = {1, 3, 1, 3};  // top or bottom
  for (uint32_t i = 0; i < 4; ++i) {
    v[i].x = px[i];
    v[i].y = py[i];
    v[i].z = 0.0f;
    v[i].colour = colour;
    v[i].uv[0][0] = r0[u[i]];
    v[i].uv[0][1] = r0[t[i]];
    v[i].uv[1][0] = r1[u[i]];
    v[i].uv[1][1] = r1[t[i]];
  }
  static constexpr uint16_t kIndices[6] = {0, 1, 2, 2, 1, 3};
  device.ApplyState();
  device.DrawIndexedPrimitiveUP(sizeof(PostEffectVertex), D3DPT_TRIANGLELIST, 4, 2, kIndices, v);
}

void PostEffectPasses::drawTexture(float x, float y, float w, float h, float sx, float sy,
                                   float sw, float sh, float grey, float alpha,
                                   const Texture& texture) {
  device.SetStateTexture(0, texture->texture);
  const float tw = float(texture->width);
  const float th = float(texture->height);
  const float r0[4] = {sx / tw, sy / th, (sx + sw) / tw, (sy + sh) / th};
  const float r1[4] = {};
  const uint32_t g = colourByte(grey);
  drawQuad(x, y, w, h, r0, r1, colourByte(alpha) << 24 | g << 16 | g << 8 | g);
}

void PostEffectPasses::drawTexture2(float x, float y, float w, float h, float sx, float sy,
                                    float sw, float sh, float grey, float alpha,
                                    const Texture& texture, float s2x, float s2y, float s2w,
                                    float s2h, const Texture& texture2) {
  device.SetStateTexture(0, texture->texture);
  device.SetStateTexture(1, texture2->texture);
  const float tw = float(texture->width);
  const float th = float(texture->height);
  const float t2w = float(texture2->width);
  const float t2h = float(texture2->height);
  const float r0[4] = {sx / tw, sy / th, (sx + sw) / tw, (sy + sh) / th};
  const float r1[4] = {s2x / t2w, s2y / t2h, (s2x + s2w) / t2w, (s2y + s2h) / t2h};
  const uint32_t g = colourByte(grey);
  drawQuad(x, y, w, h, r0, r1, colourByte(alpha) << 24 | g << 16 | g << 8 | g);
  device.SetStateTexture(1, nullptr);
}

void PostEffectPasses::passCopy(float x, float y, float w, float h, float sx, float sy,
                                float sw, float sh, const Texture& dst, const Texture& src) {
  target(dst);
  vertexShader(S::kThrough1);
  device.SetPShader(nullptr);
  drawTexture(x, y, w, h, sx, sy, sw, sh, 1.0f, 1.0f, src);
}

void PostEffectPasses::passBlend(float alpha, float x, float y, float w, float h, float sx,
                                 float sy, float sw, float sh, const Texture& dst,
                                 const Texture& src) {
  passBlended(D3DBLEND_INVSRCALPHA, alpha, x, y, w, h, sx, sy, sw, sh, dst, src);
}

void PostEffectPasses::passBlendTexAlpha(float alpha, float x, float y, float w, float h,
                                         float sx, float sy, float sw, float sh,
                                         const Texture& dst, const Texture& src) {
  device.SetStateTexStage(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  passBlend(alpha, x, y, w, h, sx, sy, sw, sh, dst, src);
  device.SetStateTexStage(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
}

void PostEffectPasses::passAdd(float alpha, float x, float y, float w, float h, float sx,
                               float sy, float sw, float sh, const Texture& dst,
                               const Texture& src) {
  passBlended(D3DBLEND_ONE, alpha, x, y, w, h, sx, sy, sw, sh, dst, src);
}

// The source drawn with its alpha over the target, which keeps (1 - alpha) of itself or all.
void PostEffectPasses::passBlended(uint32_t destBlend, float alpha, float x, float y, float w,
                                   float h, float sx, float sy, float sw, float sh,
                                   const Texture& dst, const Texture& src) {
  target(dst);
  vertexShader(S::kThrough1);
  device.SetPShader(nullptr);
  device.SetStateRender(D3DRS_ALPHABLENDENABLE, TRUE);
  device.SetStateRender(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device.SetStateRender(D3DRS_DESTBLEND, destBlend);
  drawTexture(x, y, w, h, sx, sy, sw, sh, 1.0f, alpha, src);
  device.SetStateRender(D3DRS_ALPHABLENDENABLE, FALSE);
}

void PostEffectPasses::passDown4(uint32_t shader, const float* pixelConstant, float x, float y,
                                 float w, float h, float sx, float sy, float sw, float sh,
                                 const Texture& dst, const Texture& src) {
  target(dst);
  vertexShader(S::kDown4);
  const float size[4] = {float(src->width), float(src->height), 0.0f, 0.0f};
  device.GetDevice()->SetVertexShaderConstantF(0, size, 1);
  pixelShader(shader);
  if (pixelConstant != nullptr) {
    const float c0[4] = {*pixelConstant, 0.0f, 0.0f, 0.0f};
    device.GetDevice()->SetPixelShaderConstantF(0, c0, 1);
  }
  drawTexture(x, y, w, h, sx, sy, sw, sh, 1.0f, 1.0f, src);
}

void PostEffectPasses::passColour(const PostEffectEntry& e, const Texture& dst,
                                  const Texture& src) {
  target(dst);
  vertexShader(S::kThrough1);
  IDirect3DDevice9* d3d = device.GetDevice();
  switch (e.type) {
    case POSTEFFECT_OVERLAY_COLOR:
      pixelShader(S::kOverlay);
      d3d->SetPixelShaderConstantF(0, e.colour, 1);
      d3d->SetPixelShaderConstantF(1, e.factor, 1);
      break;
    case POSTEFFECT_SOFTLIGHT_COLOR:
      pixelShader(S::kSoftlight);
      d3d->SetPixelShaderConstantF(0, e.colour, 1);
      break;
    default:
      pixelShader(S::kHardlight);
      d3d->SetPixelShaderConstantF(0, e.colour, 1);
      d3d->SetPixelShaderConstantF(1, e.factor, 1);
      d3d->SetPixelShaderConstantF(2, e.step, 1);
      break;
  }
  drawTexture(0, 0, W, H, 0, 0, W, H, 1.0f, 1.0f, src);
}

void PostEffectPasses::passZoomBlur(const PostEffectEntry& e, float x, float y, float w,
                                    float h, const Texture& dst, const Texture& src) {
  target(dst);
  vertexShader(S::kThrough1);
  pixelShader(S::kZoomBlur);
  const float c0[4] = {e.centerX, e.centerY, e.range, e.bias};
  const float c1[4] = {1.0f / w, 1.0f / h, e.phase, w / h};
  device.GetDevice()->SetPixelShaderConstantF(0, c0, 1);
  device.GetDevice()->SetPixelShaderConstantF(1, c1, 1);
  drawTexture(x, y, w, h, x, y, w, h, 1.0f, 1.0f, src);
}

void PostEffectPasses::passShimmer(const PostEffectEntry& e, const Texture& dst,
                                   const Texture& src) {
  target(dst);
  vertexShader(S::kThrough2);
  pixelShader(S::kShimmer);
  const float c0[4] = {e.powerX, e.powerY, 0.0f, 0.0f};
  device.GetDevice()->SetPixelShaderConstantF(0, c0, 1);
  device.SetStateSampler(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  device.SetStateSampler(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
  drawTexture2(0, 0, W, H, 0, 0, W, H, 1.0f, 1.0f, src, e.offsetX, e.offsetY, e.scaleX,
               e.scaleY, fx.noise_);
  device.SetStateSampler(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device.SetStateSampler(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

void PostEffectPasses::passDiffuse(float bias, const Texture& dst, const Texture& src,
                                   const Texture& glowTexture) {
  target(dst);
  vertexShader(S::kThrough2);
  pixelShader(S::kDiffuse);
  const float c0[4] = {bias, 0.0f, 0.0f, 0.0f};
  device.GetDevice()->SetPixelShaderConstantF(0, c0, 1);
  drawTexture2(0.5f, 0.5f, W, H, 0.5f, 0.5f, W, H, 1.0f, 1.0f, src, 1.125f, 1.125f, W / 4,
               H / 4, glowTexture);
}

void PostEffectPasses::passGauss(float x, float y, float w, float h, uint32_t level,
                                 const Texture& a, const Texture& b, const Texture& c) {
  device.SetStateSampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_BORDER);
  device.SetStateSampler(0, D3DSAMP_ADDRESSV, D3DTADDRESS_BORDER);
  device.SetStateSampler(0, D3DSAMP_BORDERCOLOR, 0);
  IDirect3DDevice9* d3d = device.GetDevice();
  const float cw = float(c->width);
  const float ch = float(c->height);

  target(a);
  vertexShader(S::kGaussX);
  const float vx[4] = {cw, 0.0f, 0.0f, 0.0f};
  d3d->SetVertexShaderConstantF(0, vx, 1);
  pixelShader(S::kGauss0 + level);
  const float px[4] = {16.0f / cw, 0.0f, 0.0f, 0.0f};
  d3d->SetPixelShaderConstantF(0, px, 1);
  drawTexture(x + 0.5f, y + 0.5f, w, h, x, y, w, h, 1.0f, 1.0f, c);

  target(b);
  vertexShader(S::kGaussY);
  const float vy[4] = {ch, 0.0f, 0.0f, 0.0f};
  d3d->SetVertexShaderConstantF(0, vy, 1);
  const float py[4] = {0.0f, 16.0f / ch, 0.0f, 0.0f};
  d3d->SetPixelShaderConstantF(0, py, 1);
  drawTexture(x + 0.5f, y + 0.5f, w, h, x, y, w, h, 1.0f, 1.0f, a);

  device.SetStateSampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  device.SetStateSampler(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

void PostEffectPasses::glow(const PostEffectEntry& e) {
  const Texture* w4 = fx.work4_;
  const Texture* w8 = fx.work8_;
  const Texture* w16 = fx.work16_;
  const Texture* w32 = fx.work32_;
  const float W4 = W / 4, H4 = H / 4, W8 = W / 8, H8 = H / 8;
  const float W16 = W / 16, H16 = H / 16, W32 = W / 32, H32 = H / 32;

  const uint32_t down = e.type == POSTEFFECT_BRIGHT    ? S::kBrightDown4
                        : e.type == POSTEFFECT_DIFFUSE ? S::kMulDown4
                                                       : S::kAlphaDown4;
  passDown4(down, e.type == POSTEFFECT_BRIGHT ? &e.bright : nullptr, 0.5f, 0.5f, W4, H4, 1, 1, W,
            H, w4[0], fx.scene_);
  passCopy(0.5f, 0.5f, W8, H8, 1, 1, W4, H4, w8[0], w4[0]);
  passCopy(0.5f, 0.5f, W16, H16, 1, 1, W8, H8, w16[0], w8[0]);
  passCopy(0.5f, 0.5f, W32, H32, 1, 1, W16, H16, w32[0], w16[0]);
  w16[2]->FillColor(0x00000000u);
  if (e.alpha[3] >= kMinimumAlpha) {
    passGauss(0, 0, W32, H32, e.gaussLevel[3], w32[1], w32[0], w32[0]);
    passAdd(e.alpha[3], 0.5f, 0.5f, W16, H16, 0.75f, 0.75f, W32, H32, w16[2], w32[0]);
  }
  if (e.alpha[2] >= kMinimumAlpha) {
    passGauss(0, 0, W16, H16, e.gaussLevel[2], w16[1], w16[0], w16[0]);
    passAdd(e.alpha[2], 0, 0, W16, H16, 0, 0, W16, H16, w16[2], w16[0]);
  }
  passCopy(0.5f, 0.5f, W8, H8, 0.75f, 0.75f, W16, H16, w8[2], w16[2]);
  if (e.alpha[1] >= kMinimumAlpha) {
    passGauss(0, 0, W8, H8, e.gaussLevel[1], w8[1], w8[0], w8[0]);
    passAdd(e.alpha[1], 0, 0, W8, H8, 0, 0, W8, H8, w8[2], w8[0]);
  }
  passCopy(0.5f, 0.5f, W4, H4, 0.75f, 0.75f, W8, H8, w4[2], w8[2]);
  if (e.alpha[0] >= kMinimumAlpha) {
    passGauss(0, 0, W4, H4, e.gaussLevel[0], w4[1], w4[0], w4[0]);
    passAdd(e.alpha[0], 0, 0, W4, H4, 0, 0, W4, H4, w4[2], w4[0]);
  }
  if (e.type == POSTEFFECT_DIFFUSE) {
    passDiffuse(e.bias, fx.copy_, fx.scene_, w4[2]);
    std::swap(fx.scene_, fx.copy_);
  } else {
    passAdd(1.0f, 0.5f, 0.5f, W, H, 1.125f, 1.125f, W4, H4, fx.scene_, w4[2]);
  }
}

void PostEffectPasses::run(PostEffectEntry& e) {
  switch (e.type) {
    case POSTEFFECT_BRIGHT:
    case POSTEFFECT_DIFFUSE:
    case POSTEFFECT_ALPHA:
      glow(e);
      break;
    case POSTEFFECT_OVERLAY_COLOR:
    case POSTEFFECT_SOFTLIGHT_COLOR:
    case POSTEFFECT_HARDLIGHT_COLOR:
      passColour(e, fx.copy_, fx.scene_);
      std::swap(fx.scene_, fx.copy_);
      break;
    case POSTEFFECT_ZOOM_BLUR: {
      const Texture* w4 = fx.work4_;
      const float W4 = W / 4, H4 = H / 4;
      passDown4(S::kDown4P, nullptr, 0.5f, 0.5f, W4, H4, 1, 1, W, H, w4[0], fx.scene_);
      passZoomBlur(e, 0, 0, W4, H4, w4[1], w4[0]);
      passZoomBlur(e, 0, 0, W4, H4, w4[2], w4[1]);
      passZoomBlur(e, 0, 0, W4, H4, w4[1], w4[2]);
      passZoomBlur(e, 0, 0, W4, H4, w4[2], w4[1]);
      passBlendTexAlpha(e.weight, 0.5f, 0.5f, W, H, 0.125f, 0.125f, W4, H4, fx.scene_, w4[2]);
      break;
    }
    case POSTEFFECT_SHIMMER:
      passShimmer(e, fx.copy_, fx.scene_);
      passBlend(e.blendAlpha, 0, 0, W, H, 0, 0, W, H, fx.scene_, fx.copy_);
      break;
    default:
      break;
  }
}
