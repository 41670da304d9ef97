#pragma once

#include <QColor>

class QWidget;

namespace vrl {

// The system's 3-D light colour, the background of input controls that cannot be used.
QColor colour3DLight();

// Enables an input control on the window colour, or disables it on the 3-D light colour.
void setInputUsable(QWidget &control, bool usable);

} // namespace vrl
