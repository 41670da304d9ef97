#include "access/odbc/OdbcParameters.h"

#include "access/odbc/OdbcHandles.h"

#include <QDate>

namespace vrl::odbc {

// Text goes as UTF-8 bytes where the connection reads UTF-8 (MySQL and MariaDB here): the
// driver would otherwise open a character converter for every wide text it is handed.
void bindParameters(SQLHSTMT statement, const std::vector<Value> &values,
                    std::vector<Parameter> &bound, bool utf8Text)
{
    bound.resize(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const Value &value = values[i];
        Parameter &p = bound[i];
        const SQLUSMALLINT number = SQLUSMALLINT(i + 1);
        SQLRETURN result;
        if (value.isNull()) {
            p.data = QString();
            p.indicator = SQL_NULL_DATA;
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                      1, 0, nullptr, 0, &p.indicator);
        } else if (value.type() == FieldType::Int || value.type() == FieldType::Bool) {
            p.data = value.type() == FieldType::Bool ? qint64(value.asBool()) : value.asInt();
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT,
                                      0, 0, &std::get<qint64>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::Double) {
            p.data = value.asDouble();
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE,
                                      15, 0, &std::get<double>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::DateTime) {
            const QDateTime t = value.asDateTime();
            SQL_TIMESTAMP_STRUCT ts {};
            ts.year = SQLSMALLINT(t.date().year());
            ts.month = SQLUSMALLINT(t.date().month());
            ts.day = SQLUSMALLINT(t.date().day());
            ts.hour = SQLUSMALLINT(t.time().hour());
            ts.minute = SQLUSMALLINT(t.time().minute());
            ts.second = SQLUSMALLINT(t.time().second());
            ts.fraction = SQLUINTEGER(t.time().msec()) * 1000000u;
            p.data = ts;
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                      SQL_TYPE_TIMESTAMP, 23, 3,
                                      &std::get<SQL_TIMESTAMP_STRUCT>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::Decimal) {
            // Decimals travel as plain text with a full stop, so that every digit arrives.
            p.data = value.asDecimal().toLatin1();
            const QByteArray &digits = std::get<QByteArray>(p.data);
            const qsizetype point = digits.indexOf('.');
            const SQLSMALLINT scale = SQLSMALLINT(point < 0 ? 0 : digits.size() - point - 1);
            p.indicator = SQLLEN(digits.size());
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL,
                                      SQLULEN(std::max<qsizetype>(digits.size(), 1)), scale,
                                      const_cast<char *>(digits.constData()), p.indicator,
                                      &p.indicator);
        } else if (value.type() == FieldType::Binary) {
            p.data = value.asBinary();
            const QByteArray &bytes = std::get<QByteArray>(p.data);
            p.indicator = SQLLEN(bytes.size());
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_BINARY,
                                      bytes.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY,
                                      SQLULEN(std::max<qsizetype>(bytes.size(), 1)), 0,
                                      const_cast<char *>(bytes.constData()), p.indicator,
                                      &p.indicator);
        } else if (utf8Text) {
            p.data = value.asText().toUtf8();
            const QByteArray &text = std::get<QByteArray>(p.data);
            p.indicator = SQLLEN(text.size());
            result
                = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR,
                                   text.size() > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR,
                                   SQLULEN(std::max<qsizetype>(text.size(), 1)), 0,
                                   const_cast<char *>(text.constData()), p.indicator, &p.indicator);
        } else {
            p.data = value.asText();
            const QString &text = std::get<QString>(p.data);
            p.indicator = SQLLEN(text.size() * 2);
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                                      text.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR,
                                      SQLULEN(std::max<qsizetype>(text.size(), 1)), 0, wide(text),
                                      p.indicator, &p.indicator);
        }
        if (!SQL_SUCCEEDED(result)) // the context text only when there is a failure to name
            check(result, SQL_HANDLE_STMT, statement, QStringLiteral("Parametr %1").arg(number));
    }
}

} // namespace vrl::odbc
