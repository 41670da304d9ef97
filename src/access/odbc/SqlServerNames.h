#pragma once

#include <QString>

namespace vrl::odbc {

// How tables of a SQL Server database are named in the table choice and in statements. Most
// databases keep tables in several schemas (Sales.Orders beside dbo.Orders); a bare name would
// be resolved in the user's default schema and open another table, or none.

// The schema and the name of a table.
struct TableParts
{
    QString schema; // empty: the user's default schema
    QString name;
};

// The name the table choice lists: the bare name for a table of the default schema, else
// "schema.name". A part that the listed form could not tell apart (a dot, or brackets at its
// start) goes in brackets with "]" doubled: "[a.b]", "[my.schema].Orders".
QString listedTableName(const QString &schema, const QString &name, const QString &defaultSchema);

// The parts of a listed name: split at a dot outside brackets, each part unbracketed. A name
// that is no listed form of two parts is one name of the default schema.
TableParts tablePartsOf(const QString &listed);

// A listed name for a statement: "[Sales].[Orders]", or "[Orders]" in the default schema.
QString bracketedTableName(const QString &listed);

// One name in brackets, "]" doubled: [Order Details], [a]]b].
QString bracketed(const QString &name);

} // namespace vrl::odbc
