#include "data/Utf8.h"

int decodeUtf8(const unsigned char *at, std::ptrdiff_t available, char32_t *c)
{
    const unsigned char lead = at[0];
    int length = 0;
    unsigned char low = 0x80, high = 0xbf; // bounds of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (available < length || at[1] < low || at[1] > high)
        return 0;
    char32_t value = lead & (0xff >> (length + 1));
    for (int i = 1; i < length; ++i) {
        if ((at[i] & 0xc0) != 0x80)
            return 0;
        value = (value << 6) | (at[i] & 0x3f);
    }
    *c = value;
    return length;
}
