#pragma once
// A file held in memory, read from the front by the codec callbacks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ImageLib {

struct ByteSource {
  const uint8_t* data;
  size_t size;
  size_t pos;

  // Copies up to n bytes; returns how many there were.
  size_t Read(void* out, size_t n) {
    size_t k = std::min(n, size - pos);
    if (k) std::memcpy(out, data + pos, k);
    pos += k;
    return k;
  }
};

}  // namespace ImageLib
