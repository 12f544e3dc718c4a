#pragma once

#include <string>
#include <vector>

// The commands of vanto-flash. Each takes the arguments after its name and
// returns the process exit status (2 for a usage error).
using CommandArgs = std::vector<std::string>;

int RunPortsCommand(const CommandArgs& args);     // vanto-flash ports
int RunIdentifyCommand(const CommandArgs& args);  // vanto-flash identify --port N
int RunInfoCommand(const CommandArgs& args);      // vanto-flash info [--file PATH]
int RunUpdateCommand(const CommandArgs& args);    // vanto-flash [--port N]: scan, then program

// vanto-flash --help, after any command too: the usage of every command, the
// options, the COM port map and the exit statuses on standard output; 0.
int PrintHelp();

// Parses "--port N" style numbers; false when the text is not a whole number in [lo, hi].
bool ParseNumber(const std::string& strText, int nLo, int nHi, int* pnValue);
