#include "app/startup/display_guard.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SHeldMessage {
    QtMsgType eType;
    std::string strCategory;
    QString strText;
};

QtMessageHandler g_previous = nullptr;
std::vector<SHeldMessage> g_held;

const char* Environment(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr ? pszValue : "";
}

void HoldMessage(QtMsgType eType, const QMessageLogContext& context, const QString& strText) {
    if (eType == QtFatalMsg) {
        // Nothing of the half-made application may run any more: no
        // destructors, no exit handlers.
        std::fprintf(stderr, "vanto-update: cannot open display %s\n",
                     CDisplayGuard::DisplayName());
        std::fflush(stderr);
        std::_Exit(2);
    }
    g_held.push_back({eType, context.category != nullptr ? context.category : "", strText});
}

}  // namespace

CDisplayGuard::CDisplayGuard() {
    g_held.clear();
    g_previous = qInstallMessageHandler(HoldMessage);
}

void CDisplayGuard::Release() {
    if (!m_bActive) {
        return;
    }
    m_bActive = false;
    qInstallMessageHandler(g_previous);
    for (const SHeldMessage& message : g_held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.strCategory.c_str());
        qt_message_output(message.eType, context, message.strText);
    }
    g_held.clear();
}

const char* CDisplayGuard::DisplayName() {
    const char* pszPlatform = Environment("QT_QPA_PLATFORM");
    const char* pszX11 = Environment("DISPLAY");
    const bool bWayland =
        std::strncmp(pszPlatform, "wayland", 7) == 0 || (*pszPlatform == '\0' && *pszX11 == '\0');
    if (!bWayland && *pszX11 != '\0' &&
        (*pszPlatform == '\0' || std::strncmp(pszPlatform, "xcb", 3) == 0)) {
        return pszX11;
    }
    if (bWayland) {
        return Environment("WAYLAND_DISPLAY");
    }
    static std::string strPlatform;  // set once, by the one fatal message
    strPlatform = std::string("(Qt platform ") + pszPlatform + ")";
    return strPlatform.c_str();
}
