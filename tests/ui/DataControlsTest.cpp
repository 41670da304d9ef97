// The data-bound controls on a real SQLite table: the grid and the cursor follow each other,
// the navigator acts and enables its buttons by the dataset's state, edits and memos show and
// write the current record's fields.
#include "access/Connection.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "data/controls/DBEdit.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBMemo.h"
#include "data/controls/DBNavigator.h"
#include "data/controls/DatasetModel.h"

#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class DataControls : public ::testing::Test
{
protected:
    DataControls()
        : table(Dataset::Kind::Table)
    {
        // SQLite takes an empty file for an empty database.
        QFile file(dir.filePath(QStringLiteral("controls.db")));
        file.open(QIODevice::WriteOnly);
        file.close();
        connection.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=")
                                       + file.fileName());
        connection.open();
        Dataset statement(Dataset::Kind::Query);
        statement.setConnection(&connection);
        for (const char *sql :
             { "CREATE TABLE Songs (Id INTEGER PRIMARY KEY, Title TEXT, Price NUMERIC(10,2))",
               "INSERT INTO Songs VALUES (1, 'Holubí dům', 10.5), (2, 'Jarní tání', NULL), "
               "(3, 'O'' Malley', 7), (4, 'Žlutá', 1), (5, 'Kočka', 2)" }) {
            statement.setCommandText(QString::fromUtf8(sql));
            statement.execute();
        }
        table.setConnection(&connection);
        table.setCommandText(QStringLiteral("Songs"));
        table.open();
        grid.resize(400, 200);
        grid.setDataset(&table);
        grid.show();
        settle();
    }

    QVariant cell(int row, int column) { return grid.model()->index(row, column).data(); }
    void clickCell(int row, int column)
    {
        const QRect rect = grid.visualRect(grid.model()->index(row, column));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool enabled(DBNavigator &navigator, DBNavigator::Button button)
    {
        return navigator.button(button)->isEnabled();
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Connection connection;
    Dataset table;
    DBGrid grid;
};

} // namespace

TEST_F(DataControls, GridShowsTheViewAndFollowsTheCursorBothWays)
{
    ASSERT_EQ(grid.model()->rowCount(), 5);
    ASSERT_EQ(grid.model()->columnCount(), 3);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Title"));
    EXPECT_EQ(cell(0, 1).toString(), QStringLiteral("Holubí dům"));
    EXPECT_EQ(cell(1, 2).toString(), QString()); // NULL shows empty
    EXPECT_EQ(grid.currentIndex().row(), 0);

    table.last();
    EXPECT_EQ(grid.currentIndex().row(), 4);

    QSignalSpy cellClicks(&grid, &DBGrid::cellClicked);
    clickCell(2, 1);
    EXPECT_EQ(table.recNo(), 3);
    ASSERT_EQ(cellClicks.size(), 1);
    EXPECT_EQ(cellClicks.at(0).at(0).toInt(), 1);
    EXPECT_EQ(grid.selectedColumn(), 1);

    QSignalSpy titleClicks(&grid, &DBGrid::titleClicked);
    const QHeaderView *titles = grid.horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                      QPoint(titles->sectionViewportPosition(2) + 5, titles->height() / 2));
    ASSERT_EQ(titleClicks.size(), 1);
    EXPECT_EQ(titleClicks.at(0).at(0).toInt(), 2);

    // A new view (sorted) is shown at once, the cursor on its first record; the widths the
    // user gave the columns stay.
    grid.setColumnWidth(1, 177);
    table.setSort(QStringLiteral("Title DESC"));
    EXPECT_EQ(grid.columnWidth(1), 177);
    EXPECT_EQ(cell(0, 1).toString(), QStringLiteral("Žlutá"));
    EXPECT_EQ(grid.currentIndex().row(), 0);

    table.close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(DataControls, TypingIntoACellEditsTheRecordAndMovingPostsIt)
{
    const QModelIndex price = grid.model()->index(1, 2);
    ASSERT_TRUE(grid.model()->setData(price, QStringLiteral("12,5")));
    EXPECT_EQ(table.recNo(), 2);
    EXPECT_EQ(table.state(), Dataset::State::Edit);
    EXPECT_EQ(price.data().toString(), QStringLiteral("12,50"));
    EXPECT_EQ(grid.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("✎"));

    // Emptying a number cell makes it NULL rather than failing the conversion.
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(1, 2), QString()));
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(1, 2), QStringLiteral("3")));
    clickCell(3, 0); // moving away posts
    EXPECT_EQ(table.state(), Dataset::State::Browse);
    table.close();
    table.open();
    EXPECT_EQ(cell(1, 2).toString(), QStringLiteral("3,00"));

    // A text that is no number is refused with the component's message; nothing is set.
    prompts.allowErrors();
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 2), QStringLiteral("deset")));
    ASSERT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("error"))[0].contains(QStringLiteral("deset")));
    EXPECT_EQ(cell(0, 2).toString(), QStringLiteral("10,50"));
}

TEST_F(DataControls, ReadOnlyGridOpensNoEditor)
{
    grid.setReadOnly(true);
    grid.setCurrentIndex(grid.model()->index(0, 1));
    const auto editorOpen = [this] {
        const QLineEdit *editor = grid.viewport()->findChild<QLineEdit *>();
        return editor && editor->isVisible();
    };
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_FALSE(editorOpen());
    grid.setReadOnly(false);
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_TRUE(editorOpen());
}

TEST_F(DataControls, DetachedGridIgnoresAWalkAndCatchesUpWhenAttached)
{
    QSignalSpy repaints(grid.model(), &QAbstractItemModel::headerDataChanged);
    QSignalSpy currents(grid.selectionModel(), &QItemSelectionModel::currentChanged);
    grid.detach();
    for (table.first(); !table.eof(); table.next()) { }
    EXPECT_EQ(repaints.size(), 0);
    EXPECT_EQ(currents.size(), 0);
    grid.attach();
    EXPECT_EQ(grid.currentIndex().row(), 4);
    EXPECT_EQ(grid.model()->rowCount(), 5);
}

TEST_F(DataControls, NavigatorActsThenClicksAndEnablesByState)
{
    DBNavigator navigator;
    QSignalSpy clicks(&navigator, &DBNavigator::clicked);
    for (int b = DBNavigator::First; b <= DBNavigator::Cancel; ++b)
        EXPECT_FALSE(enabled(navigator, DBNavigator::Button(b))) << "unbound, button " << b;

    navigator.setDataset(&table);
    EXPECT_FALSE(enabled(navigator, DBNavigator::First));
    EXPECT_FALSE(enabled(navigator, DBNavigator::Prior));
    EXPECT_TRUE(enabled(navigator, DBNavigator::Next));
    EXPECT_TRUE(enabled(navigator, DBNavigator::Edit));
    EXPECT_FALSE(enabled(navigator, DBNavigator::Post));

    navigator.button(DBNavigator::Last)->click();
    EXPECT_EQ(table.recNo(), 5);
    EXPECT_EQ(grid.currentIndex().row(), 4);
    EXPECT_FALSE(enabled(navigator, DBNavigator::Next));
    EXPECT_TRUE(enabled(navigator, DBNavigator::Prior));
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<DBNavigator::Button>(), DBNavigator::Last);

    navigator.button(DBNavigator::Edit)->click();
    EXPECT_EQ(table.state(), Dataset::State::Edit);
    EXPECT_FALSE(enabled(navigator, DBNavigator::Edit));
    EXPECT_TRUE(enabled(navigator, DBNavigator::Post));
    EXPECT_TRUE(enabled(navigator, DBNavigator::Cancel));
    navigator.button(DBNavigator::Cancel)->click();
    EXPECT_EQ(table.state(), Dataset::State::Browse);

    // Deleting asks first; No keeps the record, and the click still follows.
    prompts.answerConfirm(false);
    navigator.button(DBNavigator::Delete)->click();
    EXPECT_EQ(table.recordCount(), 5);
    prompts.answerConfirm(true);
    navigator.button(DBNavigator::Delete)->click();
    EXPECT_EQ(table.recordCount(), 4);
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")),
              QStringList({ QStringLiteral("Smazat záznam?"), QStringLiteral("Smazat záznam?") }));

    // An insert that the database refuses (a duplicate key) is reported and sends no click.
    navigator.button(DBNavigator::Insert)->click();
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_EQ(grid.model()->headerData(table.recNo() - 1, Qt::Vertical).toString(),
              QStringLiteral("✱"));
    table.fieldByName(QStringLiteral("Id")).setText(QStringLiteral("1"));
    const qsizetype before = clicks.size();
    prompts.allowErrors();
    navigator.button(DBNavigator::Post)->click();
    EXPECT_EQ(clicks.size(), before);
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
    EXPECT_EQ(table.state(), Dataset::State::Insert);
    navigator.button(DBNavigator::Cancel)->click();
    EXPECT_EQ(grid.model()->rowCount(), 4);
}

TEST_F(DataControls, EditAndMemoShowAndWriteTheCurrentRecord)
{
    DBEdit edit;
    DBMemo memo;
    edit.setDataset(&table);
    memo.setDataset(&table);
    EXPECT_TRUE(edit.text().isEmpty()); // no field name: unbound
    EXPECT_TRUE(edit.isReadOnly());

    edit.setDataField(QStringLiteral("Title"));
    memo.setDataField(QStringLiteral("Title"));
    EXPECT_EQ(edit.text(), QStringLiteral("Holubí dům"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("Holubí dům"));
    table.next();
    EXPECT_EQ(edit.text(), QStringLiteral("Jarní tání"));

    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Podzim"));
    EXPECT_EQ(table.state(), Dataset::State::Edit);
    EXPECT_EQ(cell(1, 1).toString(), QStringLiteral("Podzim"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("Podzim"));
    EXPECT_EQ(edit.text(), QStringLiteral("Podzim"));

    memo.setPlainText(QStringLiteral("Léto\nzima"));
    EXPECT_EQ(table.fieldByName(QStringLiteral("Title")).text(), QStringLiteral("Léto\nzima"));
    table.post();
    EXPECT_EQ(edit.text(), QStringLiteral("Léto\nzima"));

    EXPECT_THROW(edit.setDataField(QStringLiteral("Missing")), DataError);
    EXPECT_EQ(edit.dataField(), QStringLiteral("Title"));
    edit.setDataField(QString());
    EXPECT_TRUE(edit.text().isEmpty());
    table.next();
    EXPECT_TRUE(edit.text().isEmpty());
}

TEST_F(DataControls, HalfTypedNumberWaitsUntilTheEditIsLeft)
{
    DBEdit edit;
    edit.setDataset(&table);
    edit.setDataField(QStringLiteral("Price"));
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-")); // not yet a number; no error while typing
    QTest::keyClicks(&edit, QStringLiteral("4,25"));
    EXPECT_EQ(table.fieldByName(QStringLiteral("Price")).text(), QStringLiteral("-4,25"));

    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("x"));
    prompts.allowErrors();
    QTest::keyClick(&edit, Qt::Key_Return); // leaving with a text that is no number
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
    EXPECT_EQ(table.fieldByName(QStringLiteral("Price")).text(), QStringLiteral("-4,25"));
}
