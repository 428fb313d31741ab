#include "host/settings/ombVideo.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombFormat.h"
#include "host/settings/ombMswConfig.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace d3d9;

namespace {

bool ready = false;
IDirect3D9* direct3D = nullptr;

constexpr DWORD kDevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_HWRASTERIZATION;
constexpr DWORD kMiscCaps =
    D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
// An ini value that matches no display entry, so a missing key makes the saved choice invalid.
constexpr int32_t kMissing = 12345;

bool is32BitClass(D3DFORMAT f) {
  return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_A2R10G10B10;
}

bool accepts(IDirect3D9* d, UINT adapter, D3DFORMAT display, DWORD usage, D3DRESOURCETYPE type,
             D3DFORMAT format) {
  return d->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, display, usage, type, format) == D3D_OK;
}

D3DFORMAT displayFormat(IDirect3D9* d, UINT adapter, int32_t mode) {
  if (mode == CONFIG_MODE_FULL32 || mode == CONFIG_MODE_FULL16) {
    const D3DFORMAT candidates[2][2] = {{D3DFMT_A2R10G10B10, D3DFMT_X8R8G8B8},
                                        {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}};
    for (const D3DFORMAT f : candidates[mode]) {
      if (d->CheckDeviceType(adapter, D3DDEVTYPE_HAL, f, f, FALSE) == D3D_OK) return f;
    }
  } else if (mode == CONFIG_MODE_WINDOW) {
    D3DDISPLAYMODE current{};
    if (d->GetAdapterDisplayMode(adapter, &current) == D3D_OK &&
        d->CheckDeviceType(adapter, D3DDEVTYPE_HAL, current.Format, current.Format, TRUE) ==
            D3D_OK) {
      return current.Format;
    }
  }
  return D3DFMT_UNKNOWN;
}

D3DFORMAT textureFormat(IDirect3D9* d, UINT adapter, D3DFORMAT display) {
  if (is32BitClass(display)) {
    return accepts(d, adapter, display, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8) ? D3DFMT_A8R8G8B8
                                                                              : D3DFMT_UNKNOWN;
  }
  for (const D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}) {
    if (accepts(d, adapter, display, 0, D3DRTYPE_TEXTURE, f)) return f;
  }
  return D3DFMT_UNKNOWN;
}

D3DFORMAT alphaTextureFormat(IDirect3D9* d, UINT adapter, D3DFORMAT display) {
  const D3DFORMAT f = is32BitClass(display) ? D3DFMT_A8R8G8B8 : D3DFMT_A4R4G4B4;
  return accepts(d, adapter, display, 0, D3DRTYPE_TEXTURE, f) ? f : D3DFMT_UNKNOWN;
}

bool adapterUsable(IDirect3D9* d, UINT adapter, const OMB_VIDEO_TABLE& table) {
  if (adapter >= d->GetAdapterCount()) return false;
  D3DCAPS9 caps{};
  if (d->GetDeviceCaps(adapter, D3DDEVTYPE_HAL, &caps) != D3D_OK) return false;
  if ((caps.DevCaps & kDevCaps) != kDevCaps) return false;
  if ((caps.PrimitiveMiscCaps & kMiscCaps) != kMiscCaps) return false;
  return table.minimumTexture == 0 ||
         (caps.MaxTextureWidth >= table.minimumTexture &&
          caps.MaxTextureHeight >= table.minimumTexture);
}

bool hasMode(IDirect3D9* d, UINT adapter, D3DFORMAT format, int32_t width, int32_t height) {
  const UINT count = d->GetAdapterModeCount(adapter, format);
  for (UINT i = 0; i < count; ++i) {
    D3DDISPLAYMODE mode{};
    if (d->EnumAdapterModes(adapter, format, i, &mode) == D3D_OK &&
        static_cast<int32_t>(mode.Width) == width && static_cast<int32_t>(mode.Height) == height) {
      return true;
    }
  }
  return false;
}

bool compressionPossible(IDirect3D9* d, UINT adapter, D3DFORMAT display) {
  return accepts(d, adapter, display, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT1) ||
         accepts(d, adapter, display, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5);
}

void guidWords(IDirect3D9* d, UINT adapter, uint32_t (&words)[4]) {
  D3DADAPTER_IDENTIFIER9 id{};
  d->GetAdapterIdentifier(adapter, 0, &id);
  static_assert(sizeof id.DeviceIdentifier == sizeof words);
  std::memcpy(words, &id.DeviceIdentifier, sizeof words);
}

std::u16string readString(const std::u16string& section, const char16_t* key,
                          const std::string& path) {
  char16_t text[128];
  platform::getPrivateProfileString(section, key, u"", text, 128, path);
  return text;
}

std::u16string number(int64_t value) { return platform::utf8ToUtf16(std::to_string(value)); }

void warnInvalid() {
  ombLogPrintf(OMB_LOG_WARNING,
               u"Warning: [%s] 有効なビデオの設定が見つかりません。\r\nデフォルトの設定を使用します。",
               "loadSetting");
}

D3DFORMAT depthFormat(IDirect3D9* d, UINT adapter, D3DFORMAT display) {
  for (const D3DFORMAT f : {D3DFMT_D32, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D24X8, D3DFMT_D16}) {
    if (accepts(d, adapter, display, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, f) &&
        d->CheckDepthStencilMatch(adapter, D3DDEVTYPE_HAL, display, display, f) == D3D_OK) {
      return f;
    }
  }
  return D3DFMT_UNKNOWN;
}

// Whether anti-aliasing index i (i + 1 samples) is offered for the entry on the adapter.
bool multisampleOffered(IDirect3D9* d, UINT adapter, int32_t mode, int32_t index) {
  if (index < 1 || index > 15) return false;
  const D3DFORMAT display = displayFormat(d, adapter, mode);
  if (display == D3DFMT_UNKNOWN) return false;
  const D3DFORMAT depth = depthFormat(d, adapter, display);
  if (depth == D3DFMT_UNKNOWN) return false;
  const BOOL windowed = mode == CONFIG_MODE_WINDOW ? TRUE : FALSE;
  const auto samples = static_cast<D3DMULTISAMPLE_TYPE>(index + 1);
  return d->CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, display, windowed, samples,
                                       nullptr) == D3D_OK &&
         d->CheckDeviceMultiSampleType(adapter, D3DDEVTYPE_HAL, depth, windowed, samples,
                                       nullptr) == D3D_OK;
}

bool sameEntry(const ConfigDisplaySettings& s, const ConfigDisplayEntry& e) {
  return s.mode == e.mode && s.width == e.width && s.height == e.height;
}

class VideoPage final : public OmbMswConfigPlugin {
 public:
  VideoPage(ConfigDisplaySettings* settings, const OMB_VIDEO_TABLE& table)
      : settings_(settings), table_(table) {}

  const char16_t* label() const override { return u"ビデオ"; }

  void init(bool useDefaults) override {
    if (!direct3D) {
      ombLogPrintf(OMB_LOG_WARNING,
                   u"Warning: [%s] 使用可能なDirect3D9が見つかりません。\r\n"
                   u"最新のDirectXをインストールしてください。",
                   "pluginOnInit");
      return;
    }
    const int32_t gap = ombMswConfigUnit() * 4 / 8;
    adapterLabel_ = _ombMswConfigAddLabel(this, 1, u"使用するビデオカード");
    adapterCombo_ = _ombMswConfigAddCombo(this);
    layout.currentY += gap;
    resolutionLabel_ = _ombMswConfigAddLabel(this, 1, u"使用する解像度");
    resolutionCombo_ = _ombMswConfigAddCombo(this);
    layout.currentY += gap;
    if (table_.multisample) {
      multisampleLabel_ = _ombMswConfigAddLabel(this, 1, u"アンチエイリアシングのレベル");
      multisampleCombo_ = _ombMswConfigAddCombo(this);
      layout.currentY += gap;
    }
    checks_[0] = _ombMswConfigAddCheck(this, u"テクスチャの圧縮を行う");
    checks_[1] = _ombMswConfigAddCheck(this, u"フリップを行わない");
    checks_[2] = _ombMswConfigAddCheck(this, u"互換モードでレンダリング");
    D3DADAPTER_IDENTIFIER9 id{};
    for (UINT a = 0; a < direct3D->GetAdapterCount(); ++a) {
      ConfigDisplayEntry e;
      if (!ombVideoGetUsableEntry(direct3D, a, table_, 0, e)) continue;
      direct3D->GetAdapterIdentifier(a, 0, &id);
      _ombMswConfigComboAdd(platform::utf8ToUtf16(id.Description), adapterCombo_, a);
    }
    if (useDefaults) {
      ombVideoDefaultSetting(direct3D, table_, *settings_);
    } else {
      ombVideoLoadSetting(*settings_, table_, iniPath, section);
    }
    initialised_ = true;
  }

  void end(bool confirmed) override {
    if (confirmed && initialised_) save();
  }

  void show() override {
    if (!initialised_) return;
    const bool valid = settings_->flags & CONFIG_DISPLAY_VALID;
    for (dlg::Control* c : controls()) {
      c->visible = true;
      c->enabled = valid;
    }
    if (!valid) return;
    _ombMswConfigComboSelectData(adapterCombo_, settings_->adapter);
    adapterChanged();
    for (int i = 0; i < 3; ++i) checks_[i]->checked = settings_->flags & kCheckFlags[i];
  }

  void hide() override {
    for (dlg::Control* c : controls()) c->visible = false;
  }

  bool ownsLabel(const dlg::Control* c) const override {
    return c && (c == adapterLabel_ || c == resolutionLabel_ || c == multisampleLabel_ ||
                 c == checks_[0] || c == checks_[1] || c == checks_[2]);
  }

  void command(dlg::Event event, dlg::Control* c) override {
    if (!initialised_ || !c) return;
    for (int i = 0; i < 3; ++i) {
      if (c == checks_[i] && event == dlg::Event::Click) {
        settings_->flags ^= kCheckFlags[i];
        checks_[i]->checked = settings_->flags & kCheckFlags[i];
      }
    }
    if (event != dlg::Event::SelectionChange) return;
    if (c == adapterCombo_) adapterChanged();
    if (c == resolutionCombo_) resolutionChanged();
    if (c == multisampleCombo_) {
      settings_->multisample = static_cast<int32_t>(_ombMswConfigComboGetData(multisampleCombo_));
    }
  }

  std::u16string report() const override;

 private:
  static constexpr uint32_t kCheckFlags[3] = {CONFIG_DISPLAY_COMPRESS, CONFIG_DISPLAY_NO_FLIP,
                                              CONFIG_DISPLAY_COMPATIBLE};

  std::vector<dlg::Control*> controls() const {
    std::vector<dlg::Control*> all{adapterLabel_, adapterCombo_, resolutionLabel_,
                                   resolutionCombo_, multisampleLabel_, multisampleCombo_,
                                   checks_[0], checks_[1], checks_[2]};
    std::erase(all, nullptr);
    return all;
  }

  void adapterChanged() {
    const auto adapter = static_cast<UINT>(_ombMswConfigComboGetData(adapterCombo_));
    resolutionCombo_->items.clear();
    resolutionCombo_->selection = -1;
    ConfigDisplayEntry e;
    int32_t match = -1;
    for (uint32_t n = 0; ombVideoGetUsableEntry(direct3D, adapter, table_, n, e); ++n) {
      char16_t text[64];
      if (e.mode == CONFIG_MODE_WINDOW) {
        ombStrPrintf(text, 64, u"Window %dx%d", e.width, e.height);
      } else {
        ombStrPrintf(text, 64, u"Fullscreen %dbpp %dx%d", e.mode == CONFIG_MODE_FULL32 ? 32 : 16,
                     e.width, e.height);
      }
      const int32_t item = _ombMswConfigComboAdd(text, resolutionCombo_, n);
      if (match < 0 && sameEntry(*settings_, e)) match = item;
    }
    if (adapter == settings_->adapter) {
      resolutionCombo_->selection = match < 0 ? 0 : match;
    } else {
      resolutionCombo_->selection = 0;
      settings_->adapter = adapter;
    }
    resolutionChanged();
  }

  void resolutionChanged() {
    const UINT adapter = settings_->adapter;
    ConfigDisplayEntry e;
    const auto n = static_cast<uint32_t>(_ombMswConfigComboGetData(resolutionCombo_));
    if (!ombVideoGetUsableEntry(direct3D, adapter, table_, n, e)) return;
    if (!sameEntry(*settings_, e) || settings_->fourth != e.fourth) settings_->multisample = 0;
    settings_->mode = e.mode;
    settings_->width = e.width;
    settings_->height = e.height;
    settings_->fourth = e.fourth;
    if (table_.multisample) {
      multisampleCombo_->items.clear();
      _ombMswConfigComboAdd(u"なし", multisampleCombo_, 0);
      for (int32_t i = 1; i <= 15; ++i) {
        if (!multisampleOffered(direct3D, adapter, e.mode, i)) continue;
        char16_t text[32];
        ombStrPrintf(text, 32, u"%d samples", i + 1);
        _ombMswConfigComboAdd(text, multisampleCombo_, i);
      }
      multisampleCombo_->selection = 0;
      _ombMswConfigComboSelectData(multisampleCombo_, settings_->multisample);
    } else {
      settings_->multisample = 0;
    }
    checks_[0]->enabled =
        compressionPossible(direct3D, adapter, displayFormat(direct3D, adapter, e.mode));
  }

  void save() const {
    const std::string& path = iniPath;
    platform::writePrivateProfileString(section, u"videoGuid", u"", path);
    const ConfigDisplaySettings& s = *settings_;
    if (!direct3D || !(s.flags & CONFIG_DISPLAY_VALID)) return;
    uint32_t guid[4];
    guidWords(direct3D, s.adapter, guid);
    uint32_t sameBefore = 0;
    for (UINT a = 0; a < s.adapter; ++a) {
      uint32_t other[4];
      guidWords(direct3D, a, other);
      if (std::memcmp(guid, other, sizeof guid) == 0) ++sameBefore;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%x_%x_%x_%x", guid[0], guid[1], guid[2], guid[3]);
    platform::writePrivateProfileString(section, u"videoGuid", platform::utf8ToUtf16(text), path);
    platform::writePrivateProfileString(section, u"videoNo", number(sameBefore), path);
    platform::writePrivateProfileString(section, u"videoColor", number(s.mode), path);
    platform::writePrivateProfileString(section, u"videoWidth", number(s.width), path);
    platform::writePrivateProfileString(section, u"videoHeight", number(s.height), path);
    platform::writePrivateProfileString(section, u"videoMultisample",
                                        number(static_cast<uint32_t>(s.multisample)), path);
    platform::writePrivateProfileString(section, u"videoCompress",
                                        number((s.flags & CONFIG_DISPLAY_COMPRESS) ? 1 : 0), path);
    platform::writePrivateProfileString(section, u"videoNoFlip",
                                        number((s.flags & CONFIG_DISPLAY_NO_FLIP) ? 1 : 0), path);
    platform::writePrivateProfileString(
        section, u"videoCompatible", number((s.flags & CONFIG_DISPLAY_COMPATIBLE) ? 1 : 0), path);
  }

  ConfigDisplaySettings* settings_;
  OMB_VIDEO_TABLE table_;
  bool initialised_ = false;
  dlg::Control* adapterLabel_ = nullptr;
  dlg::Control* adapterCombo_ = nullptr;
  dlg::Control* resolutionLabel_ = nullptr;
  dlg::Control* resolutionCombo_ = nullptr;
  dlg::Control* multisampleLabel_ = nullptr;
  dlg::Control* multisampleCombo_ = nullptr;
  dlg::Control* checks_[3] = {};
};

std::u16string VideoPage::report() const {
  if (!direct3D) return u"-----\r\nVideo Setting\r\n  Direct3D9が見つかりません。\r\n\r\n";
  if (!initialised_) return u"-----\r\nVideo Setting\r\n  初期化に失敗しました。\r\n\r\n";
  const ConfigDisplaySettings& s = *settings_;
  if (!(s.flags & CONFIG_DISPLAY_VALID)) {
    return u"-----\r\nVideo Setting\r\n  有効なグラフィックチップが見つかりません。\r\n\r\n";
  }
  D3DADAPTER_IDENTIFIER9 id{};
  direct3D->GetAdapterIdentifier(s.adapter, 0, &id);
  D3DCAPS9 caps{};
  direct3D->GetDeviceCaps(s.adapter, D3DDEVTYPE_HAL, &caps);
  const auto version = static_cast<uint64_t>(id.DriverVersion);
  const uint32_t high = static_cast<uint32_t>(version >> 32);
  const uint32_t low = static_cast<uint32_t>(version);
  const D3DFORMAT display = displayFormat(direct3D, s.adapter, s.mode);
  const bool full = s.mode == CONFIG_MODE_FULL32 || s.mode == CONFIG_MODE_FULL16;
  const int32_t bits = s.mode == CONFIG_MODE_FULL32 ? 32 : s.mode == CONFIG_MODE_FULL16 ? 16 : 0;
  auto yesNo = [](bool b) { return b ? u"Yes" : u"No"; };
  auto available = [](bool b) { return b ? u"Available" : u"Not available"; };
  char16_t text[1024];
  ombStrPrintf(text, 1024,
               u"-----\r\nVideo Setting\r\n  Adaptor: %s(%d.%d.%d.%d)\r\n  Color: %d(%ls)\r\n"
               u"  Res: %d x %d\r\n  Multisample: %d\r\n  Compress: %ls(%ls)\r\n"
               u"  NoFlip: %ls\r\n  Vshader: %ls\r\n  Pshader: %ls\r\n  Compatible: %ls\r\n\r\n",
               id.Description, static_cast<int32_t>(high >> 16),
               static_cast<int32_t>(high & 0xFFFF), static_cast<int32_t>(low >> 16),
               static_cast<int32_t>(low & 0xFFFF), bits, full ? u"Fullscreen" : u"Windowed",
               s.width, s.height, s.multisample ? s.multisample + 1 : 0,
               yesNo(s.flags & CONFIG_DISPLAY_COMPRESS),
               available(compressionPossible(direct3D, s.adapter, display)),
               yesNo(s.flags & CONFIG_DISPLAY_NO_FLIP),
               available(caps.VertexShaderVersion > 0xFFFE01FFu),
               available(caps.PixelShaderVersion >= 0xFFFF0200u),
               yesNo(s.flags & CONFIG_DISPLAY_COMPATIBLE));
  return text;
}

}  // namespace

void ombVideoInit() {
  if (ready) return;
  ready = true;
  direct3D = Direct3DCreate9(D3D_SDK_VERSION);
  ombRegisterUninit(ombVideoUninit);
}

void ombVideoUninit() {
  if (!ready) return;
  ready = false;
  safeRelease(direct3D);
}

IDirect3D9* ombVideoGetDirect3D() { return direct3D; }

void ombVideoAddConfigPlugin(ConfigDisplaySettings* settings, OMB_MSW_CONFIG* dialog,
                             const OMB_VIDEO_TABLE& table) {
  *settings = {};
  dialog->pages.push_back(std::make_unique<VideoPage>(settings, table));
}

bool ombVideoGetUsableEntry(IDirect3D9* d, uint32_t adapter, const OMB_VIDEO_TABLE& table,
                            uint32_t n, ConfigDisplayEntry& out) {
  if (!d || !adapterUsable(d, adapter, table)) return false;
  uint32_t found = 0;
  for (uint32_t i = 0; i < table.count; ++i) {
    const ConfigDisplayEntry& e = table.entries[i];
    const D3DFORMAT display = displayFormat(d, adapter, e.mode);
    if (display == D3DFMT_UNKNOWN || textureFormat(d, adapter, display) == D3DFMT_UNKNOWN ||
        alphaTextureFormat(d, adapter, display) == D3DFMT_UNKNOWN) {
      continue;
    }
    if (e.mode != CONFIG_MODE_WINDOW && !hasMode(d, adapter, display, e.width, e.height)) continue;
    if (found++ == n) {
      out = e;
      return true;
    }
  }
  return false;
}

void ombVideoDefaultSetting(IDirect3D9* d, const OMB_VIDEO_TABLE& table,
                            ConfigDisplaySettings& s) {
  s.flags = 0;
  s.multisample = 0;
  if (!d) return;
  for (UINT a = 0; a < d->GetAdapterCount(); ++a) {
    ConfigDisplayEntry e;
    if (ombVideoGetUsableEntry(d, a, table, 0, e)) {
      s.adapter = a;
      s.mode = e.mode;
      s.width = e.width;
      s.height = e.height;
      s.fourth = e.fourth;
      s.flags = CONFIG_DISPLAY_VALID;
      return;
    }
  }
}

void ombVideoLoadSetting(ConfigDisplaySettings& s, const OMB_VIDEO_TABLE& table,
                         const std::string& path, const std::u16string& section) {
  if (!direct3D) return;
  const std::u16string guidText = readString(section, u"videoGuid", path);
  uint32_t guid[4];
  bool found = false;
  UINT adapter = 0;
  if (!guidText.empty() && std::sscanf(platform::utf16ToUtf8(guidText).c_str(), "%x_%x_%x_%x",
                                       &guid[0], &guid[1], &guid[2], &guid[3]) == 4) {
    int32_t skip = platform::getPrivateProfileInt(section, u"videoNo", 0, path);
    for (UINT a = 0; a < direct3D->GetAdapterCount() && !found; ++a) {
      uint32_t words[4];
      guidWords(direct3D, a, words);
      if (std::memcmp(words, guid, sizeof guid) != 0) continue;
      if (skip-- == 0) {
        adapter = a;
        found = true;
      }
    }
  }
  if (found) {
    const int32_t mode = platform::getPrivateProfileInt(section, u"videoColor", kMissing, path);
    const int32_t width = platform::getPrivateProfileInt(section, u"videoWidth", kMissing, path);
    const int32_t height = platform::getPrivateProfileInt(section, u"videoHeight", kMissing, path);
    ConfigDisplayEntry e;
    for (uint32_t n = 0; ombVideoGetUsableEntry(direct3D, adapter, table, n, e); ++n) {
      if (e.mode != mode || e.width != width || e.height != height) continue;
      s.adapter = adapter;
      s.mode = e.mode;
      s.width = e.width;
      s.height = e.height;
      s.fourth = e.fourth;
      // A saved level the device does not offer for this entry (another card, or a number that
      // names no sample count) would make the device creation fail; it reads as none.
      const int32_t multisample =
          table.multisample ? platform::getPrivateProfileInt(section, u"videoMultisample", 0, path)
                            : 0;
      s.multisample = multisampleOffered(direct3D, adapter, e.mode, multisample) ? multisample : 0;
      s.flags = CONFIG_DISPLAY_VALID;
      if (platform::getPrivateProfileInt(section, u"videoCompress", 0, path)) {
        s.flags |= CONFIG_DISPLAY_COMPRESS;
      }
      if (platform::getPrivateProfileInt(section, u"videoNoFlip", 0, path)) {
        s.flags |= CONFIG_DISPLAY_NO_FLIP;
      }
      if (platform::getPrivateProfileInt(section, u"videoCompatible", 0, path)) {
        s.flags |= CONFIG_DISPLAY_COMPATIBLE;
      }
      return;
    }
  }
  warnInvalid();
  ombVideoDefaultSetting(direct3D, table, s);
}
