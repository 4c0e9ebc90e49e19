#include "kit/model/ZSTextTheme.h"

#include "kit/foundation/ZQColor.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQSyntaxHighlighter.h"
#include "platform/foundation/Resources.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace {

const QString FallbackThemeID = QStringLiteral("light-twins");

// A theme load that cannot go on; the message names what was wrong.
struct ThemeError {
    QString message;
};

// The platform's integer reading of text: leading blanks, a sign, the digits
// that follow; 0 without digits.
qint64 integerValueOf(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9' && value < (qint64(1) << 58))
        value = value * 10 + (text[i++].unicode() - u'0');
    return negative ? -value : value;
}

// An integer property, alpha, row or index: a number no integer holds (1e300)
// makes the file bad; converting it would be undefined.
qint64 integerOf(const QJsonValue& value, const QString& what)
{
    if (value.isString())
        return integerValueOf(value.toString());
    const double number = value.toDouble(0);
    if (!(std::abs(number) <= 9007199254740992.0)) // 2^53: beyond it no double is a whole count
        throw ThemeError{QStringLiteral("%1 is out of range: %2").arg(what).arg(number)};
    return qint64(number);
}

// A file name for an identifier, or empty when the identifier could name
// something outside the themes folder.
bool isSafeIdentifier(const QString& themeID)
{
    return !themeID.isEmpty() && !themeID.startsWith(QLatin1Char('.')) && !themeID.contains(QLatin1Char('/'))
        && !themeID.contains(QLatin1Char('\\'));
}

QString themesFolder()
{
    return ZSUtils::ensureSandboxPath(QStringLiteral("themes")).toLocalFile();
}

QString userThemePath(const QString& themeID)
{
    const QString folder = themesFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(themeID + QStringLiteral(".json"));
}

QJsonValue requireType(const QJsonObject& object, const char* key, QJsonValue::Type type, const QString& where)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isUndefined() && !value.isNull() && value.type() != type)
        throw ThemeError{QStringLiteral("%1: \"%2\" has the wrong type").arg(where, QLatin1String(key))};
    return value;
}

// "color" plus "alpha" of a theme entry: the alpha percent is appended as two
// decimal digits unless the colour is opaque; a missing alpha is 0.
plat::ColorPtr colorFromEntryValue(const QJsonObject& value)
{
    const QJsonValue hex = value.value(QLatin1String("color"));
    if (!hex.isString())
        return nullptr;
    const QJsonValue alphaValue = value.value(QLatin1String("alpha"));
    const qint64 alpha = integerOf(alphaValue, QStringLiteral("an alpha"));
    QString text = hex.toString();
    if (alpha <= 99)
        text += QStringLiteral("%1").arg(std::max<qint64>(alpha, 0), 2, 10, QLatin1Char('0'));
    return ZQColor::colorFromHexString(text);
}

} // namespace

struct ZSTextTheme::Parsed {
    ZSTextThemePtr theme;
    std::set<QString> assigned; // the stored properties the file names
};

// --- Creation and fields ------------------------------------------------------

std::shared_ptr<ZSTextTheme> ZSTextTheme::create()
{
    return std::shared_ptr<ZSTextTheme>(new ZSTextTheme());
}

std::shared_ptr<ZSTextTheme> ZSTextTheme::sharedTheme()
{
    static const ZSTextThemePtr shared = create();
    return shared;
}

const std::vector<ZSTextTheme::Field>& ZSTextTheme::fields()
{
    static const std::vector<Field> table = [] {
        std::vector<Field> list;
#define ZS_THEME_FIELD(kind, name, setter) list.push_back(Field{FieldKind::kind, QStringLiteral(#name)});
        ZS_TEXT_THEME_FIELDS(ZS_THEME_FIELD)
#undef ZS_THEME_FIELD
        return list;
    }();
    return table;
}

std::optional<ZSTextTheme::FieldKind> ZSTextTheme::fieldKind(const QString& name)
{
    static const std::map<QString, FieldKind> kinds = [] {
        std::map<QString, FieldKind> map;
        for (const Field& f : fields())
            map.emplace(f.name, f.kind);
        return map;
    }();
    const auto it = kinds.find(name);
    if (it == kinds.end())
        return std::nullopt;
    return it->second;
}

plat::Value ZSTextTheme::fieldValue(const QString& name) const
{
    std::lock_guard lock(m_propertyMutex);
    const auto it = m_fields.find(name);
    return it == m_fields.end() ? plat::Value() : it->second;
}

void ZSTextTheme::setFieldValue(const QString& name, const plat::Value& value)
{
    {
        std::lock_guard lock(m_propertyMutex);
        if (value.isNull())
            m_fields.erase(name);
        else
            m_fields[name] = value;
    }
    didChange(name);
}

// --- Header, grid, code blocks, counters --------------------------------------

QString ZSTextTheme::themeID() const { return get(m_themeID); }
void ZSTextTheme::setThemeID(const QString& v) { set(m_themeID, v, "themeID"); }
QString ZSTextTheme::inheritThemeID() const { return get(m_inheritThemeID); }
void ZSTextTheme::setInheritThemeID(const QString& v) { set(m_inheritThemeID, v, "inheritThemeID"); }
QString ZSTextTheme::themeName() const { return get(m_themeName); }
void ZSTextTheme::setThemeName(const QString& v) { set(m_themeName, v, "themeName"); }
double ZSTextTheme::themeVersion() const { return get(m_themeVersion); }
void ZSTextTheme::setThemeVersion(double v) { set(m_themeVersion, v, "themeVersion"); }
bool ZSTextTheme::isSystemTheme() const { return get(m_isSystemTheme); }
void ZSTextTheme::setIsSystemTheme(bool v) { set(m_isSystemTheme, v, "isSystemTheme"); }
QStringList ZSTextTheme::prefRows() const { return get(m_prefRows); }
void ZSTextTheme::setPrefRows(const QStringList& v) { set(m_prefRows, v, "prefRows"); }

std::map<qint64, std::map<qint64, ZQTextThemePrefObjPtr>> ZSTextTheme::prefMatrixByRowIndex() const
{
    return get(m_prefByRow);
}

std::map<QString, ZQTextThemePrefObjPtr> ZSTextTheme::prefMatrixByFieldName() const
{
    return get(m_prefByField);
}

plat::ColorPtr ZSTextTheme::codeBlockEditorForeColor() const { return get(m_codeBlockEditorForeColor); }
void ZSTextTheme::setCodeBlockEditorForeColor(plat::ColorPtr v)
{
    set(m_codeBlockEditorForeColor, std::move(v), "codeBlockEditorForeColor");
}
plat::ColorPtr ZSTextTheme::codeBlockMdForeColor() const { return get(m_codeBlockMdForeColor); }
void ZSTextTheme::setCodeBlockMdForeColor(plat::ColorPtr v)
{
    set(m_codeBlockMdForeColor, std::move(v), "codeBlockMdForeColor");
}
namespace {

// The index, after running and dropping a pending lookup.
qint64 resolvedIndex(std::mutex& mutex, qint64& index, std::function<qint64()>& lookup)
{
    std::function<qint64()> pending;
    {
        std::lock_guard lock(mutex);
        if (!lookup)
            return index;
        pending = std::move(lookup);
        lookup = nullptr;
    }
    const qint64 found = pending();
    std::lock_guard lock(mutex);
    index = found;
    return found;
}

} // namespace

qint64 ZSTextTheme::codeBlockEditorIndex() const
{
    return resolvedIndex(m_propertyMutex, m_codeBlockEditorIndex, m_codeBlockEditorIndexLookup);
}
void ZSTextTheme::setCodeBlockEditorIndex(qint64 v)
{
    {
        std::lock_guard lock(m_propertyMutex);
        m_codeBlockEditorIndexLookup = nullptr;
    }
    set(m_codeBlockEditorIndex, v, "codeBlockEditorIndex");
}
void ZSTextTheme::setCodeBlockEditorIndexLookup(std::function<qint64()> lookup)
{
    set(m_codeBlockEditorIndexLookup, std::move(lookup), "codeBlockEditorIndex");
}
qint64 ZSTextTheme::codeBlockMdIndex() const
{
    return resolvedIndex(m_propertyMutex, m_codeBlockMdIndex, m_codeBlockMdIndexLookup);
}
void ZSTextTheme::setCodeBlockMdIndex(qint64 v)
{
    {
        std::lock_guard lock(m_propertyMutex);
        m_codeBlockMdIndexLookup = nullptr;
    }
    set(m_codeBlockMdIndex, v, "codeBlockMdIndex");
}
void ZSTextTheme::setCodeBlockMdIndexLookup(std::function<qint64()> lookup)
{
    set(m_codeBlockMdIndexLookup, std::move(lookup), "codeBlockMdIndex");
}

qint64 ZSTextTheme::textForRichChanging() const { return get(m_textForRichChanging); }
void ZSTextTheme::setTextForRichChanging(qint64 v) { set(m_textForRichChanging, v, "textForRichChanging"); }
qint64 ZSTextTheme::markupTextChanging() const { return get(m_markupTextChanging); }
void ZSTextTheme::setMarkupTextChanging(qint64 v) { set(m_markupTextChanging, v, "markupTextChanging"); }
qint64 ZSTextTheme::blockEditorForRichChanging() const { return get(m_blockEditorForRichChanging); }
void ZSTextTheme::setBlockEditorForRichChanging(qint64 v)
{
    set(m_blockEditorForRichChanging, v, "blockEditorForRichChanging");
}
qint64 ZSTextTheme::blockEditorChanging() const { return get(m_blockEditorChanging); }
void ZSTextTheme::setBlockEditorChanging(qint64 v) { set(m_blockEditorChanging, v, "blockEditorChanging"); }
qint64 ZSTextTheme::obCodeBlockForRichChanging() const { return get(m_obCodeBlockForRichChanging); }
void ZSTextTheme::setObCodeBlockForRichChanging(qint64 v)
{
    set(m_obCodeBlockForRichChanging, v, "obCodeBlockForRichChanging");
}
qint64 ZSTextTheme::obCodeBlockForMarkupChanging() const { return get(m_obCodeBlockForMarkupChanging); }
void ZSTextTheme::setObCodeBlockForMarkupChanging(qint64 v)
{
    set(m_obCodeBlockForMarkupChanging, v, "obCodeBlockForMarkupChanging");
}

// --- Loading ------------------------------------------------------------------

std::optional<ZSTextTheme::Parsed> ZSTextTheme::parse(const QString& themeID)
{
    if (!isSafeIdentifier(themeID))
        return std::nullopt;
    QString path = plat::Resources::pathForResource(themeID, QStringLiteral("json"), QStringLiteral("themes"));
    if (path.isEmpty())
        path = userThemePath(themeID);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject())
        return std::nullopt;

    Parsed parsed{create(), {}};
    ZSTextTheme& theme = *parsed.theme;
    try {
        const QJsonObject root = doc.object();
        const QString top = QStringLiteral("theme");
        theme.m_themeID = requireType(root, "id", QJsonValue::String, top).toString();
        theme.m_inheritThemeID = requireType(root, "inheritID", QJsonValue::String, top).toString();
        theme.m_themeName = requireType(root, "name", QJsonValue::String, top).toString();
        const double version = requireType(root, "version", QJsonValue::Double, top).toDouble(0);
        if (!(std::abs(version) <= std::numeric_limits<float>::max()))
            throw ThemeError{QStringLiteral("the version is out of range: %1").arg(version)};
        theme.m_themeVersion = double(float(version));
        const QJsonValue system = root.value(QLatin1String("isSystemTheme"));
        theme.m_isSystemTheme = system.isBool() ? system.toBool() : system.toDouble(0) != 0;
        const QJsonObject preference = requireType(root, "preference", QJsonValue::Object, top).toObject();
        for (const QJsonValue row : requireType(preference, "rows", QJsonValue::Array, top).toArray()) {
            if (!row.isString())
                throw ThemeError{QStringLiteral("a row label is not a string")};
            theme.m_prefRows << row.toString();
        }

        for (const char* group : {"rich", "markup", "editor", "markupeditor"}) {
            const bool withCells = qstrcmp(group, "rich") == 0 || qstrcmp(group, "markup") == 0;
            for (const QJsonValue item : requireType(root, group, QJsonValue::Array, top).toArray()) {
                if (!item.isObject())
                    throw ThemeError{QStringLiteral("an entry of \"%1\" is not an object").arg(QLatin1String(group))};
                const QJsonObject entry = item.toObject();
                const QString name = entry.value(QLatin1String("name")).toString();
                const std::optional<FieldKind> kind = fieldKind(name);
                if (!kind)
                    throw ThemeError{QStringLiteral("unknown property \"%1\"").arg(name)};
                const QJsonValue value = entry.value(QLatin1String("value"));
                switch (*kind) {
                case FieldKind::Integer:
                    theme.m_fields[name] = integerOf(value, QStringLiteral("\"%1\"").arg(name));
                    break;
                case FieldKind::Flag:
                    theme.m_fields[name] = value.isString() && value.toString() == QLatin1String("YES");
                    break;
                case FieldKind::Name:
                    if (!value.isString())
                        throw ThemeError{QStringLiteral("\"%1\" is not a string").arg(name)};
                    theme.m_fields[name] = value.toString();
                    if (name == QLatin1String("editorCodeBlockCSS"))
                        ZQSyntaxHighlighter::sharedSyntaxHighlighter().fillInThemeCodeBlockColor(
                            theme, value.toString(), ZQEditorType::Rich);
                    else if (name == QLatin1String("mdCodeBlockCSS"))
                        ZQSyntaxHighlighter::sharedSyntaxHighlighter().fillInThemeCodeBlockColor(
                            theme, value.toString(), ZQEditorType::Markup);
                    break;
                case FieldKind::Color:
                    if (!value.isObject())
                        throw ThemeError{QStringLiteral("colour \"%1\" is not an object").arg(name)};
                    if (plat::ColorPtr color = colorFromEntryValue(value.toObject()))
                        theme.m_fields[name] = plat::Value(std::move(color));
                    else
                        theme.m_fields.erase(name);
                    break;
                }
                parsed.assigned.insert(name);
                if (!withCells)
                    continue;
                const QJsonObject pref = entry.value(QLatin1String("pref")).toObject();
                auto cell = std::make_shared<ZQTextThemePrefObj>();
                cell->rowIndex = integerOf(pref.value(QLatin1String("row")), QStringLiteral("the row of \"%1\"").arg(name));
                cell->labelIndex = integerOf(pref.value(QLatin1String("index")), QStringLiteral("the index of \"%1\"").arg(name));
                cell->label = pref.value(QLatin1String("label")).toString();
                cell->fieldName = name;
                if (!theme.m_prefRows.isEmpty()) {
                    if (cell->rowIndex < 0 || cell->rowIndex >= theme.m_prefRows.size())
                        throw ThemeError{QStringLiteral("row %1 of \"%2\" has no label").arg(cell->rowIndex).arg(name)};
                    cell->rowLabel = theme.m_prefRows[cell->rowIndex];
                }
                theme.m_prefByField[name] = cell;
                theme.m_prefByRow[cell->rowIndex][cell->labelIndex] = cell;
            }
        }
    } catch (const ThemeError& error) {
        qWarning().noquote() << QStringLiteral("Theme JSON load failed %1 - %2").arg(themeID, error.message);
        return std::nullopt;
    }
    return parsed;
}

// The last resort when no theme file can be read: plain dark text on white,
// so that nothing that reads a colour finds none.
ZSTextTheme::Parsed ZSTextTheme::builtInTheme()
{
    Parsed parsed{create(), {}};
    ZSTextTheme& theme = *parsed.theme;
    theme.m_themeID = QStringLiteral("built-in");
    theme.m_inheritThemeID = theme.m_themeID;
    theme.m_themeName = QStringLiteral("Built-in");
    theme.m_themeVersion = 1.0;
    theme.m_isSystemTheme = true;
    for (const Field& field : fields()) {
        switch (field.kind) {
        case FieldKind::Color: {
            double grey = 0.13;
            if (field.name.contains(QLatin1String("Background")))
                grey = 1.0;
            else if (field.name.contains(QLatin1String("Border")) || field.name.contains(QLatin1String("Selection")))
                grey = 0.8;
            else if (field.name.contains(QLatin1String("Marker")) || field.name.contains(QLatin1String("Quote")))
                grey = 0.5;
            theme.m_fields[field.name] = plat::Value(plat::Color::rgba(grey, grey, grey, 1.0));
            break;
        }
        case FieldKind::Flag:
            theme.m_fields[field.name] = true;
            break;
        case FieldKind::Integer:
            theme.m_fields[field.name] = qint64(0);
            break;
        case FieldKind::Name:
            theme.m_fields[field.name] = QStringLiteral("github");
            break;
        }
        parsed.assigned.insert(field.name);
    }
    return parsed;
}

void ZSTextTheme::adopt(const Parsed& parsed)
{
    const ZSTextTheme& from = *parsed.theme;
    std::vector<QString> changed;
    {
        std::lock_guard lock(m_propertyMutex);
        m_themeID = from.m_themeID;
        m_inheritThemeID = from.m_inheritThemeID;
        m_themeName = from.m_themeName;
        m_themeVersion = from.m_themeVersion;
        m_isSystemTheme = from.m_isSystemTheme;
        m_prefRows = from.m_prefRows;
        for (const QString& name : parsed.assigned) {
            const auto it = from.m_fields.find(name);
            if (it == from.m_fields.end())
                m_fields.erase(name);
            else
                m_fields[name] = it->second;
            changed.push_back(name);
        }
        for (const auto& [name, cell] : from.m_prefByField) {
            m_prefByField[name] = cell;
            m_prefByRow[cell->rowIndex][cell->labelIndex] = cell;
        }
        if (from.m_codeBlockEditorForeColor) {
            m_codeBlockEditorForeColor = from.m_codeBlockEditorForeColor;
            m_codeBlockEditorIndex = from.m_codeBlockEditorIndex;
            m_codeBlockEditorIndexLookup = from.m_codeBlockEditorIndexLookup;
        }
        if (from.m_codeBlockMdForeColor) {
            m_codeBlockMdForeColor = from.m_codeBlockMdForeColor;
            m_codeBlockMdIndex = from.m_codeBlockMdIndex;
            m_codeBlockMdIndexLookup = from.m_codeBlockMdIndexLookup;
        }
    }
    for (const char* header : {"themeID", "inheritThemeID", "themeName", "themeVersion", "isSystemTheme",
                               "prefRows", "codeBlockEditorForeColor", "codeBlockMdForeColor"})
        didChange(QString::fromLatin1(header));
    for (const QString& name : changed)
        didChange(name);

    if (!codeBlockMdForeColor())
        setCodeBlockMdForeColor(mkTextColor());
    if (!codeBlockEditorForeColor())
        setCodeBlockEditorForeColor(richTextColor());
    setBlockEditorForRichChanging(blockEditorForRichChanging() + 1);
    setBlockEditorChanging(blockEditorChanging() + 1);
}

std::shared_ptr<ZSTextTheme> ZSTextTheme::loadTheme(const QString& themeID, bool intoSharedInstance)
{
    if (!intoSharedInstance) {
        std::optional<Parsed> parsed = parse(themeID);
        if (!parsed)
            return nullptr;
        ZSTextThemePtr theme = create();
        theme->adopt(*parsed);
        return theme;
    }

    const ZSTextThemePtr shared = sharedTheme();
    if (!themeID.isEmpty() && shared->themeID() == themeID)
        return shared;
    if (std::optional<Parsed> parsed = parse(themeID)) {
        shared->adopt(*parsed);
        return shared;
    }
    // A theme that cannot be read leaves the current one in place; only a
    // process without any theme yet falls back, once, then to the built-in one.
    if (shared->themeID().isEmpty()) {
        std::optional<Parsed> fallback;
        if (themeID != FallbackThemeID)
            fallback = parse(FallbackThemeID);
        if (!fallback) {
            qWarning().noquote() << QStringLiteral("Theme %1 cannot be loaded, using the built-in theme").arg(FallbackThemeID);
            fallback = builtInTheme();
        }
        shared->adopt(*fallback);
    }
    return shared;
}

// --- Writing ------------------------------------------------------------------

QJsonObject ZSTextTheme::toJsonObject() const
{
    std::lock_guard lock(m_propertyMutex);
    QJsonObject root;
    root.insert(QStringLiteral("id"), m_themeID);
    root.insert(QStringLiteral("inheritID"), m_inheritThemeID);
    root.insert(QStringLiteral("name"), m_themeName);
    root.insert(QStringLiteral("version"), double(float(m_themeVersion)));
    root.insert(QStringLiteral("isSystemTheme"), m_isSystemTheme);
    root.insert(QStringLiteral("preference"),
                QJsonObject{{QStringLiteral("rows"), QJsonArray::fromStringList(m_prefRows)}});

    QJsonArray editor, markupEditor, rich, markup;
    for (const Field& field : fields()) {
        const auto it = m_fields.find(field.name);
        const plat::Value value = it == m_fields.end() ? plat::Value() : it->second;
        QJsonObject entry{{QStringLiteral("name"), field.name}};
        switch (field.kind) {
        case FieldKind::Color: {
            QJsonObject colour;
            if (const auto color = value.toObject<plat::Color>()) {
                colour.insert(QStringLiteral("color"), ZQColor::hexString(*color));
                colour.insert(QStringLiteral("alpha"), ZQColor::alphaPercent(*color));
            }
            entry.insert(QStringLiteral("value"), colour);
            break;
        }
        case FieldKind::Flag:
            entry.insert(QStringLiteral("value"), value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO"));
            break;
        case FieldKind::Integer:
            entry.insert(QStringLiteral("value"), QString::number(value.toInteger()));
            break;
        case FieldKind::Name:
            entry.insert(QStringLiteral("value"), value.toString());
            break;
        }
        const bool isRich = field.name.startsWith(QLatin1String("rich"));
        if (isRich || field.name.startsWith(QLatin1String("mk"))) {
            QJsonObject pref{{QStringLiteral("row"), 0}, {QStringLiteral("index"), 0}};
            const auto cell = m_prefByField.find(field.name);
            if (cell != m_prefByField.end()) {
                pref.insert(QStringLiteral("row"), cell->second->rowIndex);
                pref.insert(QStringLiteral("index"), cell->second->labelIndex);
                if (!cell->second->label.isEmpty())
                    pref.insert(QStringLiteral("label"), cell->second->label);
            }
            entry.insert(QStringLiteral("pref"), pref);
            (isRich ? rich : markup).append(entry);
        } else if (field.name.startsWith(QLatin1String("editor"))) {
            editor.append(entry);
        } else {
            markupEditor.append(entry);
        }
    }
    root.insert(QStringLiteral("editor"), editor);
    root.insert(QStringLiteral("markupeditor"), markupEditor);
    root.insert(QStringLiteral("rich"), rich);
    root.insert(QStringLiteral("markup"), markup);
    return root;
}

bool ZSTextTheme::writeFile(const QString& themeID, bool pretty) const
{
    if (!isSafeIdentifier(themeID))
        return false;
    const QString path = userThemePath(themeID);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(toJsonObject()).toJson(pretty ? QJsonDocument::Indented : QJsonDocument::Compact));
    return file.commit();
}

void ZSTextTheme::save()
{
    if (isSystemTheme())
        return;
    if (m_saveTimer)
        m_saveTimer->invalidate();
    std::weak_ptr<ZSTextTheme> weak = std::static_pointer_cast<ZSTextTheme>(shared_from_this());
    m_saveTimer = plat::Timer::scheduledTimer(2.0, false, [weak](plat::Timer&) {
        if (const auto theme = weak.lock())
            theme->quickSave();
    });
}

void ZSTextTheme::quickSave()
{
    if (m_saveTimer) {
        m_saveTimer->invalidate();
        m_saveTimer.reset();
    }
    plat::DispatchQueuePtr queue;
    {
        std::lock_guard lock(m_propertyMutex);
        if (!m_saveQueue)
            m_saveQueue = plat::SerialQueue::create(QStringLiteral("ThemeSaveQueue"));
        queue = m_saveQueue;
    }
    ZSTextThemePtr self = std::static_pointer_cast<ZSTextTheme>(shared_from_this());
    queue->async([self] { self->writeFile(self->themeID(), true); });
}

void ZSTextTheme::saveNow()
{
    writeFile(themeID(), true);
}

plat::DispatchQueuePtr ZSTextTheme::saveQueue() const
{
    std::lock_guard lock(m_propertyMutex);
    return m_saveQueue;
}

bool ZSTextTheme::deleteTheme(const QString& themeID)
{
    if (!isSafeIdentifier(themeID))
        return false;
    const QString path = userThemePath(themeID);
    return !path.isEmpty() && QFile::exists(path) && QFile::remove(path);
}

// --- Cloning ------------------------------------------------------------------

std::shared_ptr<ZSTextTheme> ZSTextTheme::cloneTheme(const std::shared_ptr<ZSTextTheme>& source,
                                                     const QString& themeID, const QString& name,
                                                     bool intoSharedInstance)
{
    if (!source || !source->writeFile(themeID, false))
        return nullptr;
    const QString inherit = inheritThemeID();
    ZSTextThemePtr result;
    if (std::optional<Parsed> parsed = parse(themeID)) {
        result = intoSharedInstance ? sharedTheme() : create();
        result->adopt(*parsed);
    }
    if (!result)
        return nullptr;
    result->setThemeID(themeID);
    result->setInheritThemeID(inherit);
    result->setIsSystemTheme(false);
    result->setThemeName(name);
    result->setThemeVersion(1.0);
    result->writeFile(themeID, true);
    return result;
}
