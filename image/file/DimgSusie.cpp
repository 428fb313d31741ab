#include "image/file/DimgSusie.h"

#include "foundation/dbtl/Dpath.h"
#include "foundation/dbtl/Dstr.h"
#include "image/file/DimgFileIo.h"
#include "platform/kernel/ExecutablePath.h"
#include "platform/module/FileSearch.h"

namespace {

template <class Proc>
Proc entryPoint(const platform::Module& module, const char* name) {
  return reinterpret_cast<Proc>(module.symbol(name));
}

void logPlugin(const char* path, const char* outcome) {
  DimgDebugPrint({"[_DSusieInit] \"", path, outcome});
}

}  // namespace

dbtl::DList<_DSUSIEINFO>& DSusiePlugins() {
  static dbtl::DList<_DSUSIEINFO> plugins;
  return plugins;
}

void DSusieScan(const char* directory, const DSusieModuleLoader& load) {
  char pattern[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathMake(pattern, directory, "*", "spi");
  for (const platform::FoundFile& found : platform::findFiles(pattern)) {
    if (found.directory) continue;
    char path[dbtl::DPATH_BUFFER_SIZE];
    dbtl::DpathMake(path, directory, found.name.c_str(), "");
    std::unique_ptr<platform::Module> module = load(path);
    if (!module) continue;

    const auto getPluginInfo = entryPoint<DSusieGetPluginInfoProc>(*module, "GetPluginInfo");
    if (getPluginInfo == nullptr) {
      DimgDebugPrint({"[_DSusieInit] can't get \"GetPluginInfo\" in \"", path, "\"\n"});
      continue;
    }
    // One byte more than the plug-in is told, so that its answer is always terminated.
    char version[257] = {};
    if (getPluginInfo(0, version, 256) == 0 || dbtl::DstrCompareNoCase(version, "00IN") != 0) {
      logPlugin(path, "\": version error.\n");
      continue;
    }
    dbtl::rcptr<_DSUSIEINFO> info;
    info.Create(1);
    info->IsSupported = entryPoint<DSusieIsSupportedProc>(*module, "IsSupported");
    info->GetPictureInfo = entryPoint<DSusieGetPictureInfoProc>(*module, "GetPictureInfo");
    info->GetPicture = entryPoint<DSusieGetPictureProc>(*module, "GetPicture");
    if (info->IsSupported == nullptr || info->GetPictureInfo == nullptr ||
        info->GetPicture == nullptr) {
      logPlugin(path, "\": can't find functions.\n");
      continue;
    }
    info->module = std::move(module);
    DSusiePlugins().PushBack(info);
    logPlugin(path, "\": loaded.\n");
  }
}

void _DSusieInit() {
  char directory[dbtl::DPATH_BUFFER_SIZE];
  dbtl::DpathSplit(platform::executablePath().c_str(), directory, nullptr, nullptr);
  DSusieScan(directory, &platform::loadModule);
}

void _DSusieTerm() {
  dbtl::DList<_DSUSIEINFO>& plugins = DSusiePlugins();
  for (auto it = plugins.Begin(); !(it == plugins.End()); it = dbtl::DList<_DSUSIEINFO>::Next(it)) {
    dbtl::DList<_DSUSIEINFO>::Get(it)->module.reset();
  }
  plugins.Clear();
}
