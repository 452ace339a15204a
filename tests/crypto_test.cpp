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
#include "DeviceValueEncoder.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const char kDeviceKey[] = "tarnwick5831obelsa";
const char kKey128[] = "000102030405060708090a0b0c0d0e0f";
const uint8_t kCanary = 0xAA;

Bytes Hex(const char* hex)
{
    Bytes bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        bytes.push_back(static_cast<uint8_t>(strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

std::string HexText(const char* hex)
{
    const Bytes bytes = Hex(hex);
    return std::string(bytes.begin(), bytes.end());
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Slice(const Bytes& v, size_t from, size_t to)
{
    return Bytes(v.begin() + from, v.begin() + to);
}

// Counter mode over zeros from the given counter: the cipher's key stream.
Bytes KeyStream(const Bytes& key, const Bytes& counter, size_t bytes)
{
    CAesCipher aes;
    EXPECT_TRUE(aes.SetKey(key.data(), static_cast<int>(key.size())));
    aes.SetCounter(counter.data());
    Bytes zeros(bytes, 0), out(bytes, 0);
    EXPECT_TRUE(aes.CryptCtr(zeros.data(), out.data(), bytes));
    return out;
}

// One forward-cipher block: counter mode over a zero block yields E(counter).
Bytes EncryptOneBlock(const Bytes& key, const Bytes& block)
{
    return KeyStream(key, block, 16);
}

Bytes DeviceCounter()
{
    Bytes counter(16, 0);
    MakeDeviceCounterBlock(counter.data());
    return counter;
}

// The bytes the device counter stream makes of a zero-filled buffer.
Bytes DeviceKeystream(size_t bytes)
{
    return KeyStream(Bytes(kDeviceKey, kDeviceKey + 16), DeviceCounter(), bytes);
}

std::string ZeroPadded(const std::string& text, size_t total)
{
    std::string s = text;
    s.resize(total, '\0');
    return s;
}

// ---------------------------------------------------------------- AES

TEST(AesCipher, ForwardCipher_MatchesFips197Vectors)
{
    const struct {
        const char* name;
        const char* key;
        const char* plain;
        const char* cipher;
    } vectors[] = {
        {"appendix B", "2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
         "3925841d02dc09fbdc118597196a0b32"},
        {"C.1 AES-128", kKey128, "00112233445566778899aabbccddeeff",
         "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"C.2 AES-192", "000102030405060708090a0b0c0d0e0f1011121314151617",
         "00112233445566778899aabbccddeeff", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"C.3 AES-256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(Hex(v.cipher), EncryptOneBlock(Hex(v.key), Hex(v.plain)));
    }
}

TEST(AesCipher, SetKey_NullOrOtherLength_KeepsPreviousKey)
{
    const Bytes key = Hex(kKey128);
    const Bytes other = Hex("ffeeddccbbaa99887766554433221100ffeeddccbbaa9988");
    const Bytes plain = Hex("00112233445566778899aabbccddeeff");
    CAesCipher aes;
    ASSERT_TRUE(aes.SetKey(key.data(), 16));
    EXPECT_FALSE(aes.SetKey(nullptr, 16));
    for (int length : {0, 20, 17})
        EXPECT_FALSE(aes.SetKey(other.data(), length)) << length;
    aes.SetCounter(plain.data());
    Bytes zeros(16, 0), out(16, 0);
    ASSERT_TRUE(aes.CryptCtr(zeros.data(), out.data(), 16));
    EXPECT_EQ(Hex("69c4e0d86a7b0430d8cdb78070b4c55a"), out);
}

TEST(AesCipher, CryptCtr_WithoutKeyCounterOrWholeBlocks_LeavesOutputAlone)
{
    const Bytes key = Hex(kKey128);
    const Bytes counter(16, 0);
    const Bytes in(48, 0x11);
    Bytes out(48, kCanary);
    const Bytes untouched(48, kCanary);
    auto refuses = [&](const CAesCipher& aes, const uint8_t* from, uint8_t* to, size_t count) {
        EXPECT_FALSE(aes.CryptCtr(from, to, count)) << count;
        EXPECT_EQ(untouched, out) << count;
    };

    CAesCipher noKey;
    noKey.SetCounter(counter.data());
    refuses(noKey, in.data(), out.data(), 16);
    CAesCipher noCounter;
    noCounter.SetKey(key.data(), 16);
    refuses(noCounter, in.data(), out.data(), 16);
    CAesCipher cleared;
    cleared.SetKey(key.data(), 16);
    cleared.SetCounter(counter.data());
    cleared.SetCounter(nullptr);
    refuses(cleared, in.data(), out.data(), 16);

    CAesCipher ready;
    ready.SetKey(key.data(), 16);
    ready.SetCounter(counter.data());
    for (size_t count : {0, 1, 15, 17, 33})
        refuses(ready, in.data(), out.data(), count);
    refuses(ready, nullptr, out.data(), 16);
    EXPECT_FALSE(ready.CryptCtr(in.data(), nullptr, 16));
    EXPECT_TRUE(ready.CryptCtr(in.data(), out.data(), 48));
    EXPECT_NE(untouched, out);
}

TEST(AesCipher, CounterIncrement_IsLittleEndianWithCarry_AndFeedsTheSecondBlock)
{
    // Byte 0 is the least significant byte of the counter.
    const struct {
        const char* name;
        const char* before;
        const char* after;
    } steps[] = {
        {"zero", "00000000000000000000000000000000", "01000000000000000000000000000000"},
        {"byte 0 below 0xFF", "fe000000000000000000000000000000",
         "ff000000000000000000000000000000"},
        {"byte 0 at 0xFF carries into byte 1", "ff000000000000000000000000000007",
         "00010000000000000000000000000007"},
        {"carry runs through bytes 0 to 2", "ffffff05000000000000000000000000",
         "00000006000000000000000000000000"},
        {"byte 15 at 0xFF is not touched", "000000000000000000000000000000ff",
         "010000000000000000000000000000ff"},
        {"sixteen 0xFF wrap to zeros", "ffffffffffffffffffffffffffffffff",
         "00000000000000000000000000000000"},
    };
    const Bytes key = Hex(kKey128);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        Bytes block = Hex(step.before);
        IncrementCounterBlock(block.data());
        EXPECT_EQ(Hex(step.after), block);

        const Bytes stream = KeyStream(key, Hex(step.before), 32);
        EXPECT_EQ(EncryptOneBlock(key, Hex(step.before)), Slice(stream, 0, 16));
        EXPECT_EQ(EncryptOneBlock(key, Hex(step.after)), Slice(stream, 16, 32));
    }
}

TEST(AesCipher, CryptCtr_RepeatedAndInPlace_StartFromStoredCounter)
{
    const Bytes key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
    const Bytes counter = Hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
    const Bytes in = Slice(Text("The quick brown fox jumps over the lazy dog, twice!"), 0, 48);
    CAesCipher aes;
    aes.SetKey(key.data(), 16);
    aes.SetCounter(counter.data());

    Bytes first(48, 0), second(48, 0);
    ASSERT_TRUE(aes.CryptCtr(in.data(), first.data(), 48));
    ASSERT_TRUE(aes.CryptCtr(in.data(), second.data(), 48));
    EXPECT_EQ(first, second);
    EXPECT_NE(in, first);

    Bytes inPlace = in;
    ASSERT_TRUE(aes.CryptCtr(inPlace.data(), inPlace.data(), 48));
    EXPECT_EQ(first, inPlace);

    Bytes back(48, 0);
    ASSERT_TRUE(aes.CryptCtr(first.data(), back.data(), 48));
    EXPECT_EQ(in, back);
}

// ---------------------------------------------------------------- Base64

// Decodes text into a canary-filled buffer; returns the result and the buffer.
int Decode(const char* text, Bytes& out, size_t maxBytes = 0, size_t outBytes = 64)
{
    out = Bytes(outBytes, kCanary);
    return Base64Decode(text, out.data(), maxBytes);
}

TEST(Base64, Decode_WritesWholeGroupsUpToItsStopOrFailure)
{
    const struct {
        const char* text;
        size_t maxBytes;  // 0: no limit
        int result;
        // What out holds afterwards; the byte after it is untouched.
        std::string written;
    } cases[] = {
        // RFC 4648 vectors.
        {"", 0, 0, ""}, {"Zg==", 0, 1, "f"}, {"Zm8=", 0, 2, "fo"}, {"Zm9v", 0, 3, "foo"},
        {"Zm9vYg==", 0, 4, "foob"}, {"Zm9vYmE=", 0, 5, "fooba"}, {"Zm9vYmFy", 0, 6, "foobar"},
        // A leading "+ " is skipped; without the blank the plus sign is an alphabet character.
        {"+ Zm9vYmFy", 0, 6, "foobar"},
        {"+Zm9", 0, 3, "\xf9\x99\xbd"},
        // Each character of the alphabet gives its index: 0, 1, 2 ... 63 in six bits each.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 0, 48,
         HexText("00108310518720928b30d38f41149351559761969b71d79f"
                 "8218a39259a7a29aabb2dbafc31cb3d35db7e39ebbf3dfbf")},
        // A carriage return at the start of a group ends decoding; inside one it is invalid.
        {"\rZm9v", 0, 0, ""},
        {"+ \rZm9v", 0, 0, ""},
        {"Zm9v\rYmFy", 0, 3, "foo"},
        {"Zm9vY\rFy", 0, -1, "foo"},
        // A group ending in padding stops; padding only in the third place writes one byte.
        {"Zg==Zm9v", 0, 1, "f"},
        {"Zm8=Zm9v", 0, 2, "fo"},
        {"Zg=AZm9v", 0, 4, "ffoo"},
        // A partial final group fails after the complete ones.
        {"Zm9vQ", 0, -1, "foo"}, {"Zm9vQQ", 0, -1, "foo"}, {"Zm9vQQQ", 0, -1, "foo"},
        {"QQ", 0, -1, ""},
        // An invalid group fails, keeping the groups before it.
        {"Zm9v!m9v", 0, -1, "foo"},        // punctuation
        {"Zm9v\x80m9v", 0, -1, "foo"},     // high byte
        {"Zm9vZm\xC3\xA9", 0, -1, "foo"},  // UTF-8 letter
        {"Zm9v=m9v", 0, -1, "foo"},        // padding in first place
        {"Zm9vZ=9v", 0, -1, "foo"},        // padding in second place
        {"Zm9vZm 9", 0, -1, "foo"},        // blank
        {"Zm9vZm-_", 0, -1, "foo"},        // URL-safe alphabet
        {"Zm9vZm9\n", 0, -1, "foo"},       // line break inside a group
        // The limit fails before the first byte too many; padded groups count what they write.
        {"Zm9vYmFy", 6, 6, "foobar"}, {"Zm9vYmFy", 100, 6, "foobar"},
        {"Zm9vYmFy", 5, -1, "fooba"}, {"Zm9vYmFy", 1, -1, "f"},
        {"Zm8=", 2, 2, "fo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        // Exactly sized, so a read past the terminator shows under a sanitizer.
        std::vector<char> exact(c.text, c.text + strlen(c.text) + 1);
        Bytes out;
        EXPECT_EQ(c.result, Decode(exact.data(), out, c.maxBytes));
        EXPECT_EQ(Text(c.written), Slice(out, 0, c.written.size()));
        EXPECT_EQ(kCanary, out[c.written.size()]);
    }
}

TEST(Base64, Encode_RoundTripsThroughDecode)
{
    Bytes all(256);
    for (int i = 0; i < 256; i++)
        all[i] = static_cast<uint8_t>(i);
    for (size_t size = 0; size <= 256; size += 37) {
        SCOPED_TRACE(size);
        const std::string text = Base64Encode(all.data(), size);
        EXPECT_EQ((size + 2) / 3 * 4, text.size());
        Bytes out;
        ASSERT_EQ(static_cast<int>(size), Decode(text.c_str(), out, 0, 300));
        EXPECT_EQ(Slice(all, 0, size), Slice(out, 0, size));
    }
    EXPECT_EQ("Zm9vYmE=", Base64Encode(reinterpret_cast<const uint8_t*>("fooba"), 5));
}

// ---------------------------------------------------------------- device value

// Decodes into a buffer of outSize bytes followed by canaries.
int DecodeValue(const std::string& encoded, size_t outSize, Bytes& buffer,
                const char* key = kDeviceKey)
{
    buffer = Bytes(outSize + 8, kCanary);
    return DecodeDeviceValue(encoded.c_str(), reinterpret_cast<char*>(buffer.data()), outSize, key);
}

bool CanariesFrom(const Bytes& buffer, size_t from)
{
    return Slice(buffer, from, buffer.size()) == Bytes(buffer.size() - from, kCanary);
}

int TextLength(const Bytes& out)
{
    return static_cast<int>(strlen(reinterpret_cast<const char*>(out.data())));
}

// out[from, to) holds the transform of zeros: the device key stream at the same place.
void ExpectKeystreamTail(const Bytes& out, size_t from, size_t to)
{
    EXPECT_EQ(Slice(DeviceKeystream(to), from, to), Slice(out, from, to));
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
        Bytes out, prefixed;
        ASSERT_EQ(static_cast<int>(c.digits), DecodeValue(encoded, 1024, out));
        EXPECT_EQ(Text(c.plain.substr(0, c.digits)), Slice(out, 0, c.digits));
        EXPECT_EQ(0, out[c.digits]);
        EXPECT_TRUE(CanariesFrom(out, 1024));
        EXPECT_EQ(static_cast<int>(c.digits), DecodeValue("+ " + encoded, 1024, prefixed));
        EXPECT_EQ(out, prefixed);
    }
}

TEST(DeviceValue, Decode_ThreeBlocks_UseCounterAndItsTwoIncrements)
{
    // Cipher text of zeros decodes to the bare counter stream.
    const Bytes zeros(48, 0);
    Bytes out;
    DecodeValue(Base64Encode(zeros.data(), zeros.size()), 1024, out);
    Bytes counter = DeviceCounter();
    for (int block = 0; block < 3; block++) {
        SCOPED_TRACE(block);
        EXPECT_EQ(EncryptOneBlock(Bytes(kDeviceKey, kDeviceKey + 16), counter),
                  Slice(out, 16 * block, 16 * (block + 1)));
        IncrementCounterBlock(counter.data());
    }
    EXPECT_EQ(0, out[48]);
}

TEST(DeviceValue, Decode_ValueShorterThanItsBlocks_IsFollowedByTransformOfZeroTail)
{
    // Sixteen bytes: m = 18 rounds up to L = 32, which with its terminator needs 33 bytes.
    const std::string plain = "0123456789ABCDEF";
    const std::string sixteen = EncodeDeviceValue(plain, kDeviceKey);
    ASSERT_EQ(24u, sixteen.size());
    EXPECT_EQ("==", sixteen.substr(22));
    Bytes out;
    EXPECT_EQ(0, DecodeValue(sixteen, 32, out));
    EXPECT_TRUE(CanariesFrom(out, 0));
    int length = DecodeValue(sixteen, 33, out);
    EXPECT_EQ(Text(plain), Slice(out, 0, 16));
    ExpectKeystreamTail(out, 16, 32);
    EXPECT_EQ(0, out[32]);
    EXPECT_EQ(TextLength(out), length);
    EXPECT_GE(length, 16);
    EXPECT_TRUE(CanariesFrom(out, 33));

    // An unpadded single byte.
    const std::string two = EncodeDeviceValue("2", kDeviceKey);
    ASSERT_EQ(4u, two.size());
    length = DecodeValue(two, 1024, out);
    EXPECT_EQ('2', out[0]);
    ExpectKeystreamTail(out, 1, 16);
    EXPECT_EQ(TextLength(out), length);

    // An out just large enough for the block and its terminator.
    const std::string three = EncodeDeviceValue(ZeroPadded("3", 3), kDeviceKey);
    ASSERT_EQ(4u, three.size());
    EXPECT_EQ(1, DecodeValue(three, 17, out));
    EXPECT_EQ(Text(std::string("3\0\0", 3)), Slice(out, 0, 3));
    ExpectKeystreamTail(out, 3, 16);
    EXPECT_EQ(0, out[16]);
    EXPECT_TRUE(CanariesFrom(out, 17));
}

TEST(DeviceValue, Decode_EmptyOrCarriageReturnText_DecodesNothingBeforeTheTransform)
{
    Bytes out;
    EXPECT_EQ(0, DecodeValue("", 64, out));
    EXPECT_EQ(Bytes(64, 0), Slice(out, 0, 64));
    EXPECT_TRUE(CanariesFrom(out, 64));

    // Nothing is decoded, so the whole blocks hold the transform of zeros.
    for (const std::string text : {"\rMTIz", "+ \rMTIz"}) {
        SCOPED_TRACE(text);
        const int length = DecodeValue(text, 64, out);
        ExpectKeystreamTail(out, 0, 16);
        EXPECT_EQ(Bytes(48, 0), Slice(out, 16, 64));
        EXPECT_EQ(TextLength(out), length);
    }
}

TEST(DeviceValue, Decode_InvalidTail_KeepsGroupsDecodedBeforeIt)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("7", 16), kDeviceKey);
    // A cut-off group after the value fails the same way as an invalid one.
    for (const std::string tail : {"!!!!", "QQ"}) {
        Bytes out;
        EXPECT_EQ(1, DecodeValue(encoded + tail, 1024, out)) << tail;
        EXPECT_EQ('7', out[0]) << tail;
    }
}

TEST(DeviceValue, Decode_Key_UsesOnlyItsFirstSixteenBytes)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("42", 16), kDeviceKey);
    Bytes out;
    EXPECT_EQ(2, DecodeValue(encoded, 1024, out, "tarnwick5831obelXY"));
    EXPECT_EQ(Text("42"), Slice(out, 0, 2));
    DecodeValue(encoded, 1024, out, "tarnwick5831obeX");
    EXPECT_NE(Text("42"), Slice(out, 0, 2));
    // A key shorter than sixteen bytes is refused without touching out.
    EXPECT_EQ(0, DecodeValue(encoded, 1024, out, "tarnwick5831obe"));
    EXPECT_TRUE(CanariesFrom(out, 0));
}

TEST(DeviceValue, Decode_SharedCipher_GivesSameResultEveryCall)
{
    const std::string encoded = EncodeDeviceValue(ZeroPadded("1", 16), kDeviceKey);
    CAesCipher aes;
    const Bytes otherKey = Hex(kKey128);
    aes.SetKey(otherKey.data(), 16);
    for (int call = 0; call < 2; call++) {
        char out[64];
        memset(out, kCanary, sizeof(out));
        EXPECT_EQ(1, DecodeDeviceValue(aes, encoded.c_str(), out, sizeof(out), kDeviceKey)) << call;
        EXPECT_STREQ("1", out) << call;
    }
}

TEST(DeviceValue, Decode_OutTooSmall_ReturnsZeroAndLeavesOutUntouched)
{
    const std::string four = EncodeDeviceValue(ZeroPadded("3", 3), kDeviceKey);     // n 4, L 16
    const std::string sixteen = EncodeDeviceValue("0123456789ABCDEF", kDeviceKey);  // n 24, L 32
    const struct {
        const std::string* encoded;
        size_t outSize;
    } cases[] = {
        {&four, 0}, {&four, 3}, {&four, 4}, {&four, 15}, {&four, 16},
        {&sixteen, 23}, {&sixteen, 24}, {&sixteen, 31}, {&sixteen, 32},
    };
    for (const auto& c : cases) {
        Bytes out;
        EXPECT_EQ(0, DecodeValue(*c.encoded, c.outSize, out)) << c.outSize;
        EXPECT_TRUE(CanariesFrom(out, 0)) << c.outSize;
    }
}

}  // namespace
