#pragma once

#include "foundation/omb/ombThread.h"

// The file layer's module: one lock that serialises every file operation of every thread and
// guards the handle table, the record pool, the archive list and the path state; and its life,
// driven by the core.
void ombFileInit();
// Unregisters every archive, closes every record still open, and frees the handles, the pool,
// the table and the path state.
void ombFileUninit();

OMB_CRITICAL_SECTION& ombFileLock();

// For tests: whether the record pool may grow past its first chunk of 16 records (it may by
// default).
void _ombFileSetRecordPoolGrowth(bool grow);
