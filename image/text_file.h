#pragma once

#include <unistd.h>

#include <cstddef>
#include <string>
#include <vector>

// Line-by-line reading of the update file the way a text-mode file reads on
// the tools' original platform: LF and CR LF both end a line (the CR is
// stripped), the last line may lack its terminator, and a Ctrl-Z byte (0x1A)
// ends the file. Reads in large chunks; never holds the whole file.
//
// Constructor, destructor and Close() are inline so that the engine (which
// holds one of these) can be built without the rest of this library.
class CTextFile {
public:
    enum class ReadResult { Line, End, Error };

    CTextFile() = default;
    ~CTextFile() { Close(); }
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // Opens an existing file read-only. False when it cannot be opened.
    bool Open(const char* pszPath);
    bool IsOpen() const { return m_fd >= 0; }

    // Next line without its terminator. End once the end of the file was
    // reached with no characters left (and every time after that); Error on a
    // read error other than the end of the file.
    ReadResult ReadString(std::string& line);

    // Back to the first line. False on a seek error or when no file is open.
    bool SeekToStart();

    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = -1;
        m_nBegin = m_nEnd = 0;
        m_bEof = false;
    }

private:
    bool Refill();

    int m_fd = -1;
    std::vector<char> m_buffer;
    size_t m_nBegin = 0;  // first unread byte in m_buffer
    size_t m_nEnd = 0;    // end of the valid bytes in m_buffer
    bool m_bEof = false;  // end of file (or Ctrl-Z) reached
};
