#include "squirrel/vm/TypeMask.h"

#include "squirrel/squirrel.h"

#include <cstddef>

namespace sqvm {

bool compileTypeMask(const char16_t* mask, std::vector<int32_t>& out) {
  out.clear();
  int32_t m = 0;
  std::size_t i = 0;
  while (mask[i] != 0) {
    switch (mask[i]) {
      case 'o': m |= _RT_NULL; break;
      case 'i': m |= _RT_INTEGER; break;
      case 'f': m |= _RT_FLOAT; break;
      case 'n': m |= _RT_FLOAT | _RT_INTEGER; break;
      case 's': m |= _RT_STRING; break;
      case 't': m |= _RT_TABLE; break;
      case 'a': m |= _RT_ARRAY; break;
      case 'u': m |= _RT_USERDATA; break;
      case 'c': m |= _RT_CLOSURE | _RT_NATIVECLOSURE; break;
      case 'b': m |= _RT_BOOL; break;
      case 'g': m |= _RT_GENERATOR; break;
      case 'p': m |= _RT_USERPOINTER; break;
      case 'v': m |= _RT_THREAD; break;
      case 'x': m |= _RT_INSTANCE; break;
      case 'y': m |= _RT_CLASS; break;
      case 'r': m |= _RT_WEAKREF; break;
      case '.':
        out.push_back(-1);
        m = 0;
        ++i;
        continue;
      case ' ': ++i; continue;
      default: return false;
    }
    ++i;
    if (mask[i] == '|') {
      ++i;
      if (mask[i] == 0) return false;
      continue;
    }
    out.push_back(m);
    m = 0;
  }
  return true;
}

}  // namespace sqvm
