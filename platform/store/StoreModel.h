#pragma once
// The shape of a record store: entities with typed attributes and to-one
// relationships, read from a JSON model file ("<name>.momd" among the
// application's resources). A store keeps one table per entity and one column
// per attribute or relationship.

#include "platform/foundation/Value.h"

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace plat {

enum class AttributeType {
    Integer,       // INTEGER; "integer16", "integer32", "integer64"
    Double,        // REAL; "double", "float"
    Boolean,       // INTEGER 0 or 1
    String,        // TEXT
    Date,          // REAL, seconds since 1970 (plat::Date)
    Binary,        // BLOB
    Transformable, // BLOB: the keyed archive of an object
};

struct AttributeDescription {
    QString name;
    AttributeType type = AttributeType::String;
    // A record whose non-optional attribute is none does not save.
    bool optional = true;
    // The column gets an index, for lookups by that attribute.
    bool indexed = false;
};

// To-one only: the column holds the primary key of the destination record
// in the same store.
struct RelationshipDescription {
    QString name;
    QString destinationEntity;
};

class EntityDescription {
public:
    QString name;
    std::vector<AttributeDescription> attributes;
    std::vector<RelationshipDescription> relationships;

    const AttributeDescription* attribute(const QString& key) const;
    const RelationshipDescription* relationship(const QString& key) const;
    bool hasProperty(const QString& key) const { return attribute(key) || relationship(key); }
};

class ManagedObjectModel {
public:
    // The model in a JSON file; none with the reason in error when the file is
    // missing or malformed.
    static std::shared_ptr<const ManagedObjectModel> load(const QString& path, QString* error = nullptr);
    static std::shared_ptr<const ManagedObjectModel> fromJson(const QByteArray& json, QString* error = nullptr);

    const QString& name() const { return m_name; }
    const std::vector<EntityDescription>& entities() const { return m_entities; }
    const EntityDescription* entity(const QString& name) const;

private:
    QString m_name;
    std::vector<EntityDescription> m_entities;
};

using ManagedObjectModelPtr = std::shared_ptr<const ManagedObjectModel>;

} // namespace plat
