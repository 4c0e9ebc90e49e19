#include "platform/foundation/Json.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QVariant>

namespace plat {

namespace {

void noteProblem(QString* error, const char* kind)
{
    if (error && error->isEmpty())
        *error = QStringLiteral("A %1 has no JSON form").arg(QLatin1String(kind));
}

} // namespace

QJsonValue toJsonValue(const Value& value, QString* error)
{
    if (value.isBool())
        return value.toBool();
    if (value.isInteger())
        return value.toInteger();
    if (value.isDouble())
        return value.toDouble();
    if (value.isString())
        return value.toString();
    if (value.isList()) {
        QJsonArray array;
        for (const Value& v : value.toList())
            array.append(toJsonValue(v, error));
        return array;
    }
    if (value.isMap()) {
        QJsonObject object;
        for (const auto& [key, v] : value.toMap())
            object.insert(key, toJsonValue(v, error));
        return object;
    }
    if (value.isData())
        noteProblem(error, "data value");
    else if (value.isRange())
        noteProblem(error, "range");
    else if (value.isObject())
        noteProblem(error, "object");
    return QJsonValue::Null;
}

Value fromJsonValue(const QJsonValue& json)
{
    switch (json.type()) {
    case QJsonValue::Bool:
        return json.toBool();
    case QJsonValue::Double:
        if (json.toVariant().typeId() == QMetaType::LongLong)
            return json.toInteger();
        return json.toDouble();
    case QJsonValue::String:
        return json.toString();
    case QJsonValue::Array: {
        ValueList list;
        for (const QJsonValue& v : json.toArray())
            list.push_back(fromJsonValue(v));
        return list;
    }
    case QJsonValue::Object: {
        ValueMap map;
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map[it.key()] = fromJsonValue(it.value());
        return map;
    }
    default:
        return {};
    }
}

QByteArray jsonData(const Value& value, QString* error, QJsonDocument::JsonFormat format)
{
    QString problem;
    const QJsonValue json = toJsonValue(value, &problem);
    if (problem.isEmpty() && !json.isArray() && !json.isObject())
        problem = QStringLiteral("Only a list or a map can be written as a JSON text");
    if (error)
        *error = problem;
    if (!problem.isEmpty())
        return {};
    return json.isArray() ? QJsonDocument(json.toArray()).toJson(format)
                          : QJsonDocument(json.toObject()).toJson(format);
}

std::optional<Value> parseJson(const QByteArray& data, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError || document.isNull()) {
        if (error)
            *error = QStringLiteral("Invalid JSON at offset %1: %2").arg(parseError.offset).arg(parseError.errorString());
        return std::nullopt;
    }
    if (error)
        error->clear();
    return document.isArray() ? fromJsonValue(document.array()) : fromJsonValue(document.object());
}

} // namespace plat
