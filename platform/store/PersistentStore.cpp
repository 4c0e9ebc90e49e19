#include "platform/store/PersistentStore.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/store/Date.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <set>
#include <sqlite3.h>
#include <unordered_map>

namespace plat {

namespace {

constexpr int busyTimeoutMs = 5000;

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

const char* columnType(AttributeType type)
{
    switch (type) {
    case AttributeType::Integer:
    case AttributeType::Boolean: return "INTEGER";
    case AttributeType::Double:
    case AttributeType::Date: return "REAL";
    case AttributeType::String: return "TEXT";
    default: return "BLOB";
    }
}

// The columns of an entity in a fixed order: attributes, then relationships.
QStringList columnNames(const EntityDescription& entity)
{
    QStringList names;
    for (const auto& a : entity.attributes)
        names << a.name;
    for (const auto& r : entity.relationships)
        names << r.name;
    return names;
}

bool bindPlain(sqlite3_stmt* stmt, int index, const Value& value)
{
    if (value.isNull())
        return sqlite3_bind_null(stmt, index) == SQLITE_OK;
    if (value.isBool() || value.isInteger())
        return sqlite3_bind_int64(stmt, index, value.toInteger()) == SQLITE_OK;
    if (value.isDouble())
        return sqlite3_bind_double(stmt, index, value.toDouble()) == SQLITE_OK;
    if (value.isString()) {
        const QString s = value.toString();
        return sqlite3_bind_text16(stmt, index, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    const QByteArray data = value.toData();
    return sqlite3_bind_blob(stmt, index, data.constData(), int(data.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

// The column form of an attribute value; false (with the reason) when the
// value cannot be stored.
bool columnValue(const AttributeDescription& attribute, const Value& value, Value& out, QString* error)
{
    if (value.isNull()) {
        out = Value();
        return true;
    }
    switch (attribute.type) {
    case AttributeType::Integer:
    case AttributeType::Boolean: out = Value(value.toInteger()); return true;
    case AttributeType::Double: out = Value(value.toDouble()); return true;
    case AttributeType::String: out = Value(value.toString()); return true;
    case AttributeType::Date:
        if (const auto date = value.toObject<Date>())
            out = Value(date->secondsSince1970());
        else
            out = Value(value.toDouble());
        return true;
    case AttributeType::Binary: out = Value(value.toData()); return true;
    case AttributeType::Transformable: {
        QString reason;
        const QByteArray data =
            value.isObject() ? KeyedArchiver::archivedData(value.toObject(), &reason) : KeyedArchiver::archivedData(value, &reason);
        if (data.isEmpty()) {
            if (error)
                *error = QStringLiteral("%1 cannot be archived: %2").arg(attribute.name, reason);
            return false;
        }
        out = Value(data);
        return true;
    }
    }
    return false;
}

Value readColumn(sqlite3_stmt* stmt, int index, const AttributeDescription* attribute)
{
    const int type = sqlite3_column_type(stmt, index);
    if (type == SQLITE_NULL)
        return Value();
    if (!attribute) // a relationship: the destination's primary key
        return Value(qint64(sqlite3_column_int64(stmt, index)));
    switch (attribute->type) {
    case AttributeType::Integer: return Value(qint64(sqlite3_column_int64(stmt, index)));
    case AttributeType::Boolean: return Value(sqlite3_column_int64(stmt, index) != 0);
    case AttributeType::Double: return Value(sqlite3_column_double(stmt, index));
    case AttributeType::Date: return Value(Date::fromSeconds(sqlite3_column_double(stmt, index)));
    case AttributeType::String: {
        const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, index));
        return Value(QString::fromUtf16(text, sqlite3_column_bytes16(stmt, index) / 2));
    }
    case AttributeType::Binary:
    case AttributeType::Transformable: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, index));
        const QByteArray data(bytes, sqlite3_column_bytes(stmt, index));
        if (attribute->type == AttributeType::Binary)
            return Value(data);
        QString reason;
        if (const ObjectPtr object = KeyedUnarchiver::unarchiveObject(data, &reason))
            return Value(object);
        qWarning("A stored %s cannot be read: %s", qPrintable(attribute->name), qPrintable(reason));
        return Value();
    }
    }
    return Value();
}

// A file that holds something and does not begin as SQLite does.
bool isForeignFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.size() == 0)
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return false; // sqlite3 reports it
    return file.read(16) != QByteArray("SQLite format 3\0", 16);
}

} // namespace

struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit()
    {
        if (stmt) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    }
};

std::shared_ptr<PersistentStore> PersistentStore::open(const QString& path, ManagedObjectModelPtr model,
                                                       const Options& options, StoreError* error)
{
    const auto fail = [&](StoreError::Code code, const QString& message) -> std::shared_ptr<PersistentStore> {
        if (error)
            *error = StoreError{code, message};
        return nullptr;
    };
    if (!model)
        return fail(StoreError::CannotOpen, QStringLiteral("No model for %1").arg(path));
    if (isForeignFile(path))
        return fail(StoreError::NotAStore, QStringLiteral("%1 is not a record store; it was left untouched").arg(path));
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        return fail(StoreError::CannotOpen, QStringLiteral("Cannot open %1: %2").arg(path, message));
    }
    sqlite3_busy_timeout(db, busyTimeoutMs);
    auto store = std::make_shared<PersistentStore>(Passkey{}, path, std::move(model), db);
    if (!store->prepareSchema(options.migrateAutomatically, error))
        return nullptr;
    return store;
}

PersistentStore::PersistentStore(Passkey, QString path, ManagedObjectModelPtr model, sqlite3* db)
    : m_path(std::move(path)), m_model(std::move(model)), m_db(db)
{
}

PersistentStore::~PersistentStore()
{
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

QString PersistentStore::lastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool PersistentStore::exec(const QString& sql, StoreError* error, StoreError::Code code)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    if (error)
        *error = StoreError{code, QStringLiteral("%1: %2").arg(m_path, QString::fromUtf8(message))};
    sqlite3_free(message);
    return false;
}

sqlite3_stmt* PersistentStore::statement(const QString& sql, StoreError* error)
{
    const auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr)
        != SQLITE_OK) {
        if (error)
            *error = StoreError{StoreError::FetchFailed, QStringLiteral("%1: %2").arg(m_path, lastError())};
        return nullptr;
    }
    m_statements.emplace(sql, stmt);
    return stmt;
}

bool PersistentStore::prepareSchema(bool migrate, StoreError* error)
{
    const auto foreign = [&](const QString& why) {
        if (error)
            *error = StoreError{StoreError::NotAStore,
                                QStringLiteral("%1 is not a record store of \"%2\" (%3); it was left untouched")
                                    .arg(m_path, m_model->name(), why)};
        return false;
    };
    std::set<QString> tables;
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                               -1, &stmt, nullptr) != SQLITE_OK)
            return foreign(lastError());
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            tables.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            return foreign(lastError());
    }
    const bool fresh = tables.empty();
    if (!fresh) {
        if (!tables.count(QStringLiteral("Z_METADATA")))
            return foreign(QStringLiteral("it holds tables of its own"));
        std::map<QString, QString> metadata;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT Z_KEY, Z_VALUE FROM Z_METADATA", -1, &stmt, nullptr) != SQLITE_OK)
            return foreign(lastError());
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            metadata[QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)))] =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        }
        sqlite3_finalize(stmt);
        if (metadata[QStringLiteral("model")] != m_model->name())
            return foreign(QStringLiteral("it holds the model \"%1\"").arg(metadata[QStringLiteral("model")]));
        m_identifier = metadata[QStringLiteral("identifier")];
        if (m_identifier.isEmpty())
            return foreign(QStringLiteral("it has no identifier"));
    }

    // What the file lacks, found before anything is written.
    QStringList changes;
    for (const auto& entity : m_model->entities()) {
        const QStringList names = columnNames(entity);
        if (!tables.count(entity.name)) {
            QString create = QStringLiteral("CREATE TABLE %1 (Z_PK INTEGER PRIMARY KEY AUTOINCREMENT").arg(quoted(entity.name));
            for (const auto& a : entity.attributes)
                create += QStringLiteral(", %1 %2").arg(quoted(a.name), QLatin1String(columnType(a.type)));
            for (const auto& r : entity.relationships)
                create += QStringLiteral(", %1 INTEGER").arg(quoted(r.name));
            changes << create + QLatin1Char(')');
        } else {
            std::set<QString> existing;
            sqlite3_stmt* stmt = nullptr;
            const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(quoted(entity.name)).toUtf8();
            if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
                return foreign(lastError());
            while (sqlite3_step(stmt) == SQLITE_ROW)
                existing.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
            sqlite3_finalize(stmt);
            if (!existing.count(QStringLiteral("Z_PK")))
                return foreign(QStringLiteral("its table %1 has no record keys").arg(entity.name));
            for (const auto& a : entity.attributes) {
                if (!existing.count(a.name))
                    changes << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                   .arg(quoted(entity.name), quoted(a.name), QLatin1String(columnType(a.type)));
            }
            for (const auto& r : entity.relationships) {
                if (!existing.count(r.name))
                    changes << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER").arg(quoted(entity.name), quoted(r.name));
            }
        }
        for (const auto& a : entity.attributes) {
            if (a.indexed)
                changes << QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2(%3)")
                               .arg(quoted(entity.name + QLatin1Char('_') + a.name), quoted(entity.name), quoted(a.name));
        }
    }
    if (fresh) {
        m_identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        changes.prepend(QStringLiteral("INSERT INTO Z_METADATA VALUES ('model', '%1'), ('identifier', '%2')")
                            .arg(QString(m_model->name()).replace(QLatin1Char('\''), QLatin1String("''")), m_identifier));
        changes.prepend(QStringLiteral("CREATE TABLE Z_METADATA (Z_KEY TEXT PRIMARY KEY, Z_VALUE TEXT)"));
    } else if (!migrate) {
        for (const QString& change : changes) {
            if (!change.startsWith(QLatin1String("CREATE INDEX"))) {
                if (error)
                    *error = StoreError{StoreError::ModelMismatch,
                                        QStringLiteral("%1 was written by another version of \"%2\"").arg(m_path, m_model->name())};
                return false;
            }
        }
    }

    // Ours from here on: WAL lets the readers of other connections go on while a save writes.
    if (!exec(QStringLiteral("PRAGMA journal_mode=WAL"), error, StoreError::CannotOpen))
        return false;
    // A process that dies loses nothing committed with NORMAL in WAL mode; a
    // power cut may lose the last commits but never corrupts the file.
    if (!exec(QStringLiteral("PRAGMA synchronous=NORMAL"), error, StoreError::CannotOpen))
        return false;
    if (changes.isEmpty())
        return true;
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"), error, StoreError::CannotOpen))
        return false;
    for (const QString& change : changes) {
        if (!exec(change, error, StoreError::CannotOpen)) {
            exec(QStringLiteral("ROLLBACK"), nullptr, StoreError::CannotOpen);
            return false;
        }
    }
    return exec(QStringLiteral("COMMIT"), error, StoreError::CannotOpen);
}

const QString& PersistentStore::selectPrefix(const EntityDescription& entity)
{
    std::lock_guard lock(m_mutex);
    QString& prefix = m_selectPrefixes[entity.name];
    if (prefix.isEmpty()) {
        prefix = QStringLiteral("SELECT Z_PK");
        for (const QString& name : columnNames(entity))
            prefix += QStringLiteral(", ") + quoted(name);
        prefix += QStringLiteral(" FROM ") + quoted(entity.name);
    }
    return prefix;
}

const EntityDescription* PersistentStore::condition(const FetchRequest& request, QString& where,
                                                    std::vector<Value>& bindings, StoreError* error) const
{
    const EntityDescription* entity = m_model->entity(request.entityName);
    if (!entity) {
        if (error)
            *error = StoreError{StoreError::FetchFailed, QStringLiteral("No entity %1").arg(request.entityName)};
        return nullptr;
    }
    if (!request.predicate)
        return entity;
    QString reason;
    if (!request.predicate->toSql(*entity, where, bindings, &reason)) {
        if (error)
            *error = StoreError{StoreError::FetchFailed, reason};
        return nullptr;
    }
    where.prepend(QStringLiteral(" WHERE "));
    return entity;
}

std::optional<PersistentStore::PreparedFetch> PersistentStore::prepareFetch(const FetchRequest& request, StoreError* error)
{
    std::vector<Value> bindings;
    QString where;
    const EntityDescription* entity = condition(request, where, bindings, error);
    if (!entity)
        return std::nullopt;
    QString sql = selectPrefix(*entity) + where;
    if (!request.sortDescriptors.empty()) {
        QStringList order;
        for (const auto& sort : request.sortDescriptors) {
            if (!entity->hasProperty(sort.key)) {
                if (error)
                    *error = StoreError{StoreError::FetchFailed, QStringLiteral("%1 has no key \"%2\"").arg(entity->name, sort.key)};
                return std::nullopt;
            }
            order << quoted(sort.key) + (sort.ascending ? QLatin1String(" ASC") : QLatin1String(" DESC"));
        }
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    }
    if (request.fetchLimit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(request.fetchLimit);

    return PreparedFetch{m_model.get(), entity, std::move(sql), std::move(bindings)};
}

std::optional<std::vector<PersistentStore::Row>> PersistentStore::fetch(const FetchRequest& request, StoreError* error)
{
    const std::optional<PreparedFetch> prepared = prepareFetch(request, error);
    return prepared ? fetch(*prepared, error) : std::nullopt;
}

std::optional<std::vector<PersistentStore::Row>> PersistentStore::fetch(const PreparedFetch& prepared, StoreError* error)
{
    Q_ASSERT(prepared.model == m_model.get());
    const EntityDescription* entity = prepared.entity;
    const std::vector<Value>& bindings = prepared.bindings;
    std::lock_guard lock(m_mutex);
    sqlite3_stmt* stmt = statement(prepared.sql, error);
    if (!stmt)
        return std::nullopt;
    ResetOnExit reset{stmt};
    for (std::size_t i = 0; i < bindings.size(); ++i)
        bindPlain(stmt, int(i + 1), bindings[i]);
    std::vector<Row> rows;
    const int columns = int(entity->attributes.size() + entity->relationships.size());
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Row row;
        row.primaryKey = sqlite3_column_int64(stmt, 0);
        for (int c = 0; c < columns; ++c) {
            const bool isAttribute = c < int(entity->attributes.size());
            const QString& name = isAttribute ? entity->attributes[c].name
                                              : entity->relationships[c - entity->attributes.size()].name;
            Value v = readColumn(stmt, c + 1, isAttribute ? &entity->attributes[c] : nullptr);
            if (!v.isNull())
                row.values.emplace(name, std::move(v));
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = StoreError{StoreError::FetchFailed, QStringLiteral("%1: %2").arg(m_path, lastError())};
        return std::nullopt;
    }
    return rows;
}

std::optional<qint64> PersistentStore::count(const FetchRequest& request, StoreError* error)
{
    std::vector<Value> bindings;
    QString where;
    const EntityDescription* entity = condition(request, where, bindings, error);
    if (!entity)
        return std::nullopt;
    const QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + quoted(entity->name) + where;
    std::lock_guard lock(m_mutex);
    sqlite3_stmt* stmt = statement(sql, error);
    if (!stmt)
        return std::nullopt;
    ResetOnExit reset{stmt};
    for (std::size_t i = 0; i < bindings.size(); ++i)
        bindPlain(stmt, int(i + 1), bindings[i]);
    if (sqlite3_step(stmt) != SQLITE_ROW) {
        if (error)
            *error = StoreError{StoreError::FetchFailed, QStringLiteral("%1: %2").arg(m_path, lastError())};
        return std::nullopt;
    }
    const qint64 n = sqlite3_column_int64(stmt, 0);
    return request.fetchLimit > 0 ? std::min(n, request.fetchLimit) : n;
}

std::optional<PersistentStore::Row> PersistentStore::row(const QString& entity, qint64 primaryKey, StoreError* error)
{
    const EntityDescription* description = m_model->entity(entity);
    if (!description)
        return std::nullopt;
    QString sql = QStringLiteral("SELECT Z_PK");
    for (const QString& name : columnNames(*description))
        sql += QStringLiteral(", ") + quoted(name);
    sql += QStringLiteral(" FROM %1 WHERE Z_PK = ?").arg(quoted(entity));
    std::lock_guard lock(m_mutex);
    sqlite3_stmt* stmt = statement(sql, error);
    if (!stmt)
        return std::nullopt;
    ResetOnExit reset{stmt};
    sqlite3_bind_int64(stmt, 1, primaryKey);
    if (sqlite3_step(stmt) != SQLITE_ROW)
        return std::nullopt;
    Row row;
    row.primaryKey = primaryKey;
    const int attributes = int(description->attributes.size());
    for (int c = 0; c < attributes + int(description->relationships.size()); ++c) {
        const bool isAttribute = c < attributes;
        const QString& name = isAttribute ? description->attributes[c].name : description->relationships[c - attributes].name;
        Value v = readColumn(stmt, c + 1, isAttribute ? &description->attributes[c] : nullptr);
        if (!v.isNull())
            row.values.emplace(name, std::move(v));
    }
    return row;
}

bool PersistentStore::write(const std::vector<Write>& writes, std::vector<qint64>& insertedKeys, StoreError* error)
{
    std::lock_guard lock(m_mutex);
    insertedKeys.clear();
    QString reason;
    const auto step = [&](const QString& sql, const std::vector<Value>& bindings) -> qint64 {
        StoreError prepareError;
        sqlite3_stmt* stmt = statement(sql, &prepareError);
        if (!stmt) {
            reason = prepareError.message;
            return -1;
        }
        ResetOnExit reset{stmt};
        for (std::size_t i = 0; i < bindings.size(); ++i)
            bindPlain(stmt, int(i + 1), bindings[i]);
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            reason = lastError();
            return -1;
        }
        return sqlite3_last_insert_rowid(m_db);
    };
    // Primary keys of the records this transaction inserts, for relationships among them.
    std::unordered_map<const ManagedObjectID*, qint64> newKeys;
    const auto keyOf = [&](const Value& v, qint64& key) -> bool {
        key = 0;
        const auto id = v.toObject<ManagedObjectID>();
        if (!id)
            return v.isNull();
        const auto it = newKeys.find(id.get());
        if (it != newKeys.end()) {
            key = it->second;
            return true;
        }
        if (id->isTemporaryID() || id->persistentStore().get() != this) {
            reason = QStringLiteral("a relationship leads to a record of another store");
            return false;
        }
        key = id->primaryKey();
        return true;
    };
    const auto columnsOf = [&](const EntityDescription& entity, const ValueMap& values, bool relationships,
                               QStringList& names, std::vector<Value>& bindings) -> bool {
        for (const auto& [key, value] : values) {
            if (const AttributeDescription* a = entity.attribute(key)) {
                Value column;
                if (!columnValue(*a, value, column, &reason))
                    return false;
                names << quoted(key);
                bindings.push_back(column);
            } else if (entity.relationship(key)) {
                if (!relationships)
                    continue;
                qint64 k;
                if (!keyOf(value, k))
                    return false;
                names << quoted(key);
                bindings.emplace_back();
                if (k)
                    bindings.back() = Value(k);
            } else {
                reason = QStringLiteral("%1 has no key \"%2\"").arg(entity.name, key);
                return false;
            }
        }
        return true;
    };

    bool ok = exec(QStringLiteral("BEGIN IMMEDIATE"), error, StoreError::WriteFailed);
    if (!ok)
        return false;
    // Inserts first without relationships, so that every new key is known.
    for (const Write& w : writes) {
        if (!ok || w.kind != Write::Insert)
            continue;
        const EntityDescription* entity = m_model->entity(w.id->entityName());
        QStringList names;
        std::vector<Value> bindings;
        if (!entity || !columnsOf(*entity, w.values, false, names, bindings)) {
            ok = false;
            break;
        }
        const QString sql = names.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(entity->name))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoted(entity->name), names.join(QLatin1Char(',')),
                       QString(QStringLiteral("?,")).repeated(names.size()).chopped(1));
        const qint64 key = step(sql, bindings);
        ok = key > 0;
        newKeys[w.id.get()] = key;
        insertedKeys.push_back(key);
    }
    for (const Write& w : writes) {
        if (!ok)
            break;
        const EntityDescription* entity = m_model->entity(w.id->entityName());
        if (!entity) {
            ok = false;
            break;
        }
        if (w.kind == Write::Delete) {
            ok = step(QStringLiteral("DELETE FROM %1 WHERE Z_PK = ?").arg(quoted(entity->name)), {Value(w.id->primaryKey())}) >= 0;
            continue;
        }
        ValueMap values;
        for (const auto& [key, value] : w.values) {
            if (w.kind == Write::Update || entity->relationship(key))
                values.emplace(key, value);
        }
        if (values.empty())
            continue;
        QStringList names;
        std::vector<Value> bindings;
        if (!columnsOf(*entity, values, true, names, bindings)) {
            ok = false;
            break;
        }
        const qint64 key = w.kind == Write::Insert ? newKeys[w.id.get()] : w.id->primaryKey();
        bindings.push_back(Value(key));
        ok = step(QStringLiteral("UPDATE %1 SET %2 = ? WHERE Z_PK = ?")
                      .arg(quoted(entity->name), names.join(QStringLiteral(" = ?, "))),
                  bindings) >= 0;
    }
    if (ok && exec(QStringLiteral("COMMIT"), error, StoreError::WriteFailed))
        return true;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    insertedKeys.clear();
    if (error && !reason.isEmpty())
        *error = StoreError{StoreError::WriteFailed, QStringLiteral("%1: %2").arg(m_path, reason)};
    return false;
}

} // namespace plat
