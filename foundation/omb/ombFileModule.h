#pragma once

#include "foundation/omb/ombThread.h"

// The file layer's module: one lock that serialises every file operation of every thread and
// guards the path state, and its life, driven by the core.
//
// FIXME: the handle table, the record pool and the archive list join this module with the file
// layer's open/read/write functions and the resource archives; today it holds the lock and the
// path state.
void ombFileInit();
void ombFileUninit();

OMB_CRITICAL_SECTION& ombFileLock();
