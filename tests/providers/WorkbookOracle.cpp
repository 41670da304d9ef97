#include "WorkbookOracle.h"

#include <QFileInfo>
#include <QProcess>

namespace vrl::test {

namespace {

const char *const kOracle = VORLAN_TEST_SOURCE_DIR "/providers/workbook_oracle.py";
// Debian's interpreter, which has the reference readers, not another one on the PATH.
const char *const kPython = "/usr/bin/python3";

QString unescaped(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text[++i];
            result += next == QLatin1Char('n') ? QChar(u'\n')
                : next == QLatin1Char('r')     ? QChar(u'\r')
                : next == QLatin1Char('t')     ? QChar(u'\t')
                                               : next;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

QString cellKey(qsizetype sheet, int row, int column)
{
    return QStringLiteral("%1/%2/%3").arg(sheet).arg(row).arg(column);
}

bool referenceReaderInstalled()
{
    return QFileInfo::exists(QString::fromLatin1(kPython));
}

std::optional<ReferenceWorkbook> readWithReference(const QString &path)
{
    if (!referenceReaderInstalled())
        return std::nullopt;
    QProcess oracle;
    oracle.start(QString::fromLatin1(kPython), { QString::fromLatin1(kOracle), path });
    if (!oracle.waitForFinished(60000) || oracle.exitCode() != 0)
        return std::nullopt;
    ReferenceWorkbook book;
    for (const QString &line : QString::fromUtf8(oracle.readAllStandardOutput()).split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f[0] == QLatin1String("date1904"))
            book.date1904 = f[1] == QLatin1String("1");
        else if (f[0] == QLatin1String("sheet"))
            book.sheets << unescaped(f[2]);
        else if (f[0] == QLatin1String("range"))
            book.ranges
                << QStringList({ f[1], unescaped(f[2]), f[3], f[4], f[5], f[6] }).join(u'/');
        else if (f[0] == QLatin1String("cell"))
            book.cells.insert(cellKey(f[1].toInt(), f[2].toInt(), f[3].toInt()),
                              f[4] + u'\t' + unescaped(f.mid(5).join(u'\t')));
    }
    return book;
}

} // namespace vrl::test
