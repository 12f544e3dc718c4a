#include "tools/vanto-flash/rewritten_lines.h"

void CRewrittenLines::Draw(std::FILE* pOut, const std::vector<std::string>& lines) {
    std::string strText;
    if (m_nDrawn > 0) {
        strText = "\x1b[" + std::to_string(m_nDrawn) + "A";
    }
    for (const std::string& strLine : lines) {
        strText += "\r\x1b[2K" + strLine + "\n";
    }
    std::fputs(strText.c_str(), pOut);
    std::fflush(pOut);
    m_nDrawn = static_cast<int>(lines.size());
}

void CRewrittenLines::Erase(std::FILE* pOut) {
    if (m_nDrawn > 0) {
        std::fprintf(pOut, "\x1b[%dA\r\x1b[J", m_nDrawn);
        m_nDrawn = 0;
    }
}
