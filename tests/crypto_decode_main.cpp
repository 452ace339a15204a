// Prints, in hex, the text DecodeDeviceValue leaves for an encoded value, so a
// script can compare it with an independent AES implementation.
//   crypto_decode_main <encoded> [key]   decoded text in hex (empty line for none)
//   crypto_decode_main --counter         the initial counter block in hex
#include <stdio.h>
#include <string.h>

#include "../crypto/DeviceValue.h"

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--counter") == 0) {
        uint8_t block[16];
        MakeDeviceCounterBlock(block);
        for (int i = 0; i < 16; i++)
            printf("%02x", block[i]);
        printf("\n");
        return 0;
    }
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s <encoded> [key] | --counter\n", argv[0]);
        return 2;
    }
    // The buffer size the tool itself decodes into.
    static char out[1024];
    const int length = DecodeDeviceValue(argv[1], out, sizeof(out), argc == 3 ? argv[2] : "tarnwick5831obelsa");
    for (int i = 0; i < length; i++)
        printf("%02x", static_cast<unsigned char>(out[i]));
    printf("\n");
    return 0;
}
