#include "BenchFigures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace vrl::bench {

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double medianMilliseconds(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(millisecondsOf(work));
    return median(std::move(times));
}

double cliMilliseconds(const QString &commandLine, int runs)
{
    return medianMilliseconds(runs, [&] {
        QProcess client;
        client.setStandardOutputFile(QProcess::nullDevice());
        client.startCommand(commandLine);
        if (!client.waitForFinished(-1) || client.exitCode() != 0)
            throw std::runtime_error(QStringLiteral("the client failed (%1, exit %2): %3")
                                         .arg(client.errorString())
                                         .arg(client.exitCode())
                                         .arg(QString::fromLocal8Bit(client.readAllStandardError()))
                                         .toStdString());
    });
}

namespace {

// A line of /proc/self/status in megabytes ("VmHWM:", "VmRSS:").
double statusMegabytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

double peakResidentMegabytes()
{
    return statusMegabytes("VmHWM:");
}

double residentMegabytes()
{
    return statusMegabytes("VmRSS:");
}

void resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void report(const char *name, double value, const char *unit)
{
    // Not printf: the program's locale would write a decimal comma.
    std::printf("%s: %s%s%s\n", name, QByteArray::number(value, 'f', 3).constData(),
                *unit ? " " : "", unit);
    std::fflush(stdout);
}

} // namespace vrl::bench
