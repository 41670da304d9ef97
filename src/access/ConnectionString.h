#pragma once

#include <QString>
#include <QVector>

#include <optional>
#include <utility>

namespace vrl {

// An OLE DB style connection string: "key=value;" pairs, keys case-insensitive, values plain
// or in "..." or '...' with the quote doubled inside ("Extended Properties=\"DRIVER=x;PORT=1\"").
// A malformed string (an unbalanced quote, a piece without "=") throws DataError.
class ConnectionString
{
public:
    ConnectionString() = default;
    explicit ConnectionString(const QString &text);

    bool contains(const QString &key) const { return indexOf(key) >= 0; }
    QString value(const QString &key, const QString &fallback = {}) const;
    void set(const QString &key, const QString &value);
    void remove(const QString &key);
    const QVector<std::pair<QString, QString>> &pairs() const { return m_pairs; }

private:
    qsizetype indexOf(const QString &key) const;

    QVector<std::pair<QString, QString>> m_pairs;
};

// Reads a value that runs from position i up to the closing character, which stands doubled
// for itself inside ("a""b" or {a}}b}); i moves past the closing character. Nothing when the
// value is not closed.
std::optional<QString> readEnclosedValue(const QString &text, qsizetype &i, QChar closing);

} // namespace vrl
