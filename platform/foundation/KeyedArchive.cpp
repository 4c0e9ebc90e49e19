#include "platform/foundation/KeyedArchive.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QCborValue>
#include <QHash>
#include <cmath>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

// Layout: a top map {"$archiver": name, "$version": 1, "$classes": [class names],
// "$objects": [[class index, {key: value}], ...], "$root": value}. Values are plain CBOR;
// a range is tag RangeTag over [location, length], an object is tag ReferenceTag over
// its index in "$objects", "none" is null.

namespace plat {

namespace {

const QString ArchiverName = QStringLiteral("QuorvelKeyedArchive");
constexpr qint64 FormatVersion = 1;
constexpr auto RangeTag = QCborTag(0x51524131);
constexpr auto ReferenceTag = QCborTag(0x51524132);
// Deeper graphs than any document needs; keeps hostile input from exhausting the stack.
constexpr int MaximumDepth = 512;

const QString ArchiverKey = QStringLiteral("$archiver");
const QString VersionKey = QStringLiteral("$version");
const QString ClassesKey = QStringLiteral("$classes");
const QString ObjectsKey = QStringLiteral("$objects");
const QString RootKey = QStringLiteral("$root");

struct Registry {
    std::mutex mutex;
    QHash<QString, KeyedUnarchiver::Decoder> decoders;
};

Registry& registry()
{
    static Registry r;
    return r;
}

KeyedUnarchiver::Decoder decoderFor(const QString& className)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.decoders.value(className);
}

qint64 integerOf(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (d <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(d);
}

} // namespace

// ---------------------------------------------------------------------------------------

struct KeyedArchiver::State {
    explicit State(KeyedArchiver& o) : owner(o) {}

    KeyedArchiver& owner;
    QCborArray objects;
    QCborArray classes;
    QHash<QString, qint64> classIndex;
    std::unordered_map<const Object*, qint64> objectIndex;
    std::vector<ObjectPtr> keepAlive; // addresses stay unique while the graph is walked
    std::unordered_set<const Object*> inProgress;
    // Archived value objects by hash, to store each value once.
    std::unordered_multimap<std::size_t, std::pair<const Object*, qint64>> values;
    QCborMap fields; // of the object being encoded
    int depth = 0;
    QString error;

    void fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
    }

    qint64 indexOfClass(const QString& name)
    {
        const auto it = classIndex.constFind(name);
        if (it != classIndex.cend())
            return *it;
        classes.append(name);
        return classIndex[name] = classes.size() - 1;
    }

    QCborValue cborOf(const Value& value);
    QCborValue referenceTo(const ObjectPtr& object);
};

KeyedArchiver::KeyedArchiver() : d(std::make_unique<State>(*this)) {}
KeyedArchiver::~KeyedArchiver() = default;

QCborValue KeyedArchiver::State::cborOf(const Value& value)
{
    if (!error.isEmpty())
        return QCborValue(nullptr);
    if (depth >= MaximumDepth) {
        fail(QStringLiteral("The value nests too deeply to be archived"));
        return QCborValue(nullptr);
    }
    struct Visitor {
        State& d;
        QCborValue operator()(std::monostate) const { return QCborValue(nullptr); }
        QCborValue operator()(bool b) const { return QCborValue(b); }
        QCborValue operator()(qint64 i) const { return QCborValue(i); }
        QCborValue operator()(double x) const { return QCborValue(x); }
        QCborValue operator()(const QString& s) const { return QCborValue(s); }
        QCborValue operator()(const QByteArray& b) const { return QCborValue(b); }
        QCborValue operator()(Range r) const
        {
            return QCborValue(RangeTag, QCborArray{qint64(r.location), qint64(r.length)});
        }
        QCborValue operator()(const std::shared_ptr<ValueList>& list) const
        {
            QCborArray out;
            ++d.depth;
            for (const Value& v : *list)
                out.append(d.cborOf(v));
            --d.depth;
            return out;
        }
        QCborValue operator()(const std::shared_ptr<ValueMap>& map) const
        {
            QCborMap out;
            ++d.depth;
            for (const auto& [key, v] : *map)
                out.insert(key, d.cborOf(v));
            --d.depth;
            return out;
        }
        QCborValue operator()(const ObjectPtr& o) const { return d.referenceTo(o); }
    };
    return std::visit(Visitor{*this}, value.storage());
}

QCborValue KeyedArchiver::State::referenceTo(const ObjectPtr& object)
{
    if (!object || !error.isEmpty())
        return QCborValue(nullptr);
    const auto known = objectIndex.find(object.get());
    if (known != objectIndex.end()) {
        if (inProgress.count(object.get()))
            fail(QStringLiteral("An object of class %1 refers back to itself; cycles cannot be archived")
                       .arg(object->className()));
        return QCborValue(ReferenceTag, known->second);
    }
    const bool byValue = object->archivesByValue();
    const std::size_t valueHash = byValue ? object->hash() : 0;
    if (byValue) {
        const auto [first, last] = values.equal_range(valueHash);
        for (auto it = first; it != last; ++it) {
            if (it->second.first->isEqual(*object)) {
                objectIndex.emplace(object.get(), it->second.second);
                keepAlive.push_back(object);
                return QCborValue(ReferenceTag, it->second.second);
            }
        }
    }
    if (!object->supportsCoding()) {
        fail(QStringLiteral("Objects of class %1 cannot be archived").arg(object->className()));
        return QCborValue(nullptr);
    }
    if (depth >= MaximumDepth) {
        fail(QStringLiteral("The object graph nests too deeply to be archived"));
        return QCborValue(nullptr);
    }
    const qint64 index = objects.size();
    objects.append(QCborValue(nullptr));
    objectIndex.emplace(object.get(), index);
    keepAlive.push_back(object);
    inProgress.insert(object.get());

    QCborMap objectFields;
    std::swap(objectFields, fields);
    ++depth;
    object->encodeWithCoder(owner);
    --depth;
    std::swap(objectFields, fields);

    inProgress.erase(object.get());
    objects[index] = QCborArray{indexOfClass(object->className()), objectFields};
    if (byValue)
        values.emplace(valueHash, std::pair<const Object*, qint64>(object.get(), index));
    return QCborValue(ReferenceTag, index);
}

void KeyedArchiver::encodeBool(const QString& key, bool value) { d->fields.insert(key, value); }
void KeyedArchiver::encodeInteger(const QString& key, qint64 value) { d->fields.insert(key, value); }
void KeyedArchiver::encodeDouble(const QString& key, double value) { d->fields.insert(key, value); }
void KeyedArchiver::encodeData(const QString& key, const QByteArray& value) { d->fields.insert(key, value); }
void KeyedArchiver::encodeString(const QString& key, const QString& value)
{
    d->fields.insert(key, value.isNull() ? QCborValue(nullptr) : QCborValue(value));
}
void KeyedArchiver::encodeRange(const QString& key, Range value) { encodeValue(key, Value(value)); }

void KeyedArchiver::encodeObject(const QString& key, const ObjectPtr& object)
{
    d->fields.insert(key, d->referenceTo(object));
}

void KeyedArchiver::encodeValue(const QString& key, const Value& value)
{
    d->fields.insert(key, d->cborOf(value));
}

QByteArray KeyedArchiver::archive(const Value& root, QString* error)
{
    KeyedArchiver archiver;
    State& d = *archiver.d;
    const QCborValue rootValue = d.cborOf(root);
    if (error)
        *error = d.error;
    if (!d.error.isEmpty())
        return {};
    QCborMap top;
    top.insert(ArchiverKey, ArchiverName);
    top.insert(VersionKey, FormatVersion);
    top.insert(ClassesKey, d.classes);
    top.insert(ObjectsKey, d.objects);
    top.insert(RootKey, rootValue);
    return top.toCborValue().toCbor();
}

QByteArray KeyedArchiver::archivedData(const ObjectPtr& root, QString* error) { return archive(Value(root), error); }
QByteArray KeyedArchiver::archivedData(const Value& root, QString* error) { return archive(root, error); }

// ---------------------------------------------------------------------------------------

struct KeyedUnarchiver::State {
    enum class Status : char { Untouched, Decoding, Done };

    explicit State(KeyedUnarchiver& o) : owner(o) {}

    KeyedUnarchiver& owner;
    QCborArray objects;
    QStringList classes;
    std::vector<ObjectPtr> decoded;
    std::vector<Status> status;
    QCborMap fields; // of the object being decoded
    int depth = 0;
    QString error;

    void fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
    }

    ObjectPtr resolve(const QCborValue& reference);
    Value valueOf(const QCborValue& cbor);
};

KeyedUnarchiver::KeyedUnarchiver() : d(std::make_unique<State>(*this)) {}
KeyedUnarchiver::~KeyedUnarchiver() = default;

namespace {

std::optional<Range> rangeOf(const QCborValue& cbor)
{
    if (!cbor.isTag() || cbor.tag() != RangeTag)
        return std::nullopt;
    const QCborArray pair = cbor.taggedValue().toArray();
    if (pair.size() != 2 || !pair.at(0).isInteger() || !pair.at(1).isInteger())
        return std::nullopt;
    return Range(pair.at(0).toInteger(), pair.at(1).toInteger());
}

} // namespace

ObjectPtr KeyedUnarchiver::State::resolve(const QCborValue& reference)
{
    const qint64 index = reference.isInteger() ? reference.toInteger() : -1;
    if (index < 0 || index >= objects.size()) {
        fail(QStringLiteral("The archive refers to a missing object"));
        return nullptr;
    }
    const size_t slot = size_t(index);
    if (status[slot] == Status::Done)
        return decoded[slot];
    if (status[slot] == Status::Decoding) {
        fail(QStringLiteral("The archive holds a reference cycle"));
        return nullptr;
    }
    const QCborArray entry = objects.at(index).toArray();
    const qint64 classIndex = entry.size() == 2 && entry.at(0).isInteger() ? entry.at(0).toInteger() : -1;
    if (classIndex < 0 || classIndex >= classes.size() || !entry.at(1).isMap()) {
        fail(QStringLiteral("The archive holds a malformed object"));
        return nullptr;
    }
    const QString& className = classes.at(classIndex);
    const KeyedUnarchiver::Decoder decoder = decoderFor(className);
    if (!decoder) {
        fail(QStringLiteral("The archive holds an object of unknown class %1").arg(className));
        return nullptr;
    }
    if (depth >= MaximumDepth) {
        fail(QStringLiteral("The archive nests too deeply"));
        return nullptr;
    }

    status[slot] = Status::Decoding;
    QCborMap outerFields = entry.at(1).toMap();
    std::swap(outerFields, fields);
    ++depth;
    ObjectPtr object;
    try {
        object = decoder(owner);
    } catch (const std::exception& e) {
        fail(QStringLiteral("An object of class %1 could not be decoded: %2").arg(className, QString::fromUtf8(e.what())));
    }
    --depth;
    std::swap(outerFields, fields);
    if (!object)
        fail(QStringLiteral("An object of class %1 could not be decoded").arg(className));
    if (!error.isEmpty())
        return nullptr;
    status[slot] = Status::Done;
    decoded[slot] = object;
    return object;
}

Value KeyedUnarchiver::State::valueOf(const QCborValue& cbor)
{
    if (!error.isEmpty())
        return {};
    if (depth >= MaximumDepth) {
        fail(QStringLiteral("The archive nests too deeply"));
        return {};
    }
    switch (cbor.type()) {
    case QCborValue::Null:
    case QCborValue::Undefined:
        return {};
    case QCborValue::False:
    case QCborValue::True:
        return cbor.toBool();
    case QCborValue::Integer:
        return cbor.toInteger();
    case QCborValue::Double:
        return cbor.toDouble();
    case QCborValue::String:
        return cbor.toString();
    case QCborValue::ByteArray:
        return cbor.toByteArray();
    case QCborValue::Array: {
        ValueList list;
        ++depth;
        for (const QCborValue& item : cbor.toArray())
            list.push_back(valueOf(item));
        --depth;
        return list;
    }
    case QCborValue::Map: {
        ValueMap map;
        ++depth;
        for (auto it = cbor.toMap().cbegin(), end = cbor.toMap().cend(); it != end; ++it) {
            if (!it.key().isString()) {
                fail(QStringLiteral("The archive holds a map with a key that is not a string"));
                break;
            }
            map[it.key().toString()] = valueOf(it.value());
        }
        --depth;
        return map;
    }
    case QCborValue::Tag:
        if (cbor.tag() == ReferenceTag)
            return resolve(cbor.taggedValue());
        if (const auto range = rangeOf(cbor))
            return *range;
        break;
    default:
        break;
    }
    fail(QStringLiteral("The archive holds a value of unknown form"));
    return {};
}

namespace {

QString topLevelProblem(const QCborMap& top)
{
    if (top.value(ArchiverKey).toString() != ArchiverName)
        return QStringLiteral("The data is not a keyed archive");
    const QCborValue version = top.value(VersionKey);
    if (!version.isInteger() || version.toInteger() < 1)
        return QStringLiteral("The archive has no valid version");
    if (version.toInteger() > FormatVersion)
        return QStringLiteral("The archive was written by a newer version (format %1)").arg(version.toInteger());
    if (!top.value(ClassesKey).isArray() || !top.value(ObjectsKey).isArray() || !top.contains(RootKey))
        return QStringLiteral("The archive lacks its class table, object table or root");
    for (const QCborValue& name : top.value(ClassesKey).toArray())
        if (!name.isString())
            return QStringLiteral("The archive's class table is malformed");
    return {};
}

} // namespace

std::optional<Value> KeyedUnarchiver::unarchive(const QByteArray& data, QString* error)
{
    const auto failed = [&](const QString& message) -> std::optional<Value> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    QCborStreamReader reader(data);
    const QCborValue top = QCborValue::fromCbor(reader);
    if (reader.lastError() != QCborError::NoError)
        return failed(QStringLiteral("The archive is corrupt or truncated: %1").arg(reader.lastError().toString()));
    if (reader.currentOffset() != data.size())
        return failed(QStringLiteral("The archive has trailing bytes"));
    if (!top.isMap())
        return failed(QStringLiteral("The data is not a keyed archive"));
    const QCborMap topMap = top.toMap();
    if (const QString problem = topLevelProblem(topMap); !problem.isEmpty())
        return failed(problem);

    KeyedUnarchiver unarchiver;
    State& d = *unarchiver.d;
    d.objects = topMap.value(ObjectsKey).toArray();
    for (const QCborValue& name : topMap.value(ClassesKey).toArray())
        d.classes.append(name.toString());
    d.decoded.resize(size_t(d.objects.size()));
    d.status.resize(size_t(d.objects.size()), State::Status::Untouched);
    Value root = d.valueOf(topMap.value(RootKey));
    if (!d.error.isEmpty())
        return failed(d.error);
    if (error)
        error->clear();
    return root;
}

std::optional<Value> KeyedUnarchiver::unarchiveValue(const QByteArray& data, QString* error)
{
    return unarchive(data, error);
}

ObjectPtr KeyedUnarchiver::unarchiveObject(const QByteArray& data, QString* error)
{
    const std::optional<Value> root = unarchive(data, error);
    if (!root || root->isNull())
        return nullptr;
    if (!root->isObject()) {
        if (error)
            *error = QStringLiteral("The archive's root is not an object");
        return nullptr;
    }
    return root->toObject();
}

void KeyedUnarchiver::registerClass(const QString& className, Decoder decoder)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.decoders.insert(className, std::move(decoder));
}

bool KeyedUnarchiver::containsValue(const QString& key) const { return d->fields.contains(key); }

bool KeyedUnarchiver::decodeBool(const QString& key) const
{
    const QCborValue v = d->fields.value(key);
    if (v.isBool())
        return v.toBool();
    return v.isInteger() ? v.toInteger() != 0 : v.isDouble() && v.toDouble() != 0.0;
}

qint64 KeyedUnarchiver::decodeInteger(const QString& key) const
{
    const QCborValue v = d->fields.value(key);
    if (v.isInteger())
        return v.toInteger();
    if (v.isDouble())
        return integerOf(v.toDouble());
    return v.isTrue() ? 1 : 0;
}

double KeyedUnarchiver::decodeDouble(const QString& key) const
{
    const QCborValue v = d->fields.value(key);
    if (v.isDouble() || v.isInteger())
        return v.toDouble();
    return v.isTrue() ? 1.0 : 0.0;
}

QString KeyedUnarchiver::decodeString(const QString& key) const { return d->fields.value(key).toString(); }
QByteArray KeyedUnarchiver::decodeData(const QString& key) const { return d->fields.value(key).toByteArray(); }

Range KeyedUnarchiver::decodeRange(const QString& key) const
{
    return rangeOf(d->fields.value(key)).value_or(Range());
}

ObjectPtr KeyedUnarchiver::decodeObject(const QString& key)
{
    const QCborValue v = d->fields.value(key);
    if (!v.isTag() || v.tag() != ReferenceTag || !d->error.isEmpty())
        return nullptr;
    return d->resolve(v.taggedValue());
}

Value KeyedUnarchiver::decodeValue(const QString& key) { return d->valueOf(d->fields.value(key)); }

void KeyedUnarchiver::failWithError(const QString& message) { d->fail(message); }
bool KeyedUnarchiver::hasFailed() const { return !d->error.isEmpty(); }

} // namespace plat
