#include "query/StatementChecks.h"

#include "basic/AsciiUpperCase.h"
#include "basic/SqlText.h"
#include "regional/Regional.h"

namespace vrl {

namespace {

bool containsAny(const QString &line, std::initializer_list<QLatin1String> keywords)
{
    for (const QLatin1String keyword : keywords) {
        if (line.contains(keyword))
            return true;
    }
    return false;
}

} // namespace

bool FirstLineNamesAStatement(const QString &firstLine)
{
    return containsAny(Regional::system().upperCase(firstLine),
                       { QLatin1String("SELECT "), QLatin1String("UPDATE "), QLatin1String("INTO "),
                         QLatin1String("INSERT "), QLatin1String("DELETE "),
                         QLatin1String("CREATE "), QLatin1String("DROP "),
                         QLatin1String("ALTER ") });
}

int RiskVerdict(const QStringList &lines, SqlDialect dialect)
{
    int selecting = 0;
    int changing = 0;
    int conditions = 0;
    int structure = 0;
    // The other keywords count wherever they stand: a question too many is the safe side.
    const QStringList code = SqlCodeLines(lines, dialect);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = AsciiUpperCase(lines[i]);
        selecting += containsAny(line, { QLatin1String("SELECT ") });
        changing += containsAny(line, { QLatin1String("UPDATE "), QLatin1String("DELETE ") });
        conditions += containsAny(AsciiUpperCase(code[i]), { QLatin1String("WHERE ") });
        structure += containsAny(
            line, { QLatin1String("DROP "), QLatin1String("ALTER "), QLatin1String("CREATE ") });
    }
    int verdict = 0;
    if (changing > 0 && conditions == 0)
        verdict = 1;
    if (changing > 0 && selecting > 0 && conditions <= selecting)
        verdict = 2;
    if (structure > 0)
        verdict = 3;
    return verdict;
}

QString RiskQuestion(int verdict)
{
    switch (verdict) {
    case 1:
        return QStringLiteral("Query patrně obsahuje příkaz DELETE nebo UPDATE\r\nbez omezujících "
                              "podmínek (klauzule WHERE);\r\nto může být velmi nebezpečné.\r\n\r\n"
                              "Opravdu chceš tento příkaz provést?");
    case 2:
        return QStringLiteral("Query patrně obsahuje složený příkaz pro úpravu dat\r\ns vnořeným "
                              "neomezeným příkazem SELECT (bez klauzule WHERE);\r\nto může být "
                              "velmi nebezpečné.\r\n\r\nOpravdu chceš tento příkaz provést?");
    case 3:
        return QStringLiteral("Query obsahuje příkaz pro změnu struktury databáze\r\n(CREATE, "
                              "ALTER nebo DROP);\r\nto může způsobit nežádoucí a nevratné změny "
                              "dat.\r\n\r\nOpravdu chceš tento příkaz provést?");
    default:
        return QString();
    }
}

} // namespace vrl
