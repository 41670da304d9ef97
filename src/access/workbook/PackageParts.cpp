#include "access/workbook/PackageParts.h"

#include "access/workbook/SheetPatch.h"
#include "access/workbook/WorkbookData.h"

#include <QRegularExpression>

namespace vrl::workbook {

namespace {

QByteArray attributeOf(const QByteArray &tag, const char *name)
{
    const QByteArray needle = QByteArray(" ") + name + "=\"";
    const qsizetype at = tag.indexOf(needle);
    if (at < 0)
        return QByteArray();
    const qsizetype begin = at + needle.size();
    return tag.mid(begin, tag.indexOf('"', begin) - begin);
}

} // namespace

QByteArray withoutCalcEntries(const QByteArray &calcChain,
                              const std::set<std::pair<int, QString>> &sheetIdAndCell,
                              bool &nowEmpty)
{
    QByteArray result;
    result.reserve(calcChain.size());
    qsizetype at = 0;
    int sheetId = 0;
    nowEmpty = true;
    for (;;) {
        qsizetype begin = calcChain.indexOf("<c ", at);
        if (begin < 0)
            begin = calcChain.indexOf("<c/", at);
        if (begin < 0)
            break;
        const qsizetype end = calcChain.indexOf('>', begin) + 1;
        if (end <= 0)
            break;
        const QByteArray tag = calcChain.mid(begin, end - begin);
        // An entry without "i" belongs to the sheet of the entry before it.
        if (const QByteArray i = attributeOf(tag, "i"); !i.isEmpty())
            sheetId = i.toInt();
        const QString cell = QString::fromLatin1(attributeOf(tag, "r"));
        result += calcChain.mid(at, begin - at);
        if (sheetIdAndCell.count({ sheetId, cell })) {
            // Keep the sheet of the following entries when they leave "i" out.
            at = end;
            continue;
        }
        QByteArray kept = tag;
        if (attributeOf(tag, "i").isEmpty())
            kept.insert(2, " i=\"" + QByteArray::number(sheetId) + '"');
        result += kept;
        nowEmpty = false;
        at = end;
    }
    result += calcChain.mid(at);
    return result;
}

QByteArray withoutElements(const QByteArray &xml, const QByteArray &tag, const QByteArray &needle)
{
    QByteArray result = xml;
    const QByteArray open = '<' + tag + ' ';
    for (qsizetype at = result.indexOf(open); at >= 0; at = result.indexOf(open, at)) {
        const qsizetype end = result.indexOf("/>", at);
        if (end < 0)
            break;
        if (result.mid(at, end - at).contains(needle))
            result.remove(at, end + 2 - at);
        else
            at = end;
    }
    return result;
}

QByteArray withGrownRange(const QByteArray &workbook, const QString &name, int lastRow)
{
    const QByteArray open = "<definedName ";
    for (qsizetype at = workbook.indexOf(open); at >= 0; at = workbook.indexOf(open, at + 1)) {
        const qsizetype tagEnd = workbook.indexOf('>', at) + 1;
        const QByteArray tag = workbook.mid(at, tagEnd - at);
        if (QString::fromUtf8(attributeOf(tag, "name")) != name
            || !attributeOf(tag, "localSheetId").isEmpty())
            continue;
        const qsizetype close = workbook.indexOf("</definedName>", tagEnd);
        const QString formula = QString::fromUtf8(workbook.mid(tagEnd, close - tagEnd));
        QString sheet;
        DefinedRange range;
        if (close < 0 || !parseRangeFormula(formula, sheet, range))
            return workbook;
        const qsizetype bang = formula.lastIndexOf(QLatin1Char('!'));
        const auto absolute = [](int row, int column) {
            static const QRegularExpression split(QStringLiteral("^([A-Z]+)(\\d+)$"));
            const auto m = split.match(cellAddress(row, column));
            return QLatin1Char('$') + m.captured(1) + QLatin1Char('$') + m.captured(2);
        };
        const QString grown = formula.left(bang + 1) + absolute(range.firstRow, range.firstColumn)
            + QLatin1Char(':') + absolute(std::max(lastRow, range.lastRow), range.lastColumn);
        QByteArray result = workbook;
        // The sheet part stays as the file spells it; the new area has no markup characters.
        result.replace(tagEnd, close - tagEnd, grown.toUtf8());
        return result;
    }
    return workbook;
}

} // namespace vrl::workbook
