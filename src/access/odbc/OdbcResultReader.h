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
// The same, appending to a store that holds earlier parts of the same rows (a table read in
// parts); a store without fields takes the result's. expectedRows, when known, is the count of
// all the rows the store will hold, so that its columns are sized once.
void readRows(SQLHSTMT statement, TextEncoding encoding, RowStore &store, SQLLEN expectedRows);

} // namespace vrl::odbc
