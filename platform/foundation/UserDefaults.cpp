#include "platform/foundation/UserDefaults.h"

#include <QDebug>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>
#include <charconv>
#include <cmath>
#include <limits>

namespace plat {

// Values are stored as text with a kind prefix, so that every kind comes back
// as it went in: "b:true", "i:80", "f:1.6" (single precision), "d:0.1",
// "s:text", "x:base64", "l:[...]" and "m:{...}" (JSON of encoded elements).

namespace {

struct Entry {
    Value value;
    bool singlePrecision = false;
};

template <typename T>
QString numberText(T value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

template <typename T>
std::optional<T> parseWhole(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    T value{};
    const auto result = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (result.ec != std::errc() || result.ptr != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

std::optional<QString> encode(const Value& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("b:true") : QStringLiteral("b:false");
    if (value.isInteger())
        return "i:" + numberText(value.toInteger());
    if (value.isDouble())
        return "d:" + numberText(value.toDouble());
    if (value.isString())
        return "s:" + value.toString();
    if (value.isData())
        return "x:" + QString::fromLatin1(value.toData().toBase64());
    if (value.isList()) {
        QJsonArray array;
        for (const Value& element : value.toList()) {
            const std::optional<QString> text = encode(element);
            if (!text)
                return std::nullopt;
            array.append(*text);
        }
        return "l:" + QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }
    if (value.isMap()) {
        QJsonObject object;
        for (const auto& [key, element] : value.toMap()) {
            const std::optional<QString> text = encode(element);
            if (!text)
                return std::nullopt;
            object.insert(key, *text);
        }
        return "m:" + QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    return std::nullopt;
}

std::optional<Entry> decode(const QString& text);

std::optional<Value> decodeValue(const QString& text)
{
    std::optional<Entry> entry = decode(text);
    if (!entry)
        return std::nullopt;
    return entry->value;
}

std::optional<Entry> decode(const QString& text)
{
    if (text.size() < 2 || text.at(1) != u':')
        return Entry{Value(text)}; // written by hand or by another program
    const QString body = text.mid(2);
    switch (text.at(0).unicode()) {
    case 'b':
        if (body == u"true" || body == u"false")
            return Entry{Value(body == u"true")};
        return std::nullopt;
    case 'i':
        if (auto n = parseWhole<qint64>(body))
            return Entry{Value(*n)};
        return std::nullopt;
    case 'f':
        if (auto n = parseWhole<float>(body))
            return Entry{Value(double(*n)), true};
        return std::nullopt;
    case 'd':
        if (auto n = parseWhole<double>(body))
            return Entry{Value(*n)};
        return std::nullopt;
    case 's':
        return Entry{Value(body)};
    case 'x': {
        auto bytes = QByteArray::fromBase64Encoding(body.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!bytes)
            return std::nullopt;
        return Entry{Value(*bytes)};
    }
    case 'l': {
        const QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8());
        if (!doc.isArray())
            return std::nullopt;
        ValueList list;
        for (const QJsonValue& element : doc.array()) {
            std::optional<Value> v = element.isString() ? decodeValue(element.toString()) : std::nullopt;
            if (!v)
                return std::nullopt;
            list.push_back(std::move(*v));
        }
        return Entry{Value(std::move(list))};
    }
    case 'm': {
        const QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8());
        if (!doc.isObject())
            return std::nullopt;
        ValueMap map;
        const QJsonObject object = doc.object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            std::optional<Value> v = it.value().isString() ? decodeValue(it.value().toString()) : std::nullopt;
            if (!v)
                return std::nullopt;
            map.emplace(it.key(), std::move(*v));
        }
        return Entry{Value(std::move(map))};
    }
    default:
        return Entry{Value(text)};
    }
}

// The number at the start of text, as the platform's string-to-number
// readers take it: leading blanks and a sign allowed, the rest ignored.
QByteArray numberPrefix(const QString& text, bool* negative)
{
    QByteArray bytes = text.toUtf8();
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\n' || bytes[i] == '\r'))
        ++i;
    *negative = i < bytes.size() && bytes[i] == '-';
    if (i < bytes.size() && (bytes[i] == '-' || bytes[i] == '+'))
        ++i;
    return bytes.mid(i);
}

bool isYes(const QString& text)
{
    return text.compare(u"yes", Qt::CaseInsensitive) == 0 || text.compare(u"true", Qt::CaseInsensitive) == 0;
}

qint64 integerFromText(const QString& text)
{
    if (isYes(text))
        return 1;
    bool negative;
    const QByteArray digits = numberPrefix(text, &negative);
    quint64 magnitude = 0;
    const auto result = std::from_chars(digits.constData(), digits.constData() + digits.size(), magnitude);
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    if (result.ec == std::errc::result_out_of_range || magnitude > quint64(max))
        return negative ? std::numeric_limits<qint64>::min() : max;
    return negative ? -qint64(magnitude) : qint64(magnitude);
}

double doubleFromText(const QString& text)
{
    bool negative;
    const QByteArray digits = numberPrefix(text, &negative);
    double value = 0.0;
    std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    return negative ? -value : value;
}

qint64 truncated(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= 9223372036854775807.0)
        return std::numeric_limits<qint64>::max();
    if (d <= -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return qint64(d);
}

std::mutex& standardMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<UserDefaults>& standardInstance()
{
    static std::shared_ptr<UserDefaults> instance;
    return instance;
}

} // namespace

UserDefaults::UserDefaults(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults()
{
    synchronize();
}

std::shared_ptr<UserDefaults> UserDefaults::standardUserDefaults()
{
    std::lock_guard lock(standardMutex());
    std::shared_ptr<UserDefaults>& instance = standardInstance();
    if (!instance)
        instance = std::make_shared<UserDefaults>(QDir(defaultFolder()).filePath(QStringLiteral("Quorvel.ini")));
    return instance;
}

void UserDefaults::setStandardUserDefaults(std::shared_ptr<UserDefaults> defaults)
{
    std::lock_guard lock(standardMutex());
    standardInstance() = std::move(defaults);
}

QString UserDefaults::defaultFolder()
{
    const QString overridden = qEnvironmentVariable("QUORVEL_CONFIG_DIR");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Quorvel");
}

QString UserDefaults::filePath() const
{
    return m_settings->fileName();
}

void UserDefaults::registerDefaults(const ValueMap& defaults)
{
    std::lock_guard lock(m_mutex);
    for (const auto& [key, value] : defaults)
        m_registered.insert_or_assign(key, value);
}

Value UserDefaults::lookup(const QString& key, bool* singlePrecision) const
{
    if (singlePrecision)
        *singlePrecision = false;
    std::lock_guard lock(m_mutex);
    const QVariant stored = m_settings->value(key);
    if (stored.isValid()) {
        // A hand-written value with commas comes back split.
        const std::optional<Entry> e = decode(stored.typeId() == QMetaType::QStringList
                                                  ? stored.toStringList().join(QLatin1Char(','))
                                                  : stored.toString());
        if (!e)
            return Value();
        if (singlePrecision)
            *singlePrecision = e->singlePrecision;
        return e->value;
    }
    const auto registered = m_registered.find(key);
    return registered == m_registered.end() ? Value() : registered->second;
}

Value UserDefaults::objectForKey(const QString& key) const
{
    return lookup(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    bool single;
    const Value v = lookup(key, &single);
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return single ? numberText(float(v.toDouble())) : numberText(v.toDouble());
    if (v.isNumber())
        return QString::number(v.toInteger());
    return QString();
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const Value v = lookup(key);
    if (v.isString())
        return integerFromText(v.toString());
    if (v.isDouble())
        return truncated(v.toDouble());
    return v.toInteger();
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const Value v = lookup(key);
    if (v.isString())
        return integerFromText(v.toString()) != 0;
    if (v.isDouble())
        return v.toDouble() != 0.0;
    return v.toInteger() != 0;
}

float UserDefaults::floatForKey(const QString& key) const
{
    return float(doubleForKey(key));
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const Value v = lookup(key);
    return v.isString() ? doubleFromText(v.toString()) : v.toDouble();
}

std::optional<QByteArray> UserDefaults::dataForKey(const QString& key) const
{
    const Value v = lookup(key);
    return v.isData() ? std::optional(v.toData()) : std::nullopt;
}

std::optional<ValueList> UserDefaults::arrayForKey(const QString& key) const
{
    const Value v = lookup(key);
    return v.isList() ? std::optional(v.toList()) : std::nullopt;
}

std::optional<ValueMap> UserDefaults::dictionaryForKey(const QString& key) const
{
    const Value v = lookup(key);
    return v.isMap() ? std::optional(v.toMap()) : std::nullopt;
}

void UserDefaults::setObject(const Value& value, const QString& key)
{
    if (value.isNull()) {
        removeObjectForKey(key);
        return;
    }
    const std::optional<QString> encoded = encode(value);
    if (!encoded) {
        qWarning("UserDefaults: the value for \"%s\" cannot be stored", qPrintable(key));
        return;
    }
    store(key, *encoded);
}

void UserDefaults::setInteger(qint64 value, const QString& key)
{
    setObject(Value(value), key);
}

void UserDefaults::setBool(bool value, const QString& key)
{
    setObject(Value(value), key);
}

void UserDefaults::setFloat(float value, const QString& key)
{
    store(key, "f:" + numberText(value));
}

void UserDefaults::setDouble(double value, const QString& key)
{
    setObject(Value(value), key);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    std::lock_guard lock(m_mutex);
    m_settings->remove(key);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

void UserDefaults::store(const QString& key, const QString& encoded)
{
    std::lock_guard lock(m_mutex);
    m_settings->setValue(key, encoded);
}

} // namespace plat
