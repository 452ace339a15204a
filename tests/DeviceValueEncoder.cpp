#include "DeviceValueEncoder.h"

#include <vector>

#include "../crypto/AesCipher.h"
#include "../crypto/DeviceValue.h"

namespace {

// Base64 of data (standard alphabet, '=' padding).
std::string Base64Encode(const uint8_t* data, size_t size)
{
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < size; i += 3) {
        const size_t left = size - i;
        const uint32_t b0 = data[i];
        const uint32_t b1 = left > 1 ? data[i + 1] : 0;
        const uint32_t b2 = left > 2 ? data[i + 2] : 0;
        const uint32_t group = (b0 << 16) | (b1 << 8) | b2;
        text += kAlphabet[(group >> 18) & 0x3F];
        text += kAlphabet[(group >> 12) & 0x3F];
        text += left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        text += left > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return text;
}

}  // namespace

std::string EncodeDeviceValue(const std::string& plain, const char* key)
{
    // The cipher works on whole blocks; the cipher text is cut back to the plain length.
    const size_t padded = ((plain.size() + 15) / 16) * 16;
    std::vector<uint8_t> buffer(padded, 0);
    for (size_t i = 0; i < plain.size(); i++)
        buffer[i] = static_cast<uint8_t>(plain[i]);

    uint8_t counter[16];
    MakeDeviceCounterBlock(counter);
    CAesCipher aes;
    aes.SetKey(reinterpret_cast<const uint8_t*>(key), 16);
    aes.SetCounter(counter);
    if (padded > 0)
        aes.CryptCtr(buffer.data(), buffer.data(), padded);
    return Base64Encode(buffer.data(), plain.size());
}
