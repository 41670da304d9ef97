#pragma once

#include <QString>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace vrl::test {

// What a SQL Server driver sends at its login, seen on the wire: a listener on a loopback port
// that answers the TDS pre-login (no encryption) and reads the LOGIN7 packet, then closes the
// connection. It is no server: it answers no query, and nothing can be learnt through it about
// what a SQL Server does. Silent, it takes the connection and never answers, as a server that
// hangs would.
class TdsLoginCapture
{
public:
    enum class Mode { AnswerPreLogin, Silent };

    // The fields of a LOGIN7 packet, decoded (the password's obfuscation undone).
    struct Login
    {
        quint32 tdsVersion = 0;
        bool integratedSecurity = false;
        QString host, user, password, application, server, library, language, database;
        qsizetype sspiBytes = 0;
    };

    explicit TdsLoginCapture(Mode mode = Mode::AnswerPreLogin);
    ~TdsLoginCapture();
    TdsLoginCapture(const TdsLoginCapture &) = delete;
    TdsLoginCapture &operator=(const TdsLoginCapture &) = delete;

    quint16 port() const { return m_port; }
    // The first login read so far, if any.
    std::optional<Login> login() const;
    int connections() const { return m_connections; }

private:
    void serve();
    void answer(int socket);

    Mode m_mode;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_connections { 0 };
    mutable std::mutex m_mutex;
    std::optional<Login> m_login;
    std::thread m_thread;
};

} // namespace vrl::test
