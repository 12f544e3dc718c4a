// vanto-flash as a whole program against vanto-devsim through real ptys: what
// goes to standard output and to standard error, the exit status, and what
// the device saw and committed.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <numeric>
#include <regex>
#include <sstream>
#include <thread>

#include "image/sha256.h"
#include "tests/image/image_test_files.h"
#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/pty_pair.h"
#include "tests/support/silent_peer.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

const Bytes kImage = PatternBytes(20 * 256 + 100);  // 21 blocks
const std::string kFile = UpdateFile(kImage);

std::string WithLineBroken(int nLine, const std::string& strLine,
                           const std::string& strFile = kFile) {
    std::istringstream in(strFile);
    std::string strText, strEach;
    for (int n = 1; std::getline(in, strEach); ++n) {
        strText += (n == nLine ? strLine + "\r" : strEach) + "\n";
    }
    return strText;
}

struct SFlashRow {
    const char* pszName;
    std::string strFile;    // written as kst.hex, or as fw.bin for a row that names it
    std::string strArgs;    // after vanto-flash; @ is the device's link
    std::string strDevsim;  // the device's options
    Strings out, err;       // must be on standard output / standard error (@ the link)
    int nExit;
    bool bCommitted;               // the image is the device's flash; else nothing was committed
    int nFrames = -1;              // frames the device saw (-1: not counted)
    const char* pszSignalAt = "";  // the device's line to wait for; "": a silent port was asked
    int nSignal = 0;
    std::string strShell = "%";  // the command around vanto-flash
    // The port map from COM1, a letter per port: 'd' the device, 's' a port
    // with nothing behind it, 'a' absent.
    std::string strPorts = "d";
};

const char kRan[] = "5,376 bytes to COM1 in ";
const std::string kFileError = Printed(kResultFileError);
// The image's identity in --json: the SHA-256 of the block data, which is
// the image itself here (no gaps; the fill of the last block is no data).
std::string ImageSha256() {
    CSha256 sha;
    sha.Add(kImage.data(), kImage.size());
    return CSha256::ToHex(sha.Finish());
}
const std::string kJsonFields =
    "\"file\": \"kst.hex\", \"format\": \"Intel HEX\", \"sha256\": \"" + ImageSha256() +
    "\", \"port\": \"COM1\", \"device_file\": \"@\", \"blocks\": 21, \"block_total\": 21, "
    "\"bytes\": 5376, ";
const std::string kJsonResult =
    "\"result_code\": 1, \"result_name\": \"UPD_OK\", \"text\": \"" + std::string(kResultUpdated) +
    "\", \"device_status\": 1, \"finish_total\": " + std::to_string(ByteTotal(Padded(kImage))) +
    ", \"exit_status\": 0}\n";
const std::string kSFile = UpdateFile(kImage, 0x4000, 2);
const char kAsA90[] = "mv kst.hex kst.a90 && %";  // the S-records as kst.a90

// The 16 bytes of kImage from nOffset, as an Intel HEX record at 0x4000 + nOffset.
std::string ImageRecord(size_t nOffset) {
    return RecordLine(0, 0x4000 + uint32_t(nOffset),
                      Bytes(kImage.begin() + long(nOffset), kImage.begin() + long(nOffset + 16)));
}

// clang-format off
const SFlashRow kFlashRows[] = {
    // The scan passes an absent and a silent port (twelve identify frames).
    {"Updates", kFile, "", "", {"kst.hex: Intel HEX, first address 0x00004000, 21 blocks (5,376 "
     "bytes), about 1.5 s at 38400 baud\n" + Printed(kScanPressed) + Printed(ScanLog(1, "asd")) +
     "The device is found on COM3 (@)\n" + Printed(kProgRunning), "Block 21/21  100%",
     Printed(kResultUpdated) + "5,376 bytes to COM3 in "}, {}, 0, true, 22, "", 0, "%",
     "asd"},
    {"Json", kFile, "--json", "", {"{" + kJsonFields + "\"seconds\": ", kJsonResult}, {}, 0, true},
    {"FileByContent", kFile, "--file fw.bin --port=1", "", {"fw.bin: Intel HEX", kRan}, {}, 0, true},
    // The run's one port, COM1, whatever the map holds.
    {"PortByPath", kFile, "--port @", "", {Printed(ScanLog(1, "d"))}, {}, 0, true},
    {"BadChecksum", WithLineBroken(3, RecordLine(0, 0x4020, Bytes(16, 1), 0, 1)), "", "", {},
     {"kst.hex:3: checksum mismatch\n", kFileError}, 8, false, 0},
    {"LongerThanCount", WithLineBroken(2, RecordLine(0, 0x4010, Bytes(16, 1), -1)), "", "", {},
     {"kst.hex:2: record longer than its count\n"}, 8, false, 0},
    {"NotHex", WithLineBroken(5, "S1130000"), "", "", {}, {"kst.hex:5: not an Intel HEX record\n"},
     8, false, 0},
    // Files whose data the device would get elsewhere than the file puts them: refused before
    // any frame, the whole run exits 8.
    {"GoesBack", WithLineBroken(18, ImageRecord(0x80)), "", "", {}, {"kst.hex:18: record goes "
     "back to 0x00004080, below the end of the previous record 0x00004110\n", kFileError}, 8,
     false, 0},
    {"ExtendedLinear", WithLineBroken(3, ":020000040800F2"), "", "", {}, {"kst.hex:3: extended "
     "linear address 0x0800: this device takes 16-bit addresses\n", kFileError}, 8, false, 0},
    {"CtrlZ", WithLineBroken(5, "\032" + ImageRecord(0x40)), "", "", {}, {"kst.hex:5: data after "
     "the end of the data (Ctrl-Z at 5)\n"}, 8, false, 0},
    {"S5Midway", WithLineBroken(14, "S5030001FB", kSFile), "", "", {}, {"kst.a90:15: data after the "
     "end of the data (S5 line at 14)\n", kFileError}, 8, false, 0, "", 0, kAsA90},
    // A kst.hex that cannot be used: kst.a90 is, and the run says why.
    {"HexIsAFifo", kSFile, "", "", {"kst.a90: S-records", kRan}, {"kst.hex: a FIFO, not a regular "
     "file; using kst.a90\n"}, 0, true, -1, "", 0, "mv kst.hex kst.a90 && mkfifo kst.hex && %"},
    {"Quiet", kFile, "-q", "", {kRan}, {}, 0, true},
    {"BadOption", kFile, "--fast", "", {}, {"vanto-flash: unknown option '--fast'\nusage: "}, 2, false,
     0},
    {"NoDevice", kFile, "", "--never-answer", {Printed(ScanLog(1, "s"))}, {Printed(kDeviceNotFound)},
     1, false},
    {"BlockRefused", kFile, "", "--block-status 2:4", {}, {Printed(kResultFlashAddressError)}, 4,
     false},
    {"FinishStatus0", kFile, "", "--finish-status 0", {},
     {"vanto-flash: the device answered with status 0\n"}, 9, false},
    {"Sigterm", kFile, "", "--reply-delay 30", {}, {"the device was told to discard the transfer\n"},
     128 + SIGTERM, false, -1, "BLOCK seq=3 ", SIGTERM},
    {"Sighup", kFile, "", "--reply-delay 30", {}, {"the device was told to discard"}, 128 + SIGHUP,
     false, -1, "BLOCK seq=3 ", SIGHUP},
    {"Sigquit", kFile, "", "--reply-delay 30", {}, {"the device was told to discard"},
     128 + SIGQUIT, false, -1, "BLOCK seq=3 ", SIGQUIT},
    // Ctrl-C during the scan: the silent COM1's identify call ends at once and
    // COM2 is never asked.
    {"CtrlCDuringScan", kFile, "", "", {Printed(kScanPressed)}, {"vanto-flash: interrupted\n"},
     128 + SIGINT, false, 0, "", SIGINT, "%", "ss"},
    {"ReaderGone", kFile, "", "--reply-delay 5", {}, {}, 0, true, -1, "", 0,
     "% | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}"},
    {"StandardDescriptorsClosed", kFile, "", "", {}, {}, 0, true, -1, "", 0, "% <&- >&-"},
    {"RealTerminal", kFile, "", "", {"\r[#####", "] 100%  21/21 blocks  5,376/5,376 bytes  ",
     " left", kRan}, {}, 0, true, -1, "", 0, "script -qefc \"stty cols 120; %\" /dev/null"},
    // Short options together: quiet output, and the line's trace.
    {"QuietAndVerbose", kFile, "-qv", "", {kRan}, {"] > 0A 19 00 05 ", "] < D9 00 01 01 00 DB\n"}, 0,
     true},
    // A file name that is no UTF-8 (bytes FF FE), with a control character and
    // a UTF-8 u-umlaut: the JSON decodes strictly and parses.
    {"JsonNameNotUtf8", kFile, "", "", {"'fw\\ufffd\\ufffd\\x01\\xfc.hex' UPD_OK\n"}, {}, 0, true,
     -1, "", 0, "cp kst.hex $'fw\\xff\\xfe\\x01\\xc3\\xbc.hex' && % --json -- $'fw\\xff\\xfe\\x01"
     "\\xc3\\xbc.hex' >j && python3 -c 'import json; d = json.loads(open(\"j\", \"rb\").read()."
     "decode(\"utf-8\")); print(ascii(d[\"file\"]), d[\"result_name\"])'"},
};
// clang-format on

void PrintTo(const SFlashRow& row, std::ostream* pOut) {
    *pOut << row.pszName;
}

class FlashRuns : public ::testing::TestWithParam<SFlashRow> {};

TEST_P(FlashRuns, OutputsExitAndDevice) {
    const SFlashRow& row = GetParam();
    CDevsimProcess device;
    ASSERT_TRUE(device.Start(Words(row.strDevsim + " --flash-out " + device.Dir().File("flash"))));
    const std::string strDir = device.Dir().Path();
    const bool bNamed = row.strArgs.find("--file") != std::string::npos;
    std::ofstream(strDir + (bNamed ? "/fw.bin" : "/kst.hex"), std::ios::binary) << row.strFile;
    const auto withLink = [&](std::string s) {
        for (size_t n; (n = s.find('@')) != std::string::npos;) {
            s.replace(n, 1, device.LinkPath());
        }
        return s;
    };
    std::string strCommand = "exec '" VANTO_BIN_DIR "/vanto-flash' " + withLink(row.strArgs);
    if (row.strShell != "%") {
        strCommand = row.strShell;
        strCommand.replace(strCommand.find('%'), 1,
                           "'" VANTO_BIN_DIR "/vanto-flash' " + withLink(row.strArgs));
    }
    std::vector<std::unique_ptr<CSilentPeer>> silent;
    const bool bPortByPath = row.strArgs.find("--port @") != std::string::npos;
    std::string strPorts = bPortByPath ? "/nonexistent/tty" : "";  // "--port @" names the device
    for (const char c : bPortByPath ? "" : row.strPorts) {
        if (c == 's') {
            silent.push_back(std::make_unique<CSilentPeer>());
        }
        strPorts += c == 'd'   ? device.LinkPath() + ":"
                    : c == 's' ? silent.back()->pty.SlavePath() + ":"
                               : ":";
    }
    const auto signalAt = [&](pid_t pid) {
        if (row.nSignal == 0) {
            return;
        }
        if (*row.pszSignalAt != '\0') {
            EXPECT_TRUE(device.WaitForOutput(row.pszSignalAt, 20000)) << row.pszSignalAt;
        }
        while (*row.pszSignalAt == '\0' && silent.front()->nBytes == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(pid, row.nSignal);
    };
    const SRun run = RunShell(strDir, strCommand, {"VANTO_COM_PORTS=" + strPorts}, signalAt);
    // Six identify calls, each frame sent twice; after a signal no further port.
    for (size_t n = 0; n < silent.size(); ++n) {
        if (row.nSignal == 0 || n > 0) {
            EXPECT_EQ(silent[n]->nBytes, row.nSignal == 0 ? 12 * 11 : 0) << "COM" << n + 1;
        }
    }
    EXPECT_EQ(run.nExit, row.nExit) << run.strOut << run.strErr;
    for (const std::string& strWant : row.out) {
        EXPECT_NE(run.strOut.find(withLink(strWant)), std::string::npos) << run.strOut;
        EXPECT_EQ(run.strErr.find(withLink(strWant)), std::string::npos) << run.strErr;
    }
    for (const std::string& strWant : row.err) {
        EXPECT_NE(run.strErr.find(withLink(strWant)), std::string::npos) << run.strErr;
        EXPECT_EQ(run.strOut.find(withLink(strWant)), std::string::npos) << run.strOut;
    }
    if (row.nExit == 0 && row.strShell == "%" && row.err.empty()) {
        EXPECT_EQ(run.strErr, "") << "a clean run writes nothing to standard error";
    }
    if (row.strArgs == "-q" || row.strArgs == "--json") {
        EXPECT_EQ(std::count(run.strOut.begin(), run.strOut.end(), '\n'), 1) << run.strOut;
    }
    device.Stop();
    const Bytes kCommitted = row.bCommitted ? Padded(kImage) : Bytes{};
    const std::string strFlash = ReadAll(strDir + "/flash");
    EXPECT_TRUE(Bytes(strFlash.begin(), strFlash.end()) == kCommitted) << "flash differs";
    // A refused block or commit, and a run left on a signal, end with the abort.
    const bool bAborts = row.strDevsim.find("-status") != std::string::npos ||
                         (row.nSignal != 0 && *row.pszSignalAt != '\0');
    EXPECT_EQ(device.CountOutputLines("FINISH abort"), bAborts ? 1 : 0) << device.Output();
    if (row.nFrames >= 0) {
        EXPECT_EQ(device.CountOutputLines("IDENTIFY") + device.CountOutputLines("BLOCK"),
                  row.nFrames);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FlashRuns, ::testing::ValuesIn(kFlashRows),
                         [](const auto& row) { return std::string(row.param.pszName); });

}  // namespace

namespace {

// -v on a device that drops the reply to block 2, sends a reply with a length
// of 513 for the fourth, and two stray bytes before every reply: each frame as
// written (the retried ones twice, byte for byte), each reply as it came,
// stray bytes and the rest of the long reply, which the purge throws away.
TEST(FlashVerbose, ShowsEveryAttemptAndWhatTheLineBrought) {
    CDevsimProcess device;
    ASSERT_TRUE(device.Start({"--drop-block", "2", "--long-reply", "4", "--junk", "2"}));
    std::ofstream(device.Dir().File("kst.hex"), std::ios::binary) << kFile;
    const SRun run = RunShell(device.Dir().Path(), "exec '" VANTO_BIN_DIR "/vanto-flash' -v",
                              {"VANTO_COM_PORTS=" + device.LinkPath()});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    Strings lines;  // without the seconds
    std::istringstream err(run.strErr);
    for (std::string strLine; std::getline(err, strLine);) {
        EXPECT_TRUE(std::regex_match(strLine, std::regex("\\[ *[0-9]+\\.[0-9]{3}\\] [<>x].*")))
            << strLine;
        lines.push_back(strLine.substr(std::min(strLine.size(), strLine.find(']') + 2)));
    }
    const Strings kStart = {"> 0A 19 00 05 56 41 4E 54 4F 01 B0",
                            "< 00 55 D9 00 01 01 00 DB",
                            "> 0A 20 01 06 00 FF 00 00 40 00 ",
                            "< 00 55 E0 00 01 01 00 E2",
                            "> 0A 20 01 06 01 FE 00 00 41 00 ",
                            "< (no reply)",
                            "> 0A 20 01 06 01 FE 00 00 41 00 ",
                            "< 00 55 E0 00 01 01 00 E2",
                            "> 0A 20 01 06 02 FD 00 00 42 00 ",
                            "< 00 55 E0 02 01 (malformed)",
                            "x 01 00 E4",
                            "> 0A 20 01 06 02 FD 00 00 42 00 ",
                            "< 00 55 E0 00 01 01 00 E2"};
    ASSERT_EQ(lines.size(), 2 + 21 * 2 + 2 + 3 + 2u) << run.strErr;
    for (size_t i = 0; i < kStart.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, kStart[i].size()), kStart[i]) << i;
    }
    EXPECT_EQ(lines[4], lines[6]) << "a second attempt sends the identical frame";
    EXPECT_EQ(lines[8], lines[11]);
    EXPECT_EQ(lines[4].size(), 1 + 268 * 3u);
    EXPECT_EQ(lines.back(), "< 00 55 E1 00 01 01 00 E3");
}

TEST(Programs, TellTheirVersion) {
    const CTempDir dir;  // for the run's output files, not the working directory
    for (const char* pszProgram : {"vanto-flash", "vanto-devsim", "vanto-update"}) {
        const SRun run =
            RunShell(dir.Path(), std::string("'" VANTO_BIN_DIR "/") + pszProgram + "' --version",
                     {"QT_QPA_PLATFORM=offscreen"});
        EXPECT_EQ(run.nExit, 0) << pszProgram;
        EXPECT_EQ(run.strOut.rfind(std::string(pszProgram) + " ", 0), 0u) << run.strOut;
    }
}

// A made-up sysfs and by-id tree under VANTO_SYSFS_ROOT: a USB adapter, an ACM
// device and an on-board UART; and ptys for whether a port is usable now.
TEST(FlashPorts, FromSysfs) {
    CTempDir root;
    const std::string r = root.Path();
    const auto put = [&](const std::string& strPath, const std::string& strText) {
        std::filesystem::create_directories(std::filesystem::path(r + strPath).parent_path());
        std::ofstream(r + strPath) << strText << "\n";
    };
    const auto link = [&](const std::string& strTarget, const std::string& strPath) {
        std::filesystem::create_directories(std::filesystem::path(r + strPath).parent_path());
        std::filesystem::create_symlink(strTarget, r + strPath);
    };
    const std::string kUsb = "/sys/devices/pci0000:00/usb1/1-2";
    for (const auto& [strName, strValue] : {std::pair{"idVendor", "0403"},
                                            {"idProduct", "6001"},
                                            {"manufacturer", "FTDI"},
                                            {"product", "FT232R USB UART"},
                                            {"serial", "A10K3XYZ"}}) {
        put(kUsb + "/" + strName, strValue);
    }
    put(kUsb + "/1-2:1.0/ttyUSB0/uevent", "");
    link(r + kUsb + "/1-2:1.0/ttyUSB0", "/sys/class/tty/ttyUSB0/device");
    put("/sys/devices/pci0000:00/usb1/1-3/idVendor", "2341");
    put("/sys/devices/pci0000:00/usb1/1-3/idProduct", "0043");
    put("/sys/devices/pci0000:00/usb1/1-3/1-3:1.0/uevent", "");
    link(r + "/sys/devices/pci0000:00/usb1/1-3/1-3:1.0", "/sys/class/tty/ttyACM0/device");
    put("/sys/devices/platform/serial8250/tty/ttyS0/uevent", "");
    for (const char* pszName : {"ttyUSB0", "ttyACM0", "ttyS0"}) {
        put(std::string("/dev/") + pszName, "");
    }
    link("../../ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    PtyPair free, locked;
    chmod(free.SlavePath().c_str(), 0666);
    chmod(locked.SlavePath().c_str(), 0600);
    struct stat lockedStat {};
    stat(locked.SlavePath().c_str(), &lockedStat);
    const std::string strPorts = r + "/dev/ttyUSB0:" + r + "/dev/ttyACM0:" + r +
                                 "/dev/ttyS0::" + free.SlavePath() + ":" + locked.SlavePath();
    chmod(r.c_str(), 0755);
    // As another user when root: root may open anything.
    const std::string strAs =
        getuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const SRun run = RunShell(r, strAs + "'" VANTO_BIN_DIR "/vanto-flash' ports",
                              {"VANTO_SYSFS_ROOT=" + r, "VANTO_COM_PORTS=" + strPorts});
    EXPECT_EQ(run.nExit, 0) << run.strErr;
    const std::string kIndent = "\n       ";
    for (const std::string& strWant :
         {"COM1   " + r + "/dev/ttyUSB0: not a serial port" + kIndent +
              "USB serial 0403:6001, FTDI FT232R USB UART, serial number A10K3XYZ" + kIndent + r +
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0\n",
          "COM2   " + r + "/dev/ttyACM0: not a serial port" + kIndent + "USB ACM 2341:0043\n",
          "COM3   " + r + "/dev/ttyS0: not a serial port" + kIndent + "on-board UART\nCOM5",
          "COM5   " + free.SlavePath() + (strAs.empty() ? ": busy" : ": ok" + kIndent),
          "COM6   " + locked.SlavePath() + ": permission denied: the terminal of another user (" +
              "crw------- root " + getgrgid(lockedStat.st_gid)->gr_name + ")\n"}) {
        EXPECT_NE(run.strOut.find(strWant), std::string::npos) << strWant << "\n" << run.strOut;
    }
    EXPECT_EQ(run.strOut.find("COM4"), std::string::npos) << "absent, without --all";
    const SRun all =
        RunShell(r, "'" VANTO_BIN_DIR "/vanto-flash' ports --all", {"VANTO_COM_PORTS=" + strPorts});
    EXPECT_NE(all.strOut.find("\nCOM4   -: absent\n"), std::string::npos) << all.strOut;
    EXPECT_NE(all.strOut.find("\nCOM10  -: absent\n"), std::string::npos) << all.strOut;
    const std::string strHeld =
        ": busy, in use by tools_tests (pid " + std::to_string(getpid()) + ")";
    EXPECT_NE(all.strOut.find(free.SlavePath() + strHeld), std::string::npos) << all.strOut;
}

}  // namespace

namespace {

// pszSha256: the SHA-256 of the block data (the image with its gaps filled),
// as sha256sum gives it.
std::string Info(const char* pszFile, const char* pszFormat, unsigned nFirst, int nRecords,
                 int nBytes, int nBlocks, int nSent, unsigned nTotal, const char* pszSha256,
                 const char* pszTail) {
    char sz[500];
    std::snprintf(sz, sizeof sz,
                  "file: %s\nformat: %s\nfirst address: 0x%08X\ndata: %d records, %d bytes\n"
                  "blocks: %d\nblocks sent: %d\nfinish total: 0x%08X\nsha256: %s\n"
                  "wire time at 38400 baud: about %s",
                  pszFile, pszFormat, nFirst, nRecords, nBytes, nBlocks, nSent, nTotal, pszSha256,
                  pszTail);
    return sz;
}

// What info shows of a file, and what it warns about on standard error.
TEST(FlashInfo, ShowsWhatARunWouldSendAndWarns) {
    // 24 bytes from 0x8000 in 4 blocks (a gap of 984 bytes); all zeros or fill.
    const std::string strZeros = RecordLine(0, 0x8000, Bytes(16)) + "\r\n" +
                                 RecordLine(0, 0x83E0, Bytes(8)) + "\r\n:00000001FF\r\n";
    const std::string strS3 = RecordLine(4, 0xABCDEF, {1, 2, 3});
    const std::string strS5 =
        RecordLine(2, 0, Bytes(16)) + "\r\nS5030001FB\r\n" + RecordLine(2, 0x10, Bytes(16));
    const std::string strHuge =
        RecordLine(4, 0, Bytes(16)) + "\n" + RecordLine(4, 1 << 24, Bytes(16));
    const std::string strExtended = ":020000040001F9\r\n" + RecordLine(0, 0, Bytes(16, 1)) +
                                    "\r\n:00000001FF\r\n" + RecordLine(0, 0x10, Bytes(16, 1));
    const std::string strS5AtEnd =
        "S00600004844521B\r\n" + strS3 + "\r\nS5030001FB\r\nS70500000000FA\r\n\r\n";
    // Records after the end-of-file record that carry no data are read, and pass.
    const std::string strAfterEnd = ":020000040000FA\r\n" + RecordLine(0, 0, Bytes(16, 1)) +
                                    "\r\n:00000001FF\r\n:040000050000800077\r\n";
    const char *kDir = "<dir>", *kFifo = "<fifo>", *kNone = nullptr;
    // The block data: 16 zeros, 976 bytes of fill, 8 zeros; 1, 2, 3; 16 zeros,
    // 16,777,200 bytes of fill, 16 zeros; 16 ones.
    const char* kZerosSha = "b0e5b0531ebf9c55b7b81d7e50dd6f88f74d5b54886fa2e89a6bfdda5f9d9cc2";
    const char* kS3Sha = "039058c6f2c0cb492c533b0a4d14ef77cc0f78abccced5287d84a1a2011cfb81";
    const char* kHugeSha = "c81542d698aec08e0fc427ada1fe3ca0a5df4084d20a5aa631ae76787b70f2c9";
    const char* kOnesSha = "cc8cd41cef907c4d216069122c4b89936211361f9050a717a1e37ad1862e952f";
    struct SInfoRow {
        const char* pszArgs;
        const char *pszHex, *pszA90;  // contents of kst.hex and kst.a90; nullptr: absent
        std::string strOut;
        Strings err;
        int nExit;
    };
    // clang-format off
    const SInfoRow rows[] = {
        {"", strZeros.c_str(), strS3.c_str(), Info("kst.hex", "Intel HEX", 0x8000, 2, 24, 4, 4,
         0x3E418, kZerosSha, "0.3 s\npassed over: 1 record of type 01 (end of file)\n"),
         {"kst.hex: warning: 1 gap filled with 0xFF (976 bytes)\n"}, 0},
        {"", kDir, strS3.c_str(), Info("kst.a90", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09,
         kS3Sha, "0.1 s\n"), {"kst.hex: a directory, not a file; using kst.a90\n"}, 0},
        {"", kFifo, strS3.c_str(), Info("kst.a90", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09,
         kS3Sha, "0.1 s\n"), {"kst.hex: a FIFO, not a regular file; using kst.a90\n"}, 0},
        {"", kNone, strS5AtEnd.c_str(), Info("kst.a90", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09,
         kS3Sha, "0.1 s\npassed over: 1 S0 header\n"), {"kst.a90:3: warning: the data end at S5; 2 "
         "lines follow, passed over\n"}, 0},
        {"", kNone, strS5.c_str(), "", {"kst.a90:3: data after the end of the data (S5 line at "
         "2)\n"}, 8},
        {"", kNone, strHuge.c_str(), Info("kst.a90", "S-records", 0, 2, 32, 65537, 65537,
         0xFF00DF20, kHugeSha, "1.3 h\n"), {"kst.a90: warning: the image spans 16 MiB, 65,537 blocks, "
         "about 1.3 h at 38400 baud, for 32 bytes of data\n",
         "kst.a90: warning: 1 gap filled with 0xFF (16,777,200 bytes)\n"}, 0},
        {"", strExtended.c_str(), kNone, "", {"kst.hex:1: extended linear address 0x0001: this "
         "device takes 16-bit addresses\n"}, 8},
        {"", strAfterEnd.c_str(), kNone, Info("kst.hex", "Intel HEX", 0, 1, 16, 1, 1, 0xEF20,
         kOnesSha, "0.1 s\npassed over: 1 record of type 01 (end of file), 1 record of type 04 (extended "
         "linear address), 1 record of type 05 (start linear address)\n"), {"kst.hex:3: warning: 1 "
         "line follows the end-of-file record; they are read as well\n"}, 0},
        // The format of a named file comes from its content, or from --format.
        {"--file kst.a90", kNone, strZeros.c_str(), Info("kst.a90", "Intel HEX", 0x8000, 2, 24, 4,
         4, 0x3E418, kZerosSha, "0.3 s\npassed over: 1 record of type 01 (end of file)\n"),
         {"kst.a90: warning: 1 gap filled with 0xFF (976 bytes)\n"}, 0},
        {"--file kst.hex", strS3.c_str(), kNone, Info("kst.hex", "S-records", 0xABCDEF, 1, 3, 1, 1,
         0xFC09, kS3Sha, "0.1 s\n"), {}, 0},
        {"--file kst.hex --format=srec", strZeros.c_str(), kNone, "", {"kst.hex: no data records\n"},
         8},
        {"", kNone, kNone, "", {"kst.hex, kst.a90: neither opens in the working directory\n"}, 8},
        {"", ":00000001FF\r\n", strS3.c_str(), "", {"kst.hex: no data records\n"}, 8},
        {"", ":0000000000\r\n", strS3.c_str(), "", {"kst.hex: no data bytes\n"}, 8},
        {"", ":1080000000\r\n", strS3.c_str(), "", {"kst.hex:1: checksum mismatch\n"}, 8},
        {"--file kst.a90", kNone, "\177ELF", "", {"kst.a90: neither Intel HEX (':') nor "
         "S-records ('S')\n"}, 8},
        {"--file none.hex", strZeros.c_str(), kNone, "", {"none.hex: no such file\n"}, 8},
        {"--file kst.hex", kFifo, kNone, "", {"kst.hex: a FIFO, not a regular file\n"}, 8},  // never waits
        {"", kFifo, kNone, "", {"kst.hex, kst.a90: neither opens in the working directory\n"}, 8},
        {"--file", kNone, kNone, "", {"vanto-flash: --file needs a value\nusage: vanto-flash info [--file PATH] [--format hex|srec] [--json] [--] [FILE]\n"}, 2},
    };
    // clang-format on
    for (const SInfoRow& row : rows) {
        CTempDir dir;
        const auto put = [&](const char* pszName, const char* pszText) {
            if (pszText == kDir) {
                std::filesystem::create_directory(dir.File(pszName));
            } else if (pszText == kFifo) {
                mkfifo(dir.File(pszName).c_str(), 0600);
            } else if (pszText != nullptr) {
                std::ofstream(dir.File(pszName), std::ios::binary) << pszText;
            }
        };
        put("kst.hex", row.pszHex);
        put("kst.a90", row.pszA90);
        const SRun run =
            RunShell(dir.Path(),
                     std::string("exec '" VANTO_BIN_DIR "/vanto-flash' info ") + row.pszArgs, {});
        EXPECT_EQ(run.nExit, row.nExit) << row.pszArgs << run.strErr;
        EXPECT_EQ(run.strOut, row.strOut) << row.pszArgs;
        std::string strErr = run.strErr;
        for (const std::string& strWant : row.err) {
            const size_t nAt = strErr.find(strWant);
            EXPECT_NE(nAt, std::string::npos) << strWant << "\n" << run.strErr;
            strErr.erase(nAt == std::string::npos ? 0 : nAt,
                         nAt == std::string::npos ? 0 : strWant.size());
        }
        EXPECT_EQ(strErr, "") << "more on standard error than the row says";
    }
}

}  // namespace
