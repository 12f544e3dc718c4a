#pragma once

#include <cstdint>
#include <string_view>

#include "image/update_record.h"

// Hex digits and checksums, shared by the Intel HEX and the S-record reader.
//
// Only '0'-'9' and 'A'-'F' are digits, as the device's tools write them. A
// pair whose high character is no digit takes the low nibble of the byte
// decoded just before (0 in the first pair); a low character that is no digit
// counts 0; an odd-length text ends with a pair whose low character is the
// terminating NUL. These rules cost nothing on the usual line: it is decoded
// with two lookup tables, and only a line that holds a character which is no
// digit is decoded again character by character.

// Decodes the pairs of str into pOut, at most kDecodeBufferSize bytes, and
// returns how many it wrote. *pchLowerCase is the first lower-case hex digit
// among the characters decoded, 0 when there is none: to the reader such a
// character is no digit, so a record written with them would reach the device
// with other bytes than the file shows.
int DecodeHexPairs(uint8_t* pOut, std::string_view str, char* pchLowerCase);

// The sum of nCount bytes, modulo 256: the checksums of both formats.
inline uint8_t SumOfBytes(const uint8_t* pBytes, int nCount) {
    unsigned nSum = 0;
    for (int i = 0; i < nCount; ++i) {
        nSum += pBytes[i];
    }
    return static_cast<uint8_t>(nSum);
}
