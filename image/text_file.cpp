#include "image/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// A Ctrl-Z byte ends a text file on the platform the update files come from.
constexpr char kEndOfText = 0x1A;

// What may follow a Ctrl-Z without being text: blanks, line ends and more
// Ctrl-Z bytes (old tools pad a file's last sector with them).
bool IsPadding(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' ||
           c == kEndOfText;
}

}  // namespace

CTextFile::~CTextFile() {
    Close();
}

void CTextFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    m_nBegin = m_nEnd = 0;
    m_bEof = false;
    m_bFailed = false;
    m_bInLongLine = false;
    ResetEndOfText();
}

void CTextFile::ResetEndOfText() {
    m_chLastRead = '\n';
    m_bEndOfText = false;
    m_bEndOfTextStartsLine = false;
    m_bTextAfterEndOfText = false;
    m_nLineEndsBeforeText = 0;
}

bool CTextFile::Open(const char* pszPath) {
    Close();
    if (pszPath == nullptr) {
        return false;
    }
    // O_NONBLOCK: a FIFO (or a device) of that name must not hold up the open
    // until someone writes to it. Only a regular file is an update file; a
    // FIFO would also read differently on the second pass.
    int fd = ::open(pszPath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const int nFlags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || nFlags < 0 ||
        ::fcntl(fd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    // Room for the longest whole line with its CR LF.
    m_buffer.resize(kMaxLine + 2);
    return true;
}

bool CTextFile::SeekToStart() {
    if (m_fd < 0) {
        return false;
    }
    m_nBegin = m_nEnd = 0;
    m_bEof = false;
    m_bInLongLine = false;
    ResetEndOfText();
    m_bFailed = ::lseek(m_fd, 0, SEEK_SET) != 0;
    return !m_bFailed;
}

CTextFile::ReadResult CTextFile::ReadLine(std::string_view& line) {
    line = {};
    if (m_fd < 0 || m_bFailed) {
        return ReadResult::Error;
    }
    if (m_bInLongLine && PassOverLongLine() == ReadResult::Error) {
        return ReadResult::Error;
    }
    for (;;) {
        const char* pBegin = m_buffer.data() + m_nBegin;
        size_t nAvail = m_nEnd - m_nBegin;
        const void* pNewline = std::memchr(pBegin, '\n', nAvail);
        if (pNewline != nullptr) {
            size_t nLen = static_cast<size_t>(static_cast<const char*>(pNewline) - pBegin);
            m_nBegin += nLen + 1;
            // CR LF ends a line as LF does; a CR elsewhere is part of the line.
            if (nLen > 0 && pBegin[nLen - 1] == '\r') {
                --nLen;
            }
            line = std::string_view(pBegin, std::min(nLen, kMaxLine));
            return ReadResult::Line;
        }
        if (m_bEof) {
            // The last line may lack its terminator.
            m_nBegin = m_nEnd;
            if (nAvail == 0) {
                return ReadResult::End;
            }
            line = std::string_view(pBegin, std::min(nAvail, kMaxLine));
            return ReadResult::Line;
        }
        if (nAvail == m_buffer.size()) {
            // No line end in a full buffer: deliver the start of the line and
            // pass over its rest at the next read.
            m_nBegin = m_nEnd;
            m_bInLongLine = true;
            line = std::string_view(pBegin, kMaxLine);
            return ReadResult::Line;
        }
        if (MakeRoomAndRefill() == FillResult::Error) {
            return ReadResult::Error;
        }
    }
}

CTextFile::ReadResult CTextFile::PassOverLongLine() {
    for (;;) {
        const char* pBegin = m_buffer.data() + m_nBegin;
        const void* pNewline = std::memchr(pBegin, '\n', m_nEnd - m_nBegin);
        if (pNewline != nullptr) {
            m_nBegin =
                static_cast<size_t>(static_cast<const char*>(pNewline) - m_buffer.data()) + 1;
            break;
        }
        m_nBegin = m_nEnd;
        if (m_bEof) {
            break;
        }
        if (MakeRoomAndRefill() == FillResult::Error) {
            return ReadResult::Error;
        }
    }
    m_bInLongLine = false;
    return ReadResult::Line;
}

// Moves the unread bytes to the front of the buffer and reads more behind them.
CTextFile::FillResult CTextFile::MakeRoomAndRefill() {
    if (m_nBegin > 0) {
        size_t nAvail = m_nEnd - m_nBegin;
        std::memmove(m_buffer.data(), m_buffer.data() + m_nBegin, nAvail);
        m_nBegin = 0;
        m_nEnd = nAvail;
    }
    return Refill();
}

CTextFile::FillResult CTextFile::Refill() {
    ssize_t nRead;
    do {
        nRead = ::read(m_fd, m_buffer.data() + m_nEnd, m_buffer.size() - m_nEnd);
    } while (nRead < 0 && errno == EINTR);
    if (nRead < 0) {
        return FillResult::Error;
    }
    if (nRead == 0) {
        m_bEof = true;
        return FillResult::End;
    }
    char* pNew = m_buffer.data() + m_nEnd;
    const auto* pEndOfText =
        static_cast<const char*>(std::memchr(pNew, kEndOfText, static_cast<size_t>(nRead)));
    if (pEndOfText != nullptr) {
        // Nothing after a Ctrl-Z is part of the file's lines; what follows it
        // is only looked at.
        m_bEndOfText = true;
        m_bEndOfTextStartsLine = (pEndOfText > pNew ? pEndOfText[-1] : m_chLastRead) == '\n';
        m_nEnd = static_cast<size_t>(pEndOfText - m_buffer.data());
        m_bEof = true;
        return LookPastEndOfText(pEndOfText + 1, pNew + nRead) ? FillResult::Data
                                                               : FillResult::Error;
    }
    m_nEnd += static_cast<size_t>(nRead);
    m_chLastRead = pNew[nRead - 1];
    return FillResult::Data;
}

// Reads on from the byte after a Ctrl-Z (the rest of the chunk first) up to
// the first text or the end of the file, counting the line ends on the way.
// False on a read error.
bool CTextFile::LookPastEndOfText(const char* pBegin, const char* pEnd) {
    char abChunk[4096];
    for (;;) {
        for (const char* p = pBegin; p < pEnd; ++p) {
            if (!IsPadding(*p)) {
                m_bTextAfterEndOfText = true;
                return true;
            }
            m_nLineEndsBeforeText += *p == '\n' ? 1 : 0;
        }
        ssize_t nRead;
        do {
            nRead = ::read(m_fd, abChunk, sizeof abChunk);
        } while (nRead < 0 && errno == EINTR);
        if (nRead <= 0) {
            return nRead == 0;
        }
        pBegin = abChunk;
        pEnd = abChunk + nRead;
    }
}

bool CTextFile::TextAfterEndOfText(uint32_t nLinesRead, uint32_t* pnCtrlZLine,
                                   uint32_t* pnTextLine) const {
    if (!m_bEndOfText || !m_bTextAfterEndOfText) {
        return false;
    }
    // A Ctrl-Z inside a line stands on the last line delivered.
    *pnCtrlZLine = nLinesRead + (m_bEndOfTextStartsLine ? 1 : 0);
    *pnTextLine = *pnCtrlZLine + m_nLineEndsBeforeText;
    return true;
}
