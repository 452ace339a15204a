// libFuzzer target: DecodeDeviceValue over arbitrary text and output sizes.
// The text and the output buffer are heap blocks of exactly their size, so
// AddressSanitizer reports any read or write beyond them.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "../crypto/DeviceValue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose outSize (0 to 2047); the rest is the text.
    const size_t outSize = (static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8)) % 2048;
    const size_t textBytes = size - 2;

    char* text = static_cast<char*>(malloc(textBytes + 1));
    memcpy(text, data + 2, textBytes);
    text[textBytes] = '\0';
    char* out = static_cast<char*>(malloc(outSize));
    if (outSize > 0)
        memset(out, 0xA5, outSize);

    const int length = DecodeDeviceValue(text, out, outSize, "tarnwick5831obelsa");

    const size_t n = strlen(text);
    const size_t blocksBytes = ((n / 4 * 3 + 15) / 16) * 16;
    const bool tooSmall = outSize < n || outSize < blocksBytes + 1;
    if (tooSmall) {
        // Refused: nothing in out may have changed.
        if (length != 0)
            abort();
        for (size_t i = 0; i < outSize; i++) {
            if (out[i] != static_cast<char>(0xA5))
                abort();
        }
    } else {
        // The text ends inside the transformed blocks, and the rest of out is zero.
        if (length < 0 || static_cast<size_t>(length) > blocksBytes || out[length] != '\0')
            abort();
        if (strlen(out) != static_cast<size_t>(length))
            abort();
        for (size_t i = blocksBytes; i < outSize; i++) {
            if (out[i] != '\0')
                abort();
        }
    }
    free(out);
    free(text);
    return 0;
}
