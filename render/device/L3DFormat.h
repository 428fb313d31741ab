#pragma once

// The 3D library's table of surface formats and the questions asked of the adapter about them
// (display modes, back buffers, depth buffers, compressed textures). Every query takes a list
// index of the adapter list (l3dInit.h), not an adapter ordinal; an index at or beyond the
// list's count answers false.

#include "platform/d3d9/D3d9Types.h"

#include <cstdint>

struct L3D_FORMAT_INFO {
  d3d9::D3DFORMAT format;
  uint32_t colorBits;
  uint32_t depthBits;
  uint32_t stencilBits;
  bool display;
  d3d9::D3DFORMAT back;  // display rows only
  const char* name;      // empty on the row that ends the table
};

// The table, ended by a row with an empty name.
const L3D_FORMAT_INFO* l3dFormatTable();

// A display format and the back-buffer format paired with it.
struct L3DDisplayFormats {
  d3d9::D3DFORMAT display = d3d9::D3DFMT_UNKNOWN;
  d3d9::D3DFORMAT back = d3d9::D3DFMT_UNKNOWN;
};

bool l3dHasFormatBits(uint32_t bits, d3d9::D3DFORMAT format);
bool l3dCanUseDesktopWindowed(uint32_t adapter);
// bits 0: the desktop format in a window; otherwise a full-screen mode of exactly width x
// height at that colour depth.
bool l3dFindDisplayMode(uint32_t adapter, uint32_t bits, uint32_t width, uint32_t height,
                        L3DDisplayFormats& out);
bool l3dFindWindowBackFormat(uint32_t adapter, d3d9::D3DFORMAT display, d3d9::D3DFORMAT& back);
bool l3dCanUseCompressedTextures(uint32_t adapter, uint32_t bits, uint32_t width,
                                 uint32_t height);
// Depth formats of at least 24 bits only.
bool l3dFindDepthFormat(uint32_t adapter, uint32_t bits, uint32_t width, uint32_t height,
                        d3d9::D3DFORMAT& depth);
// "unknown" for a format without a row.
const char* l3dGetFormatName(d3d9::D3DFORMAT format);

// The image kind of a texture format (the table of texture formats the device chooses from);
// false for any other format.
bool l3dFormatKind(d3d9::D3DFORMAT format, uint32_t& kind);
