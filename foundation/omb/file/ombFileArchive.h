#pragma once

#include "foundation/omb/file/ombFileHandle.h"

// Registered resource archives (ombFileRegistPack, ombFile.h). Once registered, every mode-0
// open or existence test looks the lower-cased path up in the archives, in registration order,
// before the disk: an archive entry shadows a disk file of the same name, an earlier archive a
// later one, and within one archive the first of two entries with the same name wins. The path
// is not resolved, and a path ending in "/" is never found. Archives stay until the file layer
// shuts down.
//
// The functions below run under the file lock.

void _ombFileArchiveListInit();
// Releases every archive (entry table, names, archive file) in registration order.
void _ombFileUnregisterPacks();

// Opens a scrambled view on the first archive entry named `lowered` whose view can be made;
// null when no archive holds it (failure stays None) or no record could be had.
OMB_FILE* _ombFileArchiveOpen(const char16_t* lowered, uint32_t flags,
                              OmbFileOpenFailure* failure);
bool _ombFileArchiveContains(const char16_t* lowered);
