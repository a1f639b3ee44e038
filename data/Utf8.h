#pragma once

#include <cstddef>

// Decodes one character of two to four bytes of well-formed UTF-8 starting at `at`, with
// `available` bytes left: no overlong form, no surrogate, nothing past U+10FFFF. Gives its
// length in bytes and the character in `c`, or 0 when the bytes are not such a character.
int decodeUtf8(const unsigned char *at, std::ptrdiff_t available, char32_t *c);
