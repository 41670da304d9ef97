#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

namespace vrl::workbook {

// Writes a new version of a zip package: the replaced entries with their new content, the
// removed ones left out, every other entry copied with its compressed bytes unchanged, all in
// their old order. The new file is written next to the old one, flushed to disk and renamed
// over it, so that a crash leaves either the old or the new workbook, never a broken one.
// The path must be the real file (links resolved). Throws DataError.
void rewritePackage(const QString &path, const std::map<QString, QByteArray> &replacements,
                    const QStringList &removals = {});

// Removes the temporary files that writers of the package left beside it when they died
// between writing and renaming (".~<name>.<process>.tmp" of a process that no longer runs,
// untouched for ten minutes). Those of running processes stay: they may be writing now.
// Failures are ignored.
void removeAbandonedTemporaries(const QString &path);

// What a writer of a package shares with the others: the name of its temporary copy beside
// the package (".~<name>.<process>.tmp", which removeAbandonedTemporaries knows), a file or
// folder flushed to disk, and the failure "Sešit <name> nelze uložit: <why>" as DataError.
QString temporaryPathOf(const QString &path);
void flushToDisk(const QString &path);
[[noreturn]] void cannotWrite(const QString &path, const QString &why);

} // namespace vrl::workbook
