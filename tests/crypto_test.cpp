// The Base64 decoder and the device-type value decoder. The cipher, and what a value decodes to,
// counter steps included, are checked against OpenSSL by crypto_openssl_check.sh; the encoded
// values below come from OpenSSL too.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "../crypto/AesCipher.h"
#include "../crypto/Base64.h"
#include "../crypto/DeviceValue.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const char kDeviceKey[] = "tarnwick5831obelsa";
const uint8_t kCanary = 0xAA;
// "7" and fourteen zeros (15 bytes, no padding); "42" and fourteen zeros (16 bytes).
const char kSeven[] = "7A1zkQkA1kC0hyqPlL/9";
const char kFortyTwo[] = "7z9zkQkA1kC0hyqPlL/9Ug==";

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Head(const Bytes& v, size_t n) { return Bytes(v.begin(), v.begin() + n); }

TEST(Base64, Decode_WritesWholeGroupsUpToItsStopOrFailure)
{
    const struct {
        const char* text;
        size_t maxBytes;  // 0: no limit
        int result;
        std::string written;  // what out holds afterwards; the byte after it is untouched
    } cases[] = {
        // RFC 4648 vectors.
        {"", 0, 0, ""}, {"Zg==", 0, 1, "f"}, {"Zm8=", 0, 2, "fo"}, {"Zm9v", 0, 3, "foo"},
        {"Zm9vYg==", 0, 4, "foob"}, {"Zm9vYmE=", 0, 5, "fooba"}, {"Zm9vYmFy", 0, 6, "foobar"},
        // A leading "+ " is skipped; without the blank the plus sign is an alphabet character.
        {"+ Zm9vYmFy", 0, 6, "foobar"},
        {"+Zm9", 0, 3, "\xf9\x99\xbd"},
        // Each character of the alphabet gives its index: 0, 1, 2 ... 63 in six bits each.
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 0, 48,
         std::string("\x00\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\x41\x14\x93\x51"
                     "\x55\x97\x61\x96\x9b\x71\xd7\x9f\x82\x18\xa3\x92\x59\xa7\xa2\x9a"
                     "\xab\xb2\xdb\xaf\xc3\x1c\xb3\xd3\x5d\xb7\xe3\x9e\xbb\xf3\xdf\xbf", 48)},
        // A carriage return at the start of a group ends decoding; inside one it is invalid.
        {"\rZm9v", 0, 0, ""}, {"+ \rZm9v", 0, 0, ""}, {"Zm9v\rYmFy", 0, 3, "foo"},
        {"Zm9vY\rFy", 0, -1, "foo"},
        // A group ending in padding stops; padding only in the third place writes one byte.
        {"Zg==Zm9v", 0, 1, "f"}, {"Zm8=Zm9v", 0, 2, "fo"}, {"Zg=AZm9v", 0, 4, "ffoo"},
        // A partial final group or an invalid one fails, keeping the groups before it.
        {"Zm9vQ", 0, -1, "foo"}, {"Zm9vQQQ", 0, -1, "foo"}, {"QQ", 0, -1, ""},
        {"Zm9v!m9v", 0, -1, "foo"}, {"Zm9v\x80m9v", 0, -1, "foo"}, {"Zm9v=m9v", 0, -1, "foo"},
        {"Zm9vZ=9v", 0, -1, "foo"}, {"Zm9vZm 9", 0, -1, "foo"}, {"Zm9vZm-_", 0, -1, "foo"},
        // The limit fails before the first byte too many; padded groups count what they write.
        {"Zm9vYmFy", 6, 6, "foobar"}, {"Zm9vYmFy", 5, -1, "fooba"}, {"Zm9vYmFy", 1, -1, "f"},
        {"Zm8=", 2, 2, "fo"},
    };
    for (const auto& c : cases) {
        // Exactly sized, so a read past the terminator shows under the sanitizer.
        std::vector<char> exact(c.text, c.text + strlen(c.text) + 1);
        Bytes out(64, kCanary);
        EXPECT_EQ(c.result, Base64Decode(exact.data(), out.data(), c.maxBytes)) << c.text;
        EXPECT_EQ(Text(c.written), Head(out, c.written.size())) << c.text;
        EXPECT_EQ(kCanary, out[c.written.size()]) << c.text;
    }
}

// Decodes into outSize bytes followed by canaries.
int DecodeValue(const std::string& encoded, size_t outSize, Bytes& out, const char* key = kDeviceKey)
{
    out = Bytes(outSize + 8, kCanary);
    return DecodeDeviceValue(encoded.c_str(), reinterpret_cast<char*>(out.data()), outSize, key);
}

bool CanariesFrom(const Bytes& out, size_t from)
{
    return Bytes(out.begin() + from, out.end()) == Bytes(out.size() - from, kCanary);
}

// 4 characters need one block and its terminator, 24 characters two blocks and it.
TEST(DeviceValue, OutTooSmall_ReturnsZeroAndLeavesOutUntouched_ExactFitWritesNoFurther)
{
    const struct {
        const char* encoded;
        size_t outSize;
        int result;
    } cases[] = {{"MTIz", 0, 0},     {"MTIz", 3, 0},     {"MTIz", 16, 0}, {kFortyTwo, 23, 0},
                 {kFortyTwo, 32, 0}, {kFortyTwo, 33, 2}, {kSeven, 19, 0}, {kSeven, 20, 1}};
    for (const auto& c : cases) {
        Bytes out;
        EXPECT_EQ(c.result, DecodeValue(c.encoded, c.outSize, out)) << c.encoded << " " << c.outSize;
        EXPECT_TRUE(CanariesFrom(out, c.result ? c.outSize : 0)) << c.encoded << " " << c.outSize;
    }
}

TEST(DeviceValue, InvalidTail_KeepsTheGroupsDecodedBeforeIt)
{
    for (const std::string tail : {"", "!!!!", "QQ"}) {
        Bytes out;
        EXPECT_EQ(1, DecodeValue(kSeven + tail, 1024, out)) << tail;
        EXPECT_EQ('7', out[0]) << tail;
    }
}

TEST(DeviceValue, Key_OnlyItsFirstSixteenBytesCount_AShorterOneIsRefused)
{
    Bytes out;
    EXPECT_EQ(2, DecodeValue(kFortyTwo, 1024, out, "tarnwick5831obelXY"));
    EXPECT_EQ(Text(std::string("42", 3)), Head(out, 3)) << "and its terminator";
    DecodeValue(kFortyTwo, 1024, out, "tarnwick5831obeX");
    EXPECT_NE(Text("42"), Head(out, 2));
    EXPECT_EQ(0, DecodeValue(kFortyTwo, 1024, out, "tarnwick5831obe"));
    EXPECT_TRUE(CanariesFrom(out, 0));
}

TEST(DeviceValue, SharedCipher_GivesTheSameResultEveryCall)
{
    CAesCipher aes;  // keyed otherwise before: the decoder sets its own key
    aes.SetKey(reinterpret_cast<const uint8_t*>("0123456789abcdef"), 16);
    for (int call = 0; call < 2; call++) {
        char out[64];
        memset(out, kCanary, sizeof(out));
        EXPECT_EQ(2, DecodeDeviceValue(aes, kFortyTwo, out, sizeof(out), kDeviceKey)) << call;
        EXPECT_STREQ("42", out) << call;
    }
}

}  // namespace
