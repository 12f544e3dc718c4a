#include <cstdio>

#include "tools/vanto-flash/commands.h"

int RunIdentifyCommand(const CommandArgs& /*args*/) {
    std::fputs("vanto-flash: this command is not built yet\n", stderr);
    return 2;
}
