#pragma once

#include "access/Value.h"

#include <QByteArray>
#include <QString>

#include <sql.h>
#include <sqlext.h>

#include <variant>
#include <vector>

namespace vrl::odbc {

// One bound parameter and the memory it points to, alive until the statement has run.
struct Parameter
{
    std::variant<qint64, double, SQL_TIMESTAMP_STRUCT, QString, QByteArray> data;
    SQLLEN indicator = 0;
};

// Text goes as UTF-8 bytes where the connection reads UTF-8 (MySQL and MariaDB here): the
// driver would otherwise open a character converter for every wide text it is handed.
void bindParameters(SQLHSTMT statement, const std::vector<Value> &values,
                    std::vector<Parameter> &bound, bool utf8Text);

} // namespace vrl::odbc
