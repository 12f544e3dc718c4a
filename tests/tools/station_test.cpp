// vanto-flash --watch against vanto-devsim instances started and stopped on
// links that appear and vanish, as devices are plugged in and pulled: what
// each device committed or was told, the station's log (every line parsed by
// a strict parser and checked against the device's flash), its journal
// entries, its event lines and its exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/devsim_process.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

struct SArrival {
    int nPort;               // COMn, from 1
    int nDelayMs;            // before it comes: from the start, or once the one before it went
    std::string strOptions;  // its vanto-devsim options
    int nExit;               // the exit_status its log line has: 0 updated, 3..9, 128 + a signal
    bool bStays = false;     // left connected until the station ends; else pulled once logged
};

struct SStationRow {
    const char* pszName;
    int nPorts;
    std::vector<SArrival> arrivals;
    int nExit;
    // SIGTERM once every arrival is over; SIGINT once every device has sent
    // its third block.
    int nSignal = SIGTERM;
    friend void PrintTo(const SStationRow& row, std::ostream* pOut) { *pOut << row.pszName; }
};

const std::string kSlow = "--reply-delay 100";
constexpr int kAborted = 128 + SIGINT;

// clang-format off
const SStationRow kStationRows[] = {
    {"ThreeInTurnOnOnePort", 1, {{1, 0, "", 0}, {1, 300, "", 0}, {1, 0, "", 0}}, 0},
    {"StaysConnected", 1, {{1, 0, "", 0, true}}, 0},
    {"FailsIsPulledComesBack", 1, {{1, 0, "--block-status 3:4", 4}, {1, 500, "", 0}}, 4},
    {"EightPortsAtRandomTimes", 8, {{1, 0, "", 0}, {2, 1700, "", 0}, {3, 400, "", 0},
     {4, 2900, "", 0}, {5, 900, "", 0}, {6, 2200, "", 0}, {7, 100, "", 0}, {8, 1300, "", 0},
     {3, 600, "", 0}, {6, 0, "--drop-block 5 --drop-block 6", 6}}, 6},
    {"CtrlCDuringTwoTransfers", 2, {{1, 0, kSlow, kAborted, true}, {2, 0, kSlow, kAborted, true}},
     kAborted, SIGINT},
};
// clang-format on

int CountLines(const std::string& strPath, const std::string& strNeedle) {
    std::istringstream in(ReadAll(strPath));
    int nCount = 0;
    for (std::string strLine; std::getline(in, strLine);) {
        nCount += strLine.find(strNeedle) != std::string::npos ? 1 : 0;
    }
    return nCount;
}

// A datagram socket standing in for the journal's: the entries it got.
class CJournalSink {
public:
    // Read once the station has ended: all it sent is queued.
    explicit CJournalSink(const std::string& strPath)
        : m_fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0)) {
        sockaddr_un address{AF_UNIX, {}};
        strPath.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~CJournalSink() { close(m_fd); }
    // The entries not taken before, each as its NAME=value lines.
    Strings Entries() const {
        Strings entries;
        char buffer[8192];
        for (ssize_t n; (n = recv(m_fd, buffer, sizeof buffer, 0)) > 0;) {
            entries.emplace_back(buffer, static_cast<size_t>(n));
        }
        return entries;
    }

private:
    int m_fd;
};

// One port's devices, one after another as the row has them.
void PlugIn(const SStationRow& row, int nPort, const std::string& strDir,
            std::vector<std::unique_ptr<CDevsimProcess>>* pDevices) {
    const std::string strLink = strDir + "/p" + std::to_string(nPort);
    const std::string strPort = "\"port\": \"COM" + std::to_string(nPort) + "\"";
    int nOnPort = 0;
    for (const SArrival& arrival : row.arrivals) {
        if (arrival.nPort != nPort) {
            continue;
        }
        ++nOnPort;
        std::this_thread::sleep_for(std::chrono::milliseconds(arrival.nDelayMs));
        CDevsimProcess& device = *pDevices->emplace_back(std::make_unique<CDevsimProcess>());
        // The last --link wins: every device of the port on the port's own link.
        EXPECT_TRUE(device.Start(Words(arrival.strOptions + " --flash-out " +
                                       device.Dir().File("flash") + " --link " + strLink)));
        if (row.nSignal == SIGINT) {
            EXPECT_TRUE(device.WaitForOutput("BLOCK seq=3 ", 20000)) << device.Output();
            continue;
        }
        EXPECT_TRUE(
            WaitUntil([&] { return CountLines(strDir + "/log.jsonl", strPort) == nOnPort; }, 20000))
            << "COM" << nPort << " logged no attempt for device " << nOnPort;
        if (arrival.bStays) {
            // Watched a few times over, and never updated again.
            EXPECT_TRUE(WaitUntil([&] { return device.CountOutputLines("IDENTIFY") >= 5; }, 10000));
            continue;
        }
        device.Stop();  // pulled: its link goes
        const std::string strGone = "COM" + std::to_string(nPort) + " (" + strLink + "): gone";
        EXPECT_TRUE(
            WaitUntil([&] { return CountLines(strDir + "/run.out", strGone) == nOnPort; }, 10000))
            << "COM" << nPort << " did not see device " << nOnPort << " go";
    }
}

// The log as a strict parser reads it: one line per attempt, its fields
// printed tab-separated ("port=COM1").
std::vector<std::map<std::string, std::string>> ParsedLog(const std::string& strDir) {
    const SRun run =
        RunShell(strDir,
                 "python3 -c 'import json\n"
                 "for line in open(\"log.jsonl\", encoding=\"utf-8\"):\n"
                 "    print(\"\\t\".join(f\"{k}={v}\" for k, v in json.loads(line).items()))'",
                 {});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    std::vector<std::map<std::string, std::string>> lines;
    std::istringstream in(run.strOut);
    for (std::string strLine; std::getline(in, strLine);) {
        std::istringstream record(strLine);
        auto& fields = lines.emplace_back();
        for (std::string strField; std::getline(record, strField, '\t');) {
            fields[strField.substr(0, strField.find('='))] =
                strField.substr(strField.find('=') + 1);
        }
    }
    return lines;
}

// A log line against what its device committed and was told.
void CheckAttempt(const std::map<std::string, std::string>& fields, const SArrival& arrival,
                  const CDevsimProcess& device) {
    const std::string strPort = fields.at("port");
    EXPECT_EQ(fields.at("exit_status"), std::to_string(arrival.nExit)) << strPort;
    EXPECT_TRUE(std::regex_match(
        fields.at("time"), std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-9:]{8}\\.[0-9]{3}Z")))
        << fields.at("time");
    EXPECT_EQ(fields.at("sha256"), kImageSha256);
    EXPECT_EQ(fields.at("block_total"), "21");
    const bool bUpdated = arrival.nExit == 0;
    const std::string strFlash = ReadAll(device.Dir().File("flash"));
    EXPECT_TRUE(Bytes(strFlash.begin(), strFlash.end()) == (bUpdated ? Padded(kImage) : Bytes{}))
        << strPort << ": the flash is not what the log says";
    EXPECT_EQ(device.CountOutputLines("FINISH commit"), bUpdated ? 1 : 0) << device.Output();
    EXPECT_EQ(device.CountOutputLines("FINISH abort"), bUpdated ? 0 : 1) << device.Output();
    if (bUpdated) {
        EXPECT_EQ(fields.at("blocks"), "21");
        EXPECT_EQ(fields.at("bytes"), "5376");
        EXPECT_EQ(fields.at("finish_total"), std::to_string(ByteTotal(Padded(kImage))));
        EXPECT_EQ(fields.at("device_status"), "1");
        EXPECT_EQ(fields.at("result_name"), "UPD_OK");
    } else if (arrival.nExit == kAborted) {
        EXPECT_EQ(fields.at("text"), "interrupted, the device was told to discard the transfer");
    }
}

class StationRuns : public ::testing::TestWithParam<SStationRow> {};

TEST_P(StationRuns, EachDeviceOnceAndEveryAttemptLogged) {
    const SStationRow& row = GetParam();
    const CTempDir dir;
    const std::string strDir = dir.Path();
    std::ofstream(dir.File("kst.hex"), std::ios::binary) << UpdateFile(kImage);
    std::string strMap;
    for (int n = 1; n <= row.nPorts; ++n) {
        strMap += (n == 1 ? "" : ":") + dir.File("p" + std::to_string(n));
    }
    const CJournalSink journalSink(dir.File("journal"));
    std::vector<std::vector<std::unique_ptr<CDevsimProcess>>> devices(size_t(row.nPorts) + 1);
    const auto plugInAll = [&](pid_t pid) {
        std::vector<std::thread> ports;
        for (int n = 1; n <= row.nPorts; ++n) {
            ports.emplace_back(PlugIn, std::cref(row), n, strDir, &devices[size_t(n)]);
        }
        for (std::thread& port : ports) {
            port.join();
        }
        kill(pid, row.nSignal);
    };
    const SRun run = RunShell(
        strDir,
        "exec '" VANTO_BIN_DIR "/vanto-flash' --watch --ports 1-" + std::to_string(row.nPorts) +
            " --log log.jsonl",
        {"VANTO_COM_PORTS=" + strMap, "VANTO_JOURNAL_SOCKET=" + dir.File("journal")}, plugInAll);
    EXPECT_EQ(run.nExit, row.nExit) << run.strOut << run.strErr;

    const auto log = ParsedLog(strDir);
    ASSERT_EQ(log.size(), row.arrivals.size()) << ReadAll(dir.File("log.jsonl"));
    const Strings journal = journalSink.Entries();
    EXPECT_EQ(journal.size(), log.size());
    std::map<int, size_t> onPort;  // the devices of each port met so far
    for (const SArrival& arrival : row.arrivals) {
        const size_t nIndex = onPort[arrival.nPort]++;
        CDevsimProcess& device = *devices[size_t(arrival.nPort)].at(nIndex);
        device.Stop();
        // The port's nIndex-th line of the log is this device's.
        const std::string strPort = "COM" + std::to_string(arrival.nPort);
        size_t nSeen = 0;
        const auto line = std::find_if(log.begin(), log.end(), [&](const auto& fields) {
            return fields.at("port") == strPort && nSeen++ == nIndex;
        });
        ASSERT_NE(line, log.end()) << strPort << " device " << nIndex;
        EXPECT_EQ(line->at("device_file"), dir.File("p" + std::to_string(arrival.nPort)));
        CheckAttempt(*line, arrival, device);
        // The journal got the same attempt, field for field.
        const std::string strWhen = "\nVANTO_TIME=" + line->at("time") + "\nVANTO_PORT=" + strPort;
        const auto entry = std::find_if(journal.begin(), journal.end(), [&](const std::string& e) {
            return e.find(strWhen + "\n") != std::string::npos;
        });
        ASSERT_NE(entry, journal.end()) << strWhen;
        for (const std::string& strField :
             Strings{"SYSLOG_IDENTIFIER=vanto-flash", "VANTO_SHA256=" + kImageSha256,
                     "VANTO_EXIT_STATUS=" + line->at("exit_status")}) {
            EXPECT_NE(entry->find("\n" + strField + "\n"), std::string::npos) << strField;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StationRuns, ::testing::ValuesIn(kStationRows),
                         [](const auto& row) { return std::string(row.param.pszName); });

// A port that is there but no serial port: its row waits with the cause, said
// once while the port is tried on, and nothing is attempted.
TEST(Station, PortThatDoesNotOpenWaitsWithItsCause) {
    const CTempDir dir;
    std::ofstream(dir.File("kst.hex"), std::ios::binary) << UpdateFile(kImage);
    std::filesystem::create_symlink("/dev/null", dir.File("p1"));
    const std::string strWaiting =
        "COM1 (" + dir.File("p1") + "): waiting: " + dir.File("p1") + ": not a serial port";
    const SRun run =
        RunShell(dir.Path(), "exec '" VANTO_BIN_DIR "/vanto-flash' --watch --port 1",
                 {"VANTO_COM_PORTS=" + dir.File("p1")}, [&](pid_t pid) {
                     std::this_thread::sleep_for(std::chrono::seconds(2));  // a few tries
                     kill(pid, SIGTERM);
                 });
    EXPECT_EQ(CountLines(dir.File("run.out"), strWaiting), 1) << run.strOut << run.strErr;
}

}  // namespace
