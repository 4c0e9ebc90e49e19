#include "platform/foundation/KeyedArchive.h"

#include "platform/foundation/CborTree.h"

#include <QCborArray>
#include <QCborMap>
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
    CborTree tree;
    std::vector<qsizetype> objects; // node of each entry of "$objects"
    QStringList classes;
    std::vector<ObjectPtr> decoded;
    std::vector<Status> status;
    qsizetype fields = -1; // map node of the object being decoded
    int depth = 0;
    QString error;

    void fail(const QString& message)
    {
        if (error.isEmpty())
            error = message;
    }

    std::optional<CborTree::Node> field(const QString& key) const
    {
        const qsizetype at = fields < 0 ? -1 : tree.find(fields, key);
        return at < 0 ? std::nullopt : std::optional<CborTree::Node>(tree.node(at));
    }
    qsizetype fieldIndex(const QString& key) const { return fields < 0 ? -1 : tree.find(fields, key); }

    std::optional<Range> rangeOf(qsizetype index) const;
    ObjectPtr resolve(qsizetype reference);
    Value valueOf(qsizetype index);
};

KeyedUnarchiver::KeyedUnarchiver() : d(std::make_unique<State>(*this)) {}
KeyedUnarchiver::~KeyedUnarchiver() = default;

std::optional<Range> KeyedUnarchiver::State::rangeOf(qsizetype index) const
{
    if (index < 0)
        return std::nullopt;
    const CborTree::Node tag = tree.node(index);
    if (tag.kind != CborTree::Kind::Tag || tag.tag != quint64(RangeTag))
        return std::nullopt;
    const qsizetype pair = tree.firstChild(index);
    if (tree.node(pair).kind != CborTree::Kind::Array || tree.node(pair).count != 2)
        return std::nullopt;
    const qsizetype first = tree.firstChild(pair);
    const qsizetype second = tree.nextSibling(first);
    if (tree.node(first).kind != CborTree::Kind::Integer || tree.node(second).kind != CborTree::Kind::Integer)
        return std::nullopt;
    return Range(tree.node(first).integer, tree.node(second).integer);
}

ObjectPtr KeyedUnarchiver::State::resolve(qsizetype reference)
{
    const CborTree::Node ref = tree.node(reference);
    const qint64 index = ref.kind == CborTree::Kind::Integer ? ref.integer : -1;
    if (index < 0 || index >= qint64(objects.size())) {
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
    const qsizetype entry = objects[slot];
    const CborTree::Node entryNode = tree.node(entry);
    qint64 classIndex = -1;
    qsizetype objectFields = -1;
    if (entryNode.kind == CborTree::Kind::Array && entryNode.count == 2) {
        const qsizetype first = tree.firstChild(entry);
        objectFields = tree.nextSibling(first);
        if (tree.node(first).kind == CborTree::Kind::Integer)
            classIndex = tree.node(first).integer;
    }
    if (classIndex < 0 || classIndex >= classes.size() || tree.node(objectFields).kind != CborTree::Kind::Map) {
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
    std::swap(objectFields, fields);
    ++depth;
    ObjectPtr object;
    try {
        object = decoder(owner);
    } catch (const std::exception& e) {
        fail(QStringLiteral("An object of class %1 could not be decoded: %2").arg(className, QString::fromUtf8(e.what())));
    }
    --depth;
    std::swap(objectFields, fields);
    if (!object)
        fail(QStringLiteral("An object of class %1 could not be decoded").arg(className));
    if (!error.isEmpty())
        return nullptr;
    status[slot] = Status::Done;
    decoded[slot] = object;
    return object;
}

Value KeyedUnarchiver::State::valueOf(qsizetype index)
{
    if (!error.isEmpty() || index < 0)
        return {};
    if (depth >= MaximumDepth) {
        fail(QStringLiteral("The archive nests too deeply"));
        return {};
    }
    const CborTree::Node n = tree.node(index);
    switch (n.kind) {
    case CborTree::Kind::Null:
    case CborTree::Kind::Undefined:
        return {};
    case CborTree::Kind::False:
        return false;
    case CborTree::Kind::True:
        return true;
    case CborTree::Kind::Integer:
        return n.integer;
    case CborTree::Kind::Double:
        return n.real;
    case CborTree::Kind::Text:
        if (const std::optional<QString> text = tree.text(index))
            return *text;
        fail(QStringLiteral("The archive holds a string that is not UTF-8"));
        return {};
    case CborTree::Kind::Bytes:
        return tree.bytes(index);
    case CborTree::Kind::Array: {
        ValueList list;
        list.reserve(size_t(n.count));
        ++depth;
        for (qsizetype i = 0, child = tree.firstChild(index); i < n.count; ++i, child = tree.nextSibling(child))
            list.push_back(valueOf(child));
        --depth;
        return list;
    }
    case CborTree::Kind::Map: {
        ValueMap map;
        ++depth;
        qsizetype child = tree.firstChild(index);
        for (qsizetype i = 0; i < n.count; ++i) {
            const qsizetype value = tree.nextSibling(child);
            const std::optional<QString> key = tree.text(child);
            if (!key) {
                fail(QStringLiteral("The archive holds a map with a key that is not a string"));
                break;
            }
            map[*key] = valueOf(value);
            child = tree.nextSibling(value);
        }
        --depth;
        return map;
    }
    case CborTree::Kind::Tag:
        if (n.tag == quint64(ReferenceTag))
            return resolve(tree.firstChild(index));
        if (const auto range = rangeOf(index))
            return *range;
        break;
    default:
        break;
    }
    fail(QStringLiteral("The archive holds a value of unknown form"));
    return {};
}

std::optional<Value> KeyedUnarchiver::unarchive(const QByteArray& data, QString* error)
{
    const auto failed = [&](const QString& message) -> std::optional<Value> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    QString readError;
    std::optional<CborTree> tree = CborTree::read(data, MaximumDepth, &readError);
    if (!tree)
        return failed(readError);
    if (tree->node(0).kind != CborTree::Kind::Map)
        return failed(QStringLiteral("The data is not a keyed archive"));
    const qsizetype archiver = tree->find(0, ArchiverKey);
    if (archiver < 0 || !tree->textEquals(archiver, ArchiverName))
        return failed(QStringLiteral("The data is not a keyed archive"));
    const qsizetype version = tree->find(0, VersionKey);
    if (version < 0 || tree->node(version).kind != CborTree::Kind::Integer || tree->node(version).integer < 1)
        return failed(QStringLiteral("The archive has no valid version"));
    if (tree->node(version).integer > FormatVersion)
        return failed(QStringLiteral("The archive was written by a newer version (format %1)").arg(tree->node(version).integer));
    const qsizetype classes = tree->find(0, ClassesKey);
    const qsizetype objects = tree->find(0, ObjectsKey);
    const qsizetype root = tree->find(0, RootKey);
    if (classes < 0 || objects < 0 || root < 0 || tree->node(classes).kind != CborTree::Kind::Array
        || tree->node(objects).kind != CborTree::Kind::Array)
        return failed(QStringLiteral("The archive lacks its class table, object table or root"));

    KeyedUnarchiver unarchiver;
    State& d = *unarchiver.d;
    const qint64 classCount = tree->node(classes).count;
    for (qsizetype i = 0, child = tree->firstChild(classes); i < classCount; ++i, child = tree->nextSibling(child)) {
        std::optional<QString> name = tree->text(child);
        if (!name)
            return failed(QStringLiteral("The archive's class table is malformed"));
        d.classes.append(std::move(*name));
    }
    const qint64 objectCount = tree->node(objects).count;
    d.objects.reserve(size_t(objectCount));
    for (qsizetype i = 0, child = tree->firstChild(objects); i < objectCount; ++i, child = tree->nextSibling(child))
        d.objects.push_back(child);
    d.decoded.resize(d.objects.size());
    d.status.resize(d.objects.size(), State::Status::Untouched);
    d.tree = std::move(*tree);
    Value rootValue = d.valueOf(root);
    if (!d.error.isEmpty())
        return failed(d.error);
    if (error)
        error->clear();
    return rootValue;
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

bool KeyedUnarchiver::containsValue(const QString& key) const { return d->fieldIndex(key) >= 0; }

bool KeyedUnarchiver::decodeBool(const QString& key) const
{
    const std::optional<CborTree::Node> v = d->field(key);
    if (!v)
        return false;
    switch (v->kind) {
    case CborTree::Kind::True: return true;
    case CborTree::Kind::Integer: return v->integer != 0;
    case CborTree::Kind::Double: return v->real != 0.0;
    default: return false;
    }
}

qint64 KeyedUnarchiver::decodeInteger(const QString& key) const
{
    const std::optional<CborTree::Node> v = d->field(key);
    if (!v)
        return 0;
    switch (v->kind) {
    case CborTree::Kind::Integer: return v->integer;
    case CborTree::Kind::Double: return integerOf(v->real);
    case CborTree::Kind::True: return 1;
    default: return 0;
    }
}

double KeyedUnarchiver::decodeDouble(const QString& key) const
{
    const std::optional<CborTree::Node> v = d->field(key);
    if (!v)
        return 0.0;
    switch (v->kind) {
    case CborTree::Kind::Integer: return double(v->integer);
    case CborTree::Kind::Double: return v->real;
    case CborTree::Kind::True: return 1.0;
    default: return 0.0;
    }
}

QString KeyedUnarchiver::decodeString(const QString& key) const
{
    const qsizetype at = d->fieldIndex(key);
    if (at < 0 || d->tree.node(at).kind != CborTree::Kind::Text)
        return {};
    std::optional<QString> text = d->tree.text(at);
    if (!text)
        d->fail(QStringLiteral("The archive holds a string that is not UTF-8"));
    return text.value_or(QString());
}

QByteArray KeyedUnarchiver::decodeData(const QString& key) const
{
    const qsizetype at = d->fieldIndex(key);
    return at < 0 ? QByteArray() : d->tree.bytes(at);
}

Range KeyedUnarchiver::decodeRange(const QString& key) const
{
    return d->rangeOf(d->fieldIndex(key)).value_or(Range());
}

ObjectPtr KeyedUnarchiver::decodeObject(const QString& key)
{
    const qsizetype at = d->fieldIndex(key);
    if (at < 0 || !d->error.isEmpty())
        return nullptr;
    const CborTree::Node v = d->tree.node(at);
    if (v.kind != CborTree::Kind::Tag || v.tag != quint64(ReferenceTag))
        return nullptr;
    return d->resolve(d->tree.firstChild(at));
}

Value KeyedUnarchiver::decodeValue(const QString& key) { return d->valueOf(d->fieldIndex(key)); }

void KeyedUnarchiver::failWithError(const QString& message) { d->fail(message); }
bool KeyedUnarchiver::hasFailed() const { return !d->error.isEmpty(); }

} // namespace plat
