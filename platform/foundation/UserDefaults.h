#pragma once
// Preferences in an INI file (QSettings) with a layer of registered defaults
// that is read as a fallback and never written. Reads coerce as the platform
// does: absent integers and booleans read 0 and NO, absent strings none, and
// floats are kept in single precision. A stored value of another kind reads
// as absent.

#include "platform/foundation/Value.h"

#include <QString>
#include <memory>
#include <mutex>
#include <optional>

class QSettings;

namespace plat {

class UserDefaults {
public:
    // The file named by path; it is created on the first write.
    explicit UserDefaults(const QString& path);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The process's defaults, in "Quorvel.ini" of defaultFolder().
    static std::shared_ptr<UserDefaults> standardUserDefaults();
    // Replaces the process's defaults (tests); nullptr makes the next call
    // of standardUserDefaults() open the file again.
    static void setStandardUserDefaults(std::shared_ptr<UserDefaults> defaults);
    // $QUORVEL_CONFIG_DIR when set, else the XDG configuration folder + "/Quorvel".
    static QString defaultFolder();

    QString filePath() const;

    // Merged over earlier registrations; consulted for keys never stored.
    void registerDefaults(const ValueMap& defaults);

    // The stored value, else the registered one, else none.
    Value objectForKey(const QString& key) const;
    // A string, or a number as its text; a null QString otherwise.
    QString stringForKey(const QString& key) const;
    // Numbers truncate; "YES"/"true" (any case) read 1, other text its leading integer.
    qint64 integerForKey(const QString& key) const;
    // Non-zero numbers; "YES"/"true" (any case) or text whose leading integer is not 0.
    bool boolForKey(const QString& key) const;
    // Single precision, whatever precision the value was stored in.
    float floatForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    std::optional<QByteArray> dataForKey(const QString& key) const;
    std::optional<ValueList> arrayForKey(const QString& key) const;
    std::optional<ValueMap> dictionaryForKey(const QString& key) const;

    // A none value removes the key. Values that a property list cannot hold
    // (objects, ranges, also inside lists and maps) are refused with a warning.
    void setObject(const Value& value, const QString& key);
    void setInteger(qint64 value, const QString& key);
    void setBool(bool value, const QString& key);
    // Stored in single precision: 1.6 reads back as 1.600000023841858.
    void setFloat(float value, const QString& key);
    void setDouble(double value, const QString& key);
    void removeObjectForKey(const QString& key);

    // Writes pending changes to the file and reads changes others made.
    bool synchronize();

private:
    // The stored or registered value (none when absent) and whether it was
    // stored in single precision.
    Value lookup(const QString& key, bool* singlePrecision = nullptr) const;
    void store(const QString& key, const QString& encoded);

    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    ValueMap m_registered;
};

} // namespace plat
