#include "StatementStopBench.h"

#include "BenchFigures.h"

#include "app/VRLMain.h"
#include "basic/Prompts.h"
#include "query/QueryArea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace vrl::bench {

namespace {

// Notes when the first message comes, and answers every prompt at once.
class TimedPrompts : public Prompts
{
public:
    explicit TimedPrompts(QElapsedTimer &clock)
        : m_clock(clock)
    { }
    void show(PromptKind, const QString &text) override
    {
        if (shownAt < 0)
            shownAt = m_clock.elapsed();
        lastText = text;
    }
    bool confirm(const QString &) override { return true; }
    bool runFileDialog(FileDialog &) override { return false; }
    int runModal(QDialog &) override { return 0; }
    bool login(QString &, QString &) override { return false; }

    qint64 shownAt = -1;
    QString lastText;

private:
    QElapsedTimer &m_clock;
};

void pressGo(TvrlForm &form, const QString &statement)
{
    form.findChild<QPlainTextEdit *>(QStringLiteral("qMemo"))->setPlainText(statement);
    form.queryArea().qMemoExit();
    form.findChild<QPushButton *>(QStringLiteral("qGoBtn"))->click();
}

} // namespace

void runStatementStopBench(TvrlForm &form)
{
    QElapsedTimer clock;
    TimedPrompts timed(clock);
    // The prompts of the run around it come back at the end: the benchmarks after this one
    // answer no dialog themselves.
    Prompts &before = prompts();
    setPrompts(&timed);

    // The window's turns while the server sleeps: a precise timer ticks as often as it can.
    qint64 longestGap = 0;
    qint64 lastTick = -1;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (lastTick >= 0)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    clock.start();
    ticker.start(1);
    // The timer ticks before the command starts, so that the handler's first moments count.
    while (clock.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const qint64 started = clock.elapsed();
    pressGo(form, QStringLiteral("SELECT SLEEP(5)"));
    ticker.stop();
    if (clock.elapsed() - started < 4900)
        throw std::runtime_error("SELECT SLEEP(5) ended early");
    report("statement_wait_paint_ms", double(longestGap), "ms");

    // Esc half a second into a statement of half a minute, until its message.
    std::vector<double> stops;
    for (int run = 0; run < 3; ++run) {
        timed.shownAt = -1;
        qint64 pressedAt = -1;
        QTimer::singleShot(500, &form, [&] {
            pressedAt = clock.elapsed();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&form, &press);
        });
        clock.restart();
        pressGo(form, QStringLiteral("SELECT SLEEP(30)"));
        if (pressedAt < 0 || timed.shownAt < 0
            || !timed.lastText.contains(QStringLiteral("zastaven uživatelem")))
            throw std::runtime_error("the statement was not stopped");
        stops.push_back(double(timed.shownAt - pressedAt));
    }
    report("statement_stop_ms", median(stops), "ms");
    setPrompts(&before == &timed ? nullptr : &before);
}

} // namespace vrl::bench
