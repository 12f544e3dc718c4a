#include <cstring>

#include "link/system_error_text.h"

std::string SystemErrorText(int nError) {
    return std::strerror(nError);
}
