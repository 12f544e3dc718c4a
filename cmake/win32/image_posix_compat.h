#pragma once
// The POSIX file calls of the update-file reader, as the Windows C runtime
// offers them. Windows has no FIFOs in the file system: opening a file there
// never waits for a writer, so there is no non-blocking open to ask for and
// no descriptor flags to change back afterwards (fcntl is a no-op that
// succeeds). Close-on-exec means "not inherited", and the reader sees the
// file's own bytes (it ends CR LF lines itself).
#include <fcntl.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
#endif
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef F_GETFL
#define F_GETFL 3
#define F_SETFL 4
#endif

inline int fcntl(int /*fd*/, int /*nCommand*/, ...) {
    return 0;
}
