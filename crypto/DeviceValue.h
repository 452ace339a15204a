// Decodes the device-type value a service client stores in its DeviceInfo.ini:
// Base64 text of AES-128 counter-mode cipher text.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "AesCipher.h"

// Fills block with the counter block of a value's first 16 bytes.
void MakeDeviceCounterBlock(uint8_t block[16]);

// Decodes the zero-terminated encoded text with the first 16 bytes of key into
// out and returns the length of the zero-terminated text left there. Returns 0
// without touching out when out cannot hold the whole transform plus a
// terminating zero (or is shorter than encoded), or when key has fewer than
// 16 bytes.
int DecodeDeviceValue(CAesCipher& aes, const char* encoded, char* out, size_t outSize,
                      const char* key);

// The same with a cipher of its own.
int DecodeDeviceValue(const char* encoded, char* out, size_t outSize, const char* key);
