#pragma once

#include "foundation/dbtl/DFile.h"
#include "foundation/dbtl/rcptr.h"
#include "foundation/lfm/LFmOverride.h"

#include <cstdint>

// The pack registry of the game library. Data files are addressed by pack number and name. A
// pack is the unnamed pack (the executable's directory), a directory beside the executable, or a
// "DMF " container "<name>.dmf" beside it; an installed override (LFmOverride) takes over every
// existence test and open instead. Relative names are based on the published application's
// module directory (dbtl::DApplication).
//
// Every failure is a fatal error (lerrFatal): a pack number that is not registered, an entry
// that is missing, a container that does not open, a second override, a file that cannot be
// opened. Only the existence tests and lfmSearchPackData answer false.
//
// Name buffers are 264 bytes (263 characters and the terminator).

// The number of the pack whose name equals name without regard to ASCII case; otherwise the
// name is registered as a new pack and its number returned.
int32_t lfmRegistPack(const char* name);
// Installs the override (one reference is kept); null uninstalls it.
void lfmRegistOverride(const dbtl::rcptr<LFmOverride>& override);
// Releases every pack and the override.
void lfmTerm();

// The full name of a data file of the pack, written into buffer, which is returned.
char* lfmGetPackFileName(int32_t pack, char* buffer, const char* name);
bool lfmIsPackDataExist(int32_t pack, const char* name);
// Opens a data file of the pack into file, for reading.
void lfmOpenPackData(int32_t pack, dbtl::DFile& file, const char* name);
// The first name that exists in the pack among the name itself and the name followed by '.'
// and each extension of list in order (extensions separated by ':'; NUL, CR or LF end the list;
// an empty extension stands for the name itself). False, with the name as result, when none
// exists.
bool lfmSearchPackData(char* result, int32_t pack, const char* name, const char* list);
// Opens a file relative to the module directory (or through the override) with the DFile::Open
// flags; file is closed first unless the override opens it.
void lfmOpenFile(const char* relativeName, dbtl::DFile& file, uint32_t flags);
