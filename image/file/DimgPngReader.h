#pragma once

#include "image/file/DimgErrorTrap.h"

#include <png.h>

// A libpng read structure and its information structure, destroyed together with this object.
//
// libpng reports through one function for errors and warnings alike, and either ends the step
// that is running (Step returns false): a file that makes libpng warn is not loaded. The
// report function, when given, receives libpng's message first (possibly null); it must
// return, and the reader then leaves libpng.
//
// libpng 1.6 checks colour-profile chunks (cHRM, gAMA, iCCP, sRGB) far more strictly than the
// libpng that the game's files were made with, and warns about profiles that loaded before.
// The readers never apply those chunks, so they are skipped unread.
// Sets the transformations that bring a PNG of any colour type and depth (its header read) to
// 8-bit channels: 16-bit samples stripped, small depths unpacked, palettes and grey expanded to
// R, G, B, a tRNS chunk to alpha. Returns whether the rows then carry alpha.
bool DimgPngExpandTo8Bit(png_structp png, png_infop info);

class DimgPngReader {
 public:
  using Report = void (*)(png_structp png, png_const_charp message);

  explicit DimgPngReader(Report report);
  ~DimgPngReader();
  DimgPngReader(const DimgPngReader&) = delete;
  DimgPngReader& operator=(const DimgPngReader&) = delete;

  // False when libpng could not make its structures; no step then runs.
  bool IsValid() const { return m_png != nullptr && m_info != nullptr; }
  png_structp Png() const { return m_png; }
  png_infop Info() const { return m_info; }

  // Runs body(png, info) under the trap (see DimgErrorTrap for what the body may hold). False
  // when libpng raised an error or a warning, or when the structures do not exist. After a
  // failed step the structures are fit only for destruction.
  template <class Body>
  bool Step(Body&& body) {
    if (!IsValid()) return false;
    return m_trap.Run([&] { body(m_png, m_info); });
  }

 private:
  static void OnMessage(png_structp png, png_const_charp message);

  DimgErrorTrap m_trap;
  Report m_report;
  png_structp m_png = nullptr;
  png_infop m_info = nullptr;
};
