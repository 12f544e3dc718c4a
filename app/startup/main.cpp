// vanto-update: the three-page wizard that rewrites a VANTO device's
// firmware over a serial line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/startup/init_instance.h"
#include "app/updater_app.h"
#include "version.h"

// The one application object: exists before the entry point runs.
CUpdaterApp theApp;

namespace {

constexpr const char* kUsage =
    "Usage: vanto-update [--help | --version]\n"
    "Rewrites the firmware of a VANTO device over a serial line, as a wizard.\n"
    "Start it without options in the folder that holds the update file (kst.hex,\n"
    "or kst.a90) and the cabling picture kst_PC.bmp; connect the device and put\n"
    "it in \"Update Mode\".\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

bool HasOption(int argc, char** argv, const char* pszOption) {
    for (int nArg = 1; nArg < argc; ++nArg) {
        if (std::strcmp(argv[nArg], pszOption) == 0) {
            return true;
        }
    }
    return false;
}

// Qt aborts when it finds no display to connect to; say so plainly instead.
bool HasDisplay() {
    for (const char* pszName : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* pszValue = std::getenv(pszName);
        if (pszValue != nullptr && *pszValue != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (HasOption(argc, argv, "--help")) {
        std::fputs(kUsage, stdout);
        return EXIT_SUCCESS;
    }
    if (HasOption(argc, argv, "--version")) {
        std::printf("vanto-update %s\n", VANTO_VERSION);
        return EXIT_SUCCESS;
    }
    if (!HasDisplay()) {
        std::fputs("vanto-update: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    // The desktop finds the icon and the launcher by these names.
    QApplication::setApplicationName(QStringLiteral("vanto-update"));
    QApplication::setDesktopFileName(QStringLiteral("vanto-update"));
    InitInstance(theApp);
    return EndInstance(theApp);
}
