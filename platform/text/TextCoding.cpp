// Archiving of the text values: fonts, tab stops, text lists, paragraph styles
// and attributed strings.

#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextList.h"

namespace plat {

namespace {

// A hash for finding equal dictionaries: scalars by value, objects by their
// own hash. An object class whose equality outgrows its hash only costs a
// dictionary stored twice, never a wrong match: matches are checked by equality.
std::size_t valueHash(const Value& value)
{
    struct Visitor {
        std::size_t operator()(std::monostate) const { return 0; }
        std::size_t operator()(bool b) const { return b ? 1 : 2; }
        std::size_t operator()(qint64 i) const { return std::hash<qint64>()(i); }
        std::size_t operator()(double x) const { return std::hash<double>()(x); }
        std::size_t operator()(const QString& s) const { return qHash(s); }
        std::size_t operator()(const QByteArray& b) const { return qHash(b); }
        std::size_t operator()(Range r) const { return qHashMulti(0, r.location, r.length); }
        std::size_t operator()(const std::shared_ptr<ValueList>& list) const { return list ? list->size() : 0; }
        std::size_t operator()(const std::shared_ptr<ValueMap>& map) const { return map ? map->size() : 0; }
        std::size_t operator()(const ObjectPtr& o) const
        {
            return o ? o->hash() : 0;
        }
    };
    return std::visit(Visitor{}, value.storage());
}

// One attribute dictionary in an archive. Runs with equal dictionaries refer to
// one archived set, so a page's thousands of runs store their few distinct
// dictionaries once and decode each once.
class AttributeSet final : public Object {
public:
    explicit AttributeSet(Attributes attributes) : m_attributes(std::move(attributes)) {}
    const Attributes& attributes() const { return m_attributes; }

    QString className() const override { return QStringLiteral("AttributeSet"); }
    bool isEqual(const Object& other) const override
    {
        const auto* o = dynamic_cast<const AttributeSet*>(&other);
        return o && o->m_attributes == m_attributes;
    }
    std::size_t hash() const override
    {
        std::size_t h = m_attributes.size();
        for (const auto& [name, value] : m_attributes)
            h = qHashMulti(h, name, valueHash(value));
        return h;
    }
    bool supportsCoding() const override { return true; }
    bool archivesByValue() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeValue(QStringLiteral("attributes"), Value(m_attributes.map()));
    }

private:
    Attributes m_attributes;
};

// The first form of the runs: a list of {range, attributes} maps.
bool decodeRunMaps(KeyedUnarchiver& c, MutableAttributedString& text)
{
    const QString& string = text.string();
    const Value runs = c.decodeValue(QStringLiteral("runs"));
    for (const Value& run : runs.toList()) {
        const ValueMap& fields = run.toMap();
        const auto at = [&](const char* key) {
            const auto it = fields.find(QLatin1String(key));
            return it == fields.end() ? Value() : it->second;
        };
        const Range range = at("range").toRange();
        // Compared without adding: a forged {2^62, 2^62} would overflow the end.
        if (range.location < 0 || range.length < 0 || range.location > string.size()
            || range.length > string.size() - range.location)
            return false;
        text.setAttributes(Attributes(at("attributes").toMap()), range);
    }
    return true;
}

// The compact form: lengths and dictionaries alternating, end to end.
bool decodeRunTable(KeyedUnarchiver& c, MutableAttributedString& text)
{
    const Value table = c.decodeValue(QStringLiteral("attributeRuns"));
    const ValueList& items = table.toList();
    if (items.size() % 2 != 0)
        return false;
    std::vector<AttributeRun> runs;
    runs.reserve(items.size() / 2);
    for (std::size_t i = 0; i < items.size(); i += 2) {
        if (!items[i].isInteger())
            return false;
        const auto set = items[i + 1].toObject<AttributeSet>();
        if (!set && !items[i + 1].isNull())
            return false;
        runs.push_back(AttributeRun{qsizetype(items[i].toInteger()), set ? set->attributes() : Attributes()});
    }
    return text.setAttributeRuns(runs);
}

template <typename T>
std::vector<std::shared_ptr<T>> objectsOf(const Value& list)
{
    std::vector<std::shared_ptr<T>> out;
    for (const Value& item : list.toList()) {
        if (auto object = item.toObject<T>())
            out.push_back(std::move(object));
    }
    return out;
}

[[maybe_unused]] const bool textCodingRegistered = [] {
    KeyedUnarchiver::registerClass(QStringLiteral("Font"), [](KeyedUnarchiver& c) -> ObjectPtr {
        return Font::create(c.decodeString(QStringLiteral("family")), c.decodeDouble(QStringLiteral("size")),
                            c.decodeBool(QStringLiteral("bold")), c.decodeBool(QStringLiteral("italic")));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("TextTab"), [](KeyedUnarchiver& c) -> ObjectPtr {
        return TextTab::create(TextAlignment(c.decodeInteger(QStringLiteral("alignment"))),
                               c.decodeDouble(QStringLiteral("location")));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("TextList"), [](KeyedUnarchiver& c) -> ObjectPtr {
        return TextList::create(c.decodeString(QStringLiteral("markerFormat")),
                                unsigned(c.decodeInteger(QStringLiteral("options"))),
                                c.decodeInteger(QStringLiteral("startingItemNumber")));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("ParagraphStyle"), [](KeyedUnarchiver& c) -> ObjectPtr {
        auto style = ParagraphStyle::create();
        style->setTabStops(objectsOf<TextTab>(c.decodeValue(QStringLiteral("tabStops"))));
        style->setDefaultTabInterval(c.decodeDouble(QStringLiteral("defaultTabInterval")));
        style->setHeadIndent(c.decodeDouble(QStringLiteral("headIndent")));
        style->setFirstLineHeadIndent(c.decodeDouble(QStringLiteral("firstLineHeadIndent")));
        style->setTailIndent(c.decodeDouble(QStringLiteral("tailIndent")));
        style->setLineSpacing(c.decodeDouble(QStringLiteral("lineSpacing")));
        style->setLineHeightMultiple(c.decodeDouble(QStringLiteral("lineHeightMultiple")));
        style->setParagraphSpacing(c.decodeDouble(QStringLiteral("paragraphSpacing")));
        style->setParagraphSpacingBefore(c.decodeDouble(QStringLiteral("paragraphSpacingBefore")));
        style->setAlignment(TextAlignment(c.decodeInteger(QStringLiteral("alignment"))));
        style->setTextLists(objectsOf<TextList>(c.decodeValue(QStringLiteral("textLists"))));
        return style;
    });
    KeyedUnarchiver::registerClass(QStringLiteral("AttributeSet"), [](KeyedUnarchiver& c) -> ObjectPtr {
        return std::make_shared<AttributeSet>(Attributes(c.decodeValue(QStringLiteral("attributes")).toMap()));
    });
    KeyedUnarchiver::registerClass(QStringLiteral("AttributedString"), [](KeyedUnarchiver& c) -> ObjectPtr {
        MutableAttributedString text(c.decodeString(QStringLiteral("string")));
        const bool compact = c.containsValue(QStringLiteral("attributeRuns"));
        if (!(compact ? decodeRunTable(c, text) : decodeRunMaps(c, text))) {
            c.failWithError(QStringLiteral("An attribute run lies outside its text"));
            return nullptr;
        }
        return AttributedText::create(text);
    });
    return true;
}();

} // namespace

void Font::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString(QStringLiteral("family"), m_family);
    coder.encodeDouble(QStringLiteral("size"), m_pointSize);
    coder.encodeBool(QStringLiteral("bold"), m_bold);
    coder.encodeBool(QStringLiteral("italic"), m_italic);
}

void TextTab::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeInteger(QStringLiteral("alignment"), qint64(m_alignment));
    coder.encodeDouble(QStringLiteral("location"), m_location);
}

void TextList::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeString(QStringLiteral("markerFormat"), m_markerFormat);
    coder.encodeInteger(QStringLiteral("options"), m_options);
    coder.encodeInteger(QStringLiteral("startingItemNumber"), m_startingItemNumber);
}

void ParagraphStyle::encodeWithCoder(KeyedArchiver& coder) const
{
    ValueList tabs(m_tabStops.begin(), m_tabStops.end());
    ValueList lists(m_textLists.begin(), m_textLists.end());
    coder.encodeValue(QStringLiteral("tabStops"), Value(std::move(tabs)));
    coder.encodeDouble(QStringLiteral("defaultTabInterval"), m_defaultTabInterval);
    coder.encodeDouble(QStringLiteral("headIndent"), m_headIndent);
    coder.encodeDouble(QStringLiteral("firstLineHeadIndent"), m_firstLineHeadIndent);
    coder.encodeDouble(QStringLiteral("tailIndent"), m_tailIndent);
    coder.encodeDouble(QStringLiteral("lineSpacing"), m_lineSpacing);
    coder.encodeDouble(QStringLiteral("lineHeightMultiple"), m_lineHeightMultiple);
    coder.encodeDouble(QStringLiteral("paragraphSpacing"), m_paragraphSpacing);
    coder.encodeDouble(QStringLiteral("paragraphSpacingBefore"), m_paragraphSpacingBefore);
    coder.encodeInteger(QStringLiteral("alignment"), qint64(m_alignment));
    coder.encodeValue(QStringLiteral("textLists"), Value(std::move(lists)));
}

std::shared_ptr<AttributedText> AttributedText::create(const AttributedString& text)
{
    return std::shared_ptr<AttributedText>(new AttributedText(text));
}

bool AttributedText::isEqual(const Object& other) const
{
    const auto* o = dynamic_cast<const AttributedText*>(&other);
    return o && o->m_text == m_text;
}

void AttributedText::encodeWithCoder(KeyedArchiver& coder) const
{
    ValueList runs;
    m_text.enumerateAttributes(Range(0, m_text.length()), 0, [&](const Attributes& attributes, Range range, bool*) {
        runs.emplace_back(qint64(range.length));
        runs.emplace_back(attributes.isEmpty() ? Value() : Value(ObjectPtr(std::make_shared<AttributeSet>(attributes))));
    });
    coder.encodeString(QStringLiteral("string"), m_text.string());
    coder.encodeValue(QStringLiteral("attributeRuns"), Value(std::move(runs)));
}

} // namespace plat
