#include "access/Value.h"
#include "access/ColumnStore.h"
#include "access/TextSlices.h"
#include "access/DataError.h"
#include "regional/Regional.h"

#include <gtest/gtest.h>

#include <optional>

using namespace vrl;

TEST(Value, NullEmptyTextAndZeroAreDistinct)
{
    EXPECT_TRUE(Value().isNull());
    EXPECT_FALSE(Value::text(QString()).isNull());
    EXPECT_FALSE(Value::integer(0).isNull());
    EXPECT_NE(Value(), Value::text(QString()));
    EXPECT_NE(Value(), Value::integer(0));
    EXPECT_NE(Value::text(QStringLiteral("0")), Value::integer(0));
    EXPECT_EQ(Value().toText(), QString());
    EXPECT_FALSE(Value().toNumber());
}

TEST(Value, TextFormsFollowTheRegionalSettings)
{
    const Regional czech(QLocale(QLocale::Czech, QLocale::Czechia));
    EXPECT_EQ(Value::integer(-42).toText(czech), QStringLiteral("-42"));
    EXPECT_EQ(Value::real(1234.5).toText(czech), QStringLiteral("1234,5"));
    EXPECT_EQ(Value::decimal(QStringLiteral("-0.50")).toText(czech), QStringLiteral("-0,50"));
    EXPECT_EQ(Value::boolean(true).toText(czech), QStringLiteral("True"));
    EXPECT_EQ(Value::dateTime(plainDateTime(QDate(2021, 1, 1), QTime(12, 0))).toText(czech),
              QStringLiteral("01.01.2021 12:00:00"));
    EXPECT_EQ(Value::dateTime(plainDateTime(QDate(2021, 1, 1))).toText(czech),
              QStringLiteral("01.01.2021"));
    EXPECT_EQ(Value::binary(QByteArray("\x01\xAB", 2)).toText(czech), QStringLiteral("0x01AB"));
}

TEST(Value, ConvertsToFieldTypesOrSaysWhy)
{
    EXPECT_EQ(Value::text(QStringLiteral(" 42 ")).convertedTo(FieldType::Int), Value::integer(42));
    EXPECT_EQ(Value::text(QStringLiteral("12,5")).convertedTo(FieldType::Double),
              Value::real(12.5));
    EXPECT_EQ(Value::text(QStringLiteral("12,345")).convertedTo(FieldType::Decimal, 2),
              Value::decimal(QStringLiteral("12.35")));
    EXPECT_EQ(Value::real(0.1).convertedTo(FieldType::Decimal, 3),
              Value::decimal(QStringLiteral("0.100")));
    EXPECT_EQ(Value::text(QStringLiteral("7.2.2021 8:30")).convertedTo(FieldType::DateTime),
              Value::dateTime(plainDateTime(QDate(2021, 2, 7), QTime(8, 30))));
    EXPECT_EQ(Value::text(QStringLiteral("false")).convertedTo(FieldType::Bool),
              Value::boolean(false));
    EXPECT_EQ(Value().convertedTo(FieldType::Int), Value());
    EXPECT_EQ(Value::integer(5).convertedTo(FieldType::Text), Value::text(QStringLiteral("5")));
    for (const auto &[value, type] :
         { std::pair { Value::text(QStringLiteral("abc")), FieldType::Int },
           std::pair { Value::text(QStringLiteral("12.5")), FieldType::Double },
           std::pair { Value::real(1.5), FieldType::Int },
           std::pair { Value::text(QStringLiteral("31.2.2021")), FieldType::DateTime },
           std::pair { Value::text(QStringLiteral("ano")), FieldType::Bool } }) {
        try {
            value.convertedTo(type);
            ADD_FAILURE() << "converted " << value.toText().toStdString();
        } catch (const DataError &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Hodnotu \""))) << error.what();
        }
    }
}

TEST(Value, DecimalsKeepTheirDigits)
{
    EXPECT_EQ(canonicalDecimal(QStringLiteral("007,50"), QLatin1Char(',')), QStringLiteral("7.50"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("-0,000"), QLatin1Char(',')),
              QStringLiteral("0.000"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("9.995"), QLatin1Char('.'), 2),
              QStringLiteral("10.00"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("-1.5"), QLatin1Char('.'), 0), QStringLiteral("-2"));
    EXPECT_FALSE(canonicalDecimal(QStringLiteral("1 000"), QLatin1Char('.')));
    EXPECT_FALSE(canonicalDecimal(QStringLiteral("1.2.3"), QLatin1Char('.')));
    // Texts that look canonical at a glance but are not: zero signs, leading zeros, a scale
    // that differs, a bare full stop.
    EXPECT_EQ(canonicalDecimal(QStringLiteral("-0.00"), QLatin1Char('.'), 2),
              QStringLiteral("0.00"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("00.25"), QLatin1Char('.'), 2),
              QStringLiteral("0.25"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("2.5"), QLatin1Char('.'), 2), QStringLiteral("2.50"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("7."), QLatin1Char('.')), QStringLiteral("7"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("-12.340"), QLatin1Char('.')),
              QStringLiteral("-12.340"));
    EXPECT_EQ(canonicalDecimal(QStringLiteral("1.5"), QLatin1Char(','), 1), std::nullopt);

    // A column switches to exact text when a value outgrows 18 digits.
    Column column(FieldType::Decimal, 4);
    column.append(Value::decimal(QStringLiteral("1.5")));
    column.append(Value());
    column.append(Value::decimal(QStringLiteral("12345678901234567890123456789012.3456")));
    EXPECT_EQ(column.value(0), Value::decimal(QStringLiteral("1.5000")));
    EXPECT_TRUE(column.value(1).isNull());
    EXPECT_EQ(column.value(2),
              Value::decimal(QStringLiteral("12345678901234567890123456789012.3456")));
}

TEST(Value, DriverDecimalTextTakesTheShortPathWithoutChangingTheDigits)
{
    Column column(FieldType::Decimal, 2);
    for (const char *text : { "12.5", "-0.05", "007", "+3.10", "-0.00", "9999999999999999.99",
                              "0.005", "99999999999999999.99", "123456789012345678901" })
        EXPECT_TRUE(column.appendDecimal(std::string_view(text))) << text;
    const QStringList expected { "12.50",
                                 "-0.05",
                                 "7.00",
                                 "3.10",
                                 "0.00",
                                 "9999999999999999.99",
                                 "0.01",
                                 "99999999999999999.99",
                                 "123456789012345678901.00" };
    for (qsizetype row = 0; row < expected.size(); ++row)
        EXPECT_EQ(column.value(size_t(row)), Value::decimal(expected[row])) << row;
    for (const char *bad : { "", ".", "-", "1.2.3", "1e5", "12,5" })
        EXPECT_FALSE(column.appendDecimal(std::string_view(bad))) << bad;
    EXPECT_EQ(column.size(), size_t(expected.size()));
}

TEST(ColumnStore, KeepsTypedCellsAndNullsThroughChanges)
{
    RowStore store({ fieldOf(QStringLiteral("id"), FieldType::Int),
                     fieldOf(QStringLiteral("jméno"), FieldType::Text),
                     fieldOf(QStringLiteral("kdy"), FieldType::DateTime) });
    const QDateTime when = plainDateTime(QDate(1000, 1, 1), QTime(0, 0, 1));
    for (int i = 0; i < 130; ++i)
        store.appendRow({ Value::integer(i),
                          i % 2 ? Value() : Value::text(QStringLiteral("řádek %1").arg(i)),
                          Value::dateTime(when) });
    EXPECT_EQ(store.rowCount(), 130u);
    EXPECT_EQ(store.fieldIndex(QStringLiteral("JMÉNO")), 1);
    EXPECT_TRUE(store.value(127, 1).isNull());
    EXPECT_EQ(store.value(128, 1), Value::text(QStringLiteral("řádek 128")));
    EXPECT_EQ(store.value(5, 2), Value::dateTime(when));

    store.setRow(127, { Value::integer(127), Value::text(QString()), Value() });
    EXPECT_EQ(store.value(127, 1), Value::text(QString()));
    EXPECT_TRUE(store.value(127, 2).isNull());
    store.eraseRow(0);
    EXPECT_EQ(store.rowCount(), 129u);
    EXPECT_EQ(store.value(0, 0), Value::integer(1));
    EXPECT_TRUE(store.value(0, 1).isNull());
    EXPECT_EQ(store.value(126, 1), Value::text(QString())) << "NULL bits move with the rows";
    EXPECT_THROW(store.appendRow({ Value::text(QStringLiteral("x")) }), DataError);
}

// The driver's UTF-8 text is decoded straight into the column: it must read as Qt reads it,
// well-formed or not, and the buffer that grows under it must keep every earlier cell.
TEST(ColumnStore, Utf8TextReadsAsQtReadsItAndEarlierCellsSurviveGrowth)
{
    const std::vector<std::string> cells {
        "", "Žluťoučký kůň", "plain", "\xF0\x9F\x98\x80 a \xE2\x82\xAC", // emoji, euro sign
        "\xC3", "a\x80" "b", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", // malformed
        "\xC3\xA1\xFF", "x\xF0\x9F\x98", std::string("nul\0in", 6)
    };
    Column column(FieldType::Text, -1);
    for (int round = 0; round < 2000; ++round) {
        for (const std::string &cell : cells)
            column.appendUtf8Text(cell);
    }
    ASSERT_EQ(column.size(), cells.size() * 2000);
    for (size_t row = 0; row < column.size(); row += 997) {
        const std::string &cell = cells[row % cells.size()];
        EXPECT_EQ(column.textAt(row).toString(),
                  QString::fromUtf8(cell.data(), qsizetype(cell.size())))
            << "row " << row;
    }
}

// Rows appended end to end share one start each; a replaced value or a removed neighbour makes
// a row lie elsewhere. Against a plain list, through random appends, changes and removals of
// text and bytes, every row must read what was last put there.
TEST(ColumnStore, CellsReadWhatWasLastPutThereThroughAppendsChangesAndRemovals)
{
    for (const FieldType type : { FieldType::Text, FieldType::Binary }) {
        Column column(type, -1);
        std::vector<std::optional<QString>> model;
        quint32 seed = 11;
        const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        const auto valueOf = [type](const std::optional<QString> &text) {
            if (!text)
                return Value();
            return type == FieldType::Text ? Value::text(*text) : Value::binary(text->toUtf8());
        };
        for (int step = 0; step < 6000; ++step) {
            const quint32 choice = next() % 10;
            std::optional<QString> text;
            if (next() % 7 != 0)
                text = QStringLiteral("h%1-%2").arg(step).arg(QString(int(next() % 5), u'ř'));
            if (choice < 5 || model.empty()) {
                column.append(valueOf(text));
                model.push_back(text);
            } else if (choice < 8) {
                const size_t row = next() % model.size();
                column.set(row, valueOf(text));
                model[row] = text;
            } else {
                const size_t row = next() % model.size();
                column.erase(row);
                model.erase(model.begin() + qsizetype(row));
            }
        }
        ASSERT_EQ(column.size(), model.size());
        for (size_t row = 0; row < model.size(); ++row)
            ASSERT_EQ(column.value(row), valueOf(model[row])) << "row " << row;
    }
}

TEST(ColumnStore, StartsBeyondFourGigaUnitsWidenAndKeepEveryRow)
{
    TextSlices slices;
    slices.append(0, 10);
    slices.append(10, 5);
    const quint64 far = (quint64(1) << 32) + 7;
    slices.append(far, 3); // a jump, as after values written elsewhere
    slices.append(far + 3, 2);
    ASSERT_EQ(slices.size(), 4u);
    EXPECT_EQ(slices.at(0).offset, 0u);
    EXPECT_EQ(slices.at(0).length, 10u);
    EXPECT_EQ(slices.at(1).length, 5u) << "the row before a jump keeps its own end";
    EXPECT_EQ(slices.at(2).offset, far);
    EXPECT_EQ(slices.at(3).offset, far + 3);
    EXPECT_EQ(slices.at(3).length, 2u);
    slices.erase(1);
    EXPECT_EQ(slices.at(0).length, 10u);
    EXPECT_EQ(slices.at(1).offset, far);
    EXPECT_EQ(slices.at(1).length, 3u);
}
