#pragma once

// Joins the MPEG audio decoder to the compression manager for the format tags of MPEG audio in
// WAVE and AVI files (WAVE_FORMAT_MPEG, WAVE_FORMAT_MPEGLAYER3), so that such files play through
// the reader's compression-manager path. Safe to call any number of times, from any thread.
void registerMpegAcmConverter();
