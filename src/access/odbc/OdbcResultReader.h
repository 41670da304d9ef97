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

// The number (from 1) of the result's column of that name, compared as the server compares
// names (without regard to case); 0 when there is none.
int resultColumnNamed(SQLHSTMT statement, const QString &name, TextEncoding encoding);
// The field a column of the result is kept as.
FieldInfo resultField(SQLHSTMT statement, SQLUSMALLINT column, TextEncoding encoding);
// A column's value in the row the statement stands on (after SQLFetchScroll), kept as its
// field says, read with SQLGetData.
Value currentValue(SQLHSTMT statement, SQLUSMALLINT column, TextEncoding encoding);

// A column as the driver describes it (SQLDescribeCol and its unsigned attribute).
struct ColumnDescription
{
    QString name;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0; // 0: no limit given (nvarchar(max), varbinary(max), xml)
    SQLSMALLINT digits = 0;
    bool nullable = true;
    bool isUnsigned = false;
};

// How the reader keeps a column of that description: its field (type, scale), the C type it
// asks the driver for, and whether it is read one row at a time in pieces.
struct ColumnKind
{
    FieldInfo field;
    SQLSMALLINT cType = 0;
    bool isLong = false;
};
ColumnKind columnKind(const ColumnDescription &column, TextEncoding encoding);

// Appends one cell as the driver hands it in that C type (indicator: its length in bytes, or
// SQL_NULL_DATA), exactly as a fetched row's cell is appended. A seam for the column types of
// servers that cannot run here.
void appendCell(Column &column, const ColumnDescription &description, const void *data,
                SQLLEN indicator, TextEncoding encoding);

} // namespace vrl::odbc
