#include "access/WriteStatements.h"

#include "access/Provider.h"

namespace vrl {

namespace {

void appendWhere(const Provider &provider, const QStringList &columns,
                 const std::vector<Value> &values, WriteStatement &statement)
{
    QStringList conditions;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString column = provider.quoteIdentifier(columns[i]);
        if (values[size_t(i)].isNull()) {
            conditions << column + QStringLiteral(" IS NULL");
        } else {
            conditions << column + QStringLiteral(" = ?");
            statement.parameters.push_back(values[size_t(i)]);
        }
    }
    statement.sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
}

} // namespace

WriteStatement updateStatement(const Provider &provider, const QString &table,
                               const QStringList &setColumns, const std::vector<Value> &setValues,
                               const QStringList &whereColumns,
                               const std::vector<Value> &whereValues)
{
    WriteStatement statement;
    QStringList assignments;
    for (qsizetype i = 0; i < setColumns.size(); ++i) {
        assignments << provider.quoteIdentifier(setColumns[i]) + QStringLiteral(" = ?");
        statement.parameters.push_back(setValues[size_t(i)]);
    }
    statement.sql = QStringLiteral("UPDATE ") + provider.quoteTableName(table)
        + QStringLiteral(" SET ") + assignments.join(QStringLiteral(", "));
    appendWhere(provider, whereColumns, whereValues, statement);
    return statement;
}

WriteStatement insertStatement(const Provider &provider, const QString &table,
                               const QStringList &columns, const std::vector<Value> &values)
{
    WriteStatement statement;
    statement.sql = QStringLiteral("INSERT INTO ") + provider.quoteTableName(table);
    if (columns.isEmpty()) {
        statement.sql += provider.allDefaultsClause();
        return statement;
    }
    QStringList names, marks;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        names << provider.quoteIdentifier(columns[i]);
        marks << QStringLiteral("?");
        statement.parameters.push_back(values[size_t(i)]);
    }
    statement.sql += QStringLiteral(" (") + names.join(QStringLiteral(", "))
        + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    return statement;
}

WriteStatement countStatement(const Provider &provider, const QString &table,
                              const QStringList &whereColumns,
                              const std::vector<Value> &whereValues)
{
    WriteStatement statement;
    statement.sql = QStringLiteral("SELECT COUNT(*) FROM ") + provider.quoteTableName(table);
    appendWhere(provider, whereColumns, whereValues, statement);
    return statement;
}

WriteStatement deleteStatement(const Provider &provider, const QString &table,
                               const QStringList &whereColumns,
                               const std::vector<Value> &whereValues)
{
    WriteStatement statement;
    statement.sql = QStringLiteral("DELETE FROM ") + provider.quoteTableName(table);
    appendWhere(provider, whereColumns, whereValues, statement);
    return statement;
}

} // namespace vrl
