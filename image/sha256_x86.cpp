// SHA-256 on the x86 SHA extensions: two rounds per SHA256RNDS2, the message
// schedule four words at a time by SHA256MSG1 and SHA256MSG2. The function is
// compiled for those instructions alone (a target attribute, not a flag for
// the whole build) and handed out only once the processor has said it has
// them, so the program still runs on a processor without.

#include <cpuid.h>
#include <immintrin.h>

#include "image/sha256_blocks.h"

namespace {

constexpr unsigned kLeaf1EcxSsse3 = 1u << 9;
constexpr unsigned kLeaf1EcxSse41 = 1u << 19;
constexpr unsigned kLeaf7EbxSha = 1u << 29;

bool ProcessorHasShaExtensions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & kLeaf1EcxSsse3) == 0 ||
        (c & kLeaf1EcxSse41) == 0) {
        return false;
    }
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & kLeaf7EbxSha) != 0;
}

// The state is kept as the instructions want it: A B E F in one register,
// C D G H in the other. Sixteen groups of four rounds; group g uses message
// words 4g..4g+3, held in msg[g % 4], and prepares the words of later groups.
__attribute__((target("sha,sse4.1"))) void Sha256BlocksShaNi(uint32_t* pState, const uint8_t* pData,
                                                             size_t nBlocks) {
    const __m128i kByteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pState)), 0xB1);
    __m128i state1 =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pState + 4)), 0x1B);
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);  // A B E F
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);       // C D G H
    for (; nBlocks > 0; --nBlocks, pData += 64) {
        const __m128i abef = state0, cdgh = state1;
        __m128i msg[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            if (g < 4) {
                msg[g] = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(pData + 16 * g)), kByteSwap);
            }
            __m128i words = _mm_add_epi32(
                msg[g & 3],
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha256Round + 4 * g)));
            state1 = _mm_sha256rnds2_epu32(state1, state0, words);
            if (g >= 3 && g < 15) {
                const __m128i next = _mm_alignr_epi8(msg[g & 3], msg[(g + 3) & 3], 4);
                msg[(g + 1) & 3] =
                    _mm_sha256msg2_epu32(_mm_add_epi32(msg[(g + 1) & 3], next), msg[g & 3]);
            }
            words = _mm_shuffle_epi32(words, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, words);
            if (g >= 1 && g < 13) {
                msg[(g + 3) & 3] = _mm_sha256msg1_epu32(msg[(g + 3) & 3], msg[g & 3]);
            }
        }
        state0 = _mm_add_epi32(state0, abef);
        state1 = _mm_add_epi32(state1, cdgh);
    }
    tmp = _mm_shuffle_epi32(state0, 0x1B);        // F E B A
    state1 = _mm_shuffle_epi32(state1, 0xB1);     // D C H G
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);  // D C B A
    state1 = _mm_alignr_epi8(state1, tmp, 8);     // H G F E
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pState), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pState + 4), state1);
}

}  // namespace

Sha256BlocksFunction Sha256BlocksWithShaExtensions() {
    static const bool bHas = ProcessorHasShaExtensions();
    return bHas ? &Sha256BlocksShaNi : nullptr;
}
