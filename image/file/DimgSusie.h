#pragma once

#include "foundation/dbtl/DList.h"
#include "platform/module/LocalMemory.h"
#include "platform/module/Module.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Susie image plug-ins: modules with the extension "spi" beside the executable that read
// picture formats of their own. The program calls them through these entry points.
//
// The plug-ins that exist are 32-bit Windows modules, which the module loader of this platform
// cannot load, so on this platform the scan finds none and DimgLoadSusie never succeeds. The
// layer is complete all the same: a module of this platform that exports the entry points
// below is used as a plug-in.

// GetPluginInfo (information number, buffer, buffer length) → characters written; number 0
// gives the interface version, "00IN" for image plug-ins.
using DSusieGetPluginInfoProc = int32_t (*)(int32_t number, char* buffer, int32_t length);
// IsSupported (file name, address of the file's first 4096 bytes, zero-filled after a shorter
// file) → non-zero when the plug-in reads the data.
using DSusieIsSupportedProc = int32_t (*)(const char* fileName, const void* header);
// Must exist; never called.
using DSusieGetPictureInfoProc = int32_t (*)(const char* data, int32_t length, uint32_t flag,
                                             void* pictureInfo);
// GetPicture (data, length, flag 1 = data in memory, bitmap information handle out, pixel
// handle out, progress callback, user value) → 0 on success. The handles hold a Windows
// bitmap information block (header and colour table) and the pixel rows; the caller frees
// both.
using DSusieGetPictureProc = int32_t (*)(const char* data, int32_t length, uint32_t flag,
                                         platform::LocalHandle* info,
                                         platform::LocalHandle* pixels, void* progress,
                                         int32_t user);

// One loaded plug-in; the module stays loaded while the entry is listed.
struct _DSUSIEINFO {
  std::unique_ptr<platform::Module> module;
  DSusieIsSupportedProc IsSupported = nullptr;
  DSusieGetPictureInfoProc GetPictureInfo = nullptr;
  DSusieGetPictureProc GetPicture = nullptr;
};

// The loaded plug-ins, in the order in which the scan found them. Built and torn down while
// only the game thread exists; not locked.
dbtl::DList<_DSUSIEINFO>& DSusiePlugins();

// Loads every usable plug-in beside the executable (see DSusieScan), logging each.
void _DSusieInit();
// Unloads every listed plug-in in list order and empties the list.
void _DSusieTerm();

using DSusieModuleLoader = std::function<std::unique_ptr<platform::Module>(const std::string& path)>;

// The scan behind _DSusieInit, over the directory (ending with '/') and with the given loader:
// for every file "*.spi" (directories skipped), in name order, a module that loads, answers
// "00IN" to GetPluginInfo (0) and exports IsSupported, GetPictureInfo and GetPicture is added
// to the list; the others are unloaded. Modules that do not load are skipped silently.
void DSusieScan(const char* directory, const DSusieModuleLoader& load);
