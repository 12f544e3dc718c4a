#include "tools/vanto-flash/stream_output.h"

void CStreamOutput::PrintLine(const std::string& strText, bool bFailure) {
    if (!bFailure && m_streams.bQuiet) {
        return;
    }
    std::FILE* pStream = bFailure ? m_streams.pErr : m_streams.pOut;
    std::fprintf(pStream, "%s\n", strText.c_str());
    std::fflush(pStream);
}

void CStreamOutput::ScanLine(const std::string& strLine) {
    PrintLine(strLine, false);
}

void CStreamOutput::Status(const std::string& strText, bool bFailure) {
    PrintLine(strText, bFailure);
}

void CStreamOutput::ProgressStart(int nTotal) {
    if (!m_streams.bQuiet) {
        m_progress.Start(nTotal);
    }
}

void CStreamOutput::ProgressUpdate(int nDone) {
    if (!m_streams.bQuiet) {
        m_progress.Update(nDone);
    }
}

void CStreamOutput::ProgressStop() {
    if (!m_streams.bQuiet) {
        m_progress.Stop();
    }
}

void CStreamOutput::Bell() {
    if (m_streams.bInteractive && !m_streams.bQuiet) {
        std::fputc('\a', m_streams.pOut);
        std::fflush(m_streams.pOut);
    }
}
