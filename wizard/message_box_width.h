#pragma once

class QMessageBox;

// A message box sizes itself to its text and buttons; with a short text
// ("Flash Address Error") the window manager then cuts its caption to
// "VA…ing". This widens the box so that its title bar holds the caption in
// the title font, beside the window's icon and buttons. Call before exec().
void WidenToCaption(QMessageBox& box);
