#include "basic/WindowServerWait.h"

#include "access/DataError.h"
#include "basic/Prompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace vrl {

namespace {

// A call that ends within this needs no event loop: most statements do, and an import of
// a hundred thousand rows makes thousands of them.
constexpr auto kQuickCall = std::chrono::milliseconds(30);
// How often the windows get a turn during a command of many quick calls.
constexpr auto kTurnEvery = std::chrono::milliseconds(40);

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

qint64 steadyMs();

} // namespace

const QString WindowServerWait::kStopped = QStringLiteral("Příkaz byl zastaven uživatelem.");

WindowServerWait::WindowServerWait()
{
    setPromptsSilent(false);
    // Started once every member is in place: a thread started from the member list would lock
    // a mutex not yet constructed.
    m_thread = std::thread([this] { serve(); });
}

WindowServerWait::~WindowServerWait()
{
    setPromptsSilent(false);
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WindowServerWait::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || (m_work && !m_done); });
        if (m_quit)
            return;
        const std::function<void()> &work = *m_work;
        lock.unlock();
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_failure = failure;
        m_done = true;
        if (m_loop)
            QMetaObject::invokeMethod(m_loop, "quit", Qt::QueuedConnection);
        // Woken with the mutex still held, the window's thread would only wake to wait for it.
        lock.unlock();
        m_changed.notify_all();
        lock.lock();
    }
}

namespace {

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void WindowServerWait::commandStarted()
{
    m_stopRequested = false;
    m_stopped = false;
    m_lastTurn = steadyMs();
}

void WindowServerWait::turnEvents()
{
    const qint64 now = steadyMs();
    if (now - m_lastTurn < kTurnEvery.count())
        return;
    turnNow();
}

void WindowServerWait::turnNow()
{
    if (m_filtering)
        return;
    m_filtering = true;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    m_filtering = false;
    m_lastTurn = steadyMs();
}

void WindowServerWait::wait(const std::function<void()> &work, const std::function<void()> &cancel)
{
    // A call from another thread, or one made while a wait runs (nothing can start one, as no
    // input passes), runs where it is made.
    if (QThread::currentThread() != qApp->thread() || m_work) {
        work();
        return;
    }
    m_stopped = false;
    if (m_stopRequested) {
        // Stopped between two statements of the command: the next is not sent.
        m_stopped = true;
        throw DataError(kStopped, QStringLiteral("HY008"));
    }
    std::unique_lock lock(m_mutex);
    m_work = &work;
    m_done = false;
    m_failure = nullptr;
    lock.unlock();
    m_changed.notify_all();
    lock.lock();
    if (!m_changed.wait_for(lock, kQuickCall, [this] { return m_done; })) {
        QEventLoop loop;
        m_loop = &loop;
        m_cancel = cancel;
        lock.unlock();
        m_filtering = true;
        qApp->installEventFilter(this);
        emit waitingChanged(true);
        loop.exec();
        qApp->removeEventFilter(this);
        m_filtering = false;
        lock.lock();
        m_changed.wait(lock, [this] { return m_done; }); // the quit may come from elsewhere
        m_loop = nullptr;
        m_cancel = nullptr;
        lock.unlock();
        emit waitingChanged(false);
        m_lastTurn = steadyMs();
        lock.lock();
    }
    const std::exception_ptr failure = m_failure;
    m_work = nullptr;
    m_failure = nullptr;
    lock.unlock();
    if (!failure)
        turnEvents();

    if (m_closeRequested && m_mainWindow) {
        // The window closes once the handler has ended, as its title-bar button closes it;
        // nothing asks anything meanwhile.
        m_closeRequested = false;
        m_closing = true;
        setPromptsSilent(true);
        QTimer::singleShot(0, m_mainWindow, [window = m_mainWindow] { window->close(); });
    }
    if (failure) {
        // A stop that came as the statement ended lets its result stand; one that stopped it
        // gives the stop's own message.
        m_stopped = m_stopRequested;
        if (m_stopped)
            throw DataError(kStopped, QStringLiteral("HY008"));
        std::rethrow_exception(failure);
    }
}

void WindowServerWait::stop()
{
    // A wait that cannot be stopped (a connect) only runs to its end.
    if (m_stopRequested || (m_loop && !m_cancel))
        return;
    m_stopRequested = true;
    if (m_cancel)
        m_cancel();
}

bool WindowServerWait::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_filtering)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Close && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow()) {
        m_closeRequested = m_closeRequested || watched == m_mainWindow;
        stop();
        event->ignore();
        return true;
    }
    if (event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        stop();
        return true;
    }
    return isInput(event->type());
}

void letWindowsTurn()
{
    if (auto *wait = dynamic_cast<WindowServerWait *>(serverWait()))
        wait->turnNow();
    else
        QCoreApplication::processEvents();
}

} // namespace vrl
