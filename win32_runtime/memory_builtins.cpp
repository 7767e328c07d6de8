// GCC may emit calls to these for copies and zero-fills even in code that never names them;
// with no C runtime linked, they are ours. This file is built with -fno-builtin and without
// loop-to-call rewriting so that they do not call themselves.

#include <cstddef>

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  while (count-- > 0) *d++ = static_cast<unsigned char>(value);
  return destination;
}

void* memcpy(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  while (count-- > 0) *d++ = *s++;
  return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  if (d < s) {
    while (count-- > 0) *d++ = *s++;
  } else {
    while (count-- > 0) d[count] = s[count];
  }
  return destination;
}

int memcmp(const void* left, const void* right, std::size_t count) {
  const auto* l = static_cast<const unsigned char*>(left);
  const auto* r = static_cast<const unsigned char*>(right);
  for (; count > 0; --count, ++l, ++r) {
    if (*l != *r) return *l < *r ? -1 : 1;
  }
  return 0;
}

}  // extern "C"
