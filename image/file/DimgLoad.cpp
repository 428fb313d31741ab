#include "image/file/DimgLoad.h"

#include "image/file/DimgFileIo.h"

bool DimgLoad(dbtl::DFile& file, dbtl::DImage& image) {
  if (DimgLoadBmp(image, file) || DimgLoadPng(file, image) || DimgLoadJpeg(image, file) ||
      DimgLoadSusie(image, file)) {
    return true;
  }
  DimgDebugPrint({"[DimgLoad] \"", file.GetPath(), "\": Load Error\n"});
  return false;
}
