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

// The width of the terminal on standard output in columns, read afresh at
// each call; 80 when it cannot be told.
int TerminalColumns();
// The columns a line rewritten in place may take: one less than the
// terminal's width, since a character in the last column leaves the cursor
// waiting to wrap, and some terminals wrap at once. At least 1.
int RewriteColumns();

// From now on a change of the terminal's width (SIGWINCH on POSIX) is noted
// for TerminalResized. Call once, when standard output is a terminal. On
// Windows there is no such notice: the width is read at every redraw.
void WatchTerminalWidth();
// True once after each change of the width since the last call: the lines
// rewritten in place are to be fitted to the new width now rather than at
// their next regular redraw.
bool TerminalResized();
