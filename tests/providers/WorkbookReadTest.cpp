// The workbook readers against a reference reader: every cell of the real workbooks written by
// spreadsheet programs, as openpyxl (.xlsx) or xlrd (.xls) sees it.
#include "WorkbookOracle.h"
#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"

#include "access/workbook/WorkbookFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

#include <cmath>

using namespace vrl;
using namespace vrl::workbook;
using namespace vrl::test;

namespace {

const char *const kWorkbooks = VORLAN_SHARED_WORKBOOKS;

QString ourCell(const WorkbookData &book, const CellRecord &cell)
{
    switch (cell.kind) {
    case CellKind::Number:
        return QStringLiteral("n\t") + QString::number(cell.number, 'g', 17);
    case CellKind::Date:
        return QStringLiteral("d\t")
            + dateOfSerial(cell.number, book.date1904)
                  .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
    case CellKind::Bool:
        return QStringLiteral("b\t") + (cell.number != 0 ? QLatin1Char('1') : QLatin1Char('0'));
    case CellKind::Error:
        return QStringLiteral("e\t") + book.texts[cell.text];
    case CellKind::Text:
        return QStringLiteral("s\t") + book.texts[cell.text];
    }
    return QString();
}

class RealWorkbooks : public ::testing::TestWithParam<std::string>
{
};

std::vector<std::string> realWorkbooks()
{
    std::vector<std::string> files;
    const QDir folder(QString::fromUtf8(kWorkbooks));
    for (const QString &name :
         folder.entryList({ QStringLiteral("*.xls"), QStringLiteral("*.xlsx") }, QDir::Files))
        files.push_back(name.toStdString());
    if (files.empty())
        files.push_back("none");
    return files;
}

} // namespace

TEST_P(RealWorkbooks, ReadLikeTheReferenceReader)
{
    const QString path
        = QDir(QString::fromUtf8(kWorkbooks)).filePath(QString::fromStdString(GetParam()));
    if (!QFileInfo::exists(path))
        GTEST_SKIP() << "no real workbooks here (../shared/workbooks)";
    if (!referenceReaderInstalled())
        GTEST_SKIP() << "no reference reader (python3-openpyxl, python3-xlrd)";
    const std::optional<ReferenceWorkbook> reference = readWithReference(path);

    WorkbookData book;
    try {
        book = readWorkbook(path);
    } catch (const DataError &error) {
        // Only a workbook the reference reader cannot read either may fail, and then clearly.
        EXPECT_FALSE(reference.has_value()) << error.what();
        EXPECT_TRUE(error.message().contains(QFileInfo(path).fileName())) << error.what();
        return;
    }
    if (!reference)
        return; // we read what is intact; the reference gave up
    const QMap<QString, QString> &expected = reference->cells;
    QMap<QString, QString> actual;
    EXPECT_EQ(book.date1904, reference->date1904);
    QStringList sheets, ranges;
    for (size_t s = 0; s < book.sheets.size(); ++s) {
        sheets << book.sheets[s].name;
        for (const CellRecord &cell : book.cellsOf(s))
            actual.insert(cellKey(qsizetype(s), cell.row, cell.column), ourCell(book, cell));
    }
    for (const DefinedRange &range : book.ranges)
        ranges << QStringList({ range.name, book.sheets[size_t(range.sheet)].name,
                                QString::number(range.firstRow), QString::number(range.firstColumn),
                                QString::number(range.lastRow), QString::number(range.lastColumn) })
                      .join(u'/');
    EXPECT_EQ(sheets, reference->sheets);
    EXPECT_EQ(ranges, reference->ranges);

    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString ours = actual.value(it.key());
        if (it.value().startsWith(QLatin1String("n\t")) && ours.startsWith(QLatin1String("n\t"))) {
            EXPECT_DOUBLE_EQ(ours.mid(2).toDouble(), it.value().mid(2).toDouble())
                << it.key().toStdString();
            continue;
        }
        EXPECT_EQ(ours, it.value()) << "cell " << it.key().toStdString();
    }
    for (auto it = actual.cbegin(); it != actual.cend(); ++it) {
        // An empty text cell is a value for us; the reference reader leaves it out.
        if (it.value() != QLatin1String("s\t")) {
            EXPECT_TRUE(expected.contains(it.key()))
                << "extra cell " << it.key().toStdString() << " " << it.value().toStdString();
        }
    }
}

TEST_P(RealWorkbooks, OpenAsDatabasesWithEveryTable)
{
    const QString path
        = QDir(QString::fromUtf8(kWorkbooks)).filePath(QString::fromStdString(GetParam()));
    if (!QFileInfo::exists(path))
        GTEST_SKIP() << "no real workbooks here (../shared/workbooks)";
    Connection connection;
    connection.setConnectionString(excelWorkbook(path));
    try {
        connection.open();
    } catch (const DataError &error) {
        // Only a damaged workbook may fail, and then naming itself.
        EXPECT_TRUE(error.message().contains(QFileInfo(path).fileName())) << error.what();
        return;
    }
    const QStringList tables = connection.tableNames();
    EXPECT_FALSE(tables.isEmpty());
    for (const QString &name : tables) {
        Dataset table(Dataset::Kind::Table);
        table.setConnection(&connection);
        table.setCommandText(name.contains(QLatin1Char('$')) ? u'[' + name + u']' : name);
        EXPECT_NO_THROW(table.open()) << name.toStdString();
        EXPECT_GE(table.fieldCount(), 1) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Files, RealWorkbooks, ::testing::ValuesIn(realWorkbooks()),
                         [](const auto &info) {
                             std::string name = info.param;
                             for (char &c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
