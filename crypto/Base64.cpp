#include "Base64.h"

namespace {

// Alphabet index of c, or -1; bytes of 0x80 and above are outside the alphabet.
int Base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Reads one group; stops at the first bad character so a group cut short by
// the terminating zero is never read beyond it. val[i] is -1 for '='.
bool ReadGroup(const char* p, int val[4])
{
    for (int i = 0; i < 4; i++) {
        const char c = p[i];
        if (i >= 2 && c == '=') {
            val[i] = -1;
            continue;
        }
        val[i] = Base64Value(c);
        if (val[i] < 0)
            return false;
    }
    return true;
}

} // namespace

int Base64Decode(const char* text, uint8_t* out, size_t maxBytes)
{
    if (!text || !out)
        return -1;

    const char* p = text;
    if (p[0] == '+' && p[1] == ' ')
        p += 2;
    if (p[0] == '\r')
        return 0;

    int count = 0;
    bool lastGroupPadded = false;
    for (;;) {
        if (lastGroupPadded || p[0] == '\0' || p[0] == '\r')
            return count;

        int val[4];
        if (!ReadGroup(p, val))
            return -1;

        uint8_t bytes[3];
        int groupBytes = 1;
        bytes[0] = static_cast<uint8_t>((val[0] << 2) | (val[1] >> 4));
        if (val[2] >= 0) {
            bytes[1] = static_cast<uint8_t>(((val[1] << 4) & 0xF0) | (val[2] >> 2));
            groupBytes = 2;
            if (val[3] >= 0) {
                bytes[2] = static_cast<uint8_t>(((val[2] << 6) & 0xFF) | val[3]);
                groupBytes = 3;
            }
        }
        for (int i = 0; i < groupBytes; i++) {
            if (maxBytes != 0 && static_cast<size_t>(count) + 1 > maxBytes)
                return -1;
            out[count++] = bytes[i];
        }
        lastGroupPadded = (val[3] < 0);
        p += 4;
    }
}
