// Every statement text the program builds for a SQL Server connection, parsed by an
// independent T-SQL parser (the T-SQL dialect of sqlglot): it must parse, and the tables and
// columns it names must be the ones meant. No SQL Server runs here; this proves the texts,
// not what a server does with them.
#include "access/WriteStatements.h"
#include "access/odbc/OdbcProvider.h"
#include "access/odbc/SqlServerNames.h"
#include "basic/StvImport.h"
#include "basic/TableColumnSum.h"
#include "query/StatementPresets.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vrl;

namespace {

// A table as the table choice lists it, with the schema and name it stands for.
struct Table
{
    QString listed;
    QString schema;
    QString name;
};

// Tables whose names need brackets: blanks, Czech letters, "]", a reserved word, a dot, and
// two-part names of other schemas than the user's.
const QList<Table> kTables {
    { QStringLiteral("Objednávky"), QString(), QStringLiteral("Objednávky") },
    { QStringLiteral("Order Details"), QString(), QStringLiteral("Order Details") },
    { QStringLiteral("select"), QString(), QStringLiteral("select") },
    { QStringLiteral("a]b"), QString(), QStringLiteral("a]b") },
    { QStringLiteral("[a.b]"), QString(), QStringLiteral("a.b") },
    { QStringLiteral("Sales.Orders"), QStringLiteral("Sales"), QStringLiteral("Orders") },
    { QStringLiteral("Prodej.Zboží a služby"), QStringLiteral("Prodej"),
      QStringLiteral("Zboží a služby") },
    { QStringLiteral("[my.schema].t"), QStringLiteral("my.schema"), QStringLiteral("t") },
};

const QStringList kColumns { QStringLiteral("Číslo"), QStringLiteral("Jednotková cena"),
                             QStringLiteral("order"), QStringLiteral("x]y"),
                             QStringLiteral("Dne"),   QStringLiteral("Poznámka") };

RowStore columns()
{
    return RowStore(
        { fieldOf(kColumns[0], FieldType::Int), fieldOf(kColumns[1], FieldType::Decimal, 2),
          fieldOf(kColumns[2], FieldType::Double), fieldOf(kColumns[3], FieldType::Text),
          fieldOf(kColumns[4], FieldType::DateTime), fieldOf(kColumns[5], FieldType::Text) });
}

// A statement and what it is meant to name.
struct Meant
{
    QString sql;
    Table table;
    QStringList columns;
};

// The parser's description of each statement (see tests/support/tsql_check.py).
QJsonArray parsed(const QList<Meant> &statements)
{
    QTemporaryDir dir;
    QJsonArray texts;
    for (const Meant &meant : statements)
        texts.append(meant.sql);
    QFile input(dir.filePath(QStringLiteral("statements.json")));
    EXPECT_TRUE(input.open(QIODevice::WriteOnly));
    input.write(QJsonDocument(texts).toJson());
    input.close();
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 { QStringLiteral(VORLAN_TESTS_DIR "/support/tsql_check.py"), input.fileName() });
    EXPECT_TRUE(python.waitForFinished(60000));
    const QByteArray out = python.readAllStandardOutput();
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(out).array();
}

void expectParsedAsMeant(const QList<Meant> &statements)
{
    const QJsonArray results = parsed(statements);
    ASSERT_EQ(results.size(), statements.size());
    for (qsizetype i = 0; i < statements.size(); ++i) {
        const Meant &meant = statements[i];
        const QJsonObject result = results[i].toObject();
        SCOPED_TRACE(meant.sql.toStdString());
        ASSERT_TRUE(result[QStringLiteral("ok")].toBool())
            << result[QStringLiteral("error")].toString().toStdString();
        const QJsonArray tables = result[QStringLiteral("tables")].toArray();
        ASSERT_EQ(tables.size(), 1);
        EXPECT_EQ(tables[0].toArray()[0].toString(), meant.table.schema);
        EXPECT_EQ(tables[0].toArray()[1].toString(), meant.table.name);
        QStringList found;
        for (const QJsonValue &column : result[QStringLiteral("columns")].toArray())
            found << column.toString();
        for (const QString &column : meant.columns)
            EXPECT_TRUE(found.contains(column)) << column.toStdString();
        for (const QString &column : found)
            EXPECT_TRUE(meant.columns.contains(column) || column == QLatin1String("CS"))
                << "unexpected " << column.toStdString();
    }
}

} // namespace

TEST(SqlServerStatements, TheListedNamesComeFromTheSchemaAndOpenTheirOwnTable)
{
    for (const Table &table : kTables)
        EXPECT_EQ(
            odbc::listedTableName(table.schema.isEmpty() ? QStringLiteral("dbo") : table.schema,
                                  table.name, QStringLiteral("dbo")),
            table.listed);
    const OdbcProvider server(odbc::Dialect::SqlServer);
    QList<Meant> statements;
    for (const Table &table : kTables)
        statements.append({ server.selectAll(table.listed), table, {} });
    expectParsedAsMeant(statements);
}

TEST(SqlServerStatements, ColumnSumsWithEveryFilterFormTheFilterParserAccepts)
{
    const OdbcProvider server(odbc::Dialect::SqlServer);
    const RowStore rows = columns();
    // Numbers, Czech decimals, dates, LIKE with * and %, NULL tests, AND/OR nesting and
    // apostrophes, on names that need brackets.
    const QList<std::pair<QString, QStringList>> filters {
        { QString(), {} },
        { QStringLiteral("Číslo = 5"), { kColumns[0] } },
        { QStringLiteral("[Jednotková cena] >= '2,50'"), { kColumns[1] } },
        { QStringLiteral("order < 1.5e3"), { kColumns[2] } },
        { QStringLiteral("Dne = #1.2.2024#"), { kColumns[4] } },
        { QStringLiteral("Dne > '29.02.2024 13:30'"), { kColumns[4] } },
        { QStringLiteral("Poznámka LIKE '*O''Brien%'"), { kColumns[5] } },
        { QStringLiteral("Poznámka = NULL OR Poznámka <> 'it''s'"), { kColumns[5] } },
        { QStringLiteral("(Číslo > 1 OR Dne <> NULL) AND (Poznámka LIKE 'a_[b]*' OR order = 0)"),
          { kColumns[0], kColumns[4], kColumns[5], kColumns[2] } },
    };
    QList<Meant> statements;
    for (const Table &table : kTables) {
        for (const auto &[filter, used] : filters) {
            const SqlCondition sum
                = tableSumStatement(server, table.listed, kColumns[1], rows, filter);
            statements.append({ sum.text, table, QStringList { kColumns[1] } + used });
        }
    }
    expectParsedAsMeant(statements);
}

TEST(SqlServerStatements, TheRowChangesOfTheGrids)
{
    const OdbcProvider server(odbc::Dialect::SqlServer);
    const std::vector<Value> values { Value::integer(1), Value::text(QStringLiteral("ř")),
                                      Value() };
    const QStringList three { kColumns[0], kColumns[3], kColumns[5] };
    QList<Meant> statements;
    for (const Table &table : kTables) {
        statements.append({ updateStatement(server, table.listed, three, values, three, values).sql,
                            table, three });
        statements.append(
            { insertStatement(server, table.listed, three, values).sql, table, three });
        statements.append(
            { deleteStatement(server, table.listed, three, values).sql, table, three });
        statements.append(
            { countStatement(server, table.listed, three, values).sql, table, three });
    }
    expectParsedAsMeant(statements);
}

TEST(SqlServerStatements, PresetsCompletedAsAUserWould)
{
    // A preset is a template the user completes: its gaps are filled here with a value, as a
    // user would, before it is parsed. Names are written as the table choice lists them, so
    // only tables and fields that need no brackets of their own are tried.
    const Table orders { QStringLiteral("Sales.Orders"), QStringLiteral("Sales"),
                         QStringLiteral("Orders") };
    const QStringList fields { QStringLiteral("Id"), QStringLiteral("Name"),
                               QStringLiteral("Číslo") };
    QList<Meant> statements;
    for (const Table &table : { orders, kTables[0] }) {
        for (const QStringList &checked : { fields, QStringList() }) {
            for (const QString &filter : { QStringLiteral("Id > 100"), QString() }) {
                const PresetInput input { table.listed, checked, filter };
                for (const Preset preset :
                     { Preset::Select, Preset::Update, Preset::Delete, Preset::Insert }) {
                    QString sql = PresetLines(preset, input).join(QStringLiteral("\r\n"));
                    sql.replace(QStringLiteral("= ,"), QStringLiteral("= 1,"));
                    sql.replace(QStringLiteral("(...)"),
                                checked.isEmpty() ? QStringLiteral("(1)")
                                                  : QStringLiteral("(1, 2, 3)"));
                    sql.replace(QStringLiteral("<field> = <value>"), QStringLiteral("Id = 1"));
                    if (sql.endsWith(QLatin1String("= ")))
                        sql += QLatin1Char('1');
                    sql.replace(QStringLiteral("= \r\n"), QStringLiteral("= 1\r\n"));
                    QStringList used = preset == Preset::Delete ? QStringList() : checked;
                    if (preset == Preset::Update && checked.isEmpty())
                        used << QStringLiteral("Id");
                    if (!filter.isEmpty() && preset != Preset::Insert && !used.contains("Id"))
                        used << QStringLiteral("Id");
                    statements.append({ sql, table, used });
                }
            }
        }
    }
    expectParsedAsMeant(statements);
}

TEST(SqlServerStatements, TheStvImportsInsertsWithNationalTexts)
{
    // Texts went in without N: on a server whose collation is not Central European, ě, ř, ů
    // and every character outside its code page were changed on the way in.
    const OdbcProvider server(odbc::Dialect::SqlServer);
    const QStringList header { QStringLiteral("Číslo"), QStringLiteral("Název"),
                               QStringLiteral("Dne"),   QStringLiteral("Cena"),
                               QStringLiteral("Počet"), QStringLiteral("Jiné") };
    const QList<int> types {
        StvInteger, StvString, StvDateTime, StvCurrency, StvFloat, StvVariant
    };
    const QStringList values { QStringLiteral(" 12"),      QStringLiteral("Řeřicha 'bio' 漢"),
                               QStringLiteral("5.3.2020"), QStringLiteral("1 234,50 CZK"),
                               QStringLiteral("1."),       QStringLiteral("N'ů'") };
    QList<Meant> statements;
    for (const Table &table : kTables) {
        const auto insert = StvInsertStatement(server.quoteTableName(table.listed), header, types,
                                               values, nullptr, true);
        ASSERT_TRUE(insert);
        statements.append({ *insert, table, header });
    }
    expectParsedAsMeant(statements);
    const QJsonArray results = parsed(statements);
    for (qsizetype i = 0; i < results.size(); ++i) {
        // The parser adds a literal of its own for CONVERT's style (its date format); only
        // the texts the statement holds count.
        QStringList national;
        for (const QJsonValue &string :
             results[i].toObject()[QStringLiteral("strings")].toArray()) {
            const QString text = string.toArray()[1].toString();
            if (!statements[i].sql.contains(QString(text).replace(u'\'', QStringLiteral("''"))))
                continue;
            EXPECT_TRUE(string.toArray()[0].toBool()) << text.toStdString();
            national << text;
        }
        EXPECT_EQ(national,
                  QStringList({ QStringLiteral("Řeřicha 'bio' 漢"), QStringLiteral("ů"),
                                QStringLiteral("5.3.2020") }));
    }
}
