#pragma once

#include <QString>
#include <stdexcept>

namespace vrl {

// The one failure type of the data access component: the provider's message (every diagnostic
// record), and where the provider has them the SQLSTATE and the native error code.
class DataError : public std::runtime_error
{
public:
    explicit DataError(const QString &message, const QString &sqlState = {}, int nativeCode = 0);

    QString message() const { return m_message; }
    QString sqlState() const { return m_sqlState; }
    int nativeCode() const { return m_nativeCode; }

private:
    QString m_message;
    QString m_sqlState;
    int m_nativeCode;
};

} // namespace vrl
