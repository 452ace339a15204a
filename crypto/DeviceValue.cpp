#include "DeviceValue.h"

#include <string.h>

#include "Base64.h"

namespace {

// Looks no further than the terminator, so a short key is never read past its end.
bool HasSixteenBytes(const char* key)
{
    for (int i = 0; i < 16; i++) {
        if (key[i] == '\0')
            return false;
    }
    return true;
}

} // namespace

void MakeDeviceCounterBlock(uint8_t block[16])
{
    memset(block, 0, 16);
    // Byte 0 starts near its top, so a value of three blocks already carries into byte 1.
    block[0] = 0xFE;
}

int DecodeDeviceValue(CAesCipher& aes, const char* encoded, char* out, size_t outSize,
                      const char* key)
{
    if (!encoded || !out || !key || !HasSixteenBytes(key))
        return 0;

    const size_t n = strlen(encoded);
    // An upper bound of the decoded size: '=' padding is not subtracted.
    const size_t m = (n / 4) * 3;
    const size_t blocksBytes = ((m + 15) / 16) * 16;
    // The transform covers whole blocks and the text needs its terminating zero inside out.
    if (outSize < n || outSize < blocksBytes + 1)
        return 0;

    uint8_t counter[16];
    MakeDeviceCounterBlock(counter);
    aes.SetKey(reinterpret_cast<const uint8_t*>(key), 16);
    aes.SetCounter(counter);

    // out serves as the zero-filled work buffer: m <= blocksBytes < outSize.
    memset(out, 0, outSize);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    // A malformed text keeps what decoded before the error; the rest stays zero.
    if (m > 0)
        Base64Decode(encoded, bytes, m);
    if (blocksBytes > 0)
        aes.CryptCtr(bytes, bytes, blocksBytes);

    // out[blocksBytes] is still zero, so the search ends inside out.
    const void* end = memchr(out, '\0', outSize);
    return static_cast<int>(static_cast<const char*>(end) - out);
}

int DecodeDeviceValue(const char* encoded, char* out, size_t outSize, const char* key)
{
    CAesCipher aes;
    return DecodeDeviceValue(aes, encoded, out, outSize, key);
}
