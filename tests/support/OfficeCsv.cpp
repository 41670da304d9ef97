#include "OfficeCsv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace vrl::test {

QString spreadsheetProgram()
{
    const QString office = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    return office.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("soffice")) : office;
}

QStringList sheetAsOfficeReadsIt(const QString &program, const QString &workbook,
                                 const QString &folder)
{
    QProcess convert;
    convert.start(program,
                  { QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                    QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76"),
                    QStringLiteral("--outdir"), folder, workbook });
    EXPECT_TRUE(convert.waitForFinished(120000));
    QFile csv(
        QDir(folder).filePath(QFileInfo(workbook).completeBaseName() + QStringLiteral(".csv")));
    EXPECT_TRUE(csv.open(QIODevice::ReadOnly)) << csv.fileName().toStdString();
    return QString::fromUtf8(csv.readAll()).split(QStringLiteral("\n"), Qt::SkipEmptyParts);
}

} // namespace vrl::test
