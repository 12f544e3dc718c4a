// vanto-update: the three-page wizard that rewrites a VANTO device's
// firmware over a serial line.
#include <QApplication>

#include "app/startup/init_instance.h"
#include "app/updater_app.h"

// The one application object: exists before the entry point runs.
CUpdaterApp theApp;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    InitInstance(theApp);
    return EndInstance(theApp);
}
