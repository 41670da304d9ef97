#pragma once

#include "access/ColumnStore.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QString>

#include <memory>
#include <vector>

namespace vrl {

class Regional;

// The parsed form of a filter, shared by the client-side filter and its SQL rendering.

enum class FilterOp { Eq, Ne, Lt, Gt, Le, Ge, Like };

enum class LiteralKind { Text, Number, Date, Null };

struct FilterLiteral
{
    LiteralKind kind = LiteralKind::Null;
    QString text;
    double number = 0;
    QDateTime date;
};

// A node is an AND or OR of two or more children, or one comparison of a field with a
// literal. Runs of the same operator are kept flat in one node, so a long chain costs no depth.
struct FilterNode
{
    enum class Kind { And, Or, Compare } kind = Kind::Compare;
    std::vector<std::unique_ptr<FilterNode>> children;
    int depth = 1; // levels of nodes from here down, this one included

    int field = -1;
    FilterOp op = FilterOp::Eq;
    FilterLiteral literal;
    // The literal in the field's terms, prepared once.
    bool nullTest = false;
    double number = 0;
    qint64 integer = 0;
    bool integral = false;
    QString text; // the literal as text, for a text field
    QDateTime date; // the literal as a date-time, for a date-time field
    QRegularExpression like;

    bool matches(const RowStore &rows, size_t row) const;
    void prepare(const RowStore &rows, const Regional &forms);
};

} // namespace vrl
