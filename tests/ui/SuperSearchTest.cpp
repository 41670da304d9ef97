// The database-wide search through the real main window, against the MariaDB server of
// ./dev test and a generated workbook.
#include "ServerSession.h"

#include "data/VRLDM.h"
#include "table/TableArea.h"
#include "widgets/StatusBar.h"

#include "support/GeneratedWorkbook.h"
#include "support/ProgramFixture.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace vrl;
using namespace vrl::test;

namespace {

const QString kEnd = QStringLiteral("konec procesu SuperSearch");

class SuperSearchTest : public ProgramFixture
{
protected:
    void connectTo(const QStringList &statements)
    {
        NEEDS_SERVER();
        const QString name = databaseOfThisTest(QStringLiteral("ss"));
        freshDatabase(name, statements);
        connectMySql(form, prompts, name);
        ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    }
    void search(const QString &key)
    {
        typeText(form, "tSearchE", key);
        form.tableArea().tSearchEExit();
        click(form, "sSearchBtn");
    }
    QString status() { return control<StatusBar>(form, "tblSB")->panelText(1); }
    QStringList questions() { return prompts.textsOf(QStringLiteral("confirmation")); }

    const QStringList people {
        QStringLiteral("CREATE TABLE a_lidé (id INT PRIMARY KEY, jméno VARCHAR(30), "
                       "příjmení VARCHAR(30), narozen DATE, poznámka VARCHAR(30) NULL)"),
        QStringLiteral("INSERT INTO a_lidé VALUES (1, 'Žofie', 'Nováková', '1980-05-01', "
                       "'ještě jednou Žofie'), (2, 'Jan', 'ŽOFIE', '1975-01-01', NULL), "
                       "(3, 'Petr', 'Dvořák', '2001-12-24', 'žofie taky')"),
        QStringLiteral("CREATE TABLE b_prázdná (a INT)"),
        QStringLiteral("CREATE TABLE c_čísla (n INT, d DECIMAL(8,2))"),
        QStringLiteral("INSERT INTO c_čísla VALUES (1980, 12.5)"),
        QStringLiteral("CREATE VIEW v_lidé AS SELECT jméno FROM a_lidé"),
    };
};

} // namespace

TEST_F(SuperSearchTest, HitsAreCaseInsensitiveAndTheAnswersDecideWhereItGoesOn)
{
    connectTo(people);
    const QString found = QStringLiteral("výraz 'ŽOFIE' nalezen; pokračovat?");
    prompts.answerConfirmWith([&] {
        // Two fields of the first record hold the key: the first of them is named.
        EXPECT_TRUE(QRegularExpression(
                        QStringLiteral("^ výraz 'ŽOFIE' nalezen v tabulce a_lidé, záznam "
                                       "číslo 1, položka jméno\\.\\.\\. v čase 0:00:\\d\\d$"))
                        .match(status())
                        .hasMatch())
            << status().toStdString();
        const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!folder.isEmpty())
            form.grab().save(QDir(folder).filePath(QStringLiteral("supersearch_hit.png")));
        return true;
    });
    prompts.answerConfirm(true); // stay in the table: record 2 next, not poznámka of record 1
    prompts.answerConfirmWith([&] {
        EXPECT_TRUE(status().contains(QStringLiteral("záznam číslo 2, položka příjmení")))
            << status().toStdString();
        return true;
    });
    prompts.answerConfirm(false); // leave the table: record 3 is not searched
    prompts.answerConfirmWith([&] {
        EXPECT_TRUE(status().contains(QStringLiteral("v tabulce v_lidé, záznam číslo 1")));
        return false; // stop here
    });
    search(QStringLiteral("žofie"));
    EXPECT_EQ(questions(),
              QStringList({ found, QStringLiteral("zůstat v tabulce?"), found,
                            QStringLiteral("zůstat v tabulce?"), found }));
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty());
    EXPECT_TRUE(status().contains(QStringLiteral("v tabulce v_lidé")));
    EXPECT_FALSE(DM().ssTbl.isActive());
    EXPECT_FALSE(DM().vrxTbl.isActive()); // no grid shows the hits
}

TEST_F(SuperSearchTest, NumbersAndDatesAreFoundByTheirTextAndTheEndIsReported)
{
    connectTo(people);
    prompts.answerConfirmWith([&] {
        EXPECT_TRUE(status().contains(QStringLiteral("a_lidé, záznam číslo 1, položka narozen")))
            << status().toStdString();
        return true;
    });
    prompts.answerConfirm(false);
    prompts.answerConfirmWith([&] {
        EXPECT_TRUE(status().contains(QStringLiteral("c_čísla, záznam číslo 1, položka n.")));
        return true;
    });
    prompts.answerConfirm(true);
    search(QStringLiteral("1980"));
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")), QStringList({ kEnd }));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^ výraz '1980' nebyl procesem SuperSearch "
                                                  "nalezen; doba trvání 0:00:\\d\\d$"))
                    .match(status())
                    .hasMatch())
        << status().toStdString();
    EXPECT_EQ(control<QProgressBar>(form, "qGauge")->value(), 0);
}

TEST_F(SuperSearchTest, AKeyWhoseUpperCaseIsLongerFindsTheTextInEitherForm)
{
    // "straße" becomes "STRASSE"; compared character by character without regard to case,
    // not even "Straße" itself was found.
    connectTo({ QStringLiteral("CREATE TABLE ulice (id INT PRIMARY KEY, název VARCHAR(30))"),
                QStringLiteral("INSERT INTO ulice VALUES (1, 'Nádražní'), (2, 'Hauptstrasse'), "
                               "(3, 'Große Straße')") });
    QStringList hits;
    for (int hit = 0; hit < 2; ++hit) {
        prompts.answerConfirmWith([&] {
            hits << status().section(QStringLiteral("záznam číslo "), 1).section(u',', 0, 0);
            return true;
        });
        prompts.answerConfirm(true);
    }
    search(QStringLiteral("straße"));
    EXPECT_EQ(hits, QStringList({ QStringLiteral("2"), QStringLiteral("3") }));
    EXPECT_EQ(questions().first(), QStringLiteral("výraz 'STRASSE' nalezen; pokračovat?"));
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")), QStringList({ kEnd }));
}

TEST_F(SuperSearchTest, AnEmptyDatabaseEndsAtOnce)
{
    connectTo({});
    search(QStringLiteral("cokoli"));
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")), QStringList({ kEnd }));
    EXPECT_TRUE(status().startsWith(
        QStringLiteral(" výraz 'COKOLI' nebyl procesem SuperSearch nalezen; doba trvání ")));
}

TEST_F(SuperSearchTest, ATableThatCannotBeReadEndsTheSearchWithTheEndSteps)
{
    connectTo(people
              + QStringList { QStringLiteral("CREATE TABLE x_zmizí (a INT)"),
                              QStringLiteral("CREATE VIEW z_rozbitý AS SELECT a FROM x_zmizí"),
                              QStringLiteral("DROP TABLE x_zmizí") });
    search(QStringLiteral("nikde"));
    const QStringList messages = prompts.textsOf(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 2) << messages.join(u'|').toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("chyba SuperSearch:\n\r[")));
    EXPECT_TRUE(messages[0].endsWith(u']'));
    EXPECT_EQ(messages[1], kEnd);
    EXPECT_TRUE(status().startsWith(QStringLiteral(" výraz 'NIKDE' nebyl procesem SuperSearch")));
    EXPECT_FALSE(DM().ssTbl.isActive());
}

TEST_F(SuperSearchTest, WhileItWaitsAtAHitNothingRestartsItOrTouchesTheConnection)
{
    connectTo(people);
    prompts.answerConfirmWith([&] {
        const int asked = int(prompts.records().size());
        click(form, "sSearchBtn"); // would walk the same dataset anew
        click(form, "refreshBtn"); // would close the connection under it
        clickItem(form, "dbaseRG", 4);
        emit control<QAction>(form, "exitMItem")->triggered();
        EXPECT_FALSE(form.close());
        EXPECT_EQ(int(prompts.records().size()), asked); // no question, no message
        EXPECT_TRUE(DM().vrlConnect.isConnected());
        EXPECT_TRUE(DM().ssTbl.isActive());
        EXPECT_TRUE(shown("tblGB"));
        return false;
    });
    search(QStringLiteral("žofie"));
    EXPECT_EQ(questions().size(), 1);
    // Once it has ended, the button starts it again.
    prompts.answerConfirm(false);
    click(form, "sSearchBtn");
    EXPECT_EQ(questions().size(), 2);
}

TEST_F(SuperSearchTest, AWorkbookIsSearchedSheetBySheetAndThroughItsNamedRange)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(
        QStringLiteral("Lidé"),
        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Jméno</t></is></c>"
                       "</row><row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>Eva</t></is>"
                       "</c></row>"));
    book.addSheet(QStringLiteral("Ceny"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Zboží</t></is>"
                                 "</c></row><row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>Chléb "
                                 "pro Evu</t></is></c></row>"));
    book.addName(QStringLiteral("Výběr"), QStringLiteral("Ceny!$A$1:$A$2"));
    const QString path = dir.filePath(QStringLiteral("hledání.xlsx"));
    book.save(path);
    connectWorkbook(form, prompts, path);
    ASSERT_TRUE(DM().vrlConnect.isConnected());

    QStringList tables;
    for (int hit = 0; hit < 3; ++hit) {
        prompts.answerConfirmWith([&] {
            tables << status().section(QStringLiteral(" v tabulce "), 1).section(u',', 0, 0);
            return true;
        });
        prompts.answerConfirm(false);
    }
    search(QStringLiteral("EV"));
    EXPECT_EQ(tables.size(), 3);
    EXPECT_TRUE(tables.contains(QStringLiteral("Lidé$")));
    EXPECT_TRUE(tables.contains(QStringLiteral("Ceny$")));
    EXPECT_TRUE(tables.contains(QStringLiteral("Výběr")));
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")), QStringList({ kEnd }));
}
