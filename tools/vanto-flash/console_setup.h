#pragma once

// The process's standard streams, where the platforms differ.

// Makes the standard streams safe to use before anything else opens: on
// POSIX, descriptors 0, 1 and 2 that the caller left closed are taken by
// /dev/null (otherwise a pipe or the serial port would get one of those
// numbers, and text meant for the terminal would go to the device), and a
// reader that went away (vanto-flash | head) no longer ends the program with
// SIGPIPE: a failed write to standard output is passed over. Windows needs
// neither: a handle never takes the place of a missing standard handle, and
// a write to a closed pipe only fails.
void PrepareStandardStreams();

// True when standard output is a terminal (a Windows console), where the
// progress line is redrawn in place; false for a file or a pipe.
bool IsInteractiveOutput();

// Prepares standard output, a terminal, for the cursor movements that
// rewrite several lines in place; false when it cannot take them (an old
// Windows console), and the caller prints plain lines instead.
bool PrepareCursorControl();

// The width of the terminal on standard output in columns; 80 when it
// cannot be told.
int TerminalColumns();
