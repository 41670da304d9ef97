#pragma once

#include "access/ServerWait.h"

#include <QObject>

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class QEventLoop;
class QWidget;

namespace vrl {

// The window's wait on the server: the driver call runs on a thread of its own while the
// handler that made it waits in a local event loop, which paints the windows and runs the
// gauge but lets no click or key through, save Esc, which stops the statement. The handler
// goes on as before once the call has ended, so a command still ends inside its handler.
// Closing the window during a wait stops the statement and closes the window when the
// handler has ended, asking nothing on the way.
class WindowServerWait : public QObject, public ServerWait
{
    Q_OBJECT
public:
    // The message of a statement the user stopped, in place of the driver's text.
    static const QString kStopped;

    WindowServerWait();
    ~WindowServerWait() override;

    void wait(const std::function<void()> &work, const std::function<void()> &cancel) override;
    bool lastWaitStopped() const override { return m_stopped; }
    void commandStarted() override;
    void commandEnded() override { m_stopRequested = false; }

    bool isWaiting() const { return m_loop != nullptr; }
    // Gives the windows a turn now, input held back and Esc taken as a stop.
    void turnNow();
    // Stops the running statement and the rest of the command, as Esc does.
    void stop();
    // The window whose closing during a wait stops the statement and closes it afterwards; a
    // close of any other window during a wait only stops the statement.
    void setMainWindow(QWidget *window) { m_mainWindow = window; }
    // Whether the main window is closing after a close during a wait: it closes then even
    // while a command still walks the database.
    bool isClosing() const { return m_closing; }

signals:
    // A wait longer than a moment began (the window shows how to stop it) or ended.
    void waitingChanged(bool waiting);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void serve();
    // Lets the windows paint and takes a stop or a close, every so often during a command of
    // many quick statements: they need no event loop of their own.
    void turnEvents();

    // The call the one thread of driver calls runs (the thread itself is the last member, so
    // that everything it touches exists before it starts).
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::function<void()> *m_work = nullptr;
    bool m_done = false;
    bool m_quit = false;
    std::exception_ptr m_failure;

    QEventLoop *m_loop = nullptr; // while the window waits
    std::function<void()> m_cancel;
    bool m_filtering = false; // input is held back
    qint64 m_lastTurn = 0; // when the windows last had a turn, in ms of the steady clock
    bool m_stopRequested = false;
    bool m_stopped = false;
    bool m_closeRequested = false;
    QWidget *m_mainWindow = nullptr;
    bool m_closing = false;

    std::thread m_thread;
};

// Window messages run during a long command: through the window's wait when one is installed
// (input held back, Esc a stop), else as they come.
void letWindowsTurn();

} // namespace vrl
