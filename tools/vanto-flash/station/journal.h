#pragma once

#include <string>
#include <vector>

#include "tools/vanto-flash/station/attempt_record.h"

// The system journal, for the station's records: each update attempt as one
// structured entry with the record's fields (VANTO_PORT, VANTO_RESULT_NAME,
// ...; a null field is left out), MESSAGE (the attempt on one line),
// PRIORITY (6, info, when the device was updated; 4, warning, otherwise) and
// SYSLOG_IDENTIFIER=vanto-flash. A site gathers them with the log shipping
// it has for the journal.
//
// Linux: the journal's native protocol, one datagram per entry to
// /run/systemd/journal/socket (VANTO_JOURNAL_SOCKET names another socket,
// for tests), with no library. A journal that is missing (no systemd, a
// container) or refuses an entry never fails an update and says nothing: the
// entry is dropped. Windows: no journal, the log file alone.
class CJournal {
public:
    CJournal() = default;
    ~CJournal();
    CJournal(const CJournal&) = delete;
    CJournal& operator=(const CJournal&) = delete;

    // Makes the socket entries go out on; false when none could be made.
    bool Open();
    // Sends the record as one entry; false when it did not go (no journal,
    // or the journal refused it). Any thread.
    bool Send(const SAttemptRecord& record, const std::string& strMessage, bool bUpdated);

private:
    int m_fd = -1;
    std::string m_strSocket;
};
