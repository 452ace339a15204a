// Prints, in hex, the text DecodeDeviceValue leaves for an encoded value, so a
// script can compare it with an independent AES implementation.
//   crypto_decode_main <encoded> [key]   decoded text in hex (empty line for none)
//   crypto_decode_main --counter         the initial counter block in hex
#include <stdio.h>
#include <string.h>

#include "../crypto/DeviceValue.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
        return 2;
    // The buffer size the tool itself decodes into.
    static char out[1024];
    uint8_t* block = reinterpret_cast<uint8_t*>(out);
    int length = 16;
    if (strcmp(argv[1], "--counter") == 0)
        MakeDeviceCounterBlock(block);
    else
        length = DecodeDeviceValue(argv[1], out, sizeof(out), argc == 3 ? argv[2] : "tarnwick5831obelsa");
    for (int i = 0; i < length; i++)
        printf("%02x", block[i]);
    printf("\n");
    return 0;
}
