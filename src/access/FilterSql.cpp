#include "access/FilterSql.h"

#include "access/DataError.h"
#include "access/FilterNode.h"
#include "access/Provider.h"
#include "access/RowFilter.h"

namespace vrl {

namespace {

// The escape character of the LIKE patterns written here; chosen because no dialect gives it
// a meaning of its own in a string (MySQL's backslash would need escaping twice).
constexpr char16_t kEscape = u'!';

const char *operatorText(FilterOp op)
{
    switch (op) {
    case FilterOp::Eq:
        return " = ";
    case FilterOp::Ne:
        return " <> ";
    case FilterOp::Lt:
        return " < ";
    case FilterOp::Gt:
        return " > ";
    case FilterOp::Le:
        return " <= ";
    case FilterOp::Ge:
        return " >= ";
    case FilterOp::Like:
        return " LIKE ";
    }
    return " = ";
}

class Renderer
{
public:
    Renderer(const RowStore &rows, const Provider &provider)
        : m_rows(rows)
        , m_provider(provider)
        , m_dialect(provider.sqlDialect())
    { }

    // Recursion follows the tree, whose depth the parser bounds; chains are flat.
    void render(const FilterNode &node)
    {
        if (node.kind == FilterNode::Kind::Compare) {
            comparison(node);
            return;
        }
        const QLatin1String joint(node.kind == FilterNode::Kind::And ? " AND " : " OR ");
        m_out.text += QLatin1Char('(');
        for (size_t i = 0; i < node.children.size(); ++i) {
            if (i > 0)
                m_out.text += joint;
            render(*node.children[i]);
        }
        m_out.text += QLatin1Char(')');
    }

    SqlCondition take() { return std::move(m_out); }

private:
    void comparison(const FilterNode &node)
    {
        const FieldInfo &info = m_rows.fields()[size_t(node.field)];
        const QString column = m_provider.quoteIdentifier(info.name);
        if (node.nullTest) {
            m_out.text += column
                + (node.op == FilterOp::Eq ? QLatin1String(" IS NULL")
                                           : QLatin1String(" IS NOT NULL"));
            return;
        }
        if (node.op == FilterOp::Like) {
            if (info.type != FieldType::Text)
                unrenderable(info.name);
            m_out.text += folded(column) + QLatin1String(" LIKE ") + folded(QStringLiteral("?"))
                + QStringLiteral(" ESCAPE '!'");
            m_out.parameters.push_back(Value::text(likePattern(node.literal.text)));
            return;
        }
        switch (info.type) {
        case FieldType::Text:
            m_out.text += folded(column) + QLatin1String(operatorText(node.op))
                + folded(QStringLiteral("?"));
            m_out.parameters.push_back(Value::text(node.text));
            return;
        case FieldType::Binary:
            unrenderable(info.name);
        case FieldType::DateTime:
            m_out.parameters.push_back(Value::dateTime(node.date));
            break;
        case FieldType::Bool:
            m_out.parameters.push_back(Value::integer(node.integer));
            break;
        default:
            // The client compares numbers in double precision unless both are whole.
            m_out.parameters.push_back(node.integral ? Value::integer(node.integer)
                                                     : Value::real(node.number));
            break;
        }
        m_out.text += column + QLatin1String(operatorText(node.op)) + QLatin1Char('?');
    }

    // Text in a form that compares as the client filter compares it: case folded, and on
    // MySQL as bytes, since its usual collations also ignore accents and trailing blanks.
    QString folded(const QString &operand) const
    {
        if (m_dialect == SqlDialect::MySql)
            return QStringLiteral("CAST(LOWER(CONVERT(%1 USING utf8mb4)) AS BINARY)").arg(operand);
        return QStringLiteral("LOWER(%1)").arg(operand);
    }

    // The filter's wildcards * and % become %, everything else is taken literally.
    QString likePattern(const QString &pattern) const
    {
        QString sql;
        sql.reserve(pattern.size() + 8);
        for (const QChar c : pattern) {
            if (c == QLatin1Char('*') || c == QLatin1Char('%')) {
                sql += QLatin1Char('%');
                continue;
            }
            if (c == QLatin1Char('_') || c == kEscape
                || (m_dialect == SqlDialect::SqlServer && c == QLatin1Char('[')))
                sql += QChar(kEscape);
            sql += c;
        }
        return sql;
    }

    [[noreturn]] static void unrenderable(const QString &field)
    {
        throw DataError(
            QStringLiteral("Filtr položky %1 nelze převést na podmínku SQL.").arg(field));
    }

    const RowStore &m_rows;
    const Provider &m_provider;
    SqlDialect m_dialect;
    SqlCondition m_out;
};

} // namespace

SqlCondition filterSql(const RowFilter &filter, const Provider &provider)
{
    Renderer renderer(filter.rows(), provider);
    renderer.render(filter.root());
    return renderer.take();
}

} // namespace vrl
