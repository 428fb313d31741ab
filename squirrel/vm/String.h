#pragma once

// Strings: immutable runs of 16-bit units, interned in the shared state's string table so that
// equal texts are the same object (identity is equality, and the hash is computed once).

#include "squirrel/vm/BigBlock.h"
#include "squirrel/vm/SmallPool.h"
#include "squirrel/vm/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqvm {

class StringTable;

struct String final : RefCounted {
  StringTable* table;
  String* next;  // chain inside the string table
  uint32_t hash;
  uint32_t length;
  char16_t data[1];  // `length` units followed by a terminating 0

  std::u16string_view view() const { return {data, length}; }
  void release() override;

 private:
  friend class StringTable;
  String() = default;
};

inline String* asString(const SQObject& o) { return static_cast<String*>(o._unVal.pRefCounted); }

// The table key hash of a text (sampled for long texts: a step through the units).
uint32_t hashText(const char16_t* s, uint32_t length);

class StringTable {
 public:
  StringTable();
  ~StringTable();
  String* intern(const char16_t* s, uint32_t length);
  String* intern(std::u16string_view s) {
    return intern(s.data(), static_cast<uint32_t>(s.size()));
  }
  // Builds a string from two pieces without a temporary copy.
  String* concat(std::u16string_view a, std::u16string_view b);
  void remove(String* s);
  // Destroys an unreferenced string and frees its memory (after remove()).
  void destroy(String* s);
  uint32_t count() const { return count_; }

 private:
  String* find(const char16_t* s, uint32_t length, uint32_t hash) const;
  String* insert(const char16_t* a, uint32_t alen, const char16_t* b, uint32_t blen, uint32_t hash);
  void grow();
  SmallPool pool_;
  std::vector<String*, BigBlockAllocator<String*>> buckets_;
  uint32_t count_ = 0;
};

inline Value makeString(StringTable& t, std::u16string_view s) {
  return Value(OT_STRING, t.intern(s));
}

}  // namespace sqvm
