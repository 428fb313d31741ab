#pragma once

// The in-memory tables of the effect files: what the effect definition file ("EFSD") gives the
// effects to draw with, and the effects of one effect data file ("EFDT").

#include "foundation/dbtl/rcptr.h"
#include "render/device/L3DTexture.h"
#include "sound/se/LSeManager.h"

#include <cstdint>
#include <cstring>

// Blend modes of an image: every texture row carries one batch key per mode.
constexpr uint32_t L3D_EFFECT_BLEND_COUNT = 12;

// Model numbers -7 .. -1 name the drawing code's built-in shapes.
constexpr int32_t L3D_EFFECT_BUILTIN_MODELS = 7;

// One image as stored: a rectangle of a texture with a pivot, a colour factor and a blend mode.
struct L3D_EFFECT_IMAGE {
  uint32_t texture;  // row of the texture table
  float u0, v0, u1, v1;
  float cx, cy;  // pivot: the quad spans x = -cx .. 1 - cx and y = cy .. cy - 1
  uint32_t unused[2];
  float color[4];  // R, G, B, A factor
  uint32_t blend;  // 0 .. L3D_EFFECT_BLEND_COUNT - 1
};
static_assert(sizeof(L3D_EFFECT_IMAGE) == 56, "image records are read as stored");

// One vertex of an effect model; s and t are fractions of the drawing image's rectangle.
struct L3D_EFFECT_MODELVERTEX {
  float x, y, z;
  float color[4];
  float s, t;
};
static_assert(sizeof(L3D_EFFECT_MODELVERTEX) == 36, "model vertices are read as stored");

struct L3D_EFFECT_MODEL {
  uint32_t vertexCount = 0;
  dbtl::rcptr<L3D_EFFECT_MODELVERTEX> vertices;
  uint32_t indexCount = 0;
  dbtl::rcptr<uint16_t> indices;
};

// Draw batches and depth-sorted elements are told apart by the address of their key, so the
// keys live in the texture rows and are never copied.
struct L3D_EFFECT_BATCHKEY {
  uint32_t blend = 0;
  d3d9::IDirect3DTexture9* texture = nullptr;
};

struct L3D_EFFECT_TEXTURE {
  dbtl::rcptr<L3DTexture> texture;
  L3D_EFFECT_BATCHKEY keys[L3D_EFFECT_BLEND_COUNT];
};

// The tables of one effect definition. Empty tables (counts 0) when the file is missing.
struct L3DEffectProp {
  uint32_t textureCount = 0;
  dbtl::rcptr<L3D_EFFECT_TEXTURE> textures;
  uint32_t imageCount = 0;
  dbtl::rcptr<L3D_EFFECT_IMAGE> images;
  uint32_t modelCount = 0;
  dbtl::rcptr<L3D_EFFECT_MODEL> models;

  // The batch key of an image; the load has checked that its texture and blend mode exist.
  const L3D_EFFECT_BATCHKEY& BatchKey(const L3D_EFFECT_IMAGE& image) const {
    return textures[image.texture].keys[image.blend];
  }
};

// One event of a part's timeline. Words 2 .. 10 hold a float or an integer by kind (see
// L3DEffectEventRead.h); words a kind does not use stay 0.
struct L3D_EFFECT_EVENT {
  int32_t frame = 0;
  uint32_t kind = 0;
  uint32_t words[9] = {};

  uint32_t U(uint32_t word) const { return words[word - 2]; }
  int32_t I(uint32_t word) const { return static_cast<int32_t>(words[word - 2]); }
  float F(uint32_t word) const {
    float value;
    std::memcpy(&value, &words[word - 2], sizeof value);
    return value;
  }
  void SetU(uint32_t word, uint32_t value) { words[word - 2] = value; }
  void SetF(uint32_t word, float value) { std::memcpy(&words[word - 2], &value, sizeof value); }
};
static_assert(sizeof(L3D_EFFECT_EVENT) == 44, "eleven words");

// Part flags.
constexpr uint32_t L3D_EFFECT_PART_FOLLOW = 0x1;    // follows the root part every frame
constexpr uint32_t L3D_EFFECT_PART_KEYSTOP = 0x2;   // removed by a stop of the root's key
// Root flags.
constexpr uint32_t L3D_EFFECT_ROOT_FOLLOW = 0x1;    // follows its object every frame
constexpr uint32_t L3D_EFFECT_ROOT_KEYSTOP = 0x2;   // removed at once by a stop of its key
constexpr uint32_t L3D_EFFECT_ROOT_KEYED = 0x10000;  // computed: registered under its key

struct L3D_EFFECT_PARTDATA {
  uint32_t flags = 0;
  uint32_t eventCount = 0;
  dbtl::rcptr<L3D_EFFECT_EVENT> events;  // ascending frame
};

struct L3D_EFFECT_ROOTDATA {
  uint32_t flags = 0;
  L3D_EFFECT_PARTDATA root;  // its flags are always 0
  uint32_t childCount = 0;
  dbtl::rcptr<L3D_EFFECT_PARTDATA> children;
};

constexpr uint32_t L3D_EFFECT_NAME_SIZE = 264;

// The effects of one effect data file, loaded for one resource name.
struct L3D_EFFECT_DATA {
  // The resource name it was loaded for: the renderer's names are addresses, so the number is
  // pointer-sized and never narrowed.
  uintptr_t nnid = 0;
  int32_t pack = 0;
  char name[L3D_EFFECT_NAME_SIZE] = {};
  LSeGroupList seGroups;  // filled by the manager after the load
  uint32_t rootCount = 0;
  dbtl::rcptr<L3D_EFFECT_ROOTDATA> roots;
};
