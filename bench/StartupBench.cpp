#include "StartupBench.h"

#include "BenchFigures.h"

#include "app/Program.h"
#include "app/VRLMain.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <vector>

namespace vrl::bench {

namespace {

// Milliseconds of the system's monotonic clock, the same in every process.
double monotonicMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Prints the clock when the watched window has finished its first paint, and ends the loop.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Stamped once the paint itself is done.
            QTimer::singleShot(0, [] {
                // Not printf: the application has switched to the user's locale (a decimal
                // comma in Czech).
                const QByteArray stamp = QByteArray::number(monotonicMs(), 'f', 3) + '\n';
                std::fwrite(stamp.constData(), 1, size_t(stamp.size()), stdout);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

int runStartupChild(int argc, char **argv)
{
    // As the program's main does it.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Program program(app);
    FirstPaint watcher;
    program.mainWindow().installEventFilter(&watcher);
    return program.run();
}

void runStartupBench(const char *self)
{
    QTemporaryDir home; // the program folder of the started programs
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VORLAN_HOME"), home.path());
        child.setProcessEnvironment(environment);
        const double started = monotonicMs();
        child.start(QString::fromLocal8Bit(self), { QStringLiteral("--startup") });
        if (!child.waitForFinished(30000) || child.exitCode() != 0)
            throw std::runtime_error("the started program did not paint its window");
        bool isNumber = false;
        const double painted = child.readAllStandardOutput().trimmed().toDouble(&isNumber);
        if (!isNumber)
            throw std::runtime_error("the started program did not say when it painted");
        times.push_back(painted - started);
    }
    report("startup_ms", median(times), "ms");
}

} // namespace vrl::bench
