#include "foundation/omb/file/ombFileArchive.h"

#include "foundation/omb/file/ombFileArchiveIndex.h"
#include "foundation/omb/file/ombFileModule.h"
#include "foundation/omb/text/ombString.h"

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kEntryBuckets = 256;

// One registered archive. The link comes first: the archive list uses node offset 0.
struct OmbArchive {
  OMB_LIST_LINK link{};
  OMB_FILE* file = nullptr;  // open (disk only, scrambled) for the archive's lifetime
  std::vector<OmbArchiveEntryInfo> entries;  // names lower-cased; keys of the table
  OMB_HASH table{};
};

OMB_LIST& archives() {
  return ombFileState().archives;
}

// The archive's descrambled bytes through its scrambled view.
class ViewReader : public OmbArchiveReader {
 public:
  explicit ViewReader(OMB_FILE* file) : file_(file) {}
  bool read(void* destination, std::size_t n) override {
    auto* bytes = static_cast<uint8_t*>(destination);
    while (n > 0) {
      const auto chunk = static_cast<uint32_t>(n < UINT32_MAX ? n : UINT32_MAX);
      uint32_t got = 0;
      if (ombFileRead(&got, bytes, chunk, file_) < 0 || got != chunk) {
        return false;
      }
      bytes += got;
      n -= got;
    }
    return true;
  }

 private:
  OMB_FILE* file_;
};

void releaseArchive(OmbArchive* archive) {
  ombHashUninit(&archive->table);
  ombFileClose(archive->file);
  delete archive;
}

const OmbArchiveEntryInfo* find(OmbArchive* archive, const char16_t* lowered) {
  return static_cast<const OmbArchiveEntryInfo*>(ombHashFind(&archive->table, lowered));
}

bool isDirectoryPath(const char16_t* path) {
  const uint32_t length = ombStrLength(path);
  return length > 0 && path[length - 1] == u'/';
}

}  // namespace

int32_t ombFileRegistPack(const char16_t* path) {
  // Archives are expected on disk: an entry of an earlier archive must not stand in for a later
  // archive file, whose entry offsets are offsets in its own file.
  OMB_FILE* file = ombFileOpen(OMB_FILE_MODE_READ_DISK, path, OMB_FILE_OPEN_SCRAMBLED);
  if (!file) {
    return OMB_ERR_NOT_FOUND;
  }
  // Until the archive is complete it owns nothing: a failure (or an exception from the heap)
  // closes the file and frees what was read.
  std::unique_ptr<OMB_FILE, decltype(&ombFileClose)> owned(file, &ombFileClose);
  auto archive = std::make_unique<OmbArchive>();
  uint64_t size = 0;
  ViewReader reader(file);
  if (ombFileGetSize(&size, file) < 0 || ombArchiveReadIndex(reader, size, &archive->entries) < 0) {
    return OMB_ERR_IO;
  }
  ombHashInit(&archive->table, kEntryBuckets, nullptr);
  for (OmbArchiveEntryInfo& entry : archive->entries) {
    ombStrToLower(entry.name.data());
    // A name already present keeps its first entry.
    if (ombHashInsert(&archive->table, entry.name.c_str(), &entry) == OMB_ERR_CREATE) {
      ombHashUninit(&archive->table);
      return OMB_ERR_IO;
    }
  }
  archive->file = owned.release();
  platform::RecursiveMutexHold hold(ombFileLock());
  ombListAppend(&archives(), &archive.release()->link);
  return OMB_OK;
}

void _ombFileArchiveListInit() {
  ombListInit(&archives(), 0);
}

void _ombFileUnregisterPacks() {
  platform::RecursiveMutexHold hold(ombFileLock());
  while (auto* archive = static_cast<OmbArchive*>(ombListGetFirst(&archives()))) {
    ombListRemove(&archives(), &archive->link);
    releaseArchive(archive);
  }
}

OMB_FILE* _ombFileArchiveOpen(const char16_t* lowered, uint32_t flags,
                              OmbFileOpenFailure* failure) {
  if (isDirectoryPath(lowered)) {
    return nullptr;
  }
  OMB_LIST& list = archives();
  for (OMB_LIST_LINK* link = list.head.next; link != &list.head; link = link->next) {
    auto* archive = static_cast<OmbArchive*>(ombListElement(&list, link));
    const OmbArchiveEntryInfo* entry = find(archive, lowered);
    if (!entry) {
      continue;
    }
    OMB_FILE* view = _ombFileOpenView(archive->file->handle, entry->offset, entry->size,
                                      flags | OMB_FILE_OPEN_SCRAMBLED, failure);
    if (view) {
      view->name = entry->name.c_str();
      return view;
    }
  }
  return nullptr;
}

bool _ombFileArchiveContains(const char16_t* lowered) {
  if (isDirectoryPath(lowered)) {
    return false;
  }
  OMB_LIST& list = archives();
  for (OMB_LIST_LINK* link = list.head.next; link != &list.head; link = link->next) {
    if (find(static_cast<OmbArchive*>(ombListElement(&list, link)), lowered)) {
      return true;
    }
  }
  return false;
}
