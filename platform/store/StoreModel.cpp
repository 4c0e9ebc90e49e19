#include "platform/store/StoreModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace plat {

namespace {

std::optional<AttributeType> typeNamed(const QString& name)
{
    static const std::map<QString, AttributeType> types = {
        {QStringLiteral("integer16"), AttributeType::Integer},
        {QStringLiteral("integer32"), AttributeType::Integer},
        {QStringLiteral("integer64"), AttributeType::Integer},
        {QStringLiteral("double"), AttributeType::Double},
        {QStringLiteral("float"), AttributeType::Double},
        {QStringLiteral("boolean"), AttributeType::Boolean},
        {QStringLiteral("string"), AttributeType::String},
        {QStringLiteral("date"), AttributeType::Date},
        {QStringLiteral("binary"), AttributeType::Binary},
        {QStringLiteral("transformable"), AttributeType::Transformable},
    };
    const auto it = types.find(name);
    if (it == types.end())
        return std::nullopt;
    return it->second;
}

// Names become SQL identifiers unquoted in messages and quoted in statements;
// keep them plain so that no model can smuggle SQL in.
bool isPlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch() && !name.startsWith(QLatin1String("Z_"), Qt::CaseInsensitive);
}

} // namespace

const AttributeDescription* EntityDescription::attribute(const QString& key) const
{
    for (const auto& a : attributes) {
        if (a.name == key)
            return &a;
    }
    return nullptr;
}

const RelationshipDescription* EntityDescription::relationship(const QString& key) const
{
    for (const auto& r : relationships) {
        if (r.name == key)
            return &r;
    }
    return nullptr;
}

const EntityDescription* ManagedObjectModel::entity(const QString& name) const
{
    for (const auto& e : m_entities) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

std::shared_ptr<const ManagedObjectModel> ManagedObjectModel::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read the model %1: %2").arg(path, file.errorString());
        return nullptr;
    }
    return fromJson(file.readAll(), error);
}

std::shared_ptr<const ManagedObjectModel> ManagedObjectModel::fromJson(const QByteArray& json, QString* error)
{
    const auto fail = [&](const QString& message) -> std::shared_ptr<const ManagedObjectModel> {
        if (error)
            *error = message;
        return nullptr;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject())
        return fail(QStringLiteral("The model is not a JSON object: %1").arg(parseError.errorString()));
    auto model = std::make_shared<ManagedObjectModel>();
    model->m_name = doc.object().value(QLatin1String("name")).toString();
    for (const QJsonValue& e : doc.object().value(QLatin1String("entities")).toArray()) {
        EntityDescription entity;
        entity.name = e.toObject().value(QLatin1String("name")).toString();
        if (!isPlainName(entity.name) || model->entity(entity.name))
            return fail(QStringLiteral("Bad or repeated entity name \"%1\"").arg(entity.name));
        for (const QJsonValue& a : e.toObject().value(QLatin1String("attributes")).toArray()) {
            const QJsonObject o = a.toObject();
            AttributeDescription attribute;
            attribute.name = o.value(QLatin1String("name")).toString();
            const auto type = typeNamed(o.value(QLatin1String("type")).toString());
            if (!isPlainName(attribute.name) || entity.hasProperty(attribute.name) || !type)
                return fail(QStringLiteral("Bad attribute \"%1\" in %2").arg(attribute.name, entity.name));
            attribute.type = *type;
            attribute.optional = o.value(QLatin1String("optional")).toBool(true);
            attribute.indexed = o.value(QLatin1String("indexed")).toBool(false);
            entity.attributes.push_back(attribute);
        }
        for (const QJsonValue& r : e.toObject().value(QLatin1String("relationships")).toArray()) {
            const QJsonObject o = r.toObject();
            RelationshipDescription relationship{o.value(QLatin1String("name")).toString(),
                                                 o.value(QLatin1String("destination")).toString()};
            if (!isPlainName(relationship.name) || entity.hasProperty(relationship.name))
                return fail(QStringLiteral("Bad relationship \"%1\" in %2").arg(relationship.name, entity.name));
            entity.relationships.push_back(relationship);
        }
        model->m_entities.push_back(std::move(entity));
    }
    for (const auto& entity : model->m_entities) {
        for (const auto& r : entity.relationships) {
            if (!model->entity(r.destinationEntity))
                return fail(QStringLiteral("Relationship %1.%2 names no entity").arg(entity.name, r.name));
        }
    }
    if (model->m_name.isEmpty() || model->m_entities.empty())
        return fail(QStringLiteral("The model has no name or no entities"));
    return model;
}

} // namespace plat
