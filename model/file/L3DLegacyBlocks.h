#pragma once

class L3DModelReader;

// Blocks of old model files that nothing reads any more: each is walked through (so the records
// after it are found) and dropped.

// Collision block of versions 0 to 3.
void l3dSkipLegacyCollisions(L3DModelReader& reader);
// The extra block of version 6.
void l3dSkipLegacyVersion6(L3DModelReader& reader);
// Motion block of versions 0 to 6.
void l3dSkipLegacyMotions(L3DModelReader& reader);
