#pragma once

#include <cstdint>

namespace rond {

// Every index a script hands to the versus engine (player slots, controllers, flag bytes,
// parameters, definitions) passes this one check before it is used: an index outside
// [0, count) is the script error "[] Script Error: <what> index out of range(<index>)" and
// false, never a read or write outside a table.
bool checkScriptIndex(int32_t index, int32_t count, const char16_t* what);

}  // namespace rond
