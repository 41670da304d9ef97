#pragma once

#include <QString>

namespace vrl {

// The sort of a grid by clicks on its column titles: the same column again reverses the
// direction; another column becomes the sort column and keeps the direction.
struct TitleClickSort
{
    QString column;
    bool ascending = true;

    // The sort after a click on a title. A grid takes it over once the sort succeeded, so
    // that a sort that failed reverses nothing.
    TitleClickSort clicked(const QString &name) const
    {
        TitleClickSort next = *this;
        if (name == column)
            next.ascending = !ascending;
        else
            next.column = name;
        return next;
    }
    // "Column ASC" or "Column DESC"; empty without a column. A name that the sort text would
    // read otherwise (a comma in "IFNULL(cena,0)", brackets, blanks at an end) goes in
    // brackets, a "]" in it doubled.
    QString expression() const
    {
        if (column.isEmpty())
            return QString();
        QString name = column;
        if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('['))
            || name.contains(QLatin1Char(']')) || name.trimmed().size() != name.size())
            name = QLatin1Char('[') + name.replace(QLatin1Char(']'), QStringLiteral("]]"))
                + QLatin1Char(']');
        return name + (ascending ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    }
};

} // namespace vrl
