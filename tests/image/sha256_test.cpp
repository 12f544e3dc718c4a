// SHA-256 against the FIPS 180 examples, fed whole and in uneven pieces
// (the digest of a pass is built block by block); the processor's SHA
// instructions against the portable code.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/sha256.h"

namespace {

std::string Hex(const CSha256::Digest& digest) {
    char szHex[2 * sizeof digest + 1] = "";
    for (size_t i = 0; i < sizeof digest; ++i) {
        std::snprintf(szHex + 2 * i, 3, "%02x", digest[i]);
    }
    return szHex;
}

TEST(Sha256, KnownAnswers) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [strInput, pszDigest] : cases) {
        const auto* pData = reinterpret_cast<const uint8_t*>(strInput.data());
        CSha256 whole, pieces;
        whole.Add(pData, strInput.size());
        for (size_t nAt = 0, nStep = 1; nAt < strInput.size();
             nAt += nStep, nStep = nStep * 3 + 1) {
            pieces.Add(pData + nAt, std::min(nStep, strInput.size() - nAt));
        }
        EXPECT_EQ(Hex(whole.Finish()), pszDigest) << strInput.size();
        EXPECT_EQ(Hex(pieces.Finish()), pszDigest) << strInput.size();
    }
}

// Runs of 1 to 40 blocks of random bytes, each from a state left by the run before.
TEST(Sha256, ProcessorInstructionsAgreeWithThePortableCode) {
    const Sha256BlocksFunction pfnFast = Sha256BlocksWithShaExtensions();
    if (pfnFast == nullptr) {
        GTEST_SKIP() << "this processor has no SHA instructions";
    }
    std::mt19937 random(256);
    std::vector<uint8_t> data(40 * 64);
    uint32_t portable[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint32_t fast[8];
    std::copy(std::begin(portable), std::end(portable), fast);
    for (size_t nBlocks = 1; nBlocks <= 40; ++nBlocks) {
        std::generate(data.begin(), data.end(), [&] { return static_cast<uint8_t>(random()); });
        Sha256BlocksPortable(portable, data.data(), nBlocks);
        pfnFast(fast, data.data(), nBlocks);
        ASSERT_TRUE(std::equal(std::begin(portable), std::end(portable), fast)) << nBlocks;
    }
}

}  // namespace
