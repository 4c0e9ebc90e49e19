#pragma once
// Conditions on records in the platform's format language, reduced to what
// the library asks: comparisons of a key with an argument or a literal
// ("uuid==%@", "type==%ld", "action < %ld"), joined with and/&&, or/||, not/!
// and parentheses. Arguments are values; "%@" takes any, "%ld"/"%d" a number.
// The same condition runs as SQL in a store and in memory over unsaved
// records, with one ordering rule: none < numbers < text < bytes, numbers by
// value, text by UTF-16 code units.

#include "platform/foundation/Value.h"

#include <functional>
#include <memory>

namespace plat {

class EntityDescription;

class Predicate {
public:
    // None, with the reason in error, for malformed text, a missing argument
    // or an argument left over.
    static std::shared_ptr<const Predicate> withFormat(const QString& format, const ValueList& arguments = {},
                                                       QString* error = nullptr);

    virtual ~Predicate() = default;

    using KeyReader = std::function<Value(const QString& key)>;
    virtual bool evaluate(const KeyReader& valueForKey) const = 0;
    // A WHERE clause over the entity's columns; its parameters are appended to
    // bindings in order. False (with the reason) for a key the entity lacks.
    virtual bool toSql(const EntityDescription& entity, QString& sql, std::vector<Value>& bindings,
                       QString* error) const = 0;

    // A record value as the comparison sees it: dates as seconds, booleans as
    // integers, records and record IDs as their primary key.
    static Value comparable(const Value& value);
    // <0, 0, >0 under the ordering rule above; comparable() values expected.
    static int compare(const Value& a, const Value& b);
};

using PredicatePtr = std::shared_ptr<const Predicate>;

} // namespace plat
