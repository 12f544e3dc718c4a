#pragma once

#include <cstdint>
#include <string>

// One JSON object on one line, as vanto-flash writes it (--json, the
// station's log): fields in the order added, "name": value, separated by
// ", ".
//
// Every string comes out as valid UTF-8 JSON, whatever bytes it held: '"'
// and '\' escaped, control characters (below 0x20, and 0x7F) as \uXXXX, and
// each byte that is not part of a well-formed UTF-8 character (a file name
// in another encoding, a truncated or overlong sequence, a surrogate) as
// \ufffd, the replacement character. Well-formed characters outside ASCII
// are written as they are.
class CJsonObject {
public:
    void AddString(const char* pszName, const std::string& strValue);
    // A string, or null when strValue is empty.
    void AddStringOrNull(const char* pszName, const std::string& strValue);
    void AddNumber(const char* pszName, int64_t nValue);
    // A number, or null when it is not known.
    void AddNumberIf(const char* pszName, bool bKnown, int64_t nValue);
    // dValue with three decimals: seconds to the millisecond.
    void AddSeconds(const char* pszName, double dValue);
    void AddNull(const char* pszName);
    // A value already in JSON (an object or an array made elsewhere).
    void AddRaw(const char* pszName, const std::string& strJson);

    // The object: "{...}".
    std::string Text() const { return "{" + m_strFields + "}"; }

    // strText as a JSON string, quotes included (see above).
    static std::string Quoted(const std::string& strText);

private:
    void AddName(const char* pszName);

    std::string m_strFields;
};
