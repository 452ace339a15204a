// Values of a dump file: little-endian whatever the host, and without alignment.
#pragma once
#include <stddef.h>
#include <stdint.h>

inline uint32_t Little32(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// A value of 4 or 8 bytes: a pointer or stop parameter of the dump's width, or a time.
inline uint64_t Little(const unsigned char* at, size_t bytes)
{
    return bytes == 8 ? Little32(at) | (static_cast<uint64_t>(Little32(at + 4)) << 32)
                      : Little32(at);
}
