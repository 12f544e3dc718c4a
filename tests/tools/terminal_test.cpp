// vanto-flash on a real terminal (script's pseudo-terminal, its width set
// with stty): every line rewritten in place fits the width, narrow or wide,
// also after the width changes during the run.
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

}  // namespace
