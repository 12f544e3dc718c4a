#pragma once

#include <string>
#include <vector>

// A line rewritten in place on a terminal, made of fields that give way in a
// set order when the terminal is narrow: a line wider than the terminal would
// wrap onto a second line, and the next "\r" would rewrite only that second
// half, leaving a stale line behind at every redraw.
//
// Each field has a rank: fields of the lowest rank go first, then the next,
// until the line fits; rank 0 never goes. A bar narrows, cell by cell down to
// its least width, before the fields of its shrink rank go. What still does
// not fit once only the rank-0 fields are left is cut at the end.
//
// Widths are counted in terminal columns, and generously: a character
// outside ASCII counts two (it may be a wide one), so that the line is never
// wider than counted. Control characters (a device name is anything the
// user gave) are shown as '?'.
class CFittedLine {
public:
    // Adds a field after the others, with pszSeparator between it and the
    // field shown before it (nothing before the first field shown).
    void Add(const std::string& strText, int nRank, const char* pszSeparator = "  ");
    // Adds a bar "[####----]" nMaxCells wide, nPercent of it filled, that
    // narrows down to nMinCells before the fields of nShrinkRank go, and goes
    // itself with the fields of nRank.
    void AddBar(int nPercent, int nMaxCells, int nMinCells, int nShrinkRank, int nRank,
                const char* pszSeparator = "  ");
    // Adds the fields of a transfer in progress: a bar 16 cells wide that
    // narrows to 6 before the fields of nShrinkRank go and goes with those of
    // nBarRank, "NN%" (never goes), and "N.N KiB/s" of rank nRateRank.
    void AddProgress(int nPercent, double dKiBps, int nShrinkRank, int nRateRank, int nBarRank);

    // The line, at most nColumns columns wide (see above); the object is
    // unchanged, so the same line can be fitted again to another width.
    std::string Fit(int nColumns) const;

    // The columns strText takes, counted as above.
    static int Columns(const std::string& strText);

private:
    struct SField {
        std::string strText;  // for a bar: empty, drawn from nPercent and the cells
        std::string strSeparator;
        int nRank = 0;
        bool bBar = false;
        int nPercent = 0;
        int nMaxCells = 0;
        int nMinCells = 0;
        int nShrinkRank = 0;
    };

    // The line without the fields of ranks 1 to nDroppedUpTo, the bar
    // nBarCells wide.
    std::string Join(int nDroppedUpTo, int nBarCells) const;
    static std::string Bar(int nPercent, int nCells);
    // strText cut to at most nColumns columns, never inside a character.
    static std::string Cut(const std::string& strText, int nColumns);

    std::vector<SField> m_fields;
};
