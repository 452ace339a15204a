// Base64 decoding (standard alphabet) of the stored device-type text.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Decodes groups of four characters into out, stopping at the terminating zero,
// a carriage return at the start of a group, or after a group ending in '='.
// A leading "+ " is skipped; a leading carriage return gives 0. maxBytes 0
// means no limit. Returns the bytes written, or -1 on an invalid or partial
// group or when the limit would be exceeded; bytes already written stay.
int Base64Decode(const char* text, uint8_t* out, size_t maxBytes);
