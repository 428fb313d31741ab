#pragma once

#include "host/config/ConfigRecords.h"
#include "platform/d3d9/Direct3D9.h"

#include <cstdint>
#include <string>

struct OMB_MSW_CONFIG;

// The video module: the process's one Direct3D object (the 3D library uses it too), and the
// video settings page: which adapter and display entry the game uses, with anti-aliasing and
// three switches, kept in the settings file.

// The display-mode table the host offers.
struct OMB_VIDEO_TABLE {
  const ConfigDisplayEntry* entries = nullptr;
  uint32_t count = 0;
  uint32_t minimumTexture = 0;  // an adapter must take textures this wide and high (0: any)
  bool multisample = false;     // whether the anti-aliasing choice is offered
};

// Once: the Direct3D object (null when the system has none); ombVideoUninit registered with
// atexit.
void ombVideoInit();
void ombVideoUninit();
d3d9::IDirect3D9* ombVideoGetDirect3D();

// Adds the video page to the dialog; zeroes the settings.
void ombVideoAddConfigPlugin(ConfigDisplaySettings* settings, OMB_MSW_CONFIG* dialog,
                             const OMB_VIDEO_TABLE& table);

// The n-th (from 0) entry of the table that the adapter can show: the adapter must have the
// capabilities the renderer needs and the table's texture size; the entry needs a display
// format, a texture and an alpha texture format, and, full screen, a mode of exactly its size.
bool ombVideoGetUsableEntry(d3d9::IDirect3D9* direct3d, uint32_t adapter,
                            const OMB_VIDEO_TABLE& table, uint32_t n, ConfigDisplayEntry& entry);
// The first adapter with a usable entry 0 and that entry, valid; invalid (flags 0) when no
// adapter has one.
void ombVideoDefaultSetting(d3d9::IDirect3D9* direct3d, const OMB_VIDEO_TABLE& table,
                            ConfigDisplaySettings& settings);
// The saved choice from the section ("videoGuid", "videoNo", "videoColor", "videoWidth",
// "videoHeight", "videoMultisample", "videoCompress", "videoNoFlip", "videoCompatible"); a
// choice that no longer matches the hardware gives the level-1 warning and the defaults.
void ombVideoLoadSetting(ConfigDisplaySettings& settings, const OMB_VIDEO_TABLE& table,
                         const std::string& iniPath, const std::u16string& section);
