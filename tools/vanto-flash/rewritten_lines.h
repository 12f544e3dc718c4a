#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The lines kept at the bottom of a terminal and drawn again in place: the
// rows of several devices, the rows of a station's ports. Each drawing moves
// the cursor up over the lines of the last one and clears each line before
// writing it, so a shorter line leaves nothing of the longer one before it.
// The lines must each fit the terminal's width (see CFittedLine): a line that
// wrapped would take two and the next drawing would land one too low.
class CRewrittenLines {
public:
    // Writes lines to pOut in place of those drawn last, and flushes pOut.
    void Draw(std::FILE* pOut, const std::vector<std::string>& lines);
    // Moves up over the lines drawn last and clears from there to the end of
    // the screen, so that other output can go there; the next Draw starts
    // afresh below it.
    void Erase(std::FILE* pOut);

private:
    int m_nDrawn = 0;  // lines on the screen above the cursor
};
