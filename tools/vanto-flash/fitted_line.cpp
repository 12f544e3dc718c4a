#include "tools/vanto-flash/fitted_line.h"

#include <algorithm>
#include <cstdio>

namespace {

// Shown as it is, but never a control character: a '\r' or an escape in a
// device name would move the cursor.
std::string Printable(const std::string& strText) {
    std::string strOut = strText;
    for (char& c : strOut) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            c = '?';
        }
    }
    return strOut;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

void CFittedLine::Add(const std::string& strText, int nRank, const char* pszSeparator) {
    SField field;
    field.strText = Printable(strText);
    field.strSeparator = pszSeparator;
    field.nRank = nRank;
    m_fields.push_back(field);
}

void CFittedLine::AddBar(int nPercent, int nMaxCells, int nMinCells, int nShrinkRank, int nRank,
                         const char* pszSeparator) {
    SField field;
    field.strSeparator = pszSeparator;
    field.nRank = nRank;
    field.bBar = true;
    field.nPercent = std::clamp(nPercent, 0, 100);
    field.nMaxCells = nMaxCells;
    field.nMinCells = std::min(nMinCells, nMaxCells);
    field.nShrinkRank = nShrinkRank;
    m_fields.push_back(field);
}

// A byte outside ASCII is at most one column (a wide character takes three
// or four bytes for its two columns): the byte count never falls short.
int CFittedLine::Columns(const std::string& strText) {
    return static_cast<int>(strText.size());
}

std::string CFittedLine::Bar(int nPercent, int nCells) {
    const int nFilled = nPercent * nCells / 100;
    // Appended piece by piece: "[" + a temporary makes GCC 12 warn wrongly
    // about overlapping copies (-Wrestrict).
    std::string strBar = "[";
    strBar.append(static_cast<size_t>(nFilled), '#');
    strBar.append(static_cast<size_t>(nCells - nFilled), '-');
    strBar += ']';
    return strBar;
}

std::string CFittedLine::Cut(const std::string& strText, int nColumns) {
    size_t nEnd = static_cast<size_t>(std::max(nColumns, 0));
    if (nEnd >= strText.size()) {
        return strText;
    }
    while (nEnd > 0 && IsContinuationByte(strText[nEnd])) {
        --nEnd;
    }
    return strText.substr(0, nEnd);
}

std::string CFittedLine::Join(int nDroppedUpTo, int nBarCells) const {
    std::string strLine;
    for (const SField& field : m_fields) {
        if (field.nRank > 0 && field.nRank <= nDroppedUpTo) {
            continue;
        }
        if (!strLine.empty()) {
            strLine += field.strSeparator;
        }
        strLine += field.bBar ? Bar(field.nPercent, nBarCells) : field.strText;
    }
    return strLine;
}

void CFittedLine::AddProgress(int nPercent, double dKiBps, int nShrinkRank, int nRateRank,
                              int nBarRank) {
    constexpr int kBarCells = 16;
    constexpr int kMinBarCells = 6;
    char szPercent[16];
    char szRate[32];
    std::snprintf(szPercent, sizeof szPercent, "%3d%%", nPercent);
    std::snprintf(szRate, sizeof szRate, "%.1f KiB/s", dKiBps);
    AddBar(nPercent, kBarCells, kMinBarCells, nShrinkRank, nBarRank);
    Add(szPercent, 0, " ");
    Add(szRate, nRateRank);
}

std::string CFittedLine::Fit(int nColumns) const {
    const auto bar = std::find_if(m_fields.begin(), m_fields.end(),
                                  [](const SField& field) { return field.bBar; });
    int nBarCells = bar != m_fields.end() ? bar->nMaxCells : 0;
    // The steps in order: each rank that goes, and the bar's narrowing.
    std::vector<int> steps;
    for (const SField& field : m_fields) {
        if (field.nRank > 0) {
            steps.push_back(field.nRank);
        }
        if (field.bBar && field.nShrinkRank > 0) {
            steps.push_back(field.nShrinkRank);
        }
    }
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());

    int nDropped = 0;
    std::string strLine = Join(nDropped, nBarCells);
    for (const int nStep : steps) {
        if (Columns(strLine) <= nColumns) {
            return strLine;
        }
        if (bar != m_fields.end() && bar->nShrinkRank == nStep) {
            while (nBarCells > bar->nMinCells && Columns(strLine) > nColumns) {
                strLine = Join(nDropped, --nBarCells);
            }
            if (Columns(strLine) <= nColumns) {
                return strLine;
            }
        }
        nDropped = nStep;
        strLine = Join(nDropped, nBarCells);
    }
    return Cut(strLine, nColumns);
}
