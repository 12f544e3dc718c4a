// The reply rules, fed a byte at a time to the receiver: no port, no clock.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "link/reply_receiver.h"
#include "link/update_engine.h"
#include "tests/support/hex_bytes.h"

namespace {

using EStep = CReplyReceiver::EStep;

// A reply with a status-less code and 512 payload bytes i * 3 + 1, its sum,
// then a byte that follows it on the line.
std::vector<uint8_t> LongReply() {
    std::vector<uint8_t> reply = {0x99, 0x02, 0x00};
    for (int i = 0; i < 512; ++i) {
        reply.push_back(static_cast<uint8_t>(i * 3 + 1));
    }
    const unsigned nSum = std::accumulate(reply.begin(), reply.end(), 0u);
    reply.insert(reply.end(), {static_cast<uint8_t>(nSum >> 8), static_cast<uint8_t>(nSum), 0x42});
    return reply;
}

// Bytes on the line after a command; the step of the byte that ended the
// reply (Taken: none did), how many bytes it took to get there, the status.
const std::tuple<uint8_t, std::vector<uint8_t>, EStep, size_t, uint8_t> kRows[] = {
    {CMD_IDENTIFY, Hex("99 00 00 00 99 42"), EStep::Accepted, 5, 1},  // no status: 1
    {CMD_IDENTIFY, Hex("D9 00 01 01 00 DB 42"), EStep::Accepted, 6, 1},
    {CMD_IDENTIFY, Hex("D9 00 01 03 00 DD"), EStep::Accepted, 6, 3},
    {CMD_IDENTIFY, Hex("00 55 19 FF 0A 99 00 00 00 99"), EStep::Accepted, 10, 1},  // junk first
    {CMD_IDENTIFY, Hex("A0 E1 99 00 00 00 99"), EStep::Accepted, 7, 1},  // others' reply codes
    {CMD_IDENTIFY, Hex("D9 00 03 02 00 DE 42"), EStep::Accepted, 6, 2},  // status, length 3
    {CMD_IDENTIFY, Hex("00 00 D9 00 03 02 00 DE 42"), EStep::Accepted, 8, 2},  // ... asked mid-way
    {CMD_IDENTIFY, Hex("D9 00 00 00 D9 42"), EStep::Accepted, 5, 1},         // status bit, length 0
    {CMD_IDENTIFY, Hex("99 00 00 00 98"), EStep::Malformed, 5, 1},           // sum off by one
    {CMD_IDENTIFY, Hex("D9 00 01 01 DB 00"), EStep::Malformed, 6, 1},        // sum bytes swapped
    {CMD_IDENTIFY, Hex("99 00 00 00"), EStep::Taken, 4, 1},                  // cut short
    {CMD_IDENTIFY, Hex("E0 00 01 01 00 E2"), EStep::Taken, 6, 1},            // nothing for us
    {CMD_IDENTIFY, Hex("99 02 01 99 00 00 00 99"), EStep::Malformed, 3, 1},  // 513: at once
    {CMD_IDENTIFY, Hex("99 FF FF"), EStep::Malformed, 3, 1},
    {CMD_IDENTIFY, LongReply(), EStep::Accepted, 517, 1},
    {CMD_FINISH, Hex("A1 00 00 00 A1"), EStep::Accepted, 5, 1},
    {CMD_FINISH, Hex("99 00 00 00 99 E1 00 01 01 00 E3"), EStep::Accepted, 11, 1},
    {CMD_WRITE_BLOCK, Hex("E0 00 01 04 00 E5"), EStep::Accepted, 6, 4},
    {CMD_WRITE_BLOCK, Hex("A0 00 02 07 08 00 B1"), EStep::Accepted, 7, 1},  // 2 payload bytes
};

bool Ends(EStep eStep) {
    return eStep == EStep::Accepted || eStep == EStep::Malformed;
}

// One byte at a time: where the reply ends, how, with which status. Then read
// as the engine reads the line, asking each time for the bytes the receiver
// still needs (none once it is over): the same end, and a reply that was
// taken leaves what follows it on the line.
TEST(ReplyReceiver, Rules) {
    for (const auto& [nCommand, line, eEnd, nEndsAt, nStatus] : kRows) {
        SCOPED_TRACE(::testing::PrintToString(line));
        CReplyReceiver receiver;
        receiver.Start(nCommand);
        EStep eStep = EStep::Taken;
        size_t nUsed = 0;
        while (nUsed < line.size() && !Ends(eStep)) {
            eStep = receiver.Feed(line[nUsed++]);
        }
        EXPECT_EQ(eStep == EStep::Skipped ? EStep::Taken : eStep, eEnd);
        EXPECT_EQ(nUsed, nEndsAt);
        EXPECT_EQ(receiver.Status(), nStatus);
        EXPECT_EQ(receiver.BytesStillNeeded() == 0, eEnd != EStep::Taken);

        receiver.Start(nCommand);
        size_t nTaken = 0;
        eStep = EStep::Taken;
        while (!Ends(eStep) && nTaken < line.size()) {
            const size_t nEnd = std::min(line.size(), nTaken + size_t(receiver.BytesStillNeeded()));
            for (size_t i = nTaken; i < nEnd && !Ends(eStep); ++i) {
                eStep = receiver.Feed(line[i]);
            }
            nTaken = nEnd;  // off the line, whether the receiver wanted them or not
        }
        if (eEnd == EStep::Accepted) {
            EXPECT_EQ(nTaken, nEndsAt) << "read past the end of the reply";
        }
        EXPECT_EQ(Ends(eStep), eEnd != EStep::Taken);
        EXPECT_EQ(receiver.Status(), nStatus);
    }
}

}  // namespace
