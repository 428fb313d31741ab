#include "foundation/omb/file/ombFileModule.h"

#include "foundation/omb/file/ombFileArchive.h"
#include "foundation/omb/file/ombFileHandle.h"
#include "foundation/omb/file/ombPathState.h"
#include "foundation/omb/ombCore.h"

namespace {

constexpr uint32_t kHandleBuckets = 256;
constexpr uint32_t kRecordsPerChunk = 16;

OMB_CRITICAL_SECTION fileLock;
OmbFileState state;

// Closes every record of the handle; the last one moves the handle to the free list.
void closeRecords(OMB_FILE_HANDLE* handle) {
  while (auto* file = static_cast<OMB_FILE*>(ombListGetFirst(&handle->records))) {
    ombFileClose(file);
  }
}

}  // namespace

OMB_CRITICAL_SECTION& ombFileLock() {
  return fileLock;
}

OmbFileState& ombFileState() {
  return state;
}

void ombFileInit() {
  ombInitCriticalSection(&fileLock);
  bool ready = false;
  {
    platform::RecursiveMutexHold hold(fileLock);
    ombHashInit(&state.handles, kHandleBuckets, nullptr);
    ombListInit(&state.openHandles, 0);
    ombListInit(&state.freeHandles, 0);
    ombMempoolInit(&state.records, kRecordsPerChunk, sizeof(OMB_FILE), OMB_MEMPOOL_GROW);
    _ombFileArchiveListInit();
    ready = ombPathStateInit();
  }
  if (!ready) {
    ombReportInitFailure();
  }
}

void ombFileUninit() {
  _ombFileUnregisterPacks();
  {
    platform::RecursiveMutexHold hold(fileLock);
    while (auto* handle = static_cast<OMB_FILE_HANDLE*>(ombListGetFirst(&state.openHandles))) {
      closeRecords(handle);
    }
    ombMempoolUninit(&state.records);
    while (auto* handle = static_cast<OMB_FILE_HANDLE*>(ombListGetFirst(&state.freeHandles))) {
      ombListRemove(&state.freeHandles, &handle->link);
      delete handle;
    }
    ombHashUninit(&state.handles);
    ombPathStateUninit();
  }
  fileLock.destroy();
}

void _ombFileSetRecordPoolGrowth(bool grow) {
  platform::RecursiveMutexHold hold(fileLock);
  if (grow) {
    state.records.flags |= OMB_MEMPOOL_GROW;
  } else {
    state.records.flags &= ~OMB_MEMPOOL_GROW;
  }
}
