#pragma once
// JSON through QJsonDocument. JSON holds null, booleans, numbers, strings, lists and
// maps; data, ranges and objects have no JSON form.

#include "platform/foundation/Value.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace plat {

// Parts without a JSON form become null and are named in error.
QJsonValue toJsonValue(const Value& value, QString* error = nullptr);
// Integers stay integers; numbers with a fraction or exponent become doubles.
Value fromJsonValue(const QJsonValue& json);

// The JSON text of a list or map; empty (with the reason in error) when the value is
// neither or holds something without a JSON form.
QByteArray jsonData(const Value& value, QString* error = nullptr,
                    QJsonDocument::JsonFormat format = QJsonDocument::Indented);
// The value of a JSON text whose top level is an object or array; none with the
// parser's message and offset in error otherwise.
std::optional<Value> parseJson(const QByteArray& data, QString* error = nullptr);

} // namespace plat
