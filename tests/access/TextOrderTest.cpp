#include "access/CollationRanks.h"
#include "access/PrimaryKeys.h"

#include <QCollator>

#include <unicode/ucol.h>

#include <algorithm>
#include <numeric>

#include <gtest/gtest.h>

using namespace vrl;

namespace {

// The ranks the collator itself gives: equal texts alike, NULL 0.
std::vector<quint32> ranksByCollator(const Column &column, const QLocale &locale)
{
    QCollator collator(locale);
    std::vector<quint32> rows(column.size());
    std::iota(rows.begin(), rows.end(), 0);
    return ranksByOrder(column, rows, [&](quint32 a, quint32 b) {
        return collator.compare(column.textAt(a), column.textAt(b)) < 0;
    });
}

QString fromCode(char32_t code)
{
    return QString::fromUcs4(&code, 1);
}

} // namespace

// Most texts are ordered by their letters from a table of the collator's weights, the rest by
// the collator; texts whose letters are alike by the collator's full keys. The order must be
// the collator's own in languages that weigh two letters as one (Czech and Slovak "ch",
// Hungarian "cs" and "dzs", Danish "aa"), that weigh one letter as two (German "ß", "æ"),
// for every character of the table, beside those it leaves to the collator (combining
// accents, other scripts, characters beyond the basic plane), and for ties in case and accent.
TEST(TextOrder, RanksAreTheCollatorsOwnInLanguagesWithLettersOfTwoCharacters)
{
    QStringList alphabet;
    for (const char *letters :
         { "aAbcCdDeghHilLnsSyzZ019 -.,'&", "áčďéěíňóřšťúůýžÁČŘŠŽäöüßæøåñłőűœ",
           "\u00B7\u00A0\u2013\u201E\u201C\u20AC\u2030\u0192\u01C6\u0007" }) {
        for (const QChar c : QString::fromUtf8(letters))
            alphabet << QString(c);
    }
    alphabet << QString(QChar(0));
    // Characters the table leaves to the collator, in a few texts among the others.
    const QStringList others { QStringLiteral("\u0301"), QStringLiteral("\u030C"),
                               QStringLiteral("\u0387"), QStringLiteral("\u03B1"),
                               QStringLiteral("\u4E2D"), fromCode(U'\U0001F600'),
                               QStringLiteral("\uFFFD"), QStringLiteral("\u0250") };

    Column column(FieldType::Text, 0);
    // Every character of the table alone, after a "c" and before an "h".
    for (char32_t code = 0; code < 0x20D0; ++code) {
        if (code == 0x250)
            code = 0x2000;
        const QString c = fromCode(code);
        for (const QString &text : { c, QStringLiteral("c") + c, c + QStringLiteral("h") })
            column.appendText(text);
    }
    // Every two letters of the alphabet, and words of up to seven.
    for (const QString &a : alphabet) {
        for (const QString &b : alphabet)
            column.appendText(a + b);
    }
    quint32 seed = 11;
    const auto next = [&seed](qsizetype below) {
        return int((seed = seed * 1103515245u + 12345u) >> 16) % below;
    };
    for (int i = 0; i < 12000; ++i) {
        QString text;
        for (int k = 0, length = 1 + next(7); k < length; ++k)
            text += alphabet[next(alphabet.size())];
        if (i % 40 == 0)
            column.appendNull();
        column.appendText(text);
    }
    for (const QString &other : others) {
        for (int i = 0; i < 10; ++i) {
            const QString &letter = alphabet[next(alphabet.size())];
            for (const QString &text : { letter + other, other + letter,
                                         QStringLiteral("c") + other + QStringLiteral("h") })
                column.appendText(text);
        }
    }
    std::vector<quint32> rows(column.size());
    std::iota(rows.begin(), rows.end(), 0);

    for (const char *name : { "cs_CZ", "sk_SK", "hu_HU", "da_DK", "de_DE", "pl_PL", "en_US" }) {
        const QLocale locale(QString::fromLatin1(name));
        const std::vector<quint32> ranks = collationRanks(column, rows, locale);
        const std::vector<quint32> expected = ranksByCollator(column, locale);
        size_t wrong = 0;
        for (size_t i = 0; i < ranks.size() && wrong < 5; ++i) {
            if (ranks[i] != expected[i]) {
                ADD_FAILURE() << name << ": \"" << column.textAt(i).toString().toStdString()
                              << "\" ranks " << ranks[i] << ", the collator " << expected[i];
                ++wrong;
            }
        }
    }

    // In Czech the table keyed these texts where it could, not the collator (in Danish the
    // table leaves every "a" to the collator).
    UErrorCode status = U_ZERO_ERROR;
    UCollator *czech = ucol_open("cs_CZ", &status);
    ASSERT_TRUE(U_SUCCESS(status));
    const auto keys = PrimaryKeys::of(czech, "cs_CZ");
    ASSERT_TRUE(keys);
    EXPECT_TRUE(keys->suits(column, rows));
    ucol_close(czech);
}
