#include <cstring>

#include "link/update_engine.h"

// One CMD_WRITE_BLOCK: the next 256 bytes of the image to the next flash
// address. The counters move only when the device acknowledged the block, so
// a failed block is never counted as written.
int CUpdateEngine::SendNextBlock() {
    std::memset(m_blockData, 0, sizeof(m_blockData));

    // The blocks must be those that were counted: a file cut short or
    // rewritten since the count would otherwise commit a mixed image with a
    // byte total that matches it.
    int nBytes = 0;
    if (!m_image.TakeBlockForSending(m_blockData, &nBytes, static_cast<int>(sizeof(m_blockData)))) {
        return UPD_FILE_ERROR;
    }
    if (nBytes == 0) {
        // The image is exhausted; an image that never had a byte is a bad file.
        return m_nBlocksSent != 0 && m_image.SentImageIsCounted() ? UPD_OK : UPD_FILE_ERROR;
    }
    if (m_nBlocksSent == 0) {
        // The first ReadBlock of the pass is what makes the first address known.
        m_dwAddress = m_image.GetFirstAddress();
    }
    if (nBytes < static_cast<int>(sizeof(m_blockData))) {
        // Erased flash reads 0xFF: the short last block is padded the same way,
        // and the padding counts in the byte total like any data byte.
        std::memset(m_blockData + nBytes, 0xFF, sizeof(m_blockData) - static_cast<size_t>(nBytes));
    }

    BuildFrame(CMD_WRITE_BLOCK);
    const int nResult = SendCommand();
    if (nResult == UPD_MORE) {
        // Device status 2: the device refused this block. Sending on would put
        // the next block at this block's address and shift the rest of the
        // image, so the block counts as a failed transfer.
        return UPD_TRANSMISSION_ERROR;
    }
    if (nResult != UPD_OK) {
        return nResult;
    }

    ++m_nSequence;  // wraps from 255 to 0
    ++m_nBlocksSent;
    m_dwAddress += static_cast<uint32_t>(sizeof(m_blockData));
    return UPD_MORE;
}
