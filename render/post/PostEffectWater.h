#pragma once

// The refracting water surface of a field map: its parameters (one record a post effect), the
// mesh made from the map's water model, and the model's material records as the host's loader
// hands them over.

#include "foundation/dbtl/rcptr.h"
#include "render/device/L3DTexture.h"
#include "render/post/PostEffect.h"

#include <cstdint>
#include <vector>

struct PostEffectWaterNoise {
  dbtl::rcptr<L3DTexture> texture;
  float scaleX = 0.0f, scaleY = 0.0f;  // 1 / size
  float speedX = 0.0f, speedY = 0.0f;
  float offsetX = 0.0f, offsetY = 0.0f;
};

struct PostEffectWater {
  float powerRedX = 0.0f, powerRedY = 0.0f;
  float powerGreenX = 0.0f, powerGreenY = 0.0f;
  float powerBlueX = 0.0f, powerBlueY = 0.0f;
  float brightMin = 0.0f;
  float brightScale = 0.0f;  // 1 / (brightMax - brightMin), or 0 when brightMin >= brightMax
  PostEffectWaterNoise noise[2];
  int32_t handle = 0;  // the script's handle, made on first request

  // Noise 1, then noise 0.
  void release();
};

// One material record of the water model, its point entries already resolved by the loader
// (position, the part's colour and texture coordinates) and its indices as stored: 32-bit
// numbers of the record's own points.
struct PostEffectWaterRecord {
  std::vector<PostEffectVertex> vertices;
  std::vector<uint32_t> indices;
};

// Every material record of every part, in list order.
struct PostEffectWaterModel {
  std::vector<PostEffectWaterRecord> records;
};

struct PostEffectWaterMesh {
  uint32_t vertexCount = 0;
  PostEffectVertex* source = nullptr;
  PostEffectVertex* drawn = nullptr;
  uint32_t indexCount = 0;
  uint16_t* indices = nullptr;
};

// The mesh of a model: the records' vertices one after the other, each record's indices moved
// past the vertices of the records before it. An index at or past its record's vertex count,
// or a mesh past the reach of 16-bit indices, is a level-0 error.
PostEffectWaterMesh* postEffectBuildWaterMesh(const PostEffectWaterModel& model);
