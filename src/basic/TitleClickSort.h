#pragma once

#include <QString>

namespace vrl {

// The sort of a grid by clicks on its column titles: the same column again reverses the
// direction; another column becomes the sort column and keeps the direction.
struct TitleClickSort
{
    QString column;
    bool ascending = true;

    void click(const QString &name)
    {
        if (name == column)
            ascending = !ascending;
        else
            column = name;
    }
    // "Column ASC" or "Column DESC"; empty without a column.
    QString expression() const
    {
        if (column.isEmpty())
            return QString();
        return column + (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
};

} // namespace vrl
