#pragma once

#include "data/access/ColumnStore.h"

#include <sql.h>

namespace vrl::odbc {

// Reads the current result set of an executed statement into a typed store. Columns of known,
// moderate width are bound in row arrays; a result with a long column (long text, large
// binary, unknown width) is read one row at a time with SQLGetData, since some drivers return
// wrong data for SQLGetData inside a multi-row rowset. Throws DataError.
RowStore readResult(SQLHSTMT statement);

} // namespace vrl::odbc
