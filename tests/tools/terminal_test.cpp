// vanto-flash on a real terminal (script's pseudo-terminal, its width set
// with stty): every line rewritten in place fits the width, narrow or wide,
// also after the width changes during the run; and the option forms every
// command takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "tests/support/devsim_process.h"
#include "tests/tools/flash_run.h"

namespace {

using namespace flash_run;

// The pieces of a terminal's output that were written to rewrite a line: from
// each "\r" that starts no line break (the terminal turns "\n" into "\r\n")
// to the next "\r" or "\n", with the escape sequences taken out.
Strings RewrittenLines(const std::string& strOut) {
    Strings lines;
    for (size_t n = strOut.find('\r'); n != std::string::npos; n = strOut.find('\r', n + 1)) {
        if (n + 1 < strOut.size() && strOut[n + 1] == '\n') {
            continue;
        }
        const size_t nEnd = strOut.find_first_of("\r\n", n + 1);
        std::string strLine;
        for (size_t i = n + 1; i < std::min(nEnd, strOut.size()); ++i) {
            if (strOut[i] == '\x1b') {  // ESC [ parameters, then a letter
                i = strOut.find_first_of("ABCDGHJKm", i);
                continue;
            }
            strLine += strOut[i];
        }
        lines.push_back(strLine);
    }
    return lines;
}

struct SWidthRow {
    const char* pszName;
    int nColumns;      // from the start
    int nResizedTo;    // 0, or the width the terminal gets after 0.7 s
    int nDevices;      // 1: the one-device line; more: the rows of the board
    Strings lastLine;  // what the last rewritten line of COM1 holds
    bool bAllFields;   // the whole one-device line: the bytes too
};

// clang-format off
const SWidthRow kWidthRows[] = {
    {"OneDevice40", 40, 0, 1, {"] 100%  ", " KiB/s  0:00 left"}, false},
    {"OneDevice80", 80, 0, 1, {"] 100%  21/21 blocks  ", " elapsed  0:00 left"}, false},
    {"OneDevice120", 120, 0, 1, {"] 100%  21/21 blocks  5,376/5,376 bytes  "}, true},
    {"OneDeviceNarrowed", 120, 40, 1, {"] 100%  ", " left"}, false},
    {"TwoDevices40", 40, 0, 2, {"COM1 100%  The device"}, false},
    {"TwoDevices120", 120, 0, 2, {"COM1 (", ")  [################] 100%  "}, false},
    {"TwoDevicesNarrowed", 120, 40, 2, {"COM1 100%  The device"}, false},
};
// clang-format on

void PrintTo(const SWidthRow& row, std::ostream* pOut) {
    *pOut << row.pszName;
}

class TerminalWidth : public ::testing::TestWithParam<SWidthRow> {};

TEST_P(TerminalWidth, RewrittenLinesFitAndStayInPlace) {
    const SWidthRow& row = GetParam();
    std::vector<std::unique_ptr<CDevsimProcess>> devices;
    std::string strMap;
    for (int n = 0; n < row.nDevices; ++n) {
        devices.push_back(std::make_unique<CDevsimProcess>());
        ASSERT_TRUE(devices.back()->Start());
        strMap += (n == 0 ? "" : ":") + devices.back()->LinkPath();
    }
    const CTempDir dir;
    std::ofstream(dir.File("kst.hex"), std::ios::binary) << UpdateFile(kImage);
    std::string strCommand = "stty cols " + std::to_string(row.nColumns) + "; ";
    if (row.nResizedTo != 0) {
        // A background job's standard input is /dev/null: stty is given the terminal.
        strCommand +=
            "(sleep 0.7; stty -F /dev/tty cols " + std::to_string(row.nResizedTo) + ") & ";
    }
    strCommand += "exec '" VANTO_BIN_DIR "/vanto-flash'";
    strCommand += row.nDevices > 1 ? " --ports 1-" + std::to_string(row.nDevices) : "";
    const SRun run = RunShell(dir.Path(), "script -qefc \"" + strCommand + "\" /dev/null",
                              {"VANTO_COM_PORTS=" + strMap});
    ASSERT_EQ(run.nExit, 0) << run.strOut << run.strErr;

    const int nLast = row.nResizedTo != 0 ? row.nResizedTo : row.nColumns;
    const Strings lines = RewrittenLines(run.strOut);
    ASSERT_GE(lines.size(), 4u) << "rewritten in place:\n" << run.strOut;
    for (const std::string& strLine : lines) {
        EXPECT_LE(strLine.size(), size_t(row.nColumns)) << strLine;
    }
    // The last drawing of COM1's line, at the width the terminal has by then.
    const auto last = std::find_if(lines.rbegin(), lines.rend(), [&](const std::string& s) {
        return row.nDevices == 1 ? s.find('%') != std::string::npos : s.rfind("COM1", 0) == 0;
    });
    ASSERT_NE(last, lines.rend()) << run.strOut;
    EXPECT_LE(last->size(), size_t(nLast)) << *last;
    for (const std::string& strWant : row.lastLine) {
        EXPECT_NE(last->find(strWant), std::string::npos) << strWant << " in " << *last;
    }
    EXPECT_EQ(last->find(" bytes") != std::string::npos, row.bAllFields) << *last;
    // A board row is cleared before it is drawn: a shorter one leaves nothing of the last.
    EXPECT_EQ(run.strOut.find("\r\x1b[2KCOM2") != std::string::npos, row.nDevices > 1);
    if (row.nResizedTo != 0) {
        const auto widest = std::max_element(lines.begin(), lines.end(),
                                             [](auto& a, auto& b) { return a.size() < b.size(); });
        EXPECT_GT(widest->size(), size_t(row.nResizedTo)) << "wider before the change";
    }
    // In place: the lines the output went down, less those the cursor went
    // back up over (the board's rows), are the lines printed once, not one
    // per redraw.
    long nDown = std::count(run.strOut.begin(), run.strOut.end(), '\n');
    for (size_t n = run.strOut.find("\x1b["); n != std::string::npos;
         n = run.strOut.find("\x1b[", n + 1)) {
        const size_t nEnd = run.strOut.find_first_not_of("0123456789", n + 2);
        if (nEnd != std::string::npos && run.strOut[nEnd] == 'A') {
            nDown -= std::stol(run.strOut.substr(n + 2, nEnd - n - 2));
        }
    }
    EXPECT_LE(nDown, 10 + 3 * row.nDevices) << run.strOut;
}

INSTANTIATE_TEST_SUITE_P(Table, TerminalWidth, ::testing::ValuesIn(kWidthRows),
                         [](const auto& row) { return std::string(row.param.pszName); });

// --help after any command, short options together, "--" and the update file
// as a word of its own, and what the options refuse. No device: nothing here
// opens a port.
TEST(FlashOptionForms, EveryCommand) {
    struct SFormRow {
        const char* pszArgs;
        int nExit;
        const char *pszOut, *pszErr;  // what standard output and standard error start with
    };
    const char* kHelp = "usage: vanto-flash [options] [--] [FILE]\n";
    // clang-format off
    const SFormRow kRows[] = {
        {"ports --help", 0, kHelp, ""},
        {"info -h", 0, kHelp, ""},
        {"identify --help", 0, kHelp, ""},
        {"--port 3 --json --help", 0, kHelp, ""},
        {"-qh", 0, kHelp, ""},
        {"-qx", 2, "", "vanto-flash: unknown option '-x' in '-qx'\n"},
        {"ports --all extra", 2, "", "vanto-flash: unexpected word 'extra'\nusage: vanto-flash ports"},
        {"info -- -odd.hex", 0, "file: -odd.hex\nformat: Intel HEX\n", ""},
        {"info -- --help", 8, "", "--help: no such file\n"},
        {"info --format=hex kst.hex", 0, "file: kst.hex\n", ""},
        {"info kst.hex --file -odd.hex", 2, "",
         "vanto-flash: the update file is named twice: 'kst.hex' and '-odd.hex'\n"},
        {"-- kst.hex --port 1", 2, "", "vanto-flash: the update file is named twice: "
         "'kst.hex' and '--port'\n"},
        {"-q -- kst.hex", 1, "", "Is the device power on"},
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
    CTempDir dir;
    for (const char* pszName : {"kst.hex", "-odd.hex"}) {
        std::ofstream(dir.File(pszName), std::ios::binary) << UpdateFile(kImage);
    }
    for (const SFormRow& row : kRows) {
        const SRun run =
            RunShell(dir.Path(), std::string("exec '" VANTO_BIN_DIR "/vanto-flash' ") + row.pszArgs,
                     {"VANTO_COM_PORTS="});
        EXPECT_EQ(run.nExit, row.nExit) << row.pszArgs << "\n" << run.strErr;
        EXPECT_EQ(run.strOut.rfind(row.pszOut, 0), 0u) << row.pszArgs << "\n" << run.strOut;
        EXPECT_EQ(run.strErr.rfind(row.pszErr, 0), 0u) << row.pszArgs << "\n" << run.strErr;
    }
}

}  // namespace
