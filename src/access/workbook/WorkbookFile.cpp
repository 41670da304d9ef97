#include "access/workbook/WorkbookFile.h"

#include "access/DataError.h"
#include "access/workbook/XlsReader.h"
#include "access/workbook/XlsxReader.h"
#include "access/workbook/ZipArchive.h"

#include <QFile>
#include <QFileInfo>

namespace vrl::workbook {

namespace {

const QByteArray kZip("PK\x03\x04", 4);
const QByteArray kCompound("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

bool isOpenDocument(const QString &path)
{
    try {
        const ZipArchive archive(path);
        return archive.contains(QStringLiteral("mimetype"))
            && archive.read(QStringLiteral("mimetype")).startsWith("application/vnd.oasis");
    } catch (const DataError &) {
        return false;
    }
}

} // namespace

WorkbookData readWorkbook(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        throw DataError(QStringLiteral("Soubor sešitu %1 neexistuje.").arg(path));
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw DataError(
            QStringLiteral("Soubor sešitu %1 nelze otevřít: %2").arg(path, file.errorString()));
    const QByteArray head = file.read(8);
    file.close();
    if (head.startsWith(kZip)) {
        if (isOpenDocument(path))
            throw DataError(QStringLiteral("Soubor %1 je sešit OpenDocument (ODS), ne sešit "
                                           "aplikace Excel; uložte jej jako .xlsx.")
                                .arg(name));
        return readXlsx(path);
    }
    if (head.startsWith(kCompound))
        return readXls(path);
    // Excel 2.x to 4.0 wrote a bare record stream that starts with a BOF record.
    if (head.size() >= 4 && (quint8(head[0]) == 0x09) && (quint8(head[1]) <= 0x04)
        && (quint8(head[1]) % 2 == 0))
        throw DataError(QStringLiteral("Sešit %1 je ve starém formátu aplikace Excel (verze 2 až "
                                       "4), který nelze číst; uložte jej jako .xlsx.")
                            .arg(name));
    throw DataError(QStringLiteral("Soubor %1 není sešit aplikace Excel.").arg(name));
}

} // namespace vrl::workbook
