#include "net/controller/ReplayFile.h"

#include "foundation/file/File.h"

void replayCreate(File& file, const char16_t* path, const ReplayHeader& header) {
  file.create(path, OMB_FILE_MODE_WRITE, OMB_FILE_OPEN_CREATE);
  file.writeU32(header.version);
  file.writeU32(header.seed);
}

ReplayHeader replayOpen(File& file, const char16_t* path) {
  file.create(path, OMB_FILE_MODE_READ_DISK, 0);
  ReplayHeader header;
  header.version = file.readU32();
  header.seed = file.readU32();
  return header;
}
