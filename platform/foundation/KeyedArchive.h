#pragma once
// Keyed archives: an object graph in our own CBOR format. Each archivable object
// writes its fields under string keys; an object reached twice is stored once and
// is one shared object again after decoding. Class names are mapped to decoders by
// a process-wide registry.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/foundation/Value.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

namespace plat {

class KeyedArchiver {
public:
    void encodeBool(const QString& key, bool value);
    void encodeInteger(const QString& key, qint64 value);
    void encodeDouble(const QString& key, double value);
    void encodeString(const QString& key, const QString& value);
    void encodeData(const QString& key, const QByteArray& value);
    void encodeRange(const QString& key, Range value);
    // A null object is stored as "none"; objects must support coding.
    void encodeObject(const QString& key, const ObjectPtr& object);
    // Lists and maps are archived element by element; objects inside them by reference.
    void encodeValue(const QString& key, const Value& value);

    // The archive, or an empty array (with the reason in error) when an object in the
    // graph does not support coding or the graph holds a cycle.
    static QByteArray archivedData(const ObjectPtr& root, QString* error = nullptr);
    static QByteArray archivedData(const Value& root, QString* error = nullptr);
    template <typename T, typename = std::enable_if_t<std::is_base_of_v<Object, T>>>
    static QByteArray archivedData(const std::shared_ptr<T>& root, QString* error = nullptr)
    {
        return archivedData(ObjectPtr(root), error);
    }

    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

private:
    KeyedArchiver();
    ~KeyedArchiver();
    static QByteArray archive(const Value& root, QString* error);
    struct State;
    std::unique_ptr<State> d;
};

class KeyedUnarchiver {
public:
    using Decoder = std::function<ObjectPtr(KeyedUnarchiver&)>;

    // A missing key (or a value of another kind) reads as false / 0 / empty / none.
    bool decodeBool(const QString& key) const;
    qint64 decodeInteger(const QString& key) const;
    double decodeDouble(const QString& key) const;
    QString decodeString(const QString& key) const;
    QByteArray decodeData(const QString& key) const;
    Range decodeRange(const QString& key) const;
    ObjectPtr decodeObject(const QString& key);
    Value decodeValue(const QString& key);
    bool containsValue(const QString& key) const;

    // Lets a decoder reject its fields; the whole archive then fails with the message.
    void failWithError(const QString& message);
    bool hasFailed() const;

    // Registers (or replaces) the decoder for an archived class name. A decoder reads
    // its object's fields from the unarchiver; returning null fails the archive.
    static void registerClass(const QString& className, Decoder decoder);

    // The root object; null with a message in error when the archive is corrupt,
    // truncated, foreign, or names a class that has no decoder.
    static ObjectPtr unarchiveObject(const QByteArray& data, QString* error = nullptr);
    static std::optional<Value> unarchiveValue(const QByteArray& data, QString* error = nullptr);

    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

private:
    KeyedUnarchiver();
    ~KeyedUnarchiver();
    static std::optional<Value> unarchive(const QByteArray& data, QString* error);
    struct State;
    std::unique_ptr<State> d;
};

} // namespace plat
