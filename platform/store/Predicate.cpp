#include "platform/store/Predicate.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/store/Date.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/StoreModel.h"

namespace plat {

namespace {

enum class Op { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

class Comparison final : public Predicate {
public:
    Comparison(QString key, Op op, Value value) : m_key(std::move(key)), m_op(op), m_value(comparable(value)) {}

    bool evaluate(const KeyReader& valueForKey) const override
    {
        const Value left = comparable(valueForKey(m_key));
        if (m_op == Op::Equal)
            return compare(left, m_value) == 0;
        if (m_op == Op::NotEqual)
            return compare(left, m_value) != 0;
        // As in SQL, an order comparison with none is never true.
        if (left.isNull() || m_value.isNull())
            return false;
        const int c = compare(left, m_value);
        switch (m_op) {
        case Op::Less: return c < 0;
        case Op::LessEqual: return c <= 0;
        case Op::Greater: return c > 0;
        default: return c >= 0;
        }
    }

    bool toSql(const EntityDescription& entity, QString& sql, std::vector<Value>& bindings,
               QString* error) const override
    {
        if (!entity.hasProperty(m_key)) {
            if (error)
                *error = QStringLiteral("%1 has no key \"%2\"").arg(entity.name, m_key);
            return false;
        }
        const QString column = QLatin1Char('"') + m_key + QLatin1Char('"');
        if (m_value.isNull()) {
            if (m_op == Op::Equal)
                sql += column + QLatin1String(" IS NULL");
            else if (m_op == Op::NotEqual)
                sql += column + QLatin1String(" IS NOT NULL");
            else
                sql += QLatin1String("0");
            return true;
        }
        static const char* const ops[] = {" = ?", " IS NOT ?", " < ?", " <= ?", " > ?", " >= ?"};
        sql += column + QLatin1String(ops[int(m_op)]);
        bindings.push_back(m_value);
        return true;
    }

private:
    QString m_key;
    Op m_op;
    Value m_value;
};

class Compound final : public Predicate {
public:
    enum Kind { And, Or, Not };
    Compound(Kind kind, std::vector<PredicatePtr> parts) : m_kind(kind), m_parts(std::move(parts)) {}

    bool evaluate(const KeyReader& valueForKey) const override
    {
        if (m_kind == Not)
            return !m_parts.front()->evaluate(valueForKey);
        for (const auto& part : m_parts) {
            if (part->evaluate(valueForKey) == (m_kind == Or))
                return m_kind == Or;
        }
        return m_kind == And;
    }

    bool toSql(const EntityDescription& entity, QString& sql, std::vector<Value>& bindings,
               QString* error) const override
    {
        sql += m_kind == Not ? QLatin1String("NOT (") : QLatin1String("(");
        for (std::size_t i = 0; i < m_parts.size(); ++i) {
            if (i > 0)
                sql += m_kind == And ? QLatin1String(") AND (") : QLatin1String(") OR (");
            if (!m_parts[i]->toSql(entity, sql, bindings, error))
                return false;
        }
        sql += QLatin1Char(')');
        return true;
    }

private:
    Kind m_kind;
    std::vector<PredicatePtr> m_parts;
};

class Parser {
public:
    Parser(const QString& text, const ValueList& arguments) : m_text(text), m_arguments(arguments) {}

    PredicatePtr parse(QString* error)
    {
        PredicatePtr result = parseOr();
        skipSpace();
        if (!m_error.isEmpty() || !result) {
        } else if (m_pos < m_text.size()) {
            m_error = QStringLiteral("Unexpected text at %1").arg(m_pos);
        } else if (m_nextArgument != m_arguments.size()) {
            m_error = QStringLiteral("%1 arguments given, %2 used").arg(m_arguments.size()).arg(m_nextArgument);
        }
        if (!m_error.isEmpty()) {
            if (error)
                *error = QStringLiteral("Bad condition \"%1\": %2").arg(m_text, m_error);
            return nullptr;
        }
        return result;
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool takeSymbol(const char* symbol)
    {
        skipSpace();
        const QLatin1String s(symbol);
        if (!QStringView(m_text).mid(m_pos).startsWith(s))
            return false;
        m_pos += s.size();
        return true;
    }

    bool takeWord(const char* word)
    {
        skipSpace();
        const QLatin1String w(word);
        if (!QStringView(m_text).mid(m_pos).startsWith(w, Qt::CaseInsensitive))
            return false;
        const qsizetype end = m_pos + w.size();
        if (end < m_text.size() && (m_text[end].isLetterOrNumber() || m_text[end] == QLatin1Char('_')))
            return false;
        m_pos = end;
        return true;
    }

    PredicatePtr parseOr()
    {
        std::vector<PredicatePtr> parts{parseAnd()};
        while (parts.back() && (takeSymbol("||") || takeWord("or")))
            parts.push_back(parseAnd());
        if (!parts.back())
            return nullptr;
        return parts.size() == 1 ? parts.front() : std::make_shared<Compound>(Compound::Or, std::move(parts));
    }

    PredicatePtr parseAnd()
    {
        std::vector<PredicatePtr> parts{parseUnary()};
        while (parts.back() && (takeSymbol("&&") || takeWord("and")))
            parts.push_back(parseUnary());
        if (!parts.back())
            return nullptr;
        return parts.size() == 1 ? parts.front() : std::make_shared<Compound>(Compound::And, std::move(parts));
    }

    PredicatePtr parseUnary()
    {
        if (takeWord("not") || (!QStringView(m_text).mid(m_pos).startsWith(QLatin1String("!=")) && takeSymbol("!"))) {
            PredicatePtr inner = parseUnary();
            if (!inner)
                return nullptr;
            return std::make_shared<Compound>(Compound::Not, std::vector<PredicatePtr>{inner});
        }
        if (takeSymbol("(")) {
            PredicatePtr inner = parseOr();
            if (inner && !takeSymbol(")")) {
                m_error = QStringLiteral("missing \")\"");
                return nullptr;
            }
            return inner;
        }
        return parseComparison();
    }

    PredicatePtr parseComparison()
    {
        skipSpace();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == QLatin1Char('_')))
            ++m_pos;
        const QString key = m_text.mid(start, m_pos - start);
        if (key.isEmpty() || !key[0].isLetter()) {
            m_error = QStringLiteral("a key expected at %1").arg(start);
            return nullptr;
        }
        Op op;
        if (takeSymbol("==") || takeSymbol("="))
            op = Op::Equal;
        else if (takeSymbol("!=") || takeSymbol("<>"))
            op = Op::NotEqual;
        else if (takeSymbol("<="))
            op = Op::LessEqual;
        else if (takeSymbol(">="))
            op = Op::GreaterEqual;
        else if (takeSymbol("<"))
            op = Op::Less;
        else if (takeSymbol(">"))
            op = Op::Greater;
        else {
            m_error = QStringLiteral("an operator expected after \"%1\"").arg(key);
            return nullptr;
        }
        const std::optional<Value> value = parseValue();
        if (!value)
            return nullptr;
        return std::make_shared<Comparison>(key, op, *value);
    }

    std::optional<Value> parseValue()
    {
        skipSpace();
        if (m_pos >= m_text.size()) {
            m_error = QStringLiteral("a value expected at the end");
            return std::nullopt;
        }
        if (m_text[m_pos] == QLatin1Char('%')) {
            static const char* const specifiers[] = {"%@", "%lld", "%ld", "%d", "%i", "%lu", "%u", "%f"};
            for (const char* spec : specifiers) {
                if (takeSymbol(spec)) {
                    if (m_nextArgument >= m_arguments.size()) {
                        m_error = QStringLiteral("too few arguments");
                        return std::nullopt;
                    }
                    const Value& argument = m_arguments[m_nextArgument++];
                    if (spec[1] != '@' && !argument.isNumber()) {
                        m_error = QStringLiteral("%1 takes a number").arg(QLatin1String(spec));
                        return std::nullopt;
                    }
                    return argument;
                }
            }
            m_error = QStringLiteral("unknown format at %1").arg(m_pos);
            return std::nullopt;
        }
        const QChar c = m_text[m_pos];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = m_text.indexOf(c, m_pos + 1);
            if (end < 0) {
                m_error = QStringLiteral("unterminated string");
                return std::nullopt;
            }
            const QString s = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return Value(s);
        }
        if (takeWord("nil") || takeWord("null"))
            return Value();
        if (takeWord("yes") || takeWord("true"))
            return Value(true);
        if (takeWord("no") || takeWord("false"))
            return Value(false);
        const qsizetype start = m_pos;
        if (c == QLatin1Char('-') || c == QLatin1Char('+'))
            ++m_pos;
        while (m_pos < m_text.size() && (m_text[m_pos].isDigit() || m_text[m_pos] == QLatin1Char('.')))
            ++m_pos;
        const QString number = m_text.mid(start, m_pos - start);
        bool ok = false;
        if (!number.contains(QLatin1Char('.'))) {
            const qint64 i = number.toLongLong(&ok);
            if (ok)
                return Value(i);
        }
        const double d = number.toDouble(&ok);
        if (ok)
            return Value(d);
        m_error = QStringLiteral("a value expected at %1").arg(start);
        return std::nullopt;
    }

    const QString& m_text;
    const ValueList& m_arguments;
    qsizetype m_pos = 0;
    std::size_t m_nextArgument = 0;
    QString m_error;
};

int rank(const Value& v)
{
    if (v.isNull())
        return 0;
    if (v.isNumber())
        return 1;
    if (v.isString())
        return 2;
    return 3;
}

} // namespace

PredicatePtr Predicate::withFormat(const QString& format, const ValueList& arguments, QString* error)
{
    return Parser(format, arguments).parse(error);
}

Value Predicate::comparable(const Value& value)
{
    if (value.isBool())
        return Value(qint64(value.toBool() ? 1 : 0));
    if (!value.isObject())
        return value;
    const ObjectPtr object = value.toObject();
    if (const auto date = objectCast<Date>(object))
        return Value(date->secondsSince1970());
    if (const auto id = objectCast<ManagedObjectID>(object))
        return Value(id->primaryKey());
    if (const auto record = objectCast<ManagedObject>(object))
        return Value(record->objectID()->primaryKey());
    return Value(KeyedArchiver::archivedData(object));
}

int Predicate::compare(const Value& a, const Value& b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    switch (ra) {
    case 0: return 0;
    case 1:
        if (a.isInteger() && b.isInteger())
            return a.toInteger() < b.toInteger() ? -1 : (a.toInteger() > b.toInteger() ? 1 : 0);
        return a.toDouble() < b.toDouble() ? -1 : (a.toDouble() > b.toDouble() ? 1 : 0);
    case 2: return a.toString().compare(b.toString()) < 0 ? -1 : (a.toString() == b.toString() ? 0 : 1);
    default: {
        const int c = a.toData().compare(b.toData());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    }
}

} // namespace plat
