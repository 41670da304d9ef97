#pragma once

#include <QDate>
#include <QString>

namespace vrl {

// The date as six digits YYMMDD (exports and history name their records and files by it).
QString dateStamp(const QDate &date = QDate::currentDate());

} // namespace vrl
