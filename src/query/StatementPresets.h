#pragma once

#include <QString>
#include <QStringList>

namespace vrl {

enum class Preset { Select, Update, Delete, Insert };

// What a statement template is written from: the open table's name, the checked fields in
// field-list order, and the table filter edit's text as it stands (used when not empty).
struct PresetInput
{
    QString table;
    QStringList checkedFields;
    QString filter;
};

// The editor lines of a statement template. Names go in as they are listed, unquoted, and no
// terminator is written: the user completes the statement and runs it.
QStringList PresetLines(Preset preset, const PresetInput &input);

} // namespace vrl
