#pragma once

#include <QString>

namespace vrl {

// The state of an open-file or save-file dialog of the data module. Callers set the filter
// index, the title and the file name before each showing; the prompts service shows it and
// writes the chosen file name back.
struct FileDialog
{
    enum class Kind { Open, Save };

    Kind kind = Kind::Open;
    // Description and pattern pairs joined by vertical bars: "CSV text file (*.csv)|*.csv|...".
    QString filter;
    int filterIndex = 1; // 1-based, as the filter's pairs are numbered
    QString title;
    QString fileName;
    QString initialDir;
    QString defaultExt; // without the dot
};

} // namespace vrl
