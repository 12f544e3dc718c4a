#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/vanto-flash/terminal_page.h"
#include "wizard/prog_target.h"
#include "wizard/setup.h"

namespace {

// Collects what the terminal page prints.
class CCapturedOutput {
public:
    CCapturedOutput() : m_pFile(open_memstream(&m_pBuffer, &m_nSize)) {}
    ~CCapturedOutput() {
        std::fclose(m_pFile);
        std::free(m_pBuffer);
    }
    std::FILE* File() { return m_pFile; }
    std::string Text() {
        std::fflush(m_pFile);
        return std::string(m_pBuffer, m_nSize);
    }

private:
    char* m_pBuffer = nullptr;
    size_t m_nSize = 0;
    std::FILE* m_pFile;
};

TEST(TerminalText, LineBreaksBecomeNewlinesAndTrailingOnesGo) {
    const struct {
        const char* pszIn;
        const char* pszOut;
    } cases[] = {
        {"", ""},
        {"Flash Address Error", "Flash Address Error"},
        {"Over All Checksum Error\r\nPlease restart programming",
         "Over All Checksum Error\nPlease restart programming"},
        {"Could not get response from the device.\r\nPlease check\r\n",
         "Could not get response from the device.\nPlease check"},
        {"COM Port1--Not Available\r\n", "COM Port1--Not Available"},
        {"lone\rcarriage", "lone\rcarriage"},
        {"\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CTerminalPage::ToTerminalText(c.pszIn), c.pszOut) << c.pszIn;
    }
}

// The scan log prints whole lines only; a press that empties the log drops
// the started line with it; status texts print when they change.
TEST(TerminalPage, ScanLogLinesAndStatusChanges) {
    CCapturedOutput out;
    CTerminalPage page(out.File(), false);
    page.SetText(IDC_SETUP_TITLE, "Setup Serial Connection");
    page.SetText(IDC_SETUP_STATUS, "Connecting device...\r\nMake sure device is in update mode");
    page.SetText(IDC_SETUP_STATUS, "Connecting device...");
    page.AppendText(IDC_SCAN_LOG, "COM Port1--Not Available\r\n");
    page.AppendText(IDC_SCAN_LOG, "COM Port2--");
    page.SetText(IDC_SCAN_LOG, "");
    page.AppendText(IDC_SCAN_LOG, "Device Not Found\r\n");
    page.AppendText(IDC_SCAN_LOG, "COM Port3--");
    page.AppendText(IDC_SCAN_LOG, "Device Found\r\n");
    page.SetText(IDC_SETUP_STATUS, "Connecting device...");  // unchanged: not again
    page.SetText(IDC_SCAN_BUTTON, "Scan Device");
    EXPECT_EQ(out.Text(),
              "Connecting device...\nMake sure device is in update mode\n"
              "Connecting device...\n"
              "COM Port1--Not Available\n"
              "Device Not Found\n"
              "COM Port3--Device Found\n");
}

// Off a terminal the progress prints a line per further tenth, and the
// result text appears once although the page sets it as box and status.
TEST(TerminalPage, ProgressEveryTenthAndResultOnce) {
    CCapturedOutput out;
    CTerminalPage page(out.File(), false);
    page.SetText(IDC_PROG_STATUS, "");
    page.SetProgressRange(IDC_PROGRESS, 20);
    page.SetText(IDC_PROG_STATUS, "Programming In Process, Please Wait...");
    page.SetProgressPos(IDC_PROGRESS, 1);  // the run's start marker
    for (int nPos = 1; nPos <= 21; ++nPos) {
        page.SetProgressPos(IDC_PROGRESS, nPos);
    }
    page.Show(IDC_PROGRESS, false);
    page.SetText(IDC_ELAPSED_TIME, "Elapse Time: 0:1");
    page.ShowMessageBox("The device has been updated successfully", "VANTO Updating");
    page.SetText(IDC_PROG_STATUS, "The device has been updated successfully");

    const std::string strText = out.Text();
    size_t nBlockLines = 0;
    for (size_t nAt = strText.find("Block "); nAt != std::string::npos;
         nAt = strText.find("Block ", nAt + 1)) {
        ++nBlockLines;
    }
    EXPECT_EQ(nBlockLines, 10u) << strText;
    EXPECT_NE(strText.find("Block 2/20 "), std::string::npos) << strText;
    EXPECT_NE(strText.find("Block 20/20 "), std::string::npos) << strText;
    EXPECT_EQ(strText.find("Block 21/"), std::string::npos) << strText;
    EXPECT_EQ(strText.find("Elapse"), std::string::npos);
    const std::string strDone = "The device has been updated successfully\n";
    const size_t nFirst = strText.find(strDone);
    ASSERT_NE(nFirst, std::string::npos);
    EXPECT_EQ(strText.find(strDone, nFirst + 1), std::string::npos) << strText;
}

// A load that fails sets the status first and then shows the box.
TEST(TerminalPage, FailedLoadPrintsItsTextOnce) {
    CCapturedOutput out;
    CTerminalPage page(out.File(), false);
    const std::string strText = "Update file not found or may be crashed.\r\nTask can not continue";
    page.SetText(IDC_PROG_STATUS, strText);
    page.ShowMessageBox(strText, "VANTO Updating");
    EXPECT_EQ(out.Text(), "Update file not found or may be crashed.\nTask can not continue\n");
}

// On a terminal the progress is one line rewritten in place.
TEST(TerminalPage, InteractiveProgressRewritesOneLine) {
    CCapturedOutput out;
    CTerminalPage page(out.File(), true);
    page.SetProgressRange(IDC_PROGRESS, 3);
    page.SetProgressPos(IDC_PROGRESS, 1);
    for (int nPos = 1; nPos <= 4; ++nPos) {
        page.SetProgressPos(IDC_PROGRESS, nPos);
    }
    page.Show(IDC_PROGRESS, false);
    page.Silence();
    page.SetText(IDC_PROG_STATUS, "not printed once silenced");
    const std::string strText = out.Text();
    EXPECT_EQ(std::count(strText.begin(), strText.end(), '\n'), 1) << strText;
    EXPECT_EQ(std::count(strText.begin(), strText.end(), '\r'), 5) << strText;
    EXPECT_NE(strText.find("\rBlock 3/3 "), std::string::npos) << strText;
    EXPECT_EQ(strText.find("not printed"), std::string::npos);
}

}  // namespace
