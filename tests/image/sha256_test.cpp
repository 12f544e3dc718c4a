// SHA-256 against the FIPS 180 examples, fed whole and in uneven pieces
// (the digest of a pass is built block by block).

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/sha256.h"

namespace {

std::string Hex(const CSha256::Digest& digest) {
    std::string strHex;
    for (const uint8_t b : digest) {
        char sz[3];
        std::snprintf(sz, sizeof sz, "%02x", b);
        strHex += sz;
    }
    return strHex;
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

}  // namespace
