#pragma once

// Qt ends the program with abort() (status 134) and advice to reinstall it
// when no platform plugin can open the display, e.g. DISPLAY=:99 with no X
// server there. While a CDisplayGuard lives (around the construction of the
// QApplication) Qt's messages are held back; a fatal one is turned into the
// one line "vanto-update: cannot open display :99" and exit status 2.
// Release() (or the destructor) passes the held messages on, in order, to the
// handler that was in place before. Main thread only; one guard at a time.
class CDisplayGuard {
public:
    CDisplayGuard();
    ~CDisplayGuard() { Release(); }
    CDisplayGuard(const CDisplayGuard&) = delete;
    CDisplayGuard& operator=(const CDisplayGuard&) = delete;

    void Release();

    // The display the platform plugin would have opened, from the
    // environment: DISPLAY for X11, WAYLAND_DISPLAY for Wayland, else
    // "(Qt platform NAME)". "" when none is named.
    static const char* DisplayName();

private:
    bool m_bActive = true;
};
