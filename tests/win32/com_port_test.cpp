// CComPort on Windows, through a null-modem pair of COM ports: open rules and
// the causes of a refusal, the DCB it asks for, a transparent line, the purge
// and a Close that ends a blocked write; and a device that hangs up and comes
// back.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

#include "link/com_port.h"
#include "link/comm_settings_win32.h"
#include "link/system_error_text.h"
#include "link/update_engine.h"
#include "tests/win32/rig_win32.h"
#include "wizard/procedures/open_failure_text.h"

namespace {

DWORD FlagWord(const DCB& dcb) {
    DWORD dwFlags = 0;
    std::memcpy(&dwFlags, reinterpret_cast<const char*>(&dcb) + 2 * sizeof(DWORD), sizeof dwFlags);
    return dwFlags;
}

// The flag word keeps every bit but the flow-control and modem-line ones
// (word & 0xFFFFCC83) and gains fBinary; the other fields stay as reported.
TEST(CommSettings, DcbKeepsWhatTheLinkDoesNotSet) {
    for (const DWORD dwFlags : {0x00000000ul, 0xFFFFFFFFul, 0x00003A7Cul, 0x00004102ul}) {
        DCB original{};
        std::memcpy(reinterpret_cast<char*>(&original) + 2 * sizeof(DWORD), &dwFlags,
                    sizeof dwFlags);
        original.BaudRate = CBR_9600;
        original.Parity = EVENPARITY;
        original.StopBits = TWOSTOPBITS;
        original.ByteSize = 7;
        original.XonLim = 2048;
        original.XoffChar = 0x13;
        original.ErrorChar = '?';
        const DCB dcb = LinkDcb(original);
        EXPECT_EQ(FlagWord(dcb), (dwFlags & 0xFFFFCC83ul) | 1u) << std::hex << dwFlags;
        EXPECT_EQ(
            (std::vector<unsigned long>{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits}),
            (std::vector<unsigned long>{38400, 8, NOPARITY, ONESTOPBIT}));
        EXPECT_EQ((std::vector<int>{dcb.XonLim, dcb.XoffChar, dcb.ErrorChar}),
                  (std::vector<int>{2048, 0x13, '?'}));
        EXPECT_TRUE(LinkDcbTook(dcb));
        EXPECT_FALSE(LinkDcbTook(original));
    }
}

// Refused: 0, above 100, ports that do not exist, the port open now; a move
// to another port frees the old one once the new one is set up. Why an open
// failed, as Windows tells it: a file that is no comm device, and then the
// same port while another handle holds it without sharing (Wine shares its
// pseudo-terminal ports whatever the share mode; a file behind a port it does
// not). An open that succeeds forgets the cause.
TEST(ComPortWin32, OpenRulesAndFailureCauses) {
    CComPort port;
    ASSERT_EQ(port.Open(kPairPort), 1);
    for (const int n : {0, 101, 255, 1, 2, kMissingPort, 100, kPairPort}) {
        EXPECT_EQ(port.Open(static_cast<uint8_t>(n)), 0) << n;
        EXPECT_EQ(port.PortNumber(), kPairPort);
    }
    ASSERT_EQ(port.Open(kPeerPort), 1);
    CComPort other;
    EXPECT_EQ(other.Open(kPairPort), 1);
    uint8_t b = 0;
    EXPECT_EQ(port.Close() + port.Close() + port.Write(&b, 1) + port.Read(&b, 1), 2);
    EXPECT_EQ(port.PortNumber(), 0);
    const std::string strFile = "\\\\.\\COM" + std::to_string(kFilePort);
    const auto ExpectRefused = [&](EPortOpenFailure eKind, const char* pszText) {
        EXPECT_EQ(port.Open(kFilePort), 0);
        const SPortOpenFailure failure = port.LastOpenFailure();
        EXPECT_EQ(failure.eKind, eKind);
        EXPECT_EQ(failure.strDevice, strFile);
        EXPECT_EQ(DescribeOpenFailure(failure), pszText);
    };
    ExpectRefused(EPortOpenFailure::NotASerialPort, "not a serial port");
    const HANDLE hHolder = CreateFileA(strFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    ExpectRefused(EPortOpenFailure::InUse, "in use by another program");
    CloseHandle(hHolder);
    ASSERT_EQ(port.Open(kPeerPort), 1);
    EXPECT_EQ(port.LastOpenFailure().eKind, EPortOpenFailure::None);
}

// The system's texts for the errors behind "Other" end up inside a log line:
// one line, without the message table's ".\r\n"; an unknown number by itself.
TEST(ComPortWin32, ErrorTextsFitOneLine) {
    for (const int nError : {ERROR_GEN_FAILURE, ERROR_SEM_TIMEOUT, ERROR_INVALID_PARAMETER}) {
        const std::string strText =
            DescribeOpenFailure({EPortOpenFailure::Other, "", nError, "", {}});
        EXPECT_EQ(strText, SystemErrorText(nError));
        EXPECT_FALSE(strText.empty());
        EXPECT_EQ(strText.find_first_of("\r\n"), std::string::npos) << strText;
        EXPECT_NE(strText.back(), '.') << strText;
    }
    EXPECT_EQ(SystemErrorText(0x2A2A2A), "error 2763306");
}

// Every byte value, each way: no CR/LF mapping, no XON/XOFF, no parity. A
// reply that came before a write is gone after it. Close from another thread
// ends a write that the line cannot take, with 0, and the port is free for the
// next opener.
TEST(ComPortWin32, TransparentLinePurgeAndClose) {
    CComPort port, peer;
    ASSERT_EQ(port.Open(kPairPort) + peer.Open(kPeerPort), 2);
    std::vector<uint8_t> all(256), got(256);
    std::iota(all.begin(), all.end(), 0);
    for (auto [pFrom, pTo] : {std::pair{&port, &peer}, {&peer, &port}}) {
        ASSERT_EQ(pFrom->Write(all.data(), 256), 1);
        std::fill(got.begin(), got.end(), 0);
        for (int n = 0, nRead = 1; n < 256 && nRead > 0; n += nRead) {
            nRead = pTo->Read(got.data() + n, 256 - n);
        }
        EXPECT_EQ(got, all);
    }
    const uint8_t late[] = {0x99, 0x00, 0x00, 0x00, 0x99};
    ASSERT_EQ(peer.Write(late, 5), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the late reply arrives
    const uint8_t frame = 0x19;
    ASSERT_EQ(port.Write(&frame, 1), 1);
    uint8_t b = 0;
    EXPECT_EQ(peer.Read(&b, 1) * b, 0x19);
    EXPECT_EQ(port.Read(&b, 1), 0);  // purged, and nothing since
    ASSERT_EQ(peer.Write(&frame, 1), 1);
    EXPECT_EQ(port.Read(&b, 1) * b, 0x19);
    peer.Close();
    // Nobody reads the far end now: a big write would run for 2000 ms a byte.
    const std::vector<uint8_t> big(1 << 20, 0x55);
    std::atomic<int> nResult{-1};
    std::thread worker([&] { nResult = port.Write(big.data(), static_cast<int>(big.size())); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(nResult, -1) << "the write did not block: the test shows nothing";
    EXPECT_EQ(port.Close(), 1);
    worker.join();
    EXPECT_EQ(nResult, 0);
    EXPECT_EQ(port.Open(kPairPort), 1);
}

// The device on kComebackPort hangs up at the first frame after a stored
// block, while the port is idle (the frame comes through a second handle:
// Wine lets a pseudo-terminal port be opened twice) or inside the command
// that the port sends. Each is noticed, by ReopenIfFailed or the next write
// for the idle port; the same COM port then opens afresh on the device that
// came back, and the next command is answered.
TEST(ComPortWin32, HangUpNoticedThenTheSamePortReopens) {
    enum EWhen { kIdleThenReopen, kIdleThenWrite, kInCommand };
    CUpdateEngine engine;  // COM1 does not exist here: no port open yet
    CComPort& port = *engine.m_pPort;
    ASSERT_EQ(port.Open(kComebackPort), 1);
    for (const EWhen eWhen : {kIdleThenReopen, kIdleThenWrite, kInCommand}) {
        SCOPED_TRACE(eWhen);
        std::fill(std::begin(engine.m_blockData), std::end(engine.m_blockData), uint8_t{0xFF});
        engine.BuildFrame(CMD_WRITE_BLOCK);
        ASSERT_EQ(engine.SendCommand(), UPD_OK);  // stored: the next frame ends the device
        if (eWhen == kInCommand) {
            EXPECT_NE(engine.Identify(), UPD_OK);
        } else {
            CComPort other;
            ASSERT_EQ(other.Open(kComebackPort), 1);
            const uint8_t b = 0x0A;
            other.Write(&b, 1);  // (the device may go before the byte has drained)
            uint8_t nIn = 0;
            for (int i = 0; i < 20 && !other.HasFailed(); ++i) {
                other.Read(&nIn, 1);
            }
            ASSERT_TRUE(other.HasFailed()) << "the device did not hang up";
            EXPECT_FALSE(port.HasFailed());  // nothing was on the line to notice
            if (eWhen == kIdleThenWrite) {
                EXPECT_EQ(engine.Identify(), UPD_PORT_WRITE_FAILED);
            }
        }
        EXPECT_EQ(port.HasFailed(), eWhen != kIdleThenReopen);
        int nReopened = 0;
        for (int i = 0; i < 100 && (nReopened = port.ReopenIfFailed()) == 0; ++i) {
            Sleep(50);  // until the device is back
        }
        EXPECT_EQ(nReopened, 1);
        EXPECT_EQ(port.PortNumber(), kComebackPort);
        EXPECT_EQ(engine.Identify(), UPD_OK);
    }
}

}  // namespace
