#include <gtest/gtest.h>

#include <string>

#include "app/updater_app.h"
#include "link/result_codes.h"
#include "tests/procedures/recording_page.h"
#include "tests/procedures/update_file_writer.h"
#include "wizard/prog_target.h"
#include "wizard/setup.h"

namespace {

struct ResultTextCase {
    int nCode;
    bool bHasText;
    const char* pszText;
};

// Every code the run can end with, and the neighbours that have no text.
const ResultTextCase kResultTextCases[] = {
    {UPD_OK, true, "The device has been updated successfully"},
    {UPD_MORE, false, ""},
    {UPD_CHECKSUM_ERROR, true, "Over All Checksum Error\r\nPlease restart programming"},
    {UPD_FLASH_ADDRESS_ERROR, true, "Flash Address Error"},
    {UPD_PORT_WRITE_FAILED, true, "COM port transmission failed. Please retry."},
    {UPD_NO_RESPONSE, true,
     "Could not get response from the device.\r\n"
     "Please check cable connection and power supply and retry\r\n"},
    {UPD_TRANSMISSION_ERROR, true, "Data transmission error. Please restart programming"},
    {UPD_FILE_ERROR, true, "Update file not found or may be crashed.\r\nTask can not continue"},
    {0, false, ""},
    {9, false, ""},
    {255, false, ""},
    {-1, false, ""},
};

TEST(ResultText, EveryCodeHasItsTextOrNone) {
    for (const ResultTextCase& c : kResultTextCases) {
        std::string strText = "left over";
        EXPECT_EQ(CProgTarget::GetResultText(c.nCode, strText), c.bHasText) << c.nCode;
        EXPECT_EQ(strText, c.pszText) << c.nCode;
    }
}

TEST(ResultText, BoxOnlyForCodesWithTextAndStatusAlways) {
    CUpdaterApp app;
    CRecordingSheet sheet;
    app.m_pWizard = &sheet;
    CRecordingPage page;
    CProgTarget prog(app, page);
    for (const ResultTextCase& c : kResultTextCases) {
        const size_t nBoxesBefore = page.BoxTexts().size();
        prog.ShowResultBox(c.nCode);
        prog.ShowResultStatus(c.nCode);
        EXPECT_EQ(page.BoxTexts().size(), nBoxesBefore + (c.bHasText ? 1 : 0)) << c.nCode;
        if (c.bHasText) {
            EXPECT_EQ(page.BoxTexts().back(), c.pszText);
            EXPECT_EQ(page.BoxCaptions().back(), "VANTO Updating");
        }
        EXPECT_EQ(page.Text(IDC_PROG_STATUS), c.pszText) << c.nCode;
    }
}

struct ElapsedCase {
    long nSeconds;
    bool bWritten;
    const char* pszText;
};

TEST(ElapsedTime, MinutesWithinTheHourAndNoLabelAtWholeHours) {
    const ElapsedCase cases[] = {
        {0, false, ""},
        {1, true, "Elapse Time: 0:1"},
        {59, true, "Elapse Time: 0:59"},
        {60, true, "Elapse Time: 1:0"},
        {127, true, "Elapse Time: 2:7"},
        {3599, true, "Elapse Time: 59:59"},
        {3600, false, ""},
        {3725, true, "Elapse Time: 2:5"},
        {7200, false, ""},
        {7201, true, "Elapse Time: 0:1"},
    };
    for (const ElapsedCase& c : cases) {
        std::string strText;
        EXPECT_EQ(CProgTarget::FormatElapsedTime(c.nSeconds, strText), c.bWritten) << c.nSeconds;
        EXPECT_EQ(strText, c.pszText) << c.nSeconds;
    }
}

// The page's first texts and the button requests of both pages, with and
// without the outcome flags.
TEST(PageFlow, FirstTextsAndButtonRequests) {
    CUpdaterApp app;
    CRecordingSheet sheet;
    app.m_pWizard = &sheet;
    CRecordingPage page;
    CSetup setup(app, page);
    CProgTarget prog(app, page);

    setup.OnInitDialog();
    EXPECT_EQ(page.Text(IDC_SETUP_TITLE), "Setup Serial Connection");
    EXPECT_EQ(page.Text(IDC_SETUP_STEP1),
              "1, Connect serial cable between COM ports on PC\r\n   and device.");
    EXPECT_EQ(page.Text(IDC_SETUP_STEP2), "2, Power on the device and enter update mode.");
    EXPECT_EQ(page.Text(IDC_SETUP_STEP3), "3, Press the below button to scan the device.");
    EXPECT_EQ(page.Text(IDC_SCAN_BUTTON), "Scan Device");
    EXPECT_EQ(setup.m_bScanning.load(), 0);
    prog.OnInitDialog();
    EXPECT_EQ(page.Text(IDC_PROG_STATUS), "Ready to update the device now.");

    setup.OnSetActive();
    prog.OnSetActive();
    app.m_bDeviceFound = 1;
    app.m_bUpdateDone = 1;
    setup.OnSetActive();
    prog.OnSetActive();
    const std::vector<unsigned> expected = {PSWIZB_BACK, PSWIZB_BACK,
                                            PSWIZB_BACK | PSWIZB_DISABLEDFINISH,
                                            PSWIZB_BACK | PSWIZB_NEXT, PSWIZB_BACK | PSWIZB_FINISH};
    EXPECT_EQ(sheet.Requests(), expected);
}

// Start with no update file: beep, the file-error text in the status and in
// the box, no worker, the page stays ready for another press.
TEST(StartProgramming, MissingUpdateFileReportsFileErrorWithoutWorker) {
    CTempWorkDir dir;
    CUpdaterApp app;
    CRecordingSheet sheet;
    app.m_pWizard = &sheet;
    app.CreateEngine();
    CRecordingPage page;
    CProgTarget prog(app, page);
    prog.OnStartProgramming();

    EXPECT_FALSE(prog.IsRunning());
    EXPECT_EQ(page.Beeps(), 1);
    const std::string strFileError =
        "Update file not found or may be crashed.\r\nTask can not continue";
    EXPECT_EQ(page.Text(IDC_PROG_STATUS), strFileError);
    EXPECT_EQ(page.BoxTexts(), std::vector<std::string>{strFileError});
    EXPECT_FALSE(page.IsShown(IDC_PROGRESS));
    EXPECT_EQ(app.m_nProgState.load(), 0);
    EXPECT_FALSE(app.IsLinkBusy());
    EXPECT_EQ(prog.LastResult(), UPD_FILE_ERROR);
}

// Decision: one worker on the link. A start press while a scan holds the
// link does nothing at all; nor does a press while a run is under way.
TEST(StartProgramming, RefusedWhileTheLinkOrTheStateIsBusy) {
    CTempWorkDir dir;
    WriteIntelHexFile(dir.File("kst.hex"), 0, PatternBytes(300));
    CUpdaterApp app;
    CRecordingSheet sheet;
    app.m_pWizard = &sheet;
    app.CreateEngine();
    CRecordingPage page;
    CProgTarget prog(app, page);

    ASSERT_TRUE(app.ClaimLink());  // a scan is running
    prog.OnStartProgramming();
    EXPECT_TRUE(page.Events().empty());
    app.ReleaseLink();

    app.m_nProgState = 1;  // a run is under way
    prog.OnStartProgramming();
    EXPECT_TRUE(page.Events().empty());
    EXPECT_FALSE(prog.IsRunning());
}

}  // namespace
