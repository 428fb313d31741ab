#pragma once

#include "engines/rond/Contact.h"
#include "foundation/dbtl/rcptr.h"
#include "model/load/Da3dObject.h"
#include "model/math/FixedPoint.h"
#include "render/L3DRendererVertex.h"
#include "script/ScriptObject.h"

#include <cstdint>

class L3DTexture;
struct ScriptThread;

namespace rond {

class Engine;

// The arena: the start places of both slots, the move and bullet boxes, the light and fog the
// match is drawn with, the drop shadow under each player, the stage model (when the stage
// directory has one) with its "start" animation, and the stage script, which sets all of these
// through the stage table. The frame counter counts the frames the stage advanced, which
// quiescence holds.
class Stage {
 public:
  Stage();
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // Drops the script, model and shadow texture, sets the defaults, loads the model and starts
  // the script "main" of the directory.
  void reset(Engine* engine, const char16_t* directory);
  // The stage script, then one frame of the stage animation.
  void step();
  void draw();
  // Switches the renderer's fog on with the stage's linear fog, or off.
  void applyFog();

  // The renderer's fog scale and offset for the stage's linear fog (the factor is
  // depth x scale + offset, 1 at the start and 0 at the end); false when fog is off.
  bool fogFactors(float& scale, float& offset) const;
  // Linear fog from start to end; an end equal to the start (a zero-width range) is refused
  // with a warning and leaves the fog as it was.
  void setFogLinear(float start, float end);
  // Nothing for an empty name; otherwise the texture from the stage directory and its
  // rectangle in the texture.
  void setShadowTexture(const char16_t* name, float left, float top, float right, float bottom);
  void setShadowColour(float r, float g, float b, float a);
  bool hasShadowTexture() const;
  // The side of the shadow square under a player at that position (world units).
  float shadowSize(const FixedVec3& position) const;
  // The four corners of the shadow under a player, in the quad's vertex order.
  void shadowQuad(const FixedVec3& position, L3D_RENDERER_VERTEX out[4]) const;
  // Registers the shadow under the player in the renderer's depth-sorted list.
  void drawShadow(const FixedVec3& position);

  const char16_t* directory() const { return directory_; }

  FixedVec3 startPosition[2];
  int32_t startAngle[2];
  Box moveBox;
  Box bulletBox;
  float lightDirection[3];
  float lightColour[4];
  float ambientColour[4];
  int32_t fogEnabled;
  float fogStart;
  float fogEnd;
  float fogColour[4];
  L3D_RENDERER_VERTEX shadowVertices[4];
  float shadowOffset;
  float shadowScaleBase;
  float shadowScaleRate;
  float shadowScaleCut;
  uint32_t frame = 0;

 private:
  void setDefaults();

  Engine* engine_ = nullptr;
  const char16_t* directory_ = nullptr;
  Da3dObject model_;
  ScriptThread* thread_ = nullptr;
  dbtl::rcptr<L3DTexture> shadowTexture_;
};

// The natives of the stage table (StageNatives.cpp).
void registerStageApi(const ScriptObject& table);

}  // namespace rond
