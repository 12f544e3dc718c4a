#include "image/sha256.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t Rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

uint32_t LoadBigEndian(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// The hash of whole blocks, chosen once for the processor.
Sha256BlocksFunction ChooseBlocksFunction() {
    static const Sha256BlocksFunction pfn = [] {
        const Sha256BlocksFunction pfnFast = Sha256BlocksWithShaExtensions();
        return pfnFast != nullptr ? pfnFast : &Sha256BlocksPortable;
    }();
    return pfn;
}

}  // namespace

// The message schedule lives in a window of 16 words: word i + 16 replaces
// word i as soon as round i has used it.
void Sha256BlocksPortable(uint32_t* pState, const uint8_t* pData, size_t nBlocks) {
    for (; nBlocks > 0; --nBlocks, pData += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = LoadBigEndian(pData + 4 * i);
        }
        uint32_t a = pState[0], b = pState[1], c = pState[2], d = pState[3];
        uint32_t e = pState[4], f = pState[5], g = pState[6], h = pState[7];
        for (int i = 0; i < 64; ++i) {
            if (i >= 16) {
                const uint32_t w15 = w[(i - 15) & 15], w2 = w[(i - 2) & 15];
                const uint32_t s0 = Rotr(w15, 7) ^ Rotr(w15, 18) ^ (w15 >> 3);
                const uint32_t s1 = Rotr(w2, 17) ^ Rotr(w2, 19) ^ (w2 >> 10);
                w[i & 15] += s0 + w[(i - 7) & 15] + s1;
            }
            const uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + (g ^ (e & (f ^ g))) +
                                kSha256Round[i] + w[i & 15];
            const uint32_t t2 =
                (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) | (c & (a | b)));
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        pState[0] += a;
        pState[1] += b;
        pState[2] += c;
        pState[3] += d;
        pState[4] += e;
        pState[5] += f;
        pState[6] += g;
        pState[7] += h;
    }
}

void CSha256::Reset() {
    m_state = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
               0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    m_nPending = 0;
    m_nTotalBytes = 0;
    m_pfnBlocks = ChooseBlocksFunction();
}

void CSha256::Add(const uint8_t* pData, size_t nCount) {
    m_nTotalBytes += nCount;
    if (m_nPending > 0) {
        const size_t nTake = std::min(nCount, m_abPending.size() - m_nPending);
        std::memcpy(m_abPending.data() + m_nPending, pData, nTake);
        m_nPending += nTake;
        pData += nTake;
        nCount -= nTake;
        if (m_nPending < m_abPending.size()) {
            return;
        }
        m_pfnBlocks(m_state.data(), m_abPending.data(), 1);
        m_nPending = 0;
    }
    const size_t nBlocks = nCount / 64;
    if (nBlocks > 0) {
        m_pfnBlocks(m_state.data(), pData, nBlocks);
    }
    pData += nBlocks * 64;
    nCount -= nBlocks * 64;
    std::memcpy(m_abPending.data(), pData, nCount);
    m_nPending = nCount;
}

CSha256::Digest CSha256::Finish() {
    const uint64_t nBits = m_nTotalBytes * 8;
    const uint8_t abOne[1] = {0x80};
    Add(abOne, 1);
    const uint8_t abZeros[64] = {};
    Add(abZeros, (m_nPending <= 56 ? 56 : 120) - m_nPending);
    uint8_t abLength[8];
    for (int i = 0; i < 8; ++i) {
        abLength[i] = static_cast<uint8_t>(nBits >> (56 - 8 * i));
    }
    Add(abLength, sizeof abLength);
    Digest digest{};
    for (size_t i = 0; i < m_state.size(); ++i) {
        for (int j = 0; j < 4; ++j) {
            digest[4 * i + static_cast<size_t>(j)] =
                static_cast<uint8_t>(m_state[i] >> (24 - 8 * j));
        }
    }
    Reset();
    return digest;
}

std::string CSha256::ToHex(const Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string strHex;
    for (const uint8_t nByte : digest) {
        strHex += kDigits[nByte >> 4];
        strHex += kDigits[nByte & 0xF];
    }
    return strHex;
}
