#pragma once

// Adapter profiles: what the stand-in reports about the machine's graphics adapters (their
// capabilities, identifiers, display modes and the formats they accept). The runtime's main road
// runs on the default profile; tests pick other profiles to take the other roads of the device
// set-up, by name through D3D9_PROFILE or selectProfile, or by building a SystemProfile in code.

#include "platform/d3d9/D3d9Types.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace d3d9 {

struct FormatPair {
  D3DFORMAT display;
  D3DFORMAT back;
};

// A format the adapter takes as the given resource type, with the usages it allows.
struct FormatSupport {
  D3DFORMAT format;
  D3DRESOURCETYPE type;
  DWORD usages;
};

struct AdapterProfile {
  D3DADAPTER_IDENTIFIER9 identifier{};
  D3DCAPS9 caps{};
  D3DDISPLAYMODE desktop{};
  std::vector<D3DDISPLAYMODE> modes;             // full-screen modes, any display format
  std::vector<FormatPair> fullscreenPairs;       // display and back-buffer formats, full screen
  std::vector<FormatPair> windowedPairs;         // the same in a window
  std::vector<FormatSupport> formats;            // textures, surfaces and depth-stencil formats
  uint32_t maxSamples = 0;                       // largest multisample count, 0 for none
  DWORD sampleQualityLevels = 1;                 // quality levels reported for each count
  bool refuseMixedVertexProcessing = false;      // CreateDevice fails with mixed processing
  bool refuseFullscreenDevice = false;           // CreateDevice fails in full screen
  bool refuseWindowedDevice = false;             // CreateDevice fails in a window
  // Draws are checked and answered as on the full device, and recorded in the call log, but
  // draw nothing: the targets keep their pixels. Resources and states are kept as usual, so
  // the caller's own processor time can be measured without the software raster.
  bool nullRaster = false;
};

struct SystemProfile {
  std::string name;
  bool direct3dAvailable = true;  // false: the global creation call answers null
  std::vector<AdapterProfile> adapters;
  uint32_t pitchPadding = 0;      // bytes added to every locked row to expose pitch mistakes
};

// Names of the built-in profiles, in the order the profile tool lists them.
std::vector<std::string> profileNames();

// A built-in profile by spec: "name" or "name,pad=N". Empty for an unknown name or option.
std::optional<SystemProfile> profileBySpec(std::string_view spec);

// Chooses the profile for the next Direct3DCreate9; an empty spec returns to the environment.
// False (and nothing changed) for an unknown spec.
bool selectProfile(std::string_view spec);

// The profile Direct3DCreate9 uses now: the selected one, else D3D9_PROFILE, else "default".
// Empty when D3D9_PROFILE names no profile.
std::optional<SystemProfile> currentProfile();

}  // namespace d3d9
