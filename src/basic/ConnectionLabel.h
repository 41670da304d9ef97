#pragma once

#include <QString>

namespace vrl {

// The label that names a workbook connection: its drive, a fixed separator and the file name.
// Paths here have no drive letters and no share part like \\server\share, so the drive part
// is empty and the label starts with the separator.
QString workbookLabel(const QString &path);

} // namespace vrl
