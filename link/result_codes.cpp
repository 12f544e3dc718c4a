#include "link/result_codes.h"

const char* ResultCodeName(int nCode) {
    switch (nCode) {
        case UPD_OK:
            return "UPD_OK";
        case UPD_MORE:
            return "UPD_MORE";
        case UPD_CHECKSUM_ERROR:
            return "UPD_CHECKSUM_ERROR";
        case UPD_FLASH_ADDRESS_ERROR:
            return "UPD_FLASH_ADDRESS_ERROR";
        case UPD_PORT_WRITE_FAILED:
            return "UPD_PORT_WRITE_FAILED";
        case UPD_NO_RESPONSE:
            return "UPD_NO_RESPONSE";
        case UPD_TRANSMISSION_ERROR:
            return "UPD_TRANSMISSION_ERROR";
        case UPD_FILE_ERROR:
            return "UPD_FILE_ERROR";
        default:
            // Another device status passed on as a result: no name of its own.
            // Never null, so callers may print it unconditionally.
            return "";
    }
}
