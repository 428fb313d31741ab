#pragma once

// Resource archives and the base script of the start-up.

// Registers "<base>.dat" and then "<base>0.dat", "<base>1.dat" ... while they exist (each
// logged at level 2 with the tag "_loadResource"; one that cannot be registered is fatal).
// False, after a level-2 message, when "<base>.dat" does not exist.
bool _loadResource(const char16_t* baseName);

// Runs "sys/base" in a temporary script machine whose only native is setAppDir; a missing
// script leaves the application's sub-directory unset.
void runBaseScript();
