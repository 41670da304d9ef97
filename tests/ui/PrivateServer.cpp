#include "PrivateServer.h"

#include <QElapsedTimer>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vrl::test {

namespace {

// A port nothing listens on now: the system's choice for a socket bound to port 0.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

// Runs a program to its end; its error output when it fails, empty when it succeeds; what it
// printed goes to output when asked for.
QString runProgram(const QString &program, const QStringList &arguments,
                   const QByteArray &input = {}, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return program + QStringLiteral(" did not start");
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return program + QStringLiteral(" did not finish");
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        if (output)
            *output = QString::fromUtf8(process.readAll()).trimmed();
        return {};
    }
    return program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll());
}

} // namespace

PrivateServer::PrivateServer()
{
    if (::geteuid() != 0) {
        m_failure = QStringLiteral("the server runs as root (mariadbd --user=root)");
        return;
    }
    m_port = freePort();
    m_failure = runProgram(QStringLiteral("mariadb-install-db"),
                           { QStringLiteral("--no-defaults"),
                             QStringLiteral("--datadir=") + m_folder.filePath(QStringLiteral("data")),
                             QStringLiteral("--user=root"),
                             QStringLiteral("--auth-root-authentication-method=normal"),
                             QStringLiteral("--skip-test-db") });
    if (!m_failure.isEmpty() || !start())
        return;
    run(QStringLiteral("CREATE USER 'vorlan'@'127.0.0.1' IDENTIFIED BY 'vorlan';"
                       "GRANT ALL PRIVILEGES ON *.* TO 'vorlan'@'127.0.0.1';"));
}

PrivateServer::~PrivateServer()
{
    killed();
    kill();
}

bool PrivateServer::start()
{
    if (m_server.state() != QProcess::NotRunning) // killed from the killer's thread
        m_server.waitForFinished(30000);
    const QString data = m_folder.filePath(QStringLiteral("data"));
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(QStringLiteral("mariadbd"),
                   { QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                     QStringLiteral("--socket=") + socket(),
                     QStringLiteral("--port=") + port(), QStringLiteral("--bind-address=127.0.0.1"),
                     QStringLiteral("--user=root"), QStringLiteral("--skip-log-bin"),
                     QStringLiteral("--skip-name-resolve"),
                     QStringLiteral("--character-set-server=utf8mb4"),
                     QStringLiteral("--collation-server=utf8mb4_unicode_ci"),
                     QStringLiteral("--innodb-buffer-pool-size=16M") });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000) {
        if (m_server.state() == QProcess::NotRunning)
            break;
        if (answers()) {
            m_failure.clear();
            return true;
        }
        QThread::msleep(100);
    }
    m_failure = QStringLiteral("mariadbd did not start: ") + QString::fromLocal8Bit(m_server.readAll());
    return false;
}

void PrivateServer::killDuring(const QString &marker)
{
    killed();
    m_killed = false;
    const qint64 pid = m_server.processId();
    m_killer = std::thread([this, marker, pid] {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            const QString id = value(
                QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE COMMAND <> "
                               "'Sleep' AND COALESCE(INFO, '') LIKE '%%1%' AND ID <> "
                               "CONNECTION_ID()")
                    .arg(marker));
            if (!id.isEmpty()) {
                ::kill(pid_t(pid), SIGKILL);
                m_killed = true;
                return;
            }
            QThread::msleep(50);
        }
    });
}

bool PrivateServer::killed()
{
    if (m_killer.joinable())
        m_killer.join();
    // Until the process has ended, its listening socket still takes a connection and then
    // resets it: a connect meanwhile would meet a dying server, not a down one.
    if (m_killed && m_server.state() != QProcess::NotRunning)
        m_server.waitForFinished(30000);
    return m_killed;
}

void PrivateServer::kill()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.kill();
    m_server.waitForFinished(30000);
}

bool PrivateServer::answers()
{
    return runProgram(QStringLiteral("mariadb-admin"),
                      { QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socket(),
                        QStringLiteral("-uroot"), QStringLiteral("ping") })
        .isEmpty();
}

QString PrivateServer::value(const QString &statement)
{
    QString output;
    runProgram(QStringLiteral("mariadb"),
               { QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socket(),
                 QStringLiteral("-uroot"), QStringLiteral("-N"), QStringLiteral("-e"), statement },
               {}, &output);
    return output.section(QLatin1Char('\n'), 0, 0);
}

bool PrivateServer::run(const QString &statements)
{
    m_failure = runProgram(QStringLiteral("mariadb"),
                           { QStringLiteral("--no-defaults"),
                             QStringLiteral("--socket=") + socket(), QStringLiteral("-uroot") },
                           statements.toUtf8());
    return m_failure.isEmpty();
}

} // namespace vrl::test
