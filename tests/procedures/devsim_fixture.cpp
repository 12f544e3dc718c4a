#include "tests/procedures/devsim_fixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

bool CComPortRow::Setup(const std::string& strPorts, const std::vector<std::string>& devsimArgs) {
    std::string strList;
    for (size_t i = 0; i < strPorts.size(); ++i) {
        if (i != 0) {
            strList += ':';
        }
        if (strPorts[i] == 's') {
            m_silent.push_back(std::make_unique<CSilentPeer>());
            strList += m_silent.back()->SlavePath();
        } else if (strPorts[i] == 'd') {
            if (!m_device.Start(devsimArgs)) {
                return false;
            }
            strList += m_device.LinkPath();
        }
    }
    setenv("VANTO_COM_PORTS", strList.c_str(), 1);
    return true;
}

long CComPortRow::SilentBytes() const {
    long nBytes = 0;
    for (const auto& pPeer : m_silent) {
        nBytes += pPeer->BytesReceived();
    }
    return nBytes;
}

std::vector<uint8_t> ReadFlashOut(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

std::vector<std::string> OutputLinesWith(const std::string& strOutput,
                                         const std::string& strNeedle) {
    std::vector<std::string> lines;
    std::istringstream in(strOutput);
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (strLine.find(strNeedle) != std::string::npos) {
            lines.push_back(strLine);
        }
    }
    return lines;
}
