#pragma once

#include "access/ColumnStore.h"

#include <sql.h>

namespace vrl::odbc {

// Reads the current result set of an executed statement into a typed store. Columns of known,
// moderate width are bound in row arrays; a result with a long column (long text, large
// binary, unknown width) is read one row at a time with SQLGetData, since some drivers return
// wrong data for SQLGetData inside a multi-row rowset. Throws DataError.
//
// Text comes as UTF-16 from the driver, or as UTF-8 where the driver's own conversion to
// UTF-16 is slow (MariaDB Connector/ODBC opens a converter for every cell) and the connection's
// character set is known to be UTF-8.
enum class TextEncoding { Wide, Utf8 };
RowStore readResult(SQLHSTMT statement, TextEncoding encoding);

} // namespace vrl::odbc
