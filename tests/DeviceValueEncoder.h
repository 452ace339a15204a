// The inverse of DecodeDeviceValue, for tests that need DeviceInfo.ini values.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Counter-mode encrypts every byte of plain (zeros included, length kept) with
// the first 16 bytes of key and the device counter block, then Base64-encodes it.
std::string EncodeDeviceValue(const std::string& plain, const char* key);
