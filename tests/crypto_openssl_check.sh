#!/bin/bash
# Checks DecodeDeviceValue against OpenSSL's AES: the keystream of the counter
# blocks comes from "openssl enc -aes-128-ecb", the counter increment and the
# Base64 encoding from this script, and the native decoder must give back what
# the stream makes of the value. Exits non-zero on any mismatch.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KESTRUNE_BUILD_DIR:-/tmp/kestrune-crypto-openssl}
mkdir -p "$OUT"
CXX=${CXX:-g++}
$CXX -std=c++17 -O1 -Wall -Wextra -Werror -o "$OUT/crypto_decode_main" \
    "$ROOT/tests/crypto_decode_main.cpp" "$ROOT/crypto/AesCipher.cpp" \
    "$ROOT/crypto/Base64.cpp" "$ROOT/crypto/DeviceValue.cpp"
DRIVER="$OUT/crypto_decode_main"

KEY="tarnwick5831obelsa"
KEY_HEX=$(printf '%s' "${KEY:0:16}" | xxd -p)
COUNTER_HEX=$("$DRIVER" --counter)

# Adds one to a 32-digit hex block read little-endian (byte 0 first, least significant).
increment() {
    local hex=$1 out="" carry=1 i byte
    for ((i = 0; i < 16; i++)); do
        byte=$((16#${hex:2*i:2} + carry))
        if ((byte > 255)); then byte=0; carry=1; else carry=0; fi
        out+=$(printf '%02x' "$byte")
    done
    echo "$out"
}

# Keystream hex for a number of 16-byte blocks, starting at the initial counter.
keystream() {
    local blocks=$1 counter=$COUNTER_HEX all="" b
    for ((b = 0; b < blocks; b++)); do
        all+=$counter
        counter=$(increment "$counter")
    done
    printf '%s' "$all" | xxd -r -p | openssl enc -aes-128-ecb -nopad -K "$KEY_HEX" | xxd -p | tr -d '\n'
}

xor_hex() {
    local a=$1 b=$2 out="" i
    for ((i = 0; i < ${#a}; i += 2)); do
        out+=$(printf '%02x' $((16#${a:i:2} ^ 16#${b:i:2})))
    done
    echo "$out"
}

# Cuts a hex string at its first zero byte.
up_to_zero() {
    local hex=$1 i
    for ((i = 0; i < ${#hex}; i += 2)); do
        [ "${hex:i:2}" = "00" ] && { echo "${hex:0:i}"; return; }
    done
    echo "$hex"
}

failures=0
checks=0
# check <name> <plain hex> [prefix]
check() {
    local name=$1 plain=$2 prefix=${3:-}
    local k=$((${#plain} / 2))
    local blocks=$(((k + 15) / 16))
    local stream="" cipher="" encoded
    if ((blocks > 0)); then
        stream=$(keystream "$blocks")
        cipher=$(xor_hex "$plain" "${stream:0:2*k}")
    fi
    encoded=$prefix$(printf '%s' "$cipher" | xxd -r -p | openssl base64 -A)

    # The decoder transforms whole blocks of n / 4 * 3 bytes; beyond the cipher
    # text the work buffer is zero, so out holds the bare keystream there.
    local n=${#encoded}
    local m=$((n / 4 * 3))
    local total=$(((m + 15) / 16))
    local full_stream=""
    ((total > 0)) && full_stream=$(keystream "$total")
    local expected
    expected=$(up_to_zero "$plain${full_stream:2*k}")

    local actual
    actual=$("$DRIVER" "$encoded")
    checks=$((checks + 1))
    if [ "$actual" != "$expected" ]; then
        echo "FAIL $name: encoded '$encoded'"
        echo "  expected $expected"
        echo "  actual   $actual"
        failures=$((failures + 1))
    else
        echo "ok   $name ($encoded)"
    fi
}

hex_of() { printf '%s' "$1" | xxd -p | tr -d '\n'; }
zeros() { local i out=""; for ((i = 0; i < $1; i++)); do out+="00"; done; echo "$out"; }

check "one digit padded to a block" "$(hex_of 1)$(zeros 15)"
check "two digits padded to a block, prefixed" "$(hex_of 2)$(zeros 15)" "+ "
check "single byte without padding" "$(hex_of 2)"
check "sixteen bytes (24 characters, two blocks)" "$(hex_of 0123456789ABCDEF)"
check "three blocks carry from byte 0 into byte 1" "$(hex_of 31415926535897932384626433832795)$(zeros 16)"
check "longest value (189 bytes, twelve blocks)" "$(hex_of "$(printf '9%.0s' $(seq 180))")$(zeros 9)"
check "bytes of every value" "$(for ((i = 1; i < 256; i++)); do printf '%02x' $i; done)00"

echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ]
