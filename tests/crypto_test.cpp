// Tests of the AES counter-mode cipher, the Base64 decoder and the device-type
// value decoder.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "../crypto/AesCipher.h"
#include "../crypto/Base64.h"
#include "../crypto/DeviceValue.h"
#include "../crypto/DeviceValueEncoder.h"

namespace {

const char kDeviceKey[] = "tarnwick5831obelsa";
const uint8_t kCanary = 0xAA;

std::vector<uint8_t> Hex(const char* hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<uint8_t>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

std::vector<uint8_t> Bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

// One forward-cipher block: counter mode over a zero block yields E(counter).
std::vector<uint8_t> EncryptOneBlock(const std::vector<uint8_t>& key,
                                     const std::vector<uint8_t>& block)
{
    CAesCipher aes;
    EXPECT_TRUE(aes.SetKey(key.data(), static_cast<int>(key.size())));
    aes.SetCounter(block.data());
    std::vector<uint8_t> zeros(16, 0), out(16, 0);
    EXPECT_TRUE(aes.CryptCtr(zeros.data(), out.data(), 16));
    return out;
}

std::vector<uint8_t> DeviceKey16()
{
    return std::vector<uint8_t>(kDeviceKey, kDeviceKey + 16);
}

// The bytes the device counter stream makes of a zero-filled buffer.
std::vector<uint8_t> DeviceKeystream(size_t bytes)
{
    uint8_t counter[16];
    MakeDeviceCounterBlock(counter);
    CAesCipher aes;
    aes.SetKey(reinterpret_cast<const uint8_t*>(kDeviceKey), 16);
    aes.SetCounter(counter);
    std::vector<uint8_t> zeros(bytes, 0), out(bytes, 0);
    aes.CryptCtr(zeros.data(), out.data(), bytes);
    return out;
}

std::string ZeroPadded(const std::string& text, size_t total)
{
    std::string s = text;
    s.resize(total, '\0');
    return s;
}

// ---------------------------------------------------------------- AES

struct FipsVector {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

TEST(AesCipher, ForwardCipher_MatchesFips197Vectors)
{
    const FipsVector vectors[] = {
        {"appendix B", "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
         "3925841d02dc09fbdc118597196a0b32"},
        {"C.1 AES-128", "000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
         "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"C.2 AES-192", "000102030405060708090a0b0c0d0e0f1011121314151617",
         "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"C.3 AES-256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const FipsVector& v : vectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(Hex(v.cipher), EncryptOneBlock(Hex(v.key), Hex(v.plain)));
    }
}

TEST(AesCipher, SetKey_NullOrOtherLength_KeepsPreviousKey)
{
    const std::vector<uint8_t> key = Hex("000102030405060708090a0b0c0d0e0f");
    const std::vector<uint8_t> other = Hex("ffeeddccbbaa99887766554433221100ffeeddccbbaa9988");
    const std::vector<uint8_t> plain = Hex("00112233445566778899aabbccddeeff");
    CAesCipher aes;
    ASSERT_TRUE(aes.SetKey(key.data(), 16));
    EXPECT_FALSE(aes.SetKey(nullptr, 16));
    EXPECT_FALSE(aes.SetKey(other.data(), 0));
    EXPECT_FALSE(aes.SetKey(other.data(), 20));
    EXPECT_FALSE(aes.SetKey(other.data(), 17));
    aes.SetCounter(plain.data());
    std::vector<uint8_t> zeros(16, 0), out(16, 0);
    ASSERT_TRUE(aes.CryptCtr(zeros.data(), out.data(), 16));
    EXPECT_EQ(Hex("69c4e0d86a7b0430d8cdb78070b4c55a"), out);
}

TEST(AesCipher, CryptCtr_WithoutKeyCounterOrWholeBlocks_LeavesOutputAlone)
{
    const std::vector<uint8_t> key = Hex("000102030405060708090a0b0c0d0e0f");
    const std::vector<uint8_t> counter(16, 0);
    const std::vector<uint8_t> in(48, 0x11);
    std::vector<uint8_t> out(48, kCanary);
    const std::vector<uint8_t> untouched(48, kCanary);

    CAesCipher noKey;
    noKey.SetCounter(counter.data());
    EXPECT_FALSE(noKey.CryptCtr(in.data(), out.data(), 16));
    EXPECT_EQ(untouched, out);

    CAesCipher noCounter;
    noCounter.SetKey(key.data(), 16);
    EXPECT_FALSE(noCounter.CryptCtr(in.data(), out.data(), 16));
    EXPECT_EQ(untouched, out);

    CAesCipher cleared;
    cleared.SetKey(key.data(), 16);
    cleared.SetCounter(counter.data());
    cleared.SetCounter(nullptr);
    EXPECT_FALSE(cleared.CryptCtr(in.data(), out.data(), 16));
    EXPECT_EQ(untouched, out);

    CAesCipher ready;
    ready.SetKey(key.data(), 16);
    ready.SetCounter(counter.data());
    const size_t badCounts[] = {0, 1, 15, 17, 33};
    for (size_t count : badCounts) {
        SCOPED_TRACE(count);
        EXPECT_FALSE(ready.CryptCtr(in.data(), out.data(), count));
        EXPECT_EQ(untouched, out);
    }
    EXPECT_FALSE(ready.CryptCtr(nullptr, out.data(), 16));
    EXPECT_EQ(untouched, out);
    EXPECT_FALSE(ready.CryptCtr(in.data(), nullptr, 16));
    EXPECT_TRUE(ready.CryptCtr(in.data(), out.data(), 48));
    EXPECT_NE(untouched, out);
}

struct CounterStep {
    const char* name;
    const char* before;
    const char* after;
};

// Byte 0 is the least significant byte of the counter.
const CounterStep kCounterSteps[] = {
    {"zero", "00000000000000000000000000000000", "01000000000000000000000000000000"},
    {"byte 0 below 0xFF", "fe000000000000000000000000000000", "ff000000000000000000000000000000"},
    {"byte 0 at 0xFF carries into byte 1", "ff000000000000000000000000000007",
     "00010000000000000000000000000007"},
    {"carry runs through bytes 0 to 2", "ffffff05000000000000000000000000",
     "00000006000000000000000000000000"},
    {"byte 15 at 0xFF is not touched", "000000000000000000000000000000ff",
     "010000000000000000000000000000ff"},
    {"sixteen 0xFF wrap to zeros", "ffffffffffffffffffffffffffffffff",
     "00000000000000000000000000000000"},
};

TEST(AesCipher, IncrementCounterBlock_IsLittleEndianWithCarry)
{
    for (const CounterStep& step : kCounterSteps) {
        SCOPED_TRACE(step.name);
        std::vector<uint8_t> block = Hex(step.before);
        IncrementCounterBlock(block.data());
        EXPECT_EQ(Hex(step.after), block);
    }
}

TEST(AesCipher, CryptCtr_SecondBlock_UsesIncrementedCounter)
{
    const std::vector<uint8_t> key = Hex("000102030405060708090a0b0c0d0e0f");
    for (const CounterStep& step : kCounterSteps) {
        SCOPED_TRACE(step.name);
        const std::vector<uint8_t> before = Hex(step.before);
        CAesCipher aes;
        aes.SetKey(key.data(), 16);
        aes.SetCounter(before.data());
        std::vector<uint8_t> zeros(32, 0), out(32, 0);
        ASSERT_TRUE(aes.CryptCtr(zeros.data(), out.data(), 32));
        EXPECT_EQ(EncryptOneBlock(key, before), std::vector<uint8_t>(out.begin(), out.begin() + 16));
        EXPECT_EQ(EncryptOneBlock(key, Hex(step.after)),
                  std::vector<uint8_t>(out.begin() + 16, out.end()));
    }
}

TEST(AesCipher, CryptCtr_RepeatedAndInPlace_StartFromStoredCounter)
{
    const std::vector<uint8_t> key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
    const std::vector<uint8_t> counter = Hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
    const std::vector<uint8_t> plain = Bytes("The quick brown fox jumps over the lazy dog, twice!");
    std::vector<uint8_t> in(plain.begin(), plain.begin() + 48);
    CAesCipher aes;
    aes.SetKey(key.data(), 16);
    aes.SetCounter(counter.data());

    std::vector<uint8_t> first(48, 0), second(48, 0);
    ASSERT_TRUE(aes.CryptCtr(in.data(), first.data(), 48));
    ASSERT_TRUE(aes.CryptCtr(in.data(), second.data(), 48));
    EXPECT_EQ(first, second);
    EXPECT_NE(in, first);

    std::vector<uint8_t> inPlace = in;
    ASSERT_TRUE(aes.CryptCtr(inPlace.data(), inPlace.data(), 48));
    EXPECT_EQ(first, inPlace);

    std::vector<uint8_t> back(48, 0);
    ASSERT_TRUE(aes.CryptCtr(first.data(), back.data(), 48));
    EXPECT_EQ(in, back);
}

// ---------------------------------------------------------------- Base64

// Decodes text into a canary-filled buffer; returns the result and the buffer.
int Decode(const char* text, std::vector<uint8_t>& out, size_t maxBytes = 0, size_t outBytes = 64)
{
    out.assign(outBytes, kCanary);
    return Base64Decode(text, out.data(), maxBytes);
}

std::vector<uint8_t> Head(const std::vector<uint8_t>& v, size_t n)
{
    return std::vector<uint8_t>(v.begin(), v.begin() + n);
}

TEST(Base64, Decode_Rfc4648Vectors)
{
    const struct {
        const char* text;
        const char* plain;
    } cases[] = {
        {"", ""},           {"Zg==", "f"},         {"Zm8=", "fo"},         {"Zm9v", "foo"},
        {"Zm9vYg==", "foob"}, {"Zm9vYmE=", "fooba"}, {"Zm9vYmFy", "foobar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<uint8_t> out;
        const int n = Decode(c.text, out);
        ASSERT_EQ(static_cast<int>(strlen(c.plain)), n);
        EXPECT_EQ(Bytes(c.plain), Head(out, n));
        EXPECT_EQ(kCanary, out[n]);
    }
}

TEST(Base64, Decode_FullAlphabet_MapsEachCharacterToItsIndex)
{
    std::vector<uint8_t> out;
    ASSERT_EQ(48, Decode("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", out));
    for (int i = 0; i < 64; i++) {
        int value = 0;
        for (int bit = 0; bit < 6; bit++) {
            const int pos = i * 6 + bit;
            value = (value << 1) | ((out[pos / 8] >> (7 - pos % 8)) & 1);
        }
        EXPECT_EQ(i, value) << "character " << i;
    }
}

TEST(Base64, Decode_PlusBlankPrefix_IsSkipped)
{
    std::vector<uint8_t> out;
    ASSERT_EQ(6, Decode("+ Zm9vYmFy", out));
    EXPECT_EQ(Bytes("foobar"), Head(out, 6));

    // Without the blank the plus sign is an alphabet character.
    ASSERT_EQ(3, Decode("+Zm9", out));
    EXPECT_EQ(Hex("f999bd"), Head(out, 3));
}

TEST(Base64, Decode_CarriageReturn_EndsDecoding)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(0, Decode("\rZm9v", out));
    EXPECT_EQ(kCanary, out[0]);

    EXPECT_EQ(0, Decode("+ \rZm9v", out));
    EXPECT_EQ(kCanary, out[0]);

    ASSERT_EQ(3, Decode("Zm9v\rYmFy", out));
    EXPECT_EQ(Bytes("foo"), Head(out, 3));
    EXPECT_EQ(kCanary, out[3]);

    // Only at the start of a group; inside one it is an invalid character.
    EXPECT_EQ(-1, Decode("Zm9vY\rFy", out));
}

TEST(Base64, Decode_GroupEndingInPadding_StopsDecoding)
{
    std::vector<uint8_t> out;
    ASSERT_EQ(1, Decode("Zg==Zm9v", out));
    EXPECT_EQ('f', out[0]);
    EXPECT_EQ(kCanary, out[1]);

    ASSERT_EQ(2, Decode("Zm8=Zm9v", out));
    EXPECT_EQ(Bytes("fo"), Head(out, 2));
    EXPECT_EQ(kCanary, out[2]);

    // Padding only in the third place writes one byte and decoding goes on.
    ASSERT_EQ(4, Decode("Zg=AZm9v", out));
    EXPECT_EQ(Bytes("ffoo"), Head(out, 4));
}

TEST(Base64, Decode_PartialFinalGroup_FailsAfterWritingCompleteGroups)
{
    const char* texts[] = {"Zm9vQ", "Zm9vQQ", "Zm9vQQQ"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        // Exactly sized, so a read past the terminator shows under a sanitizer.
        std::vector<char> exact(text, text + strlen(text) + 1);
        std::vector<uint8_t> out;
        EXPECT_EQ(-1, Decode(exact.data(), out));
        EXPECT_EQ(Bytes("foo"), Head(out, 3));
        EXPECT_EQ(kCanary, out[3]);
    }
    std::vector<char> shortest(3, 'Q');
    shortest[2] = '\0';
    std::vector<uint8_t> out;
    EXPECT_EQ(-1, Decode(shortest.data(), out));
    EXPECT_EQ(kCanary, out[0]);
}

TEST(Base64, Decode_InvalidGroup_FailsKeepingEarlierGroups)
{
    const char* texts[] = {
        "Zm9v!m9v",       // punctuation
        "Zm9v\x80m9v",    // high byte
        "Zm9vZm\xC3\xA9", // UTF-8 letter
        "Zm9v=m9v",       // padding in first place
        "Zm9vZ=9v",       // padding in second place
        "Zm9vZm 9",       // blank
        "Zm9vZm-_",       // URL-safe alphabet
        "Zm9vZm9\n",      // line break inside a group
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::vector<uint8_t> out;
        EXPECT_EQ(-1, Decode(text, out));
        EXPECT_EQ(Bytes("foo"), Head(out, 3));
        EXPECT_EQ(kCanary, out[3]);
    }
}

TEST(Base64, Decode_Limit_FailsBeforeTheFirstByteTooMany)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(6, Decode("Zm9vYmFy", out, 0));
    EXPECT_EQ(6, Decode("Zm9vYmFy", out, 6));
    EXPECT_EQ(6, Decode("Zm9vYmFy", out, 100));

    EXPECT_EQ(-1, Decode("Zm9vYmFy", out, 5));
    EXPECT_EQ(Bytes("fooba"), Head(out, 5));
    EXPECT_EQ(kCanary, out[5]);

    EXPECT_EQ(-1, Decode("Zm9vYmFy", out, 1));
    EXPECT_EQ('f', out[0]);
    EXPECT_EQ(kCanary, out[1]);

    // Padded groups count only the bytes they write.
    EXPECT_EQ(2, Decode("Zm8=", out, 2));
}

TEST(Base64, Encode_RoundTripsThroughDecode)
{
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; i++)
        all[i] = static_cast<uint8_t>(i);
    for (size_t size = 0; size <= 256; size += 37) {
        SCOPED_TRACE(size);
        const std::string text = Base64Encode(all.data(), size);
        EXPECT_EQ((size + 2) / 3 * 4, text.size());
        std::vector<uint8_t> out;
        ASSERT_EQ(static_cast<int>(size), Decode(text.c_str(), out, 0, 300));
        EXPECT_EQ(Head(all, size), Head(out, size));
    }
    EXPECT_EQ("Zm9vYmE=", Base64Encode(reinterpret_cast<const uint8_t*>("fooba"), 5));
}

// ---------------------------------------------------------------- device value

// Decodes into a buffer of outSize bytes followed by canaries.
int DecodeValue(const std::string& encoded, size_t outSize, std::vector<uint8_t>& buffer,
                const char* key = kDeviceKey)
{
    buffer.assign(outSize + 8, kCanary);
    return DecodeDeviceValue(encoded.c_str(), reinterpret_cast<char*>(buffer.data()), outSize, key);
}

bool CanariesFrom(const std::vector<uint8_t>& buffer, size_t from)
{
    for (size_t i = from; i < buffer.size(); i++) {
        if (buffer[i] != kCanary)
            return false;
    }
    return true;
}

TEST(DeviceValue, CounterBlock_IsZeroBlockWithOneByteSet)
{
    uint8_t block[16];
    memset(block, 0x55, sizeof(block));
    MakeDeviceCounterBlock(block);
    int nonZero = 0;
    for (uint8_t b : block)
        nonZero += b != 0;
    EXPECT_EQ(1, nonZero);
}

TEST(DeviceValue, Decode_ZeroPaddedValues_RoundTripToTheirDigits)
{
    const struct {
        std::string plain;
        size_t digits;
    } cases[] = {
        {ZeroPadded("1", 16), 1},
        {ZeroPadded("2", 16), 1},
        {ZeroPadded("-17", 32), 3},
        {ZeroPadded("31415926535897932384626433832795", 48), 32},
        // 189 bytes give 252 characters, the longest whole-group value a profile read keeps.
        {ZeroPadded(std::string(180, '9'), 189), 180},
    };
    for (const auto& c : cases) {
        const std::string encoded = EncodeDeviceValue(c.plain, kDeviceKey);
        SCOPED_TRACE(encoded);
        std::vector<uint8_t> out;
        ASSERT_EQ(static_cast<int>(c.digits), DecodeValue(encoded, 1024, out));
        EXPECT_EQ(Bytes(c.plain.substr(0, c.digits)), Head(out, c.digits));
        EXPECT_EQ(0, out[c.digits]);
        EXPECT_TRUE(CanariesFrom(out, 1024));

        std::vector<uint8_t> prefixed;
        EXPECT_EQ(static_cast<int>(c.digits), DecodeValue("+ " + encoded, 1024, prefixed));
        EXPECT_EQ(out, prefixed);
    }
}

TEST(DeviceValue, Decode_ThreeBlocks_UseCounterAndItsTwoIncrements)
{
    // Cipher text of zeros decodes to the bare counter stream.
    const std::vector<uint8_t> zeros(48, 0);
    std::vector<uint8_t> out;
    DecodeValue(Base64Encode(zeros.data(), zeros.size()), 1024, out);

    std::vector<uint8_t> counter(16, 0);
    MakeDeviceCounterBlock(counter.data());
    for (int block = 0; block < 3; block++) {
        SCOPED_TRACE(block);
        EXPECT_EQ(EncryptOneBlock(DeviceKey16(), counter),
                  std::vector<uint8_t>(out.begin() + 16 * block, out.begin() + 16 * (block + 1)));
        IncrementCounterBlock(counter.data());
    }
    EXPECT_EQ(0, out[48]);
}

TEST(DeviceValue, Decode_SixteenBytePlain_TransformsTwoBlocks)
{
    const std::string plain = "0123456789ABCDEF";
    const std::string encoded = EncodeDeviceValue(plain, kDeviceKey);
    ASSERT_EQ(24u, encoded.size());
    EXPECT_EQ("==", encoded.substr(22));

    // m = 18 rounds up to L = 32, which with its terminator needs 33 bytes.
    std::vector<uint8_t> out;
    EXPECT_EQ(0, DecodeValue(encoded, 32, out));
    EXPECT_TRUE(CanariesFrom(out, 0));

    const int length = DecodeValue(encoded, 33, out);
    EXPECT_EQ(Bytes(plain), Head(out, 16));
    // The second block is the transform of the zero-filled tail: counter plus one.
    const std::vector<uint8_t> stream = DeviceKeystream(32);
    EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 16, stream.end()),
              std::vector<uint8_t>(out.begin() + 16, out.begin() + 32));
    EXPECT_EQ(0, out[32]);
    EXPECT_EQ(static_cast<int>(strlen(reinterpret_cast<const char*>(out.data()))), length);
    EXPECT_GE(length, 16);
    EXPECT_TRUE(CanariesFrom(out, 33));
}

TEST(DeviceValue, Decode_UnpaddedValue_IsFollowedByTransformOfZeroTail)
{
    const std::string encoded = EncodeDeviceValue("2", kDeviceKey);
    ASSERT_EQ(4u, encoded.size());
    std::vector<uint8_t> out;
    const int length = DecodeValue(encoded, 1024, out);
    EXPECT_EQ('2', out[0]);
    const std::vector<uint8_t> stream = DeviceKeystream(16);
    EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 1, stream.end()),
              std::vector<uint8_t>(out.begin() + 1, out.begin() + 16));
    EXPECT_EQ(static_cast<int>(strlen(reinterpret_cast<const char*>(out.data()))), length);
}

TEST(DeviceValue, Decode_EmptyText_ZeroFillsOutAndReturnsZero)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(0, DecodeValue("", 64, out));
    EXPECT_EQ(std::vector<uint8_t>(64, 0), Head(out, 64));
    EXPECT_TRUE(CanariesFrom(out, 64));
}

TEST(DeviceValue, Decode_CarriageReturnText_DecodesNothingBeforeTheTransform)
{
    // Nothing is decoded, so the whole blocks hold the transform of zeros.
    const std::vector<uint8_t> stream = DeviceKeystream(16);
    const std::string texts[] = {"\rMTIz", "+ \rMTIz"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        std::vector<uint8_t> out;
        const int length = DecodeValue(text, 64, out);
        EXPECT_EQ(stream, Head(out, 16));
        EXPECT_EQ(std::vector<uint8_t>(48, 0), std::vector<uint8_t>(out.begin() + 16, out.begin() + 64));
        EXPECT_EQ(static_cast<int>(strlen(reinterpret_cast<const char*>(out.data()))), length);
    }
}

TEST(DeviceValue, Decode_InvalidTail_KeepsGroupsDecodedBeforeIt)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("7", 16), kDeviceKey);
    std::vector<uint8_t> out;
    EXPECT_EQ(1, DecodeValue(encoded + "!!!!", 1024, out));
    EXPECT_EQ('7', out[0]);
    // A cut-off group after the value fails the same way.
    EXPECT_EQ(1, DecodeValue(encoded + "QQ", 1024, out));
    EXPECT_EQ('7', out[0]);
}

TEST(DeviceValue, Decode_Key_UsesOnlyItsFirstSixteenBytes)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("42", 16), kDeviceKey);
    std::vector<uint8_t> out;
    EXPECT_EQ(2, DecodeValue(encoded, 1024, out, "tarnwick5831obelXY"));
    EXPECT_EQ(Bytes("42"), Head(out, 2));

    DecodeValue(encoded, 1024, out, "tarnwick5831obeX");
    EXPECT_NE(Bytes("42"), Head(out, 2));

    // A key shorter than sixteen bytes is refused without touching out.
    EXPECT_EQ(0, DecodeValue(encoded, 1024, out, "tarnwick5831obe"));
    EXPECT_TRUE(CanariesFrom(out, 0));
}

TEST(DeviceValue, Decode_SharedCipher_GivesSameResultEveryCall)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("1", 16), kDeviceKey);
    CAesCipher aes;
    const std::vector<uint8_t> otherKey = Hex("000102030405060708090a0b0c0d0e0f");
    aes.SetKey(otherKey.data(), 16);
    for (int call = 0; call < 2; call++) {
        SCOPED_TRACE(call);
        char out[64];
        memset(out, kCanary, sizeof(out));
        EXPECT_EQ(1, DecodeDeviceValue(aes, encoded.c_str(), out, sizeof(out), kDeviceKey));
        EXPECT_STREQ("1", out);
    }
}

TEST(DeviceValue, Decode_OutTooSmall_ReturnsZeroAndLeavesOutUntouched)
{
    const std::string four = EncodeDeviceValue(ZeroPadded("3", 3), kDeviceKey); // n 4, L 16
    const std::string sixteen = EncodeDeviceValue("0123456789ABCDEF", kDeviceKey); // n 24, L 32
    const struct {
        const std::string* encoded;
        size_t outSize;
    } cases[] = {
        {&four, 0}, {&four, 3}, {&four, 4}, {&four, 15}, {&four, 16},
        {&sixteen, 23}, {&sixteen, 24}, {&sixteen, 31}, {&sixteen, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outSize);
        std::vector<uint8_t> out;
        EXPECT_EQ(0, DecodeValue(*c.encoded, c.outSize, out));
        EXPECT_TRUE(CanariesFrom(out, 0));
    }
}

TEST(DeviceValue, Decode_OutJustLargeEnough_StaysInsideOut)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("3", 3), kDeviceKey);
    ASSERT_EQ(4u, encoded.size());
    std::vector<uint8_t> out;
    EXPECT_EQ(1, DecodeValue(encoded, 17, out));
    EXPECT_EQ(Bytes(std::string("3\0\0", 3)), Head(out, 3));
    const std::vector<uint8_t> stream = DeviceKeystream(16);
    EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 3, stream.end()),
              std::vector<uint8_t>(out.begin() + 3, out.begin() + 16));
    EXPECT_EQ(0, out[16]);
    EXPECT_TRUE(CanariesFrom(out, 17));
}

} // namespace
