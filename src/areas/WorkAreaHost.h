#pragma once

#include <QSize>

class QProgressBar;

namespace vrl {

class Prompts;
class TDM;

// What the main window shares with its work areas.
//
// The pattern every work area follows (the table area, the query area, and those to come):
// - it is built from the controls it owns, handed over by the main window in a struct of
//   pointers, and from this host; it never sees the main window's generated form;
// - it connects its own handlers and binds its own grids and navigators to the data module;
// - what it does to another area leaves it as a signal, which the main window routes;
// - the connect flow resets it through calls such as connectionChanged(), instead of writing
//   its controls.
class WorkAreaHost
{
public:
    // The design width of the client area.
    static constexpr int kClientWidth = 894;

    virtual TDM &dataModule() = 0;
    virtual Prompts &prompts() = 0;
    // The gauge of the main window, from 0 to 100.
    virtual QProgressBar &gauge() = 0;
    // The client area: the window without its menu bar.
    virtual QSize clientSize() const = 0;
    virtual void setClientSize(const QSize &size) = 0;
    // Sizeable border without automatic sizing, or single border with automatic sizing.
    virtual void setSizeableWindow(bool sizeable) = 0;
    // Lays the areas out anew for the client size, as a resize of the window does.
    virtual void relayout() = 0;
    // Whether a running command walks the main connection's tables (the database-wide search
    // waiting at a hit): commands that would close or reopen the connection then do nothing.
    virtual bool mainConnectionBusy() const = 0;

protected:
    ~WorkAreaHost() = default;
};

} // namespace vrl
