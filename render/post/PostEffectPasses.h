#pragma once

// The image operations of PostEffect::apply: the rectangle drawer, the passes that each bind a
// target, shaders and constants and draw one textured rectangle, the separable blur and the
// sequence of passes of each effect type. Rectangles are in pixels of the target (destination)
// and texels of the source texture (source).

#include "render/post/PostEffect.h"

class L3DDevice;

struct PostEffectPasses {
  explicit PostEffectPasses(PostEffect& effect);

  using Texture = dbtl::rcptr<L3DTexture>;

  void setup2D();
  void drawQuad(float x, float y, float w, float h, const float rect0[4], const float rect1[4],
                uint32_t colour);
  void drawTexture(float x, float y, float w, float h, float sx, float sy, float sw, float sh,
                   float grey, float alpha, const Texture& texture);
  void drawTexture2(float x, float y, float w, float h, float sx, float sy, float sw, float sh,
                    float grey, float alpha, const Texture& texture, float s2x, float s2y,
                    float s2w, float s2h, const Texture& texture2);

  // Passes: destination x, y, w, h; source sx, sy, sw, sh; target (empty: the back buffer);
  // source texture.
  void passCopy(float x, float y, float w, float h, float sx, float sy, float sw, float sh,
                const Texture& target, const Texture& source);
  void passBlend(float alpha, float x, float y, float w, float h, float sx, float sy, float sw,
                 float sh, const Texture& target, const Texture& source);
  void passBlendTexAlpha(float alpha, float x, float y, float w, float h, float sx, float sy,
                         float sw, float sh, const Texture& target, const Texture& source);
  void passAdd(float alpha, float x, float y, float w, float h, float sx, float sy, float sw,
               float sh, const Texture& target, const Texture& source);
  // Down-sampling by four with one of the down4 pixel shaders (and c0.x for the bright pass).
  void passDown4(uint32_t pixelShader, const float* pixelConstant, float x, float y, float w,
                 float h, float sx, float sy, float sw, float sh, const Texture& target,
                 const Texture& source);
  void passColour(const PostEffectEntry& e, const Texture& target, const Texture& source);
  void passZoomBlur(const PostEffectEntry& e, float x, float y, float w, float h,
                    const Texture& target, const Texture& source);
  void passShimmer(const PostEffectEntry& e, const Texture& target, const Texture& source);
  void passDiffuse(float bias, const Texture& target, const Texture& source,
                   const Texture& glow);
  void passGauss(float x, float y, float w, float h, uint32_t level, const Texture& a,
                 const Texture& b, const Texture& c);

  // The glow chain (bright, alpha and diffuse entries) and the other effect types.
  void glow(const PostEffectEntry& e);
  void run(PostEffectEntry& e);

 private:
  void passBlended(uint32_t destBlend, float alpha, float x, float y, float w, float h, float sx,
                   float sy, float sw, float sh, const Texture& target, const Texture& source);
  void target(const Texture& texture);
  void vertexShader(uint32_t slot);
  void pixelShader(uint32_t slot);
  void noShaders();

  PostEffect& fx;
  L3DDevice& device;
  float W, H;
};
