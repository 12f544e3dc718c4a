#include "tools/vanto-flash/station/journal.h"

// Windows has no journal: the station's log file is its record.
CJournal::~CJournal() = default;

bool CJournal::Open() {
    return false;
}

bool CJournal::Send(const SAttemptRecord&, const std::string&, bool) {
    return false;
}
