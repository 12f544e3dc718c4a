#include "image/hex_digits.h"

#include <algorithm>
#include <array>

namespace {

// A character's value as the high and as the low half of a byte, with
// kNotDigit set for a character that is no digit; or'ed over a line, the bit
// tells whether the fast decoding holds.
constexpr unsigned kNotDigit = 0x100;

constexpr std::array<uint16_t, 256> MakeHalfTable(int nShift) {
    std::array<uint16_t, 256> table{};
    for (auto& value : table) {
        value = kNotDigit;
    }
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<size_t>(c)] = static_cast<uint16_t>((c - '0') << nShift);
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<size_t>(c)] = static_cast<uint16_t>((c - 'A' + 10) << nShift);
    }
    return table;
}
constexpr std::array<uint16_t, 256> kHighHalf = MakeHalfTable(4);
constexpr std::array<uint16_t, 256> kLowHalf = MakeHalfTable(0);

int DigitValue(char c) {
    const unsigned nValue = kLowHalf[static_cast<uint8_t>(c)];
    return nValue == kNotDigit ? -1 : static_cast<int>(nValue);
}

void NoteLowerCase(char c, char* pchLowerCase) {
    if (*pchLowerCase == 0 && c >= 'a' && c <= 'f') {
        *pchLowerCase = c;
    }
}

// The pairs one character at a time, with every rule for characters that
// are no digits.
int DecodeCharacterByCharacter(uint8_t* pOut, std::string_view str, char* pchLowerCase) {
    const size_t n = str.size();
    int nCount = 0;
    int nPrevLow = 0;
    for (size_t i = 0; i < n && nCount < kDecodeBufferSize; i += 2) {
        int nHigh = DigitValue(str[i]);
        const char chLow = i + 1 < n ? str[i + 1] : '\0';
        int nLow = DigitValue(chLow);
        if (nHigh < 0) {
            NoteLowerCase(str[i], pchLowerCase);
            nHigh = nPrevLow;
        }
        if (nLow < 0) {
            NoteLowerCase(chLow, pchLowerCase);
            nLow = 0;
        }
        pOut[nCount++] = static_cast<uint8_t>(nHigh << 4 | nLow);
        nPrevLow = nLow;
    }
    return nCount;
}

}  // namespace

int DecodeHexPairs(uint8_t* pOut, std::string_view str, char* pchLowerCase) {
    *pchLowerCase = 0;
    const auto* pText = reinterpret_cast<const uint8_t*>(str.data());
    const size_t nPairs = std::min<size_t>(str.size() / 2, kDecodeBufferSize);
    unsigned nSeen = 0;
    for (size_t i = 0; i < nPairs; ++i) {
        const unsigned nByte = kHighHalf[pText[2 * i]] | kLowHalf[pText[2 * i + 1]];
        nSeen |= nByte;
        pOut[i] = static_cast<uint8_t>(nByte);
    }
    // A last half pair (an odd length under the limit) ends in the NUL.
    const bool bWholePairs = str.size() % 2 == 0 || nPairs == kDecodeBufferSize;
    if ((nSeen & kNotDigit) == 0 && bWholePairs) {
        return static_cast<int>(nPairs);
    }
    return DecodeCharacterByCharacter(pOut, str, pchLowerCase);
}
