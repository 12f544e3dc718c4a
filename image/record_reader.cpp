// Update file records: what both formats share. The pass (its state, the
// line reader, the order of the records) and the failures; each format's
// reader is in a file of its own (hex_record.cpp, s_record.cpp).
//
// Each read works in a 40-byte decoding buffer that starts as zeros, so
// positions that decoding did not reach read as 0. A read that ends with
// anything but REC_DATA leaves m_rec all zeros.

#include "image/record_reader.h"

#include <cstdio>

#include "image/hex_digits.h"

namespace {

// "0x00008000" for nDigits 8.
std::string Hex(uint64_t nValue, int nDigits) {
    char sz[24];
    std::snprintf(sz, sizeof sz, "0x%0*llX", nDigits, static_cast<unsigned long long>(nValue));
    return sz;
}

}  // namespace

bool CRecordReader::OpenUpdateFile(const char* pszName, uint8_t nFormat) {
    RewindUpdateFile();
    if (!m_file.Open(pszName)) {
        return false;
    }
    m_nFormat = nFormat;
    return true;
}

void CRecordReader::RewindUpdateFile() {
    m_nRecordCount = 0;
    m_nLineNumber = 0;
    m_passedOver = SPassedOver{};
    m_strDataEnd.clear();
    m_eFault = ERecordFault::None;
    m_strFailure.clear();
    m_nFailedLine = 0;
    m_nPrevRecordEnd = 0;
    m_dwFirstAddress = 0;
    if (m_file.IsOpen()) {
        m_file.SeekToStart();
    }
}

bool CRecordReader::CloseUpdateFile() {
    m_file.Close();
    return true;
}

int CRecordReader::ReadNextRecord() {
    int nResult = m_nFormat == FMT_INTEL_HEX ? ReadHexRecord() : ReadSRecord();
    if (nResult == REC_DATA) {
        nResult = CheckRecordOrder();
    }
    if (nResult == REC_DATA) {
        if (m_nRecordCount == 0) {
            m_dwFirstAddress = m_rec.dwAddress;
        }
        ++m_nRecordCount;
        m_nPrevRecordEnd = uint64_t{m_rec.dwAddress} + m_rec.wLength;
    }
    return nResult;
}

// The device gets the records of a pass one after the other from the first
// record's address on, filling only forward gaps: a record that starts below
// the end of the one before (going back, or overlapping it) would land at
// other addresses than the file gives.
int CRecordReader::CheckRecordOrder() {
    if (m_nRecordCount == 0 || m_rec.dwAddress >= m_nPrevRecordEnd) {
        return REC_DATA;
    }
    return FailOnLine(ERecordFault::GoesBack, "record goes back to " + Hex(m_rec.dwAddress, 8) +
                                                  ", below the end of the previous record " +
                                                  Hex(m_nPrevRecordEnd, 8));
}

int CRecordReader::Fail(ERecordFault eFault, uint32_t nLine, std::string strWhy) {
    m_rec = UPDATE_RECORD{};
    m_eFault = eFault;
    m_nFailedLine = nLine;
    m_strFailure = std::move(strWhy);
    return REC_BAD;
}

int CRecordReader::FailLowerCase(char chDigit) {
    return FailOnLine(
        ERecordFault::LowerCaseDigit,
        std::string("lower-case hex digit '") + chDigit + "'; the device's files use upper case");
}

int CRecordReader::FailDataAfterEnd(uint32_t nLine, const std::string& strEnd, uint32_t nEndLine) {
    return Fail(
        ERecordFault::DataAfterEnd, nLine,
        "data after the end of the data (" + strEnd + " at " + std::to_string(nEndLine) + ")");
}

void CRecordReader::NoteDataEnd(std::string_view strType, std::string strName) {
    if (m_passedOver.nDataEndLine == 0) {
        m_passedOver.nDataEndLine = m_nLineNumber;
        m_passedOver.strDataEndType = strType;
        m_strDataEnd = std::move(strName);
    }
}

// The next line of the update file: REC_DATA with a line, REC_END at the end
// of the file, REC_BAD on a read error and where a Ctrl-Z ended the file
// before more text (the lines after it would be left out).
int CRecordReader::ReadLine(std::string_view& line) {
    switch (m_file.ReadLine(line)) {
        case CTextFile::ReadResult::Line:
            ++m_nLineNumber;
            return REC_DATA;
        case CTextFile::ReadResult::End:
            break;
        case CTextFile::ReadResult::Error:
            return Fail(ERecordFault::ReadError, 0, "the file could not be read");
    }
    uint32_t nCtrlZLine = 0;
    uint32_t nTextLine = 0;
    if (m_file.TextAfterEndOfText(m_nLineNumber, &nCtrlZLine, &nTextLine)) {
        return FailDataAfterEnd(nTextLine, "Ctrl-Z", nCtrlZLine);
    }
    return REC_END;
}

int CRecordReader::HexToBytes(uint8_t* pOut, std::string_view str) {
    char chLowerCase = 0;
    return DecodeHexPairs(pOut, str, &chLowerCase);
}

int CRecordReader::GetAddressDigits(std::string_view strType) {
    if (strType.size() != 2 || strType[0] != 'S' || strType[1] < '1' || strType[1] > '3') {
        return 0;
    }
    return 2 * (strType[1] - '0' + 1);
}
