// vanto-flash updating several devices at once, each a vanto-devsim behind a
// real pty: the exit status, the result lines and the summary, the scan log
// in port order, and what each device committed or was told.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <memory>

#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

const Bytes kImage = PatternBytes(20 * 256 + 100);  // 21 blocks

constexpr char kNoPort[] = "-";  // an empty entry of the port map: no such COMn

struct SManyRow {
    const char* pszName;
    Strings devices;      // per COMn from COM1: the device's options, or kNoPort
    std::string strArgs;  // after vanto-flash; @N is the link of COMn's device
    int nExit;
    std::vector<bool> committed;   // per COMn: the image is its flash; else nothing was committed
    Strings out, err;              // must be on standard output / standard error
    int nSignal = 0;               // sent once every device has sent its third block
    bool bLastOutsideMap = false;  // the last device's link is left out of the port map
    bool bOnTerminal = false;      // standard output is a terminal (script's pty)
};

const std::string kUpdated = kResultUpdated + std::string(" (5,376 bytes in ");
std::string FirstLine(const char* pszText) {
    return std::string(pszText).substr(0, std::string(pszText).find('\r'));
}

// clang-format off
const SManyRow kManyRows[] = {
    {"FourUpdated", {"", "", "", ""}, "--ports 1-4", 0, {true, true, true, true},
     {Printed(ScanLog(1, "dddd")), "COM1 (@1): ", "COM4 (@4): " + kUpdated, "4 of 4 updated\n"},
     {}},
    {"OneOfFourRefused", {"", "", "--block-status 2:4", ""}, "--port 1 --port 2 --port @3 --port 4",
     4, {true, true, false, true}, {"COM2 (@2): " + kUpdated},
     {"COM3 (@3): " + Printed(kResultFlashAddressError), "3 of 4 updated; COM3: " +
      Printed(kResultFlashAddressError)}},
    {"FirstFailureInPortOrder", {"", "--drop-block 2 --drop-block 3", "", "--block-status 2:3"},
     "--ports 4,1-3", 6, {true, false, true, false}, {},
     {"2 of 4 updated; COM2: " + FirstLine(kResultNoResponse) + ", COM4: " +
      FirstLine(kResultChecksumError) + "\n"}},
    {"DeviceGoneMidRun", {"", "--hangup-after 3", "", ""}, "--ports 1-4", 5,
     {true, false, true, true}, {"COM4 (@4): " + kUpdated},
     {"3 of 4 updated; COM2: " + Printed(kResultPortWriteFailed)}},
    {"AllMixed", {"", kNoPort, "--never-answer", ""}, "--all", 0, {true, false, false, true},
     {Printed(ScanLog(1, "da")), Printed(ScanLog(3, "s")), Printed(ScanLog(4, "da")),
      Printed(ScanLog(10, "a")), "2 of 2 updated\n"}, {}},
    {"AllFindsNone", {"--never-answer", kNoPort}, "--all", 1, {false, false},
     {Printed(ScanLog(1, "sa"))},
     {"vanto-flash: no device answered on COM1..COM10\n"}},
    {"NamedPortWithoutDevice", {"", kNoPort}, "--ports 1-2", 1, {true, false}, {},
     {"COM2 (): no device answered\n", "1 of 2 updated; COM2: no device answered\n"}},
    {"PathOutsideTheMap", {"", ""}, "--port 1 --port @2", 0, {true, true},
     {"COM2 (@2): " + kUpdated, "2 of 2 updated\n"}, {}, 0, true},
    // The refused commit's status, not that of the abort that follows it.
    {"Json", {"", "--finish-status 3"}, "--json --ports 1-2", 3, {true, false},
     {"[{\"file\": \"kst.hex\", ", "\"port\": \"COM1\", \"device_file\": \"@1\", ",
      "\"result_name\": \"UPD_OK\", ", "\"exit_status\": 0}, {", "\"port\": \"COM2\", ",
      "\"result_name\": \"UPD_CHECKSUM_ERROR\", ", "\"device_status\": 3, ",
      "\"exit_status\": 3}]\n"}, {}},
    {"CtrlC", {"--reply-delay 30", "--reply-delay 30", "--reply-delay 30", "--reply-delay 30"},
     "--ports 1-4", 130, {false, false, false, false}, {},
     {"COM1 (@1): interrupted, the device was told to discard the transfer\n",
      "COM4 (@4): interrupted, the device was told to discard the transfer\n",
      "0 of 4 updated; COM1: interrupted, COM2: interrupted, COM3: interrupted, COM4: "
      "interrupted\n"}, SIGINT},
    {"Sigterm", {"--reply-delay 30", "--reply-delay 30"}, "-q --ports 1-2", 128 + SIGTERM,
     {false, false}, {}, {"COM2 (@2): interrupted, the device was told to discard"}, SIGTERM},
    {"RowsInPlace", {"", ""}, "--ports 1-2", 0, {true, true},
     {ScanLog(1, "d"), "\x1b[2A\r\x1b[2KCOM1 (@1)  [", "\r\x1b[2KCOM2 (@2)  [",
      "\x1b[2A\r\x1b[2KCOM1 (@1)  [################] 100%  ",
      "\r\x1b[2KCOM2 (@2)  [################] 100%  ", "2 of 2 updated\r\n"}, {}, 0, false,
     true},
};
// clang-format on

void PrintTo(const SManyRow& row, std::ostream* pOut) {
    *pOut << row.pszName;
}

// The devices of a row, COM1 first; nullptr where the map has no port.
struct SBench {
    explicit SBench(const SManyRow& row) {
        for (const std::string& strOptions : row.devices) {
            if (strOptions == kNoPort) {
                devices.push_back(nullptr);
                continue;
            }
            auto pDevice = std::make_unique<CDevsimProcess>();
            EXPECT_TRUE(
                pDevice->Start(Words(strOptions + " --flash-out " + pDevice->Dir().File("flash"))));
            devices.push_back(std::move(pDevice));
        }
    }
    std::string PortMap(bool bLastOutside) const {
        std::string strMap;
        for (size_t n = 0; n < devices.size(); ++n) {
            if (bLastOutside && n + 1 == devices.size()) {
                break;
            }
            strMap += (n == 0 ? "" : ":") + (devices[n] ? devices[n]->LinkPath() : "");
        }
        return strMap;
    }
    // @N becomes the link of COMn's device.
    std::string WithLinks(std::string strText) const {
        for (size_t n = devices.size(); n >= 1; --n) {
            const std::string strAt = "@" + std::to_string(n);
            const std::string strLink = devices[n - 1] ? devices[n - 1]->LinkPath() : "";
            for (size_t nAt; (nAt = strText.find(strAt)) != std::string::npos;) {
                strText.replace(nAt, strAt.size(), strLink);
            }
        }
        return strText;
    }

    CTempDir dir;
    std::vector<std::unique_ptr<CDevsimProcess>> devices;
};

class ManyDevices : public ::testing::TestWithParam<SManyRow> {};

TEST_P(ManyDevices, EachDeviceItsOwnOutcome) {
    const SManyRow& row = GetParam();
    SBench bench(row);
    std::ofstream(bench.dir.File("kst.hex"), std::ios::binary) << UpdateFile(kImage);
    const auto signalOnceAllSend = [&](pid_t pid) {
        if (row.nSignal == 0) {
            return;
        }
        for (const auto& pDevice : bench.devices) {
            EXPECT_TRUE(pDevice->WaitForOutput("BLOCK seq=3 ", 20000));
        }
        kill(pid, row.nSignal);
    };
    std::string strCommand = "exec '" VANTO_BIN_DIR "/vanto-flash' " + bench.WithLinks(row.strArgs);
    if (row.bOnTerminal) {
        strCommand = "script -qefc \"stty cols 200; " + strCommand + "\" /dev/null";
    }
    const SRun run =
        RunShell(bench.dir.Path(), strCommand,
                 {"VANTO_COM_PORTS=" + bench.PortMap(row.bLastOutsideMap)}, signalOnceAllSend);
    EXPECT_EQ(run.nExit, row.nExit) << run.strOut << run.strErr;
    size_t nAfter = 0;
    for (const std::string& strWant : row.out) {
        const size_t nAt = run.strOut.find(bench.WithLinks(strWant), nAfter);
        EXPECT_NE(nAt, std::string::npos) << strWant << " in order in:\n" << run.strOut;
        nAfter = nAt == std::string::npos ? nAfter : nAt;
    }
    for (const std::string& strWant : row.err) {
        EXPECT_NE(run.strErr.find(bench.WithLinks(strWant)), std::string::npos) << run.strErr;
    }
    if (row.strArgs.find("--json") != std::string::npos) {
        EXPECT_EQ(std::count(run.strOut.begin(), run.strOut.end(), '\n'), 1) << run.strOut;
    }
    for (size_t n = 0; n < bench.devices.size(); ++n) {
        CDevsimProcess* pDevice = bench.devices[n].get();
        if (pDevice == nullptr) {
            continue;
        }
        pDevice->Stop();
        const std::string strFlash = ReadAll(pDevice->Dir().File("flash"));
        const Bytes kCommitted = row.committed[n] ? Padded(kImage) : Bytes{};
        EXPECT_TRUE(Bytes(strFlash.begin(), strFlash.end()) == kCommitted) << "COM" << n + 1;
        if (row.nSignal != 0) {
            EXPECT_EQ(pDevice->CountOutputLines("FINISH abort"), 1) << pDevice->Output();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ManyDevices, ::testing::ValuesIn(kManyRows),
                         [](const auto& row) { return std::string(row.param.pszName); });

// Ports a run on several devices refuses before it touches any.
TEST(ManyDevicesUsage, RefusesPortsThatCannotBeMeant) {
    struct SUsageRow {
        const char* pszArgs;
        const char* pszError;
    };
    const SUsageRow kRows[] = {
        {"--port 1 --ports 1-2", "vanto-flash: COM1 is named twice: one device, one port\n"},
        {"--all --port 1", "vanto-flash: --all looks at COM1..COM10 itself"},
        {"-v --ports 1-2", "vanto-flash: -v shows the frames of one device"},
        {"--ports 3-1", "vanto-flash: --ports '3-1': '3-1' is not a port"},
        {"--ports 1,,2", "vanto-flash: --ports '1,,2': '' is not a port"},
        {"--ports 0-3", "'0-3' is not a port"},
        {"--ports 2-101", "'2-101' is not a port"},
        {"--ports 1-2-3", "'1-2-3' is not a port"},
        {"--ports=", "--ports '': '' is not a port"},
    };
    CTempDir dir;
    std::ofstream(dir.File("kst.hex"), std::ios::binary) << UpdateFile(kImage);
    for (const SUsageRow& row : kRows) {
        const SRun run =
            RunShell(dir.Path(), std::string("exec '" VANTO_BIN_DIR "/vanto-flash' ") + row.pszArgs,
                     {"VANTO_COM_PORTS="});
        EXPECT_EQ(run.nExit, 2) << row.pszArgs;
        EXPECT_NE(run.strErr.find(row.pszError), std::string::npos) << row.pszArgs << run.strErr;
        EXPECT_EQ(run.strOut, "") << row.pszArgs;
    }
}

}  // namespace
