#include "access/RowFilter.h"

#include "access/DataError.h"
#include "access/FilterNode.h"
#include "regional/Regional.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vrl {

namespace {

using Op = FilterOp;
using Literal = FilterLiteral;
using Node = FilterNode;

// Alternating AND and OR groups deeper than this are refused: nobody writes them, and the
// evaluation and the SQL form of a filter walk the tree recursively.
constexpr int kMaxDepth = 200;

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

    std::unique_ptr<Node> parse();

private:
    // One level of parentheses being read: the finished OR terms and the AND run in progress.
    struct Group
    {
        std::vector<std::unique_ptr<Node>> ors;
        std::vector<std::unique_ptr<Node>> ands;
    };

    std::unique_ptr<Node> parseComparison();
    QString parseFieldName();
    Op parseOperator();
    Literal parseLiteral();
    bool keyword(const char *word);
    bool symbol(char c);
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

// Joins terms under one AND or OR node; a term that is itself such a node gives up its
// children, so chains stay flat however they were grouped.
std::unique_ptr<Node> joined(Node::Kind kind, std::vector<std::unique_ptr<Node>> terms)
{
    if (terms.size() == 1)
        return std::move(terms.front());
    auto node = std::make_unique<Node>();
    node->kind = kind;
    int depth = 0;
    for (auto &term : terms) {
        if (term->kind == kind) {
            for (auto &child : term->children) {
                depth = std::max(depth, child->depth);
                node->children.push_back(std::move(child));
            }
        } else {
            depth = std::max(depth, term->depth);
            node->children.push_back(std::move(term));
        }
    }
    node->depth = depth + 1;
    if (node->depth > kMaxDepth)
        bad(QStringLiteral("filtr je příliš hluboko vnořený"));
    return node;
}

void Parser::skipBlanks()
{
    while (m_pos < m_text.size() && m_text[m_pos].isSpace())
        ++m_pos;
}

bool Parser::symbol(char c)
{
    skipBlanks();
    if (m_pos >= m_text.size() || m_text[m_pos] != QLatin1Char(c))
        return false;
    ++m_pos;
    return true;
}

bool Parser::keyword(const char *word)
{
    skipBlanks();
    const QLatin1String w(word);
    if (QStringView(m_text).mid(m_pos, w.size()).compare(w, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype after = m_pos + w.size();
    if (after < m_text.size()
        && (m_text[after].isLetterOrNumber() || m_text[after] == QLatin1Char('_')))
        return false;
    m_pos = after;
    return true;
}

// Reads without recursion: each open parenthesis pushes a group, each closing one pops it, so
// a pasted text of any nesting costs heap, not stack.
std::unique_ptr<Node> Parser::parse()
{
    if (atEnd())
        bad(QStringLiteral("prázdný text"));
    std::vector<Group> groups(1);
    for (;;) {
        while (symbol('('))
            groups.emplace_back();
        groups.back().ands.push_back(parseComparison());
        for (;;) {
            skipBlanks();
            if (groups.size() > 1 && symbol(')')) {
                Group &inner = groups.back();
                inner.ors.push_back(joined(Node::Kind::And, std::move(inner.ands)));
                auto term = joined(Node::Kind::Or, std::move(inner.ors));
                groups.pop_back();
                groups.back().ands.push_back(std::move(term));
                continue;
            }
            break;
        }
        if (keyword("AND"))
            continue;
        if (keyword("OR")) {
            Group &group = groups.back();
            group.ors.push_back(joined(Node::Kind::And, std::move(group.ands)));
            group.ands.clear();
            continue;
        }
        if (!atEnd() && groups.size() == 1)
            bad(QStringLiteral("nečekaný text \"%1\"").arg(m_text.mid(m_pos)));
        if (groups.size() > 1)
            bad(QStringLiteral("chybí pravá závorka"));
        break;
    }
    Group &root = groups.back();
    root.ors.push_back(joined(Node::Kind::And, std::move(root.ands)));
    return joined(Node::Kind::Or, std::move(root.ors));
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
    // A number: optional sign and currency sign, digits with a decimal point, exponent. Read
    // by hand: a regular expression would check the whole rest of the text at every literal.
    const qsizetype start = m_pos;
    qsizetype i = m_pos;
    const qsizetype n = m_text.size();
    auto digitAt = [&](qsizetype at) {
        return at < n && m_text[at] >= QLatin1Char('0') && m_text[at] <= QLatin1Char('9');
    };
    QString digits;
    if (i < n && (m_text[i] == QLatin1Char('-') || m_text[i] == QLatin1Char('+')))
        digits += m_text[i++];
    if (i < n && (m_text[i] == QLatin1Char('$') || m_text[i] == QChar(0x20AC)))
        ++i;
    while (i < n && m_text[i].isSpace())
        ++i;
    const qsizetype mantissa = i;
    while (digitAt(i))
        digits += m_text[i++];
    if (i < n && m_text[i] == QLatin1Char('.') && (i > mantissa || digitAt(i + 1))) {
        digits += m_text[i++];
        while (digitAt(i))
            digits += m_text[i++];
    }
    if (i == mantissa)
        bad(QStringLiteral("neplatná hodnota u \"%1\"").arg(m_text.mid(start)));
    if (i < n && (m_text[i] == QLatin1Char('e') || m_text[i] == QLatin1Char('E'))) {
        qsizetype exponent = i + 1;
        if (exponent < n
            && (m_text[exponent] == QLatin1Char('-') || m_text[exponent] == QLatin1Char('+')))
            ++exponent;
        if (digitAt(exponent)) {
            digits += m_text.mid(i, exponent - i);
            i = exponent;
            while (digitAt(i))
                digits += m_text[i++];
        }
    }
    m_pos = i;
    literal.kind = LiteralKind::Number;
    literal.number = QLocale::c().toDouble(digits);
    literal.text = digits;
    return literal;
}

std::unique_ptr<Node> Parser::parseComparison()
{
    const QString name = parseFieldName();
    auto node = std::make_unique<Node>();
    node->field = m_rows.fieldIndex(name);
    if (node->field < 0)
        bad(QStringLiteral("neznámá položka \"%1\"").arg(name));
    node->op = parseOperator();
    node->literal = parseLiteral();
    node->prepare(m_rows, m_forms);
    return node;
}

} // namespace

void FilterNode::prepare(const RowStore &rows, const Regional &forms)
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
        if (date && !date->isValid())
            date.reset(); // a serial beyond the dates that can be shown
        if (!date)
            bad(QStringLiteral("\"%1\" není datum pro položku %2").arg(literal.text, name));
        this->date = *date;
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
        // A number beyond the 64-bit range compares as a double only.
        integer = integral ? qint64(number) : 0;
        return;
    }
    }
}

bool FilterNode::matches(const RowStore &rows, size_t row) const
{
    switch (kind) {
    case Kind::And:
        return std::all_of(children.cbegin(), children.cend(),
                           [&](const auto &child) { return child->matches(rows, row); });
    case Kind::Or:
        return std::any_of(children.cbegin(), children.cend(),
                           [&](const auto &child) { return child->matches(rows, row); });
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
