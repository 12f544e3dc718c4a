#pragma once

class CUpdaterApp;
class CKestaWizard;

// Start-up of the wizard program on an existing QApplication: the nine
// fonts, the engine (which opens COM1, whatever the outcome), the wizard on
// page 0, run modally. Returns false: when the wizard closes the program ends.
// The wizard is left in app.m_pWizard for EndInstance.
bool InitInstance(CUpdaterApp& app);

// Ends the program after the wizard has closed and returns the exit code.
// When the user left while a scan or programming thread was still finishing,
// the process ends at once (buffers flushed, no destructors): that thread
// may still be inside the engine, the port or its page, and its port calls
// already fail because the exit closed the port. Otherwise the wizard is
// destroyed in order and the caller returns normally.
int EndInstance(CUpdaterApp& app);
