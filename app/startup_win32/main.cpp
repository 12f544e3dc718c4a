// vanto-update on Windows: the three-page wizard that rewrites a VANTO
// device's firmware over a COM port.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/updater_app.h"
#include "version.h"
#include "wizard/win32/kesta_wizard.h"

// The one application object: exists before the entry point runs.
CUpdaterApp theApp;

namespace {

// A windows program has no console of its own: --version answers in the
// console it was started from, if any.
bool AnswerVersion(const char* pszCommandLine) {
    if (std::strstr(pszCommandLine, "--version") == nullptr) {
        return false;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
    }
    std::printf("vanto-update %s\n", VANTO_VERSION);
    std::fflush(stdout);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR pszCommandLine, int) {
    if (AnswerVersion(pszCommandLine)) {
        return 0;
    }
    theApp.CreateFonts();
    theApp.CreateEngine();  // opens COM1, whatever the outcome
    // The wizard lives until the end of the program.
    auto* pWizard = new CKestaWizard(theApp);
    theApp.m_pWizard = pWizard;
    pWizard->DoModal();  // finished or cancelled: either way the program ends
    // The pages wait for a worker still ending: one the exit left sends and
    // shows nothing more.
    delete pWizard;
    theApp.m_pWizard = nullptr;
    return 0;
}
