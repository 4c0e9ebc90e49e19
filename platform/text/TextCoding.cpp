// Archiving of the text values: fonts, tab stops, text lists, paragraph styles
// and attributed strings.

#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextList.h"

namespace plat {

namespace {

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
    KeyedUnarchiver::registerClass(QStringLiteral("AttributedString"), [](KeyedUnarchiver& c) -> ObjectPtr {
        const QString string = c.decodeString(QStringLiteral("string"));
        MutableAttributedString text(string);
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
                || range.length > string.size() - range.location) {
                c.failWithError(QStringLiteral("An attribute run lies outside its text"));
                return nullptr;
            }
            text.setAttributes(Attributes(at("attributes").toMap()), range);
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
        ValueMap run;
        run.emplace(QStringLiteral("range"), Value(range));
        run.emplace(QStringLiteral("attributes"), Value(attributes.map()));
        runs.push_back(Value(std::move(run)));
    });
    coder.encodeString(QStringLiteral("string"), m_text.string());
    coder.encodeValue(QStringLiteral("runs"), Value(std::move(runs)));
}

} // namespace plat
