// vanto-update: the three-page wizard that rewrites a VANTO device's
// firmware over a serial line.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/startup/display_guard.h"
#include "app/startup/init_instance.h"
#include "app/startup/start_folder.h"
#include "app/updater_app.h"
#include "version.h"

// The one application object: exists before the entry point runs.
CUpdaterApp theApp;

namespace {

constexpr const char* kUsage =
    "Usage: vanto-update [--desktop] [FILE]\n"
    "       vanto-update --help | --version\n"
    "Rewrites the firmware of a VANTO device over a serial line, as a wizard.\n"
    "Start it in the folder that holds the update file (kst.hex, or kst.a90) and\n"
    "the cabling picture kst_PC.bmp, or name one of them (FILE): it works in that\n"
    "file's folder. Connect the device and put it in \"Update Mode\".\n"
    "\n"
    "  --desktop  work in the folder \"VANTO Updater\" in your documents folder\n"
    "             (made on first start), as the menu entry does\n"
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

// The program's own options all start with "--"; Qt's take one dash.
const char* UnknownLongOption(int argc, char** argv) {
    for (int nArg = 1; nArg < argc; ++nArg) {
        if (std::strncmp(argv[nArg], "--", 2) == 0 && std::strcmp(argv[nArg], "--desktop") != 0) {
            return argv[nArg];
        }
    }
    return nullptr;
}

int UsageError(const QString& strError) {
    std::fprintf(stderr, "vanto-update: %s\n%s", qPrintable(strError), kUsage);
    return 2;
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
    if (const char* pszOption = UnknownLongOption(argc, argv)) {
        return UsageError(
            QStringLiteral("unknown option '%1'").arg(QString::fromLocal8Bit(pszOption)));
    }
    if (!HasDisplay()) {
        std::fputs("vanto-update: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n",
                   stderr);
        return 2;
    }
    CDisplayGuard displayGuard;  // a display that cannot be opened: one line, exit 2
    QApplication application(argc, argv);
    displayGuard.Release();
    SStartOptions options;
    QString strError, strFolder;
    if (!ParseStartArguments(QApplication::arguments(), &options, &strError)) {
        return UsageError(strError);
    }
    if (!EnterStartFolder(options, &strFolder, &strError)) {
        // The wizard still runs; a missing update file names the folder it used.
        std::fprintf(stderr, "vanto-update: %s\n", qPrintable(strError));
    }
    // The desktop finds the icon and the launcher by these names.
    QApplication::setApplicationName(QStringLiteral("vanto-update"));
    QApplication::setDesktopFileName(QStringLiteral("vanto-update"));
    InitInstance(theApp);
    return EndInstance(theApp);
}
