#include "access/odbc/OdbcHandles.h"

#include "access/DataError.h"

#include <QStringList>

namespace vrl::odbc {

void check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const QString &context)
{
    if (SQL_SUCCEEDED(result) || result == SQL_NO_DATA)
        return;
    QStringList messages;
    QString firstState;
    int firstNative = 0;
    if (handle != SQL_NULL_HANDLE) {
        // Every record, read at once: a later call on the handle would replace them.
        for (SQLSMALLINT record = 1;; ++record) {
            SQLWCHAR state[6] = {};
            SQLINTEGER native = 0;
            SQLWCHAR text[2048] = {};
            SQLSMALLINT length = 0;
            const SQLRETURN got
                = SQLGetDiagRecW(type, handle, record, state, &native, text,
                                 SQLSMALLINT(sizeof text / sizeof text[0]), &length);
            if (!SQL_SUCCEEDED(got))
                break;
            if (record == 1) {
                firstState = fromWide(state, 5);
                firstNative = int(native);
            }
            messages << fromWide(text,
                                 std::min<qsizetype>(length,
                                                     qsizetype(sizeof text / sizeof text[0]) - 1))
                    + QStringLiteral(" (SQLSTATE ") + fromWide(state, 5) + QLatin1Char(')');
        }
    }
    if (messages.isEmpty())
        messages << (result == SQL_INVALID_HANDLE
                         ? QStringLiteral("Neplatný popisovač ODBC.")
                         : QStringLiteral("Ovladač ODBC ohlásil chybu bez popisu."));
    QString message = messages.join(QLatin1Char('\n'));
    if (!context.isEmpty())
        message = context + QLatin1Char('\n') + message;
    throw DataError(message, firstState, firstNative);
}

} // namespace vrl::odbc
