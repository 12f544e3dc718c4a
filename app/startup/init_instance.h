#pragma once

class CUpdaterApp;
class CKestaWizard;

// Start-up of the wizard program on an existing QApplication: the nine
// fonts, the engine (which opens COM1, whatever the outcome), the wizard on
// page 0, run modally. Returns false: when the wizard closes the program ends.
// The wizard is left in app.m_pWizard for EndInstance.
bool InitInstance(CUpdaterApp& app);

// Ends the program after the wizard has closed and returns the exit code:
// destroys the wizard, whose pages let go of a worker still waiting for them
// and then wait for it (a worker left by the exit sends and shows nothing
// more, so it ends at once).
int EndInstance(CUpdaterApp& app);
