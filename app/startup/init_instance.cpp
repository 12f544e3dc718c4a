#include "app/startup/init_instance.h"

#include <cstdlib>

#include "app/updater_app.h"
#include "wizard/kesta_wizard.h"

namespace {
CKestaWizard* TheWizard(CUpdaterApp& app) {
    return static_cast<CKestaWizard*>(app.m_pWizard);
}
}  // namespace

bool InitInstance(CUpdaterApp& app) {
    app.CreateFonts();
    app.CreateEngine();
    // The wizard lives until the end of the program.
    auto* pWizard = new CKestaWizard(app, QString(), nullptr, 0);
    app.m_pWizard = pWizard;
    pWizard->exec();  // finished or cancelled: either way the program ends
    return false;
}

int EndInstance(CUpdaterApp& app) {
    // A worker still ending may post to the sheet while the pages wait for
    // it: the sheet, detached by then, drops such requests.
    delete TheWizard(app);
    app.m_pWizard = nullptr;
    return EXIT_SUCCESS;
}
