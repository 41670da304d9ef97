#include "access/ConnectionString.h"

#include "access/DataError.h"

namespace vrl {

namespace {

// The message names the piece by its number, never by its text: a broken string may have
// been cut inside a password.
[[noreturn]] void malformed(int piece, const char *why)
{
    throw DataError(QStringLiteral("Chybný připojovací řetězec: %1. část %2")
                        .arg(piece)
                        .arg(QString::fromUtf8(why)));
}

} // namespace

ConnectionString::ConnectionString(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    int piece = 0;
    while (i < n) {
        ++piece;
        // Key: up to "=", where "==" stands for a literal "=".
        QString key;
        while (i < n) {
            if (text[i] == QLatin1Char('=')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('=')) {
                    key += QLatin1Char('=');
                    i += 2;
                    continue;
                }
                break;
            }
            if (text[i] == QLatin1Char(';'))
                break;
            key += text[i++];
        }
        key = key.trimmed();
        if (i >= n || text[i] == QLatin1Char(';')) {
            if (!key.isEmpty())
                malformed(piece, "nemá tvar klíč=hodnota");
            ++i;
            continue;
        }
        ++i; // the "="
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            const std::optional<QString> enclosed = readEnclosedValue(text, i, quote);
            if (!enclosed)
                malformed(piece, "má neuzavřené uvozovky");
            value = *enclosed;
            while (i < n && text[i].isSpace())
                ++i;
            if (i < n && text[i] != QLatin1Char(';'))
                malformed(piece, "má za uvozovkami další text");
        } else {
            while (i < n && text[i] != QLatin1Char(';'))
                value += text[i++];
            value = value.trimmed();
        }
        ++i; // the ";"
        if (key.isEmpty())
            malformed(piece, "nemá klíč");
        set(key, value);
    }
}

qsizetype ConnectionString::indexOf(const QString &key) const
{
    for (qsizetype i = 0; i < m_pairs.size(); ++i) {
        if (m_pairs[i].first.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString ConnectionString::value(const QString &key, const QString &fallback) const
{
    const qsizetype i = indexOf(key);
    return i < 0 ? fallback : m_pairs[i].second;
}

void ConnectionString::set(const QString &key, const QString &value)
{
    const qsizetype i = indexOf(key);
    if (i < 0)
        m_pairs.push_back({ key, value });
    else
        m_pairs[i].second = value;
}

void ConnectionString::remove(const QString &key)
{
    const qsizetype i = indexOf(key);
    if (i >= 0)
        m_pairs.remove(i);
}

std::optional<QString> readEnclosedValue(const QString &text, qsizetype &i, QChar closing)
{
    QString value;
    while (i < text.size()) {
        if (text[i] == closing) {
            if (i + 1 < text.size() && text[i + 1] == closing) {
                value += closing;
                i += 2;
                continue;
            }
            ++i;
            return value;
        }
        value += text[i++];
    }
    return std::nullopt;
}

} // namespace vrl
