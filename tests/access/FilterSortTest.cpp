#include "access/DataError.h"
#include "access/RowFilter.h"
#include "access/RowSort.h"
#include "access/WriteStatements.h"
#include "access/sqlite/SqliteProvider.h"
#include "regional/Regional.h"

#include <QCollator>

#include <algorithm>
#include <numeric>

#include <gtest/gtest.h>

using namespace vrl;

namespace {

const Regional &czech()
{
    static const Regional forms(QLocale(QLocale::Czech, QLocale::Czechia));
    return forms;
}

QDateTime day(int y, int m, int d)
{
    return plainDateTime(QDate(y, m, d));
}

// Name, price, when, note — five people with the usual traps.
RowStore people()
{
    RowStore rows({ fieldOf(QStringLiteral("Name"), FieldType::Text),
                    fieldOf(QStringLiteral("Price"), FieldType::Decimal, 2),
                    fieldOf(QStringLiteral("When"), FieldType::DateTime),
                    fieldOf(QStringLiteral("Pozn ka"), FieldType::Text),
                    fieldOf(QStringLiteral("Count"), FieldType::Int) });
    rows.appendRow({ Value::text(QStringLiteral("O'Malley")),
                     Value::decimal(QStringLiteral("12.50")), Value::dateTime(day(2021, 2, 7)),
                     Value::text(QStringLiteral("x")), Value::integer(3) });
    rows.appendRow({ Value::text(QStringLiteral("čech")), Value::decimal(QStringLiteral("100.00")),
                     Value::dateTime(day(2020, 1, 1)), Value(), Value::integer(10) });
    rows.appendRow({ Value::text(QStringLiteral("Cech")), Value(), Value::dateTime(day(2022, 5, 1)),
                     Value::text(QString()), Value::integer(-1) });
    rows.appendRow({ Value::text(QStringLiteral("Dvořák")), Value::decimal(QStringLiteral("0.99")),
                     Value(), Value::text(QStringLiteral("smith")), Value() });
    rows.appendRow({ Value(), Value::decimal(QStringLiteral("12.50")),
                     Value::dateTime(day(2021, 2, 7)), Value::text(QStringLiteral("Smithers")),
                     Value::integer(3) });
    return rows;
}

std::vector<quint32> filtered(const QString &text)
{
    static const RowStore rows = people();
    return RowFilter(text, rows, czech()).matchingRows();
}

using Rows = std::vector<quint32>;

} // namespace

TEST(RowFilter, ComparesTextNumbersAndDatesInTheirOwnTerms)
{
    EXPECT_EQ(filtered(QStringLiteral("Name = 'o''malley'")), Rows({ 0 }));
    EXPECT_EQ(filtered(QStringLiteral("Price = 12.5")), Rows({ 0, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Price = '12,5'")), Rows({ 0, 4 }))
        << "a quoted regional number";
    EXPECT_EQ(filtered(QStringLiteral("Price > 1 AND Price < 100")), Rows({ 0, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Count >= 3")), Rows({ 0, 1, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("When = #7.2.2021#")), Rows({ 0, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("When = '07.02.2021'")), Rows({ 0, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("When < #2/7/2021#")), Rows({ 1 }));
    EXPECT_EQ(filtered(QStringLiteral("Name = NULL")), Rows({ 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Price <> NULL")), Rows({ 0, 1, 3, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Count <> 3")), Rows({ 1, 2 }))
        << "NULL cells match no comparison";
}

TEST(RowFilter, LikeGroupsAndBrackets)
{
    EXPECT_EQ(filtered(QStringLiteral("[Pozn ka] LIKE 'smith*'")), Rows({ 3, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("[Pozn ka] LIKE '%ITH%'")), Rows({ 3, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Name LIKE '*ch'")), Rows({ 1, 2 }));
    EXPECT_EQ(filtered(QStringLiteral("[Pozn ka] = ''")), Rows({ 2 }));
    EXPECT_EQ(filtered(QStringLiteral("(Count = 3 OR Count = 10) AND Price > 50")), Rows({ 1 }));
    EXPECT_EQ(filtered(QStringLiteral("Count = 3 OR Count = 10 AND Price > 50")), Rows({ 0, 1, 4 }))
        << "AND binds tighter than OR";
    EXPECT_EQ(filtered(QStringLiteral("name = 'CECH' or NAME = 'dvořák'")), Rows({ 2, 3 }));
}

TEST(RowFilter, BadTextsSayWhatIsWrong)
{
    for (const char *bad : { "", "Name", "Name = ", "Name = 'open", "Nobody = 1", "Price = 'abc'",
                             "When = #32.1.2021#", "(Count = 1", "Count = 1 Count = 2", "Count ~ 1",
                             "Price LIKE 5", "Count > NULL" }) {
        try {
            filtered(QString::fromUtf8(bad));
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const DataError &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Chybný filtr: "))) << bad;
        }
    }
}

TEST(RowFilter, PastedGiantsNeitherOverflowTheStackNorTakeForever)
{
    // Parentheses around one comparison, 100,000 deep: 200,000 characters of nesting.
    const int deep = 100000;
    const QString nested = QString(deep, QLatin1Char('(')) + QStringLiteral("Count = 3")
        + QString(deep, QLatin1Char(')'));
    EXPECT_EQ(filtered(nested), Rows({ 0, 4 }));
    EXPECT_THROW(filtered(QString(deep, QLatin1Char('(')) + QStringLiteral("Count = 3")),
                 DataError);

    // 100,000 terms of one chain, and the same chain in parentheses inside an OR.
    QStringList terms;
    for (int i = 0; i < 100000; ++i)
        terms << QStringLiteral("Count > %1").arg(-2 - i % 7);
    const QString chain = terms.join(QStringLiteral(" AND "));
    EXPECT_EQ(filtered(chain), Rows({ 0, 1, 2, 4 }));
    EXPECT_EQ(
        filtered(QStringLiteral("Count = 99 OR (") + chain + QStringLiteral(") AND Price > 50")),
        Rows({ 1 }));

    // Groups that alternate AND and OR without end are refused with a reason, not a crash.
    QString zigzag;
    for (int i = 0; i < 20000; ++i)
        zigzag += QStringLiteral("Count = %1 %2 (")
                      .arg(i)
                      .arg(i % 2 ? QStringLiteral("AND") : QStringLiteral("OR"));
    zigzag += QStringLiteral("Count = 3") + QString(20000, QLatin1Char(')'));
    try {
        filtered(zigzag);
        ADD_FAILURE() << "an alternation 20,000 deep was accepted";
    } catch (const DataError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Chybný filtr: filtr je příliš hluboko vnořený"));
    }
}

TEST(RowSort, StableNullsFirstAndCzechCollation)
{
    const RowStore rows = people();
    auto sorted = [&](const QString &text) {
        Rows view { 0, 1, 2, 3, 4 };
        RowSort(text, rows).apply(view, czech().locale());
        return view;
    };
    // Czech: C < Č < D; NULL first.
    EXPECT_EQ(sorted(QStringLiteral("Name ASC")), Rows({ 4, 2, 1, 3, 0 }));
    EXPECT_EQ(sorted(QStringLiteral("Name DESC")), Rows({ 0, 3, 1, 2, 4 }));
    EXPECT_EQ(sorted(QStringLiteral("Price")), Rows({ 2, 3, 0, 4, 1 }))
        << "equal prices keep their order";
    EXPECT_EQ(sorted(QStringLiteral("Count DESC, [Pozn ka] ASC")), Rows({ 1, 4, 0, 2, 3 }));
    EXPECT_EQ(sorted(QStringLiteral("When")), Rows({ 3, 1, 0, 4, 2 }));
    EXPECT_THROW(sorted(QStringLiteral("Nobody ASC")), DataError);
    EXPECT_THROW(sorted(QStringLiteral("Name,")), DataError);
}

// The sort makes each text's collation key once and orders the keys a word at a time, in
// parts on several cores for a large column: its order must be the collator's own, ties and
// NULLs included, for texts that share long beginnings, differ only in accents, case or the
// Czech "ch", come decomposed, or reach beyond the basic plane.
TEST(RowSort, TextOrderIsTheCollatorsOwnForLargeAndAwkwardColumns)
{
    const QStringList pieces { QStringLiteral("Chrudim"),
                               QStringLiteral("Hradec"),
                               QStringLiteral("chalupa"),
                               QStringLiteral("cihla"),
                               QStringLiteral("Čáslav"),
                               QStringLiteral("Caslav"),
                               QStringLiteral("c\u030Caslav"),
                               QStringLiteral("ŘÍČANY"),
                               QStringLiteral("o\u0302\u0323"),
                               QStringLiteral("o\u0323\u0302"),
                               QStringLiteral("říčany"),
                               QStringLiteral("Žluťoučký kůň úpěl"),
                               QStringLiteral(""),
                               QStringLiteral(" "),
                               QStringLiteral("Dlouhý společný začátek textu ") };
    RowStore rows({ fieldOf(QStringLiteral("Text"), FieldType::Text),
                    fieldOf(QStringLiteral("Group"), FieldType::Int) });
    quint32 seed = 7;
    const auto next = [&seed] {
        return seed = seed * 1103515245u + 12345u;
    };
    for (int i = 0; i < 60000; ++i) {
        if (next() % 50 == 0) {
            rows.appendRow({ Value(), Value::integer(i % 3) });
            continue;
        }
        QString text = pieces[int(next() >> 8) % pieces.size()];
        if (next() % 2)
            text += pieces[int(next() >> 8) % pieces.size()];
        if (next() % 3 == 0)
            text += QString::number(next() % 2000);
        if (next() % 97 == 0)
            text += QString::fromUcs4(U"\U0001F600");
        rows.appendRow({ Value::text(text), Value::integer(i % 3) });
    }
    QCollator collator(czech().locale());
    const Column &texts = rows.column(0);
    const auto compare = [&](quint32 a, quint32 b) {
        const bool na = texts.isNull(a), nb = texts.isNull(b);
        if (na || nb)
            return na == nb ? 0 : (na ? -1 : 1);
        return collator.compare(texts.textAt(a), texts.textAt(b));
    };
    Rows all(rows.rowCount());
    for (quint32 i = 0; i < all.size(); ++i)
        all[i] = all.size() - 1 - i; // not in store order, to see that ties keep the view's
    for (const bool descending : { false, true }) {
        Rows expected = all;
        std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
            const int order = compare(a, b);
            return descending ? order > 0 : order < 0;
        });
        Rows view = all;
        RowSort(descending ? QStringLiteral("Text DESC") : QStringLiteral("Text"), rows)
            .apply(view, czech().locale());
        EXPECT_TRUE(view == expected) << (descending ? "descending" : "ascending");
    }
    // A text key behind another key: its order decides within each group.
    Rows expected = all;
    std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
        const qint64 ga = rows.column(1).integerAt(a), gb = rows.column(1).integerAt(b);
        return ga != gb ? ga > gb : compare(a, b) < 0;
    });
    Rows view = all;
    RowSort(QStringLiteral("Group DESC, Text"), rows).apply(view, czech().locale());
    EXPECT_TRUE(view == expected);
}

// Without a collation (the C locale) texts are compared code unit by code unit; a sort by one
// such key keeps equal texts in the view's order in both directions, NULLs at the low end.
TEST(RowSort, OneTextKeyWithoutACollationIsStableBothWays)
{
    RowStore rows({ fieldOf(QStringLiteral("T"), FieldType::Text) });
    for (const char *text :
         std::initializer_list<const char *> { "b", "a", nullptr, "B", "a", "b", nullptr, "á" })
        rows.appendRow({ text ? Value::text(QString::fromUtf8(text)) : Value() });
    const auto sorted = [&](const QString &order) {
        Rows view { 7, 6, 5, 4, 3, 2, 1, 0 };
        RowSort(order, rows).apply(view, QLocale::c());
        return view;
    };
    EXPECT_EQ(sorted(QStringLiteral("T")), Rows({ 6, 2, 3, 4, 1, 5, 0, 7 }));
    EXPECT_EQ(sorted(QStringLiteral("T DESC")), Rows({ 7, 5, 0, 4, 1, 3, 6, 2 }));
}

TEST(WriteStatements, UseParametersAndIsNullForNulls)
{
    const SqliteProvider sqlite;
    const WriteStatement update = updateStatement(
        sqlite, QStringLiteral("Účty"), { QStringLiteral("Name"), QStringLiteral("Pozn ka") },
        { Value::text(QStringLiteral("O'Malley")), Value() },
        { QStringLiteral("id"), QStringLiteral("x") }, { Value::integer(7), Value() });
    EXPECT_EQ(update.sql,
              QStringLiteral("UPDATE \"Účty\" SET \"Name\" = ?, \"Pozn ka\" = ? WHERE \"id\" = ? "
                             "AND \"x\" IS NULL"));
    EXPECT_EQ(update.parameters,
              std::vector<Value>(
                  { Value::text(QStringLiteral("O'Malley")), Value(), Value::integer(7) }));
    const WriteStatement insert = insertStatement(
        sqlite, QStringLiteral("[Sheet1$]"), { QStringLiteral("a\"b") }, { Value::integer(1) });
    EXPECT_EQ(insert.sql, QStringLiteral("INSERT INTO [Sheet1$] (\"a\"\"b\") VALUES (?)"));
    const WriteStatement deletion = deleteStatement(
        sqlite, QStringLiteral("t"), { QStringLiteral("id") }, { Value::integer(2) });
    EXPECT_EQ(deletion.sql, QStringLiteral("DELETE FROM \"t\" WHERE \"id\" = ?"));
}

TEST(RowFilter, NumbersAndSerialsBeyondEveryRangeAreComparedOrRefusedSoundly)
{
    // Beyond 64 bits a number compares as a double: nothing equals it, everything is below.
    EXPECT_EQ(filtered(QStringLiteral("Count = 1e300")), Rows({}));
    EXPECT_EQ(filtered(QStringLiteral("Count < 99999999999999999999")), Rows({ 0, 1, 2, 4 }));
    EXPECT_EQ(filtered(QStringLiteral("Count > -1e300")), Rows({ 0, 1, 2, 4 }));
    // A serial that is no date the program can show is no date at all.
    for (const char *serial : { "1e30", "-1e30", "2958466", "-657435" })
        EXPECT_THROW(filtered(QStringLiteral("When = ") + QString::fromLatin1(serial)), DataError)
            << serial;
    EXPECT_EQ(filtered(QStringLiteral("When = 44234")), Rows({ 0, 4 })); // 7.2.2021
}

TEST(RowSort, OneNumberKeySortsAsAStableComparisonWouldWhateverTheOrderItFinds)
{
    // The rows may come in order, in reverse order (the second click on a title) or in none;
    // ties keep the order they came in, NULLs go first ascending and last descending.
    for (const FieldType type : { FieldType::Int, FieldType::Double }) {
        for (const int shape : { 0, 1, 2, 3 }) {
            RowStore rows({ fieldOf(QStringLiteral("n"), type) });
            const int count = 3000;
            for (int i = 0; i < count; ++i) {
                const int value = shape == 0 ? i / 3 // ascending, ties of three
                    : shape == 1             ? (count - i) / 3 // descending, ties of three
                    : shape == 2             ? (i * 7919) % 101 // scattered, many ties
                                             : i; // ascending with NULLs below
                if (shape == 3 && i % 97 == 0)
                    rows.column(0).appendNull();
                else if (type == FieldType::Int)
                    rows.column(0).appendInteger(value);
                else
                    rows.column(0).appendDouble(value / 4.0 - 100);
            }
            for (const bool descending : { false, true }) {
                std::vector<quint32> sorted(count);
                std::iota(sorted.begin(), sorted.end(), 0);
                RowSort(QStringLiteral("n")
                            + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC")),
                        rows)
                    .apply(sorted, QLocale::c());
                std::vector<quint32> expected(count);
                std::iota(expected.begin(), expected.end(), 0);
                const Column &column = rows.column(0);
                std::stable_sort(expected.begin(), expected.end(), [&](quint32 a, quint32 b) {
                    if (column.isNull(a) || column.isNull(b))
                        return descending ? !column.isNull(a) && column.isNull(b)
                                          : column.isNull(a) && !column.isNull(b);
                    return descending ? column.numberAt(a) > column.numberAt(b)
                                      : column.numberAt(a) < column.numberAt(b);
                });
                EXPECT_EQ(sorted, expected) << int(type) << "/" << shape << "/" << descending;
            }
        }
    }
}
