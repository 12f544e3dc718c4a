#pragma once

#include "tools/vanto-flash/device_board.h"
#include "tools/vanto-flash/terminal_output.h"

// One device's texts as its row of the board, when several devices are
// updated at once: the scan log's lines above the rows, each status as the
// row's state, the run's progress as its bar. The page's beep is left out:
// it would sound once per device.
class CBoardRowOutput : public ITerminalOutput {
public:
    explicit CBoardRowOutput(CDeviceBoard& board) : m_board(board) {}
    // The row to draw in; before anything is drawn.
    void SetRow(int nRow) { m_nRow = nRow; }

    void ScanLine(const std::string& strLine) override { m_board.PrintScanLine(m_nRow, strLine); }
    void Status(const std::string& strText, bool /*bFailure*/) override {
        m_board.SetStatus(m_nRow, strText);
    }
    void ProgressStart(int nTotal) override { m_board.StartProgress(m_nRow, nTotal); }
    void ProgressUpdate(int nDone) override { m_board.UpdateProgress(m_nRow, nDone); }
    void ProgressStop() override { m_board.StopProgress(m_nRow); }
    void Bell() override {}

private:
    CDeviceBoard& m_board;
    int m_nRow = -1;
};
