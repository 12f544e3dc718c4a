// vanto-flash's commands that need no device: ports on a made-up sysfs,
// info on update files good and bad, the option forms every command takes;
// and every program's --version.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/pty_pair.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

// vanto-update's --version: the wizard's tests.
TEST(Programs, TellTheirVersion) {
    const CTempDir dir;  // for the run's output files, not the working directory
    for (const std::string strProgram : {"vanto-flash", "vanto-devsim"}) {
        const SRun run =
            RunShell(dir.Path(), "'" VANTO_BIN_DIR "/" + strProgram + "' --version", {});
        EXPECT_EQ(run.nExit, 0) << strProgram;
        EXPECT_EQ(run.strOut.rfind(strProgram + " ", 0), 0u) << run.strOut;
    }
}

// A made-up sysfs and by-id tree under VANTO_SYSFS_ROOT: a USB adapter, an ACM
// device and an on-board UART; and ptys for whether a port is usable now.
TEST(FlashPorts, FromSysfs) {
    CTempDir root;
    const std::string r = root.Path();
    // Each file with its text, or "->" and where the link points.
    const std::string u = "/sys/devices/pci0000:00/usb1/";
    // clang-format off
    const std::pair<std::string, std::string> kTree[] = {
        {u + "1-2/idVendor", "0403"}, {u + "1-2/idProduct", "6001"},
        {u + "1-2/manufacturer", "FTDI"}, {u + "1-2/product", "FT232R USB UART"},
        {u + "1-2/serial", "A10K3XYZ"}, {u + "1-2/1-2:1.0/ttyUSB0/uevent", ""},
        {"/sys/class/tty/ttyUSB0/device", "->" + r + u + "1-2/1-2:1.0/ttyUSB0"},
        {u + "1-3/idVendor", "2341"}, {u + "1-3/idProduct", "0043"}, {u + "1-3/1-3:1.0/uevent", ""},
        {"/sys/class/tty/ttyACM0/device", "->" + r + u + "1-3/1-3:1.0"},
        {"/sys/devices/platform/serial8250/tty/ttyS0/uevent", ""},
        {"/dev/ttyUSB0", ""}, {"/dev/ttyACM0", ""}, {"/dev/ttyS0", ""},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0", "->../../ttyUSB0"},
    };
    // clang-format on
    for (const auto& [strPath, strText] : kTree) {
        std::filesystem::create_directories(std::filesystem::path(r + strPath).parent_path());
        if (strText.starts_with("->")) {
            std::filesystem::create_symlink(strText.substr(2), r + strPath);
        } else {
            std::ofstream(r + strPath) << strText << "\n";
        }
    }
    PtyPair free, locked;
    chmod(free.SlavePath().c_str(), 0666);
    chmod(locked.SlavePath().c_str(), 0600);
    struct stat lockedStat {};
    stat(locked.SlavePath().c_str(), &lockedStat);
    const std::string strPorts = r + "/dev/ttyUSB0:" + r + "/dev/ttyACM0:" + r +
                                 "/dev/ttyS0::" + free.SlavePath() + ":" + locked.SlavePath() +
                                 ":/dev/null";
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
              "crw------- root " + getgrgid(lockedStat.st_gid)->gr_name + ")\n",
          // Held open by everyone, but no tty: what opening it would say.
          std::string("COM7   /dev/null: not a serial port\n")}) {
        EXPECT_NE(run.strOut.find(strWant), std::string::npos) << strWant << "\n" << run.strOut;
    }
    EXPECT_EQ(run.strOut.find("COM4"), std::string::npos) << "absent, without --all";
    const SRun all =
        RunShell(r, "'" VANTO_BIN_DIR "/vanto-flash' ports --all", {"VANTO_COM_PORTS=" + strPorts});
    for (const std::string& strWant :
         Strings{"\nCOM4   -: absent\n", "\nCOM10  -: absent\n",
                 free.SlavePath() + ": busy, in use by tools_tests (pid " +
                     std::to_string(getpid()) + ")"}) {
        EXPECT_NE(all.strOut.find(strWant), std::string::npos) << strWant << "\n" << all.strOut;
    }
}

// pszSha256: the SHA-256 of the block data (the image with its gaps filled),
// as sha256sum gives it.
std::string Info(const char* pszFile, const char* pszFormat, unsigned nFirst, int nRecords,
                 int nBytes, int nBlocks, int nSent, unsigned nTotal, const char* pszSha256,
                 const char* pszTail) {
    return Formatted(
               "file: %s\nformat: %s\nfirst address: 0x%08X\ndata: %d records, %d bytes\n"
               "blocks: %d\nblocks sent: %d\nfinish total: 0x%08X\nsha256: %s\n"
               "wire time at 38400 baud: about ",
               pszFile, pszFormat, nFirst, nRecords, nBytes, nBlocks, nSent, nTotal, pszSha256) +
           pszTail;
}

// What info shows of a file and warns about on standard error; --help after
// any command, short options together, "--" and the update file as a word of
// its own, and what the options refuse. No device: nothing here opens a port.
TEST(FlashCommands, OutputsAndWarnings) {
    // 24 bytes from 0x8000 in 4 blocks (a gap of 984 bytes); all zeros or fill.
    const std::string strZeros = RecordLine(0, 0x8000, Bytes(16)) + "\r\n" +
                                 RecordLine(0, 0x83E0, Bytes(8)) + "\r\n:00000001FF\r\n";
    const std::string strS3 = RecordLine(4, 0xABCDEF, {1, 2, 3});
    const std::string strHuge =
        RecordLine(4, 0, Bytes(16)) + "\n" + RecordLine(4, 1 << 24, Bytes(16));
    const std::string strS5AtEnd =
        "S00600004844521B\r\n" + strS3 + "\r\nS5030001FB\r\nS70500000000FA\r\n\r\n";
    // Records after the end-of-file record that carry no data are read, and pass.
    const std::string strAfterEnd = ":020000040000FA\r\n" + RecordLine(0, 0, Bytes(16, 1)) +
                                    "\r\n:00000001FF\r\n:040000050000800077\r\n";
    const char *kDir = "<dir>", *kFifo = "<fifo>";
    // The block data: 16 zeros, 976 bytes of fill, 8 zeros; 1, 2, 3; 16 zeros,
    // 16,777,200 bytes of fill, 16 zeros; 16 ones.
    const char* kZerosSha = "b0e5b0531ebf9c55b7b81d7e50dd6f88f74d5b54886fa2e89a6bfdda5f9d9cc2";
    const char* kS3Sha = "039058c6f2c0cb492c533b0a4d14ef77cc0f78abccced5287d84a1a2011cfb81";
    const char* kHugeSha = "c81542d698aec08e0fc427ada1fe3ca0a5df4084d20a5aa631ae76787b70f2c9";
    const char* kOnesSha = "cc8cd41cef907c4d216069122c4b89936211361f9050a717a1e37ad1862e952f";
    struct SRow {
        const char* pszArgs;
        int nExit;
        std::string strOut;  // all of standard output
        std::string strErr;  // all of standard error, but the usage after a usage error
        const char *pszHex = nullptr, *pszA90 = nullptr;  // kst.hex and kst.a90; nullptr: absent
    };
    const std::string strHelp =
        RunShell(CTempDir().Path(), "exec '" VANTO_BIN_DIR "/vanto-flash' --help", {}).strOut;
    ASSERT_EQ(strHelp.rfind("usage: vanto-flash [options] [--] [FILE]\n", 0), 0u) << strHelp;
    const char *kS3 = strS3.c_str(), *kZeros = strZeros.c_str();
    // clang-format off
    const SRow rows[] = {
        {"info", 0, Info("kst.hex", "Intel HEX", 0x8000, 2, 24, 4, 4, 0x3E418, kZerosSha, "0.3 s\n"
         "passed over: 1 record of type 01 (end of file)\n"),
         "kst.hex: warning: 1 gap filled with 0xFF (976 bytes)\n", kZeros, kS3},
        {"info", 0, Info("kst.a90", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09, kS3Sha, "0.1 s\n"),
         "kst.hex: a directory, not a file; using kst.a90\n", kDir, kS3},
        {"info", 0, Info("kst.a90", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09, kS3Sha, "0.1 s\n"
         "passed over: 1 S0 header\n"), "kst.a90:3: warning: the data end at S5; 2 lines follow, "
         "passed over\n", nullptr, strS5AtEnd.c_str()},
        {"info", 0, Info("kst.a90", "S-records", 0, 2, 32, 65537, 65537, 0xFF00DF20, kHugeSha,
         "1.3 h\n"), "kst.a90: warning: 1 gap filled with 0xFF (16,777,200 bytes)\nkst.a90: "
         "warning: the image spans 16 MiB, 65,537 blocks, about 1.3 h at 38400 baud, for 32 bytes "
         "of data\n", nullptr, strHuge.c_str()},
        {"info", 0, Info("kst.hex", "Intel HEX", 0, 1, 16, 1, 1, 0xEF20, kOnesSha, "0.1 s\npassed "
         "over: 1 record of type 01 (end of file), 1 record of type 04 (extended linear address), "
         "1 record of type 05 (start linear address)\n"), "kst.hex:3: warning: 1 line follows the "
         "end-of-file record; they are read as well\n", strAfterEnd.c_str()},
        // The format of a named file comes from its content, or from --format.
        {"info --file kst.a90", 0, Info("kst.a90", "Intel HEX", 0x8000, 2, 24, 4, 4, 0x3E418,
         kZerosSha, "0.3 s\npassed over: 1 record of type 01 (end of file)\n"),
         "kst.a90: warning: 1 gap filled with 0xFF (976 bytes)\n", nullptr, kZeros},
        {"info --file kst.hex", 0, Info("kst.hex", "S-records", 0xABCDEF, 1, 3, 1, 1, 0xFC09,
         kS3Sha, "0.1 s\n"), "", kS3},
        {"info --file kst.hex --format=srec", 8, "", "kst.hex: no data records\n", kZeros},
        {"info", 8, "", "kst.hex, kst.a90: neither opens in the working directory\n"},
        {"info", 8, "", "kst.hex: no data records\n", ":00000001FF\r\n", kS3},
        {"info", 8, "", "kst.hex: no data bytes\n", ":0000000000\r\n", kS3},
        {"info", 8, "", "kst.hex:1: checksum mismatch\n", ":1080000000\r\n", kS3},
        {"info", 8, "", "kst.hex:1: record longer than its count\n", ":0000000001FF\r\n"},
        {"info", 8, "", "kst.hex:1: not an Intel HEX record\n", "S1130000\r\n"},
        {"info --file kst.a90", 8, "", "kst.a90: neither Intel HEX (':') nor S-records ('S')\n",
         nullptr, "\177ELF"},
        {"info --file kst.hex", 8, "", "kst.hex: a FIFO, not a regular file\n", kFifo},  // no wait
        {"info", 8, "", "kst.hex, kst.a90: neither opens in the working directory\n", kFifo},
        {"info --file", 2, "", "vanto-flash: --file needs a value\nusage: vanto-flash info "
         "[--file PATH] [--format hex|srec] [--json] [--] [FILE]\n"},
        // -odd.hex: kst.hex's content under a name that looks like an option.
        {"info --format=hex -- -odd.hex", 8, "", "-odd.hex:1: not an Intel HEX record\n",
         "S1130000\r\n"},
        {"info -- --help", 8, "", "--help: no such file\n"},
        {"info kst.hex --file -odd.hex", 2, "", "vanto-flash: the update file is named twice: "
         "'kst.hex' and '-odd.hex'\n"},
        {"-- kst.hex --port 1", 2, "", "vanto-flash: the update file is named twice: 'kst.hex' and "
         "'--port'\n"},
        {"-q -- kst.hex", 1, "", Printed(kDeviceNotFound), kS3},
        {"info -h", 0, strHelp, ""},
        {"--port 3 --json --help", 0, strHelp, ""},
        {"-qh", 0, strHelp, ""},
        {"-qx", 2, "", "vanto-flash: unknown option '-x' in '-qx'\n"},
        {"ports --all extra", 2, "", "vanto-flash: unexpected word 'extra'\n"
         "usage: vanto-flash ports"},
        {"kst.hex", 2, "", "vanto-flash: unknown command 'kst.hex'"},
        {"--fast", 2, "", "vanto-flash: unknown option '--fast'\nusage: "},
        // Ports a run on several devices refuses before it touches any.
        {"--port 1 --ports 1-2", 2, "", "vanto-flash: COM1 is named twice: one device, one port\n"},
        {"--all --port 1", 2, "", "vanto-flash: --all looks at COM1..COM10 itself"},
        {"-v --ports 1-2", 2, "", "vanto-flash: -v shows the frames of one device"},
        {"--ports 3-1", 2, "", "vanto-flash: --ports '3-1': '3-1' is not a port"},
        {"--ports 1,,2", 2, "", "vanto-flash: --ports '1,,2': '' is not a port"},
        {"--ports 0-3", 2, "", "vanto-flash: --ports '0-3': '0-3' is not a port"},
        {"--ports 2-101", 2, "", "vanto-flash: --ports '2-101': '2-101' is not a port"},
        {"--ports 1-2-3", 2, "", "vanto-flash: --ports '1-2-3': '1-2-3' is not a port"},
        {"--ports=", 2, "", "vanto-flash: --ports '': '' is not a port"},
    };
    // clang-format on
    for (const SRow& row : rows) {
        CTempDir dir;
        for (const auto& [pszName, pszText] : {std::pair{"kst.hex", row.pszHex},
                                               {"-odd.hex", row.pszHex},
                                               {"kst.a90", row.pszA90}}) {
            if (pszText == kDir) {
                std::filesystem::create_directory(dir.File(pszName));
            } else if (pszText == kFifo) {
                mkfifo(dir.File(pszName).c_str(), 0600);
            } else if (pszText != nullptr) {
                std::ofstream(dir.File(pszName), std::ios::binary) << pszText;
            }
        }
        const SRun run =
            RunShell(dir.Path(), std::string("exec '" VANTO_BIN_DIR "/vanto-flash' ") + row.pszArgs,
                     {"VANTO_COM_PORTS="});
        EXPECT_EQ(run.nExit, row.nExit) << row.pszArgs << run.strErr;
        EXPECT_EQ(run.strOut, row.strOut) << row.pszArgs;
        EXPECT_EQ(row.nExit == 2 ? run.strErr.substr(0, row.strErr.size()) : run.strErr, row.strErr)
            << row.pszArgs;
    }
}

}  // namespace
