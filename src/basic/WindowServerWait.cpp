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

#include <algorithm>
#include <chrono>
#include <vector>

#if defined(Q_OS_LINUX)
#include <pthread.h>
#include <sched.h>
#endif

namespace vrl {

namespace {

// A call that ends within this needs no event loop: most statements do, and an import of
// a hundred thousand rows makes as many calls.
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

// The cores each thread may run on, as they were before a run of quick calls.
#if defined(Q_OS_LINUX)
struct WindowServerWait::Cores
{
    cpu_set_t window;
    cpu_set_t call;
};
#else
struct WindowServerWait::Cores
{
};
#endif

// Which core the two threads of a run of quick calls go fastest on. How long a call takes on a
// core depends on where the server's answer comes from: on a machine of two virtual cores with
// the server on it, an import went at 0.74–0.76 of the client's rate on one core and at 0.84–0.85
// on the other, and which is which depends on the machine. So the first calls of a run try the
// cores in turns of a few calls each, and the run keeps to the one whose turns went fastest; the
// median turn of each core, so that one slow call (the first, which prepares the statement)
// decides nothing.
class WindowServerWait::CoreTrial
{
public:
    static constexpr int kCallsATurn = 32;
    static constexpr int kTurnsACore = 4;
    static constexpr size_t kMostCores = 4;

    explicit CoreTrial(std::vector<int> cores)
        : m_cores(std::move(cores))
        , m_turns(m_cores.size())
    { }
    int core() const { return m_cores[m_current]; }
    // Counts a call that ended on the current core; gives the core to move to next, or -1.
    int counted(std::chrono::nanoseconds took)
    {
        m_turnTime += took;
        if (++m_callsThisTurn < kCallsATurn)
            return -1;
        m_turns[m_current].push_back(m_turnTime.count());
        m_turnTime = {};
        m_callsThisTurn = 0;
        m_current = (m_current + 1) % m_cores.size();
        if (m_turns[m_current].size() < size_t(kTurnsACore))
            return core();
        m_done = true;
        std::vector<double> medians;
        for (size_t i = 0; i < m_cores.size(); ++i)
            medians.push_back(medianTurn(i));
        return m_cores[size_t(std::min_element(medians.begin(), medians.end()) - medians.begin())];
    }
    bool isDone() const { return m_done; }

private:
    double medianTurn(size_t core)
    {
        std::vector<qint64> &turns = m_turns[core];
        std::sort(turns.begin(), turns.end());
        const size_t middle = turns.size() / 2;
        return turns.size() % 2 ? double(turns[middle])
                                : (double(turns[middle - 1]) + double(turns[middle])) / 2;
    }

    std::vector<int> m_cores;
    std::vector<std::vector<qint64>> m_turns; // nanoseconds of each turn, by core
    size_t m_current = 0;
    int m_callsThisTurn = 0;
    std::chrono::nanoseconds m_turnTime {};
    bool m_done = false;
};

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
    const auto began = std::chrono::steady_clock::now();
    bool quick = true;
    std::unique_lock lock(m_mutex);
    m_work = &work;
    m_done = false;
    m_failure = nullptr;
    lock.unlock();
    m_changed.notify_all();
    lock.lock();
    if (!m_changed.wait_for(lock, kQuickCall, [this] { return m_done; })) {
        quick = false;
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
    if (m_coreTrial && quick && !failure) {
        const int next = m_coreTrial->counted(std::chrono::steady_clock::now() - began);
        // A move the system refuses ends the trial where the threads are.
        if ((next >= 0 && !keepToCore(next)) || m_coreTrial->isDone())
            m_coreTrial.reset();
    }
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

// Each quick call is handed to the call's thread and back, and the two never run at once. On
// two cores, each hand-over otherwise wakes the other core, which on a virtual machine costs as
// much as a short statement; on one core it is a switch between the two threads. The server
// keeps the other core for itself. The benchmark's import of 100,000 rows went from about 0.8 of
// the client's rate to about 0.9.
void WindowServerWait::quickCallsBegin()
{
    if (QThread::currentThread() != qApp->thread() || m_quickRuns++ > 0)
        return;
#if defined(Q_OS_LINUX)
    const int core = sched_getcpu();
    if (core < 0 || core >= CPU_SETSIZE)
        return;
    auto before = std::make_unique<Cores>();
    const pthread_t window = pthread_self();
    const pthread_t call = m_thread.native_handle();
    if (pthread_getaffinity_np(window, sizeof(cpu_set_t), &before->window) != 0
        || pthread_getaffinity_np(call, sizeof(cpu_set_t), &before->call) != 0
        || !CPU_ISSET(core, &before->call))
        return;
    // The cores both threads may run on, the window's own first.
    std::vector<int> cores { core };
    for (int other = 0; other < CPU_SETSIZE && cores.size() < CoreTrial::kMostCores; ++other) {
        if (other != core && CPU_ISSET(other, &before->window) && CPU_ISSET(other, &before->call))
            cores.push_back(other);
    }
    m_coresBefore = std::move(before);
    if (!keepToCore(core)) {
        m_coresBefore.reset();
        return;
    }
    if (cores.size() > 1)
        m_coreTrial = std::make_unique<CoreTrial>(std::move(cores));
#endif
}

// Both threads to that one core; false (nothing changed) when the system refuses.
bool WindowServerWait::keepToCore(int core)
{
#if defined(Q_OS_LINUX)
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);
    cpu_set_t windowBefore;
    if (pthread_getaffinity_np(pthread_self(), sizeof(cpu_set_t), &windowBefore) != 0
        || pthread_setaffinity_np(pthread_self(), sizeof(cpu_set_t), &one) != 0)
        return false;
    if (pthread_setaffinity_np(m_thread.native_handle(), sizeof(cpu_set_t), &one) != 0) {
        pthread_setaffinity_np(pthread_self(), sizeof(cpu_set_t), &windowBefore);
        return false;
    }
    return true;
#else
    Q_UNUSED(core);
    return false;
#endif
}

void WindowServerWait::quickCallsEnd()
{
    if (QThread::currentThread() != qApp->thread() || m_quickRuns == 0 || --m_quickRuns > 0)
        return;
    m_coreTrial.reset();
#if defined(Q_OS_LINUX)
    if (const std::unique_ptr<Cores> before = std::move(m_coresBefore)) {
        pthread_setaffinity_np(pthread_self(), sizeof(cpu_set_t), &before->window);
        pthread_setaffinity_np(m_thread.native_handle(), sizeof(cpu_set_t), &before->call);
    }
#endif
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
