#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Line-by-line reading of the update file as the device's tools write it,
// for a text-mode reader: LF and CR LF both end a line (the CR is stripped), the last line may lack
// its terminator, and a Ctrl-Z byte (0x1A) ends the file. What follows a Ctrl-Z is never delivered
// as lines, but it is looked at: a file that goes on with text after it was cut short on purpose or
// by accident, and its reader must be able to tell. Reads in large chunks; never holds the whole
// file.
//
// A line longer than kMaxLine bytes is cut to its first kMaxLine bytes and the
// rest of it is passed over, so memory stays bounded whatever the file holds.
// No record of an update file is looked at beyond its first 82 characters.
class CTextFile {
public:
    enum class ReadResult { Line, End, Error };

    // The longest line delivered whole; reads ask the system for up to this
    // many bytes at a time.
    static constexpr size_t kMaxLine = 128 * 1024;

    CTextFile() = default;
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // Opens an existing regular file read-only, without ever waiting in the
    // open (a FIFO, device or directory is refused at once). False when it
    // cannot be opened; a file open before is closed either way.
    bool Open(const char* pszPath);
    bool IsOpen() const { return m_fd >= 0; }

    // Next line without its terminator, as a view into the reader's own
    // buffer, valid until the next read, seek or close (copies nothing on the
    // usual path). End once the end of the file was reached with no
    // characters left (and every time after that); Error on a read error
    // other than the end of the file, or with no file open.
    ReadResult ReadLine(std::string_view& line);

    // Back to the first line. False on a seek error or when no file is open;
    // after a failed seek every read reports Error until a seek succeeds.
    bool SeekToStart();

    // Once a read has reported End: whether a Ctrl-Z ended the file before
    // anything but blanks, line ends and further Ctrl-Z bytes. If so, with
    // nLinesRead the lines delivered before the end, *pnCtrlZLine is the line
    // the Ctrl-Z stands on and *pnTextLine the line the text after it starts
    // on (lines counted from 1, as the file's own line ends count them).
    // False with both left alone for a file that simply ended.
    bool TextAfterEndOfText(uint32_t nLinesRead, uint32_t* pnCtrlZLine, uint32_t* pnTextLine) const;

    void Close();

private:
    enum class FillResult { Data, End, Error };

    FillResult Refill();
    FillResult MakeRoomAndRefill();
    ReadResult PassOverLongLine();
    bool LookPastEndOfText(const char* pBegin, const char* pEnd);
    void ResetEndOfText();

    int m_fd = -1;
    std::vector<char> m_buffer;
    size_t m_nBegin = 0;         // first unread byte in m_buffer
    size_t m_nEnd = 0;           // end of the valid bytes in m_buffer
    bool m_bEof = false;         // end of file (or Ctrl-Z) reached: nothing more to read
    bool m_bFailed = false;      // a seek failed: reads report Error
    bool m_bInLongLine = false;  // the last line was cut: its rest is still unread
    char m_chLastRead = '\n';    // the last byte read before the current chunk
    // What a Ctrl-Z left behind: whether it stands at the start of a line,
    // whether text follows it, and the line ends between it and that text.
    bool m_bEndOfText = false;
    bool m_bEndOfTextStartsLine = false;
    bool m_bTextAfterEndOfText = false;
    uint32_t m_nLineEndsBeforeText = 0;
};
