#pragma once

#include <QFont>

#include "app/updater_app.h"

// A shared font as a QFont: the height is the line height in pixels (ascent
// plus descent of the face found), the weight keeps its 100..900 value (400 normal, 500 medium, 700
// bold). A face that is not installed ("CG Omega" on most desktops) falls back through the font
// system to a sans-serif face. An empty font description (font not created) gives the application's
// default font, as a control without a font of its own keeps.
QFont MakeQFont(const CFontSpec& fontSpec);
