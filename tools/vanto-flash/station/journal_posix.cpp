#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tools/vanto-flash/station/journal.h"

namespace {

constexpr char kJournalSocket[] = "/run/systemd/journal/socket";

// NAME=value and a line break; a value with a line break in it goes in the
// binary form: NAME, a line break, its length as 64-bit little-endian, the
// value, a line break.
void AddField(std::string* pEntry, const std::string& strName, const std::string& strValue) {
    if (strValue.find('\n') == std::string::npos) {
        *pEntry += strName + "=" + strValue + "\n";
        return;
    }
    *pEntry += strName + "\n";
    uint64_t nLength = strValue.size();
    for (int i = 0; i < 8; ++i, nLength >>= 8) {
        *pEntry += static_cast<char>(nLength & 0xFF);
    }
    *pEntry += strValue + "\n";
}

std::string UpperCase(std::string strText) {
    for (char& c : strText) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return strText;
}

}  // namespace

CJournal::~CJournal() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool CJournal::Open() {
    const char* pszSocket = std::getenv("VANTO_JOURNAL_SOCKET");
    m_strSocket = pszSocket != nullptr && *pszSocket != '\0' ? pszSocket : kJournalSocket;
    if (m_strSocket.size() >= sizeof(sockaddr_un::sun_path)) {
        return false;
    }
    m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0;
}

bool CJournal::Send(const SAttemptRecord& record, const std::string& strMessage, bool bUpdated) {
    if (m_fd < 0) {
        return false;
    }
    std::string strEntry;
    AddField(&strEntry, "MESSAGE", strMessage);
    AddField(&strEntry, "PRIORITY", bUpdated ? "6" : "4");
    AddField(&strEntry, "SYSLOG_IDENTIFIER", "vanto-flash");
    for (const SRecordField& field : RecordFields(record)) {
        if (field.eKind != SRecordField::EKind::Null) {
            AddField(&strEntry, "VANTO_" + UpperCase(field.pszName), field.strValue);
        }
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, m_strSocket.c_str(), m_strSocket.size() + 1);
    return sendto(m_fd, strEntry.data(), strEntry.size(), MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == static_cast<ssize_t>(strEntry.size());
}
