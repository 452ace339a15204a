// libFuzzer target: DecodeDeviceValue over arbitrary text and output sizes.
// The text and the output buffer are heap blocks of exactly their size, so
// AddressSanitizer reports any read or write beyond them.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>

#include "../crypto/DeviceValue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose outSize (0 to 2047); the rest is the text.
    const size_t outSize = (data[0] | static_cast<size_t>(data[1]) << 8) % 2048;
    std::unique_ptr<char[]> text(new char[size - 1]), out(new char[outSize]);
    memcpy(text.get(), data + 2, size - 2);
    text[size - 2] = '\0';
    std::fill(out.get(), out.get() + outSize, static_cast<char>(0xA5));
    const int length = DecodeDeviceValue(text.get(), out.get(), outSize, "tarnwick5831obelsa");

    const size_t n = strlen(text.get());
    const size_t blocksBytes = ((n / 4 * 3 + 15) / 16) * 16;
    // Refused: nothing in out may have changed. Otherwise the text ends inside the transformed
    // blocks, and the rest of out is zero.
    const bool refused = outSize < n || outSize < blocksBytes + 1;
    if (refused ? length != 0 || std::count(out.get(), out.get() + outSize, static_cast<char>(0xA5)) !=
                                     static_cast<ptrdiff_t>(outSize)
                : length < 0 || static_cast<size_t>(length) > blocksBytes ||
                      strlen(out.get()) != static_cast<size_t>(length) ||
                      std::count(out.get() + blocksBytes, out.get() + outSize, '\0') !=
                          static_cast<ptrdiff_t>(outSize - blocksBytes))
        abort();
    return 0;
}
