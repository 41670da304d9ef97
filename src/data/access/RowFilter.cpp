#include "data/access/RowFilter.h"

#include "data/access/DataError.h"
#include "regional/Regional.h"

#include <QRegularExpression>

#include <cmath>

namespace vrl {

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

enum class LiteralKind { Text, Number, Date, Null };

struct Literal
{
    LiteralKind kind = LiteralKind::Null;
    QString text;
    double number = 0;
    QDateTime date;
};

[[noreturn]] void bad(const QString &why)
{
    throw DataError(QStringLiteral("Chybný filtr: ") + why);
}

bool compareResult(int order, Op op)
{
    switch (op) {
    case Op::Eq:
        return order == 0;
    case Op::Ne:
        return order != 0;
    case Op::Lt:
        return order < 0;
    case Op::Gt:
        return order > 0;
    case Op::Le:
        return order <= 0;
    case Op::Ge:
        return order >= 0;
    case Op::Like:
        return order == 0;
    }
    return false;
}

template<typename T> int threeWay(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Matches text against a pattern where * and % stand for any run of characters.
QRegularExpression likePattern(const QString &pattern)
{
    QString regex;
    for (QChar c : pattern) {
        if (c == QLatin1Char('*') || c == QLatin1Char('%'))
            regex += QLatin1String(".*");
        else
            regex += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(regex),
                              QRegularExpression::CaseInsensitiveOption
                                  | QRegularExpression::DotMatchesEverythingOption);
}

class Parser
{
public:
    Parser(const QString &text, const RowStore &rows, const Regional &forms)
        : m_text(text)
        , m_rows(rows)
        , m_forms(forms)
    { }

    std::unique_ptr<RowFilter::Node> parse();

private:
    std::unique_ptr<RowFilter::Node> parseOr();
    std::unique_ptr<RowFilter::Node> parseAnd();
    std::unique_ptr<RowFilter::Node> parsePrimary();
    std::unique_ptr<RowFilter::Node> parseComparison();
    QString parseFieldName();
    Op parseOperator();
    Literal parseLiteral();
    bool keyword(const char *word);
    void skipBlanks();
    bool atEnd()
    {
        skipBlanks();
        return m_pos >= m_text.size();
    }

    const QString &m_text;
    const RowStore &m_rows;
    const Regional &m_forms;
    qsizetype m_pos = 0;
};

} // namespace

struct RowFilter::Node
{
    enum class Kind { And, Or, Compare } kind = Kind::Compare;
    std::unique_ptr<Node> left, right;

    int field = -1;
    Op op = Op::Eq;
    Literal literal;
    // The literal in the field's terms, prepared once.
    bool nullTest = false;
    double number = 0;
    qint64 integer = 0;
    bool integral = false;
    QString text;
    QRegularExpression like;

    bool matches(const RowStore &rows, size_t row) const;
    void prepare(const RowStore &rows, const Regional &forms);
};

namespace {

void Parser::skipBlanks()
{
    while (m_pos < m_text.size() && m_text[m_pos].isSpace())
        ++m_pos;
}

bool Parser::keyword(const char *word)
{
    skipBlanks();
    const QLatin1String w(word);
    if (m_text.mid(m_pos, w.size()).compare(w, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = m_pos + w.size();
    if (after < m_text.size()
        && (m_text[after].isLetterOrNumber() || m_text[after] == QLatin1Char('_')))
        return false;
    m_pos = after;
    return true;
}

std::unique_ptr<RowFilter::Node> Parser::parse()
{
    if (atEnd())
        bad(QStringLiteral("prázdný text"));
    auto root = parseOr();
    if (!atEnd())
        bad(QStringLiteral("nečekaný text \"%1\"").arg(m_text.mid(m_pos)));
    return root;
}

std::unique_ptr<RowFilter::Node> Parser::parseOr()
{
    auto left = parseAnd();
    while (keyword("OR")) {
        auto node = std::make_unique<RowFilter::Node>();
        node->kind = RowFilter::Node::Kind::Or;
        node->left = std::move(left);
        node->right = parseAnd();
        left = std::move(node);
    }
    return left;
}

std::unique_ptr<RowFilter::Node> Parser::parseAnd()
{
    auto left = parsePrimary();
    while (keyword("AND")) {
        auto node = std::make_unique<RowFilter::Node>();
        node->kind = RowFilter::Node::Kind::And;
        node->left = std::move(left);
        node->right = parsePrimary();
        left = std::move(node);
    }
    return left;
}

std::unique_ptr<RowFilter::Node> Parser::parsePrimary()
{
    skipBlanks();
    if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('(')) {
        ++m_pos;
        auto inner = parseOr();
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != QLatin1Char(')'))
            bad(QStringLiteral("chybí pravá závorka"));
        ++m_pos;
        return inner;
    }
    return parseComparison();
}

QString Parser::parseFieldName()
{
    skipBlanks();
    if (m_pos >= m_text.size())
        bad(QStringLiteral("chybí název položky"));
    if (m_text[m_pos] == QLatin1Char('[')) {
        const qsizetype close = m_text.indexOf(QLatin1Char(']'), m_pos + 1);
        if (close < 0)
            bad(QStringLiteral("chybí ] za názvem položky"));
        const QString name = m_text.mid(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        return name;
    }
    const qsizetype start = m_pos;
    while (m_pos < m_text.size()
           && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == QLatin1Char('_')
               || m_text[m_pos] == QLatin1Char('$') || m_text[m_pos] == QLatin1Char('.')))
        ++m_pos;
    if (m_pos == start)
        bad(QStringLiteral("očekáván název položky u \"%1\"").arg(m_text.mid(start)));
    return m_text.mid(start, m_pos - start);
}

Op Parser::parseOperator()
{
    skipBlanks();
    const QStringView rest = QStringView(m_text).mid(m_pos);
    static const std::pair<const char *, Op> symbols[]
        = { { "<=", Op::Le }, { ">=", Op::Ge }, { "<>", Op::Ne },
            { "=", Op::Eq },  { "<", Op::Lt },  { ">", Op::Gt } };
    for (const auto &[symbol, op] : symbols) {
        if (rest.startsWith(QLatin1String(symbol))) {
            m_pos += qsizetype(qstrlen(symbol));
            return op;
        }
    }
    if (keyword("LIKE"))
        return Op::Like;
    bad(QStringLiteral("očekáván operátor porovnání u \"%1\"").arg(rest.toString()));
}

Literal Parser::parseLiteral()
{
    skipBlanks();
    Literal literal;
    if (m_pos >= m_text.size())
        bad(QStringLiteral("chybí hodnota"));
    const QChar c = m_text[m_pos];
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        ++m_pos;
        bool closed = false;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == c) {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == c) {
                    literal.text += c;
                    m_pos += 2;
                    continue;
                }
                closed = true;
                ++m_pos;
                break;
            }
            literal.text += m_text[m_pos++];
        }
        if (!closed)
            bad(QStringLiteral("neuzavřený řetězec"));
        literal.kind = LiteralKind::Text;
        return literal;
    }
    if (c == QLatin1Char('#')) {
        const qsizetype close = m_text.indexOf(QLatin1Char('#'), m_pos + 1);
        if (close < 0)
            bad(QStringLiteral("chybí # za datem"));
        const QString text = m_text.mid(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        auto date = m_forms.parseDateTime(text);
        if (!date) {
            // ADO also takes the US form month/day/year and the ISO form.
            for (const char *format : { "M/d/yyyy H:mm:ss", "M/d/yyyy H:mm", "M/d/yyyy",
                                        "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd" }) {
                const QDateTime parsed
                    = QDateTime::fromString(text.trimmed(), QLatin1String(format));
                if (parsed.isValid()) {
                    date = QDateTime(parsed.date(), parsed.time(), Qt::UTC);
                    break;
                }
            }
        }
        if (!date)
            bad(QStringLiteral("neplatné datum #%1#").arg(text));
        literal.kind = LiteralKind::Date;
        literal.date = *date;
        return literal;
    }
    if (keyword("NULL")) {
        literal.kind = LiteralKind::Null;
        return literal;
    }
    // A number: optional sign and currency sign, digits with a decimal point, exponent.
    static const QRegularExpression number(
        QStringLiteral("\\G[-+]?[$€]?\\s*(\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    const auto match = number.match(m_text, m_pos);
    if (!match.hasMatch())
        bad(QStringLiteral("neplatná hodnota u \"%1\"").arg(m_text.mid(m_pos)));
    QString digits = match.captured(0);
    digits.remove(QRegularExpression(QStringLiteral("[$€\\s]")));
    m_pos += match.capturedLength(0);
    literal.kind = LiteralKind::Number;
    literal.number = QLocale::c().toDouble(digits);
    literal.text = digits;
    return literal;
}

std::unique_ptr<RowFilter::Node> Parser::parseComparison()
{
    const QString name = parseFieldName();
    auto node = std::make_unique<RowFilter::Node>();
    node->field = m_rows.fieldIndex(name);
    if (node->field < 0)
        bad(QStringLiteral("neznámá položka \"%1\"").arg(name));
    node->op = parseOperator();
    node->literal = parseLiteral();
    node->prepare(m_rows, m_forms);
    return node;
}

} // namespace

void RowFilter::Node::prepare(const RowStore &rows, const Regional &forms)
{
    const FieldInfo &info = rows.fields()[size_t(field)];
    const QString &name = info.name;
    if (literal.kind == LiteralKind::Null) {
        if (op != Op::Eq && op != Op::Ne)
            bad(QStringLiteral("NULL lze porovnat jen operátorem = nebo <>"));
        nullTest = true;
        return;
    }
    if (op == Op::Like) {
        if (literal.kind != LiteralKind::Text)
            bad(QStringLiteral("LIKE potřebuje text v apostrofech"));
        like = likePattern(literal.text);
        return;
    }
    const Column &column = rows.column(field);
    switch (info.type) {
    case FieldType::Text:
    case FieldType::Binary:
        text = literal.kind == LiteralKind::Number ? forms.numberText(literal.number)
            : literal.kind == LiteralKind::Date    ? forms.dateTimeText(literal.date)
                                                   : literal.text;
        return;
    case FieldType::DateTime: {
        std::optional<QDateTime> date;
        if (literal.kind == LiteralKind::Date)
            date = literal.date;
        else if (literal.kind == LiteralKind::Text)
            date = forms.parseDateTime(literal.text);
        else
            date = fromOleSerial(literal.number);
        if (!date)
            bad(QStringLiteral("\"%1\" není datum pro položku %2").arg(literal.text, name));
        integer = Column::dateTimeKey(*date);
        integral = true;
        return;
    }
    case FieldType::Bool: {
        if (literal.kind == LiteralKind::Number)
            integer = literal.number != 0;
        else if (literal.text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            integer = 1;
        else if (literal.text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            integer = 0;
        else
            bad(QStringLiteral("\"%1\" není logická hodnota pro položku %2")
                    .arg(literal.text, name));
        integral = true;
        return;
    }
    default: {
        std::optional<double> value;
        if (literal.kind == LiteralKind::Number)
            value = literal.number;
        else if (literal.kind == LiteralKind::Text) {
            value = forms.parseNumber(literal.text);
            if (!value)
                value = Regional(QLocale::c()).parseNumber(literal.text);
        }
        if (!value)
            bad(QStringLiteral("\"%1\" není číslo pro položku %2").arg(literal.text, name));
        number = *value;
        // Integers compare exactly when the literal is a whole number.
        integral = column.type() == FieldType::Int && std::trunc(number) == number
            && std::fabs(number) < 9e18;
        integer = qint64(number);
        return;
    }
    }
}

bool RowFilter::Node::matches(const RowStore &rows, size_t row) const
{
    switch (kind) {
    case Kind::And:
        return left->matches(rows, row) && right->matches(rows, row);
    case Kind::Or:
        return left->matches(rows, row) || right->matches(rows, row);
    case Kind::Compare:
        break;
    }
    const Column &column = rows.column(field);
    const bool null = column.isNull(row);
    if (nullTest)
        return op == Op::Eq ? null : !null;
    if (null)
        return false;
    if (op == Op::Like) {
        const QString cell
            = column.storesText() ? column.textAt(row).toString() : column.value(row).toText();
        return like.match(cell).hasMatch();
    }
    switch (column.type()) {
    case FieldType::Text:
        return compareResult(column.textAt(row).compare(text, Qt::CaseInsensitive), op);
    case FieldType::Binary:
        return compareResult(column.value(row).toText().compare(text, Qt::CaseInsensitive), op);
    case FieldType::Double:
        return compareResult(threeWay(column.doubleAt(row), number), op);
    case FieldType::Decimal:
        return compareResult(threeWay(column.numberAt(row), number), op);
    default:
        if (integral)
            return compareResult(threeWay(column.integerAt(row), integer), op);
        return compareResult(threeWay(double(column.integerAt(row)), number), op);
    }
}

RowFilter::RowFilter(const QString &text, const RowStore &rows, const Regional &forms)
    : m_rows(rows)
    , m_root(Parser(text, rows, forms).parse())
{ }

RowFilter::~RowFilter() = default;
RowFilter::RowFilter(RowFilter &&) noexcept = default;

bool RowFilter::matches(size_t row) const
{
    return m_root->matches(m_rows, row);
}

std::vector<quint32> RowFilter::matchingRows() const
{
    std::vector<quint32> rows;
    const size_t count = m_rows.rowCount();
    for (size_t row = 0; row < count; ++row) {
        if (m_root->matches(m_rows, row))
            rows.push_back(quint32(row));
    }
    return rows;
}

} // namespace vrl
