#include "basic/ControlColours.h"

#include <QPalette>
#include <QWidget>

namespace vrl {

QColor colour3DLight()
{
    return QColor(227, 227, 227);
}

void setInputUsable(QWidget &control, bool usable)
{
    control.setEnabled(usable);
    if (usable) {
        // Back to the inherited palette: the window colour for the input area.
        control.setPalette(QPalette());
        return;
    }
    QPalette palette = control.palette();
    for (auto group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        palette.setColor(group, QPalette::Base, colour3DLight());
        palette.setColor(group, QPalette::Button, colour3DLight());
    }
    control.setPalette(palette);
}

} // namespace vrl
