#pragma once
// One SQLite file of records: a table per entity (primary key Z_PK), a column
// per attribute or to-one relationship, and Z_METADATA naming the model and
// the store's identifier. The connection is used by one queue at a time: the
// root context that owns the store.
//
// Opening never harms a file it does not own: a file that is not SQLite, or
// SQLite holding tables that are not ours, is reported and left as it is.
// With migration on, tables and columns the model added since the file was
// written are created; rows and columns the model dropped stay.

#include "platform/store/FetchRequest.h"
#include "platform/store/StoreChanges.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreModel.h"

#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace plat {

class PersistentStore final : public std::enable_shared_from_this<PersistentStore> {
    struct Passkey {};

public:
    struct Options {
        // Add the tables and columns the file lacks instead of refusing it.
        bool migrateAutomatically = true;
    };

    // A store row: the primary key and the values, relationships as primary keys.
    struct Row {
        qint64 primaryKey = 0;
        ValueMap values;
    };

    static std::shared_ptr<PersistentStore> open(const QString& path, ManagedObjectModelPtr model,
                                                 const Options& options, StoreError* error);
    PersistentStore(Passkey, QString path, ManagedObjectModelPtr model, sqlite3* db);
    ~PersistentStore();
    PersistentStore(const PersistentStore&) = delete;
    PersistentStore& operator=(const PersistentStore&) = delete;

    const QString& path() const { return m_path; }
    // The store's own UUID, kept in the file: two stores over one file share it.
    const QString& identifier() const { return m_identifier; }
    const ManagedObjectModelPtr& model() const { return m_model; }

    std::optional<std::vector<Row>> fetch(const FetchRequest& request, StoreError* error);
    // A fetch's SQL text and arguments. They depend only on the model, so a
    // fetch over many stores of one model makes them once.
    struct PreparedFetch {
        const ManagedObjectModel* model = nullptr;
        const EntityDescription* entity = nullptr;
        QString sql;
        std::vector<Value> bindings;
    };
    std::optional<PreparedFetch> prepareFetch(const FetchRequest& request, StoreError* error);
    // prepared must come from a store of the same model.
    std::optional<std::vector<Row>> fetch(const PreparedFetch& prepared, StoreError* error);
    std::optional<qint64> count(const FetchRequest& request, StoreError* error);
    std::optional<Row> row(const QString& entity, qint64 primaryKey, StoreError* error);

    struct Write {
        enum Kind { Insert, Update, Delete } kind;
        ManagedObjectIDPtr id;
        ValueMap values;
    };
    // One transaction: every write or none. Inserted records' primary keys are
    // returned in insertedKeys (same order as the inserts); the IDs are not touched.
    bool write(const std::vector<Write>& writes, std::vector<qint64>& insertedKeys, StoreError* error);

private:
    struct Statement;
    bool prepareSchema(bool migrate, StoreError* error);
    sqlite3_stmt* statement(const QString& sql, StoreError* error);
    bool exec(const QString& sql, StoreError* error, StoreError::Code code);
    QString lastError() const;
    // "SELECT Z_PK, <columns> FROM <table>", made once per entity.
    const QString& selectPrefix(const EntityDescription& entity);
    // The request's entity, with its condition as " WHERE ..." (empty without
    // one) and the condition's parameters; none, with the reason, when either
    // does not fit the model.
    const EntityDescription* condition(const FetchRequest& request, QString& where, std::vector<Value>& bindings,
                                       StoreError* error) const;

    const QString m_path;
    const ManagedObjectModelPtr m_model;
    QString m_identifier;
    std::mutex m_mutex; // the connection is used by one thread at a time; this keeps it so
    sqlite3* m_db;
    std::unordered_map<QString, sqlite3_stmt*> m_statements;
    std::map<QString, QString> m_selectPrefixes;
};

using PersistentStorePtr = std::shared_ptr<PersistentStore>;

} // namespace plat
