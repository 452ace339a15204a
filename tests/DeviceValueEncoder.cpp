#include "DeviceValueEncoder.h"

#include <vector>

#include "../crypto/AesCipher.h"
#include "../crypto/DeviceValue.h"

std::string EncodeDeviceValue(const std::string& plain, const char* key)
{
    // The cipher works on whole blocks; the cipher text is cut back to the plain length.
    std::vector<uint8_t> data(plain.begin(), plain.end());
    data.resize((plain.size() + 15) / 16 * 16, 0);
    uint8_t counter[16];
    MakeDeviceCounterBlock(counter);
    CAesCipher aes;
    aes.SetKey(reinterpret_cast<const uint8_t*>(key), 16);
    aes.SetCounter(counter);
    if (!data.empty())
        aes.CryptCtr(data.data(), data.data(), data.size());
    // Base64, standard alphabet, '=' padding.
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < plain.size(); i += 3) {
        const size_t left = plain.size() - i;
        const uint32_t group =
            data[i] << 16 | (left > 1 ? data[i + 1] << 8 : 0) | (left > 2 ? data[i + 2] : 0);
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 0x3F];
        text += left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        text += left > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    return text;
}
