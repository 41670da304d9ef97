#pragma once

#include "access/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vrl {

class Provider;

// A statement that changes rows, with its parameters in the order of its "?" marks.
struct WriteStatement
{
    QString sql;
    std::vector<Value> parameters;
};

// The row to change is found by the values of whereColumns; a NULL there is matched with
// "IS NULL" (a parameter can never equal NULL). Names are quoted by the provider.
WriteStatement updateStatement(const Provider &provider, const QString &table,
                               const QStringList &setColumns, const std::vector<Value> &setValues,
                               const QStringList &whereColumns,
                               const std::vector<Value> &whereValues);
WriteStatement insertStatement(const Provider &provider, const QString &table,
                               const QStringList &columns, const std::vector<Value> &values);
// "SELECT COUNT(*)" of the rows the same WHERE finds.
WriteStatement countStatement(const Provider &provider, const QString &table,
                              const QStringList &whereColumns,
                              const std::vector<Value> &whereValues);
WriteStatement deleteStatement(const Provider &provider, const QString &table,
                               const QStringList &whereColumns,
                               const std::vector<Value> &whereValues);

} // namespace vrl
