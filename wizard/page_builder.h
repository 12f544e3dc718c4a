#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <map>
#include <set>
#include <string>

#include "res/dialog_template.h"

class QWidget;

// Dialog units of the template font to pixels. The templates use
// "MS Sans Serif" 8 point, whose base units at 96 dpi are 6 x 13 pixels: a
// horizontal dialog unit is a quarter of the base width, a vertical one an
// eighth of the base height, so x_px = x * 6 / 4 and y_px = y * 13 / 8.
QRect DialogUnitsToPixels(int x, int y, int cx, int cy);
QSize DialogSizeToPixels(int cx, int cy);

// The device kit writes line breaks as "\r\n"; Qt controls break on "\n".
QString ToWidgetText(const std::string& strText);

// Creates every control of a template on pPage at its rectangle, with its
// styles and template text. Statics whose ids are in colorStatics become
// CColorStatic status labels. Returns the controls by template id; each also
// carries its id in the property "controlId".
std::map<int, QWidget*> BuildControls(const DIALOG_TEMPLATE& dlg, QWidget* pPage,
                                      const std::set<int>& colorStatics = {});
