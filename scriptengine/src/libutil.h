// Helpers shared by the engine's libraries: "C"-locale character classes (bytes 128-255 belong
// to no class), whatever the process locale is.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace scriptlib {

enum : uint8_t {
  kCtlAlpha = 1,
  kCtlDigit = 2,
  kCtlSpace = 4,
  kCtlUpper = 8,
  kCtlLower = 16,
  kCtlPunct = 32,
  kCtlCntrl = 64,
  kCtlXDigit = 128
};

struct CharTable {
  uint8_t bits[256];
  constexpr CharTable() : bits() {
    for (int c = 0; c < 256; c++) {
      uint8_t b = 0;
      if (c < 32 || c == 127) b |= kCtlCntrl;
      if (c == ' ' || (c >= 9 && c <= 13)) b |= kCtlSpace;
      if (c >= '0' && c <= '9') b |= kCtlDigit | kCtlXDigit;
      if (c >= 'a' && c <= 'f') b |= kCtlXDigit;
      if (c >= 'A' && c <= 'F') b |= kCtlXDigit;
      if (c >= 'a' && c <= 'z') b |= kCtlLower | kCtlAlpha;
      if (c >= 'A' && c <= 'Z') b |= kCtlUpper | kCtlAlpha;
      if (c > 32 && c < 127 && !(b & (kCtlAlpha | kCtlDigit))) b |= kCtlPunct;
      bits[c] = b;
    }
  }
};

inline constexpr CharTable kCharTable{};

inline bool cIsAlpha(int c) { return (kCharTable.bits[c & 255] & kCtlAlpha) != 0; }
inline bool cIsDigit(int c) { return (kCharTable.bits[c & 255] & kCtlDigit) != 0; }
inline bool cIsSpace(int c) { return (kCharTable.bits[c & 255] & kCtlSpace) != 0; }
inline bool cIsUpper(int c) { return (kCharTable.bits[c & 255] & kCtlUpper) != 0; }
inline bool cIsLower(int c) { return (kCharTable.bits[c & 255] & kCtlLower) != 0; }
inline bool cIsXDigit(int c) { return (kCharTable.bits[c & 255] & kCtlXDigit) != 0; }
inline bool cIsPrint(int c) { return (c & 255) >= 32 && (c & 255) < 127; }
inline int cToLower(int c) { return cIsUpper(c) ? c + ('a' - 'A') : c; }
inline int cToUpper(int c) { return cIsLower(c) ? c - ('a' - 'A') : c; }

// Appends 16-bit text as UTF-8: surrogate pairs are combined, lone surrogates become U+FFFD.
inline void appendUtf8(std::string& out, const unsigned short* w, size_t n) {
  for (size_t i = 0; i < n; i++) {
    uint32_t c = w[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      i++;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += (char)c;
    } else if (c < 0x800) {
      out += (char)(0xC0 | (c >> 6));
      out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += (char)(0xE0 | (c >> 12));
      out += (char)(0x80 | ((c >> 6) & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    } else {
      out += (char)(0xF0 | (c >> 18));
      out += (char)(0x80 | ((c >> 12) & 0x3F));
      out += (char)(0x80 | ((c >> 6) & 0x3F));
      out += (char)(0x80 | (c & 0x3F));
    }
  }
}

}  // namespace scriptlib
