// Processors without SHA instructions this build knows of: the portable hash.

#include "image/sha256_blocks.h"

Sha256BlocksFunction Sha256BlocksWithShaExtensions() {
    return nullptr;
}
