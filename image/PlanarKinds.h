#pragma once

#include "image/DImageKind.h"
#include "image/PixelKind.h"

#include <cstdint>

// Which block of a planar row level converts each pixel kind. A level passes its four-byte and
// three-byte blocks (the red and blue byte offsets as arguments), its 16-bit block (the kind's
// DimgPixelKind as argument) and its YCbCr block; Type is kind K's.
template <uint32_t K, template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf {
  using Type = Packed<DimgPixelKind<K>>;  // the 16-bit kinds
};
template <template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf<DImageKindRGBA8, Four, Three, Packed, Ycc> {
  using Type = Four<0, 2>;
};
template <template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf<DImageKindBGRA8, Four, Three, Packed, Ycc> {
  using Type = Four<2, 0>;
};
template <template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf<DImageKindRGB8, Four, Three, Packed, Ycc> {
  using Type = Three<0, 2>;
};
template <template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf<DImageKindBGR8, Four, Three, Packed, Ycc> {
  using Type = Three<2, 0>;
};
template <template <int, int> class Four, template <int, int> class Three,
          template <class> class Packed, class Ycc>
struct PlanarBlockOf<DImageKindYCrCb, Four, Three, Packed, Ycc> {
  using Type = Ycc;
};
