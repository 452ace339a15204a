// AES forward block cipher (128, 192 and 256-bit keys) and the counter-mode
// transform built on it; counter mode needs no inverse cipher.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Adds one to a 16-byte block read as a little-endian number (byte 0 lowest);
// sixteen 0xFF bytes wrap to zeros.
void IncrementCounterBlock(uint8_t block[16]);

class CAesCipher
{
public:
    CAesCipher();

    // Expands a 16, 24 or 32-byte key; a null key or another length changes nothing.
    bool SetKey(const uint8_t* key, int keyBytes);
    // Stores the counter block of the first data block; null clears it.
    void SetCounter(const uint8_t* block);
    // Counter-mode transform; in and out may be the same buffer. Does nothing
    // without both buffers, a key and a counter, or when count is not a
    // non-zero multiple of 16.
    bool CryptCtr(const uint8_t* in, uint8_t* out, size_t count) const;

private:
    void EncryptBlock(const uint8_t in[16], uint8_t out[16]) const;

    bool m_bKeySet;
    uint32_t m_uRoundKey[60];
    int32_t m_nKeyLength;
    int32_t m_nRounds;
    bool m_bCounterSet;
    uint8_t m_byCounter[16];
};
