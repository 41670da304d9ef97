#include "TdsLoginCapture.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace vrl::test {

namespace {

constexpr quint8 kPreLogin = 0x12;
constexpr quint8 kLogin7 = 0x10;
constexpr quint8 kTabularResult = 0x04;
constexpr quint8 kEndOfMessage = 0x01;

// Waits for a socket to be readable while the capture runs; false when it stops first.
bool readable(int socket, const std::atomic<bool> &stop)
{
    while (!stop) {
        pollfd ready { socket, POLLIN, 0 };
        const int got = ::poll(&ready, 1, 50);
        if (got > 0)
            return true;
        if (got < 0)
            return false;
    }
    return false;
}

bool readExactly(int socket, char *into, size_t size, const std::atomic<bool> &stop)
{
    while (size > 0) {
        if (!readable(socket, stop))
            return false;
        const ssize_t got = ::recv(socket, into, size, 0);
        if (got <= 0)
            return false;
        into += got;
        size -= size_t(got);
    }
    return true;
}

// One TDS message: the packets of one type up to the one marked as its end.
bool readMessage(int socket, quint8 &type, QByteArray &body, const std::atomic<bool> &stop)
{
    body.clear();
    for (;;) {
        char header[8];
        if (!readExactly(socket, header, sizeof header, stop))
            return false;
        type = quint8(header[0]);
        const int length = (quint8(header[2]) << 8) | quint8(header[3]);
        if (length < 8)
            return false;
        QByteArray part(length - 8, Qt::Uninitialized);
        if (!readExactly(socket, part.data(), size_t(part.size()), stop))
            return false;
        body += part;
        if (quint8(header[1]) & kEndOfMessage)
            return true;
    }
}

void sendPacket(int socket, quint8 type, const QByteArray &body)
{
    QByteArray packet;
    const int length = int(body.size()) + 8;
    packet += char(type);
    packet += char(kEndOfMessage);
    packet += char(length >> 8);
    packet += char(length & 0xFF);
    packet += QByteArray(4, '\0'); // channel, packet number, window
    packet[6] = 1;
    packet += body;
    (void)::send(socket, packet.constData(), size_t(packet.size()), MSG_NOSIGNAL);
}

// The pre-login answer: a server version, and no encryption supported.
QByteArray preLoginAnswer()
{
    QByteArray options;
    const auto option = [&options](quint8 token, quint16 offset, quint16 length) {
        options += char(token);
        options += char(offset >> 8);
        options += char(offset & 0xFF);
        options += char(length >> 8);
        options += char(length & 0xFF);
    };
    const quint16 dataStart = 5 + 5 + 1;
    option(0x00, dataStart, 6); // VERSION
    option(0x01, dataStart + 6, 1); // ENCRYPTION
    options += char(0xFF);
    options += QByteArray::fromHex("0f0007d00000"); // 15.0.2000
    options += char(0x02); // ENCRYPT_NOT_SUP
    return options;
}

quint16 le16(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8));
}

quint32 le32(const QByteArray &bytes, int at)
{
    return quint32(le16(bytes, at)) | (quint32(le16(bytes, at + 2)) << 16);
}

// A string of the packet by its offset and length in characters (UTF-16, little endian).
QString field(const QByteArray &login, int at, bool password = false)
{
    const int offset = le16(login, at);
    const int characters = le16(login, at + 2);
    if (offset + characters * 2 > login.size())
        return QStringLiteral("<beyond the packet>");
    QByteArray bytes = login.mid(offset, characters * 2);
    if (password) {
        // Each byte had its halves swapped and was then XORed with 0xA5.
        for (char &byte : bytes) {
            const quint8 plain = quint8(byte) ^ 0xA5;
            byte = char(quint8((plain << 4) | (plain >> 4)));
        }
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), characters);
}

} // namespace

TdsLoginCapture::TdsLoginCapture(Mode mode)
    : m_mode(mode)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(m_listener, 8);
    socklen_t size = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

TdsLoginCapture::~TdsLoginCapture()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listener);
}

std::optional<TdsLoginCapture::Login> TdsLoginCapture::login() const
{
    const std::lock_guard lock(m_mutex);
    return m_login;
}

void TdsLoginCapture::serve()
{
    std::vector<int> silent; // held open, never answered, until the capture ends
    while (readable(m_listener, m_stop)) {
        const int socket = ::accept(m_listener, nullptr, nullptr);
        if (socket < 0)
            continue;
        ++m_connections;
        if (m_mode == Mode::Silent) {
            silent.push_back(socket);
            continue;
        }
        answer(socket);
        ::close(socket);
    }
    for (const int socket : silent)
        ::close(socket);
}

void TdsLoginCapture::answer(int socket)
{
    quint8 type = 0;
    QByteArray body;
    while (readMessage(socket, type, body, m_stop)) {
        if (type == kPreLogin) {
            sendPacket(socket, kTabularResult, preLoginAnswer());
            continue;
        }
        if (type != kLogin7 || body.size() < 94)
            return;
        Login login;
        login.tdsVersion = le32(body, 4);
        login.integratedSecurity = quint8(body[25]) & 0x80; // OptionFlags2: fIntSecurity
        login.host = field(body, 36);
        login.user = field(body, 40);
        login.password = field(body, 44, true);
        login.application = field(body, 48);
        login.server = field(body, 52);
        login.library = field(body, 60);
        login.language = field(body, 64);
        login.database = field(body, 68);
        login.sspiBytes = le16(body, 80);
        const std::lock_guard lock(m_mutex);
        if (!m_login)
            m_login = login;
        return; // closed: the driver reports a lost connection
    }
}

} // namespace vrl::test
