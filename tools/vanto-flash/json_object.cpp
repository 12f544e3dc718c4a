#include "tools/vanto-flash/json_object.h"

#include <cstdio>

namespace {

// The length of the well-formed UTF-8 character at p (n bytes left), or 0
// when the bytes there are none: the ranges of the Unicode standard's table
// of well-formed byte sequences, so no overlong form, no surrogate and
// nothing above U+10FFFF passes.
size_t Utf8Length(const unsigned char* p, size_t n) {
    const unsigned char b = p[0];
    size_t nLength = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        nLength = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        nLength = 3;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        nLength = 4;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n < nLength || p[1] < lo || p[1] > hi) {
        return 0;
    }
    for (size_t i = 2; i < nLength; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) {
            return 0;
        }
    }
    return nLength;
}

}  // namespace

std::string CJsonObject::Quoted(const std::string& strText) {
    std::string strOut = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(strText.data());
    const size_t n = strText.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b == '"' || b == '\\') {
            strOut += '\\';
            strOut += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\u%04x", static_cast<unsigned>(b));
            strOut += sz;
        } else if (b < 0x80) {
            strOut += static_cast<char>(b);
        } else if (const size_t nLength = Utf8Length(p + i, n - i)) {
            strOut.append(strText, i, nLength);
            i += nLength;
            continue;
        } else {
            strOut += "\\ufffd";
        }
        ++i;
    }
    return strOut + "\"";
}

void CJsonObject::AddName(const char* pszName) {
    if (!m_strFields.empty()) {
        m_strFields += ", ";
    }
    m_strFields += Quoted(pszName);
    m_strFields += ": ";
}

void CJsonObject::AddString(const char* pszName, const std::string& strValue) {
    AddName(pszName);
    m_strFields += Quoted(strValue);
}

void CJsonObject::AddStringOrNull(const char* pszName, const std::string& strValue) {
    if (strValue.empty()) {
        AddNull(pszName);
    } else {
        AddString(pszName, strValue);
    }
}

void CJsonObject::AddNumber(const char* pszName, int64_t nValue) {
    AddName(pszName);
    m_strFields += std::to_string(nValue);
}

void CJsonObject::AddNumberIf(const char* pszName, bool bKnown, int64_t nValue) {
    if (bKnown) {
        AddNumber(pszName, nValue);
    } else {
        AddNull(pszName);
    }
}

void CJsonObject::AddSeconds(const char* pszName, double dValue) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.3f", dValue);
    AddName(pszName);
    m_strFields += sz;
}

void CJsonObject::AddNull(const char* pszName) {
    AddName(pszName);
    m_strFields += "null";
}

void CJsonObject::AddRaw(const char* pszName, const std::string& strJson) {
    AddName(pszName);
    m_strFields += strJson;
}
