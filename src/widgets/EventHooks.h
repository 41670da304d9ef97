#pragma once

#include <functional>

class QWidget;

namespace vrl {

// Handlers for events that a control has no signal for: a click, a double click, and leaving
// the control (its focus moving elsewhere within the program; not to another window, nor to a
// popup such as its context menu). The hook lives as long as the
// control.
void onClick(QWidget &control, std::function<void()> handler);
void onDoubleClick(QWidget &control, std::function<void()> handler);
void onFocusOut(QWidget &control, std::function<void()> handler);

} // namespace vrl
