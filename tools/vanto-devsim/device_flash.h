#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The device's flash and the transfer being written into it.
//
// A transfer starts with a block of sequence number 0, whose address becomes
// the base; every further block must carry the next sequence number (modulo
// 256), its complement, and the address 256 above the last one. The host
// resends a block whose reply it lost: the same sequence number and address
// as the last block stored is answered again but not stored twice. A finish
// ends the transfer: the commit form compares the host's byte total with the
// device's own sum of the stored bytes; the abort form discards the blocks.
class CDeviceFlash {
public:
    static constexpr size_t kBlockSize = 256;
    static constexpr size_t kCapacity = 16u << 20;  // blocks past this are refused

    enum class EBlockOutcome {
        Stored,   // status 1, a new block in flash
        Repeat,   // status 1, the last block again (not stored twice)
        Restart,  // status 1, sequence 0 began a new transfer, the old one is dropped
        Refused,  // status 4: wrong sequence, complement or address, or flash full
    };

    // Handles one block. Nothing changes for a Refused block.
    EBlockOutcome WriteBlock(uint8_t nSequence, uint8_t nComplement, uint32_t dwAddress,
                             const uint8_t* pData);

    // Commit form: true (status 1) when dwHostTotal equals the sum of the
    // stored bytes modulo 2^32. Either way the transfer ends; *pImage gets
    // the stored bytes from the base address on.
    bool Commit(uint32_t dwHostTotal, std::vector<uint8_t>* pImage);

    // Abort form: the stored blocks are discarded.
    void Abort();

    // What the next block must carry; for log lines about refused blocks.
    uint8_t ExpectedSequence() const { return m_nNextSequence; }
    uint32_t ExpectedAddress() const;
    bool InTransfer() const { return m_bInTransfer; }
    uint32_t ByteSum() const { return m_dwByteSum; }
    size_t BlocksStored() const { return m_image.size() / kBlockSize; }

private:
    void Begin(uint32_t dwAddress);
    void Store(const uint8_t* pData);
    bool IsLastBlock(uint8_t nSequence, uint32_t dwAddress, const uint8_t* pData) const;

    bool m_bInTransfer = false;
    uint32_t m_dwBase = 0;
    uint8_t m_nNextSequence = 0;
    uint32_t m_dwByteSum = 0;
    std::vector<uint8_t> m_image;
};
