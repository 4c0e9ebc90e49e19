// The emphasis family while the user edits: live styling of a typed span and
// the formatting commands.

#include "kit/filters/ZQBaseFilter.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/foundation/Exs.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

#include <map>

namespace {


// A marker character as a literal, inside or outside a character class.
QString literal(QChar c)
{
    return c == u'_' ? QString(c) : QStringLiteral("\\") + c;
}

// The opening marker, a body (one non-blank character other than the marker
// character, or a run that starts and ends with one and holds neither that
// character nor a line break), the closing marker.
QString spanPattern(const QString& marker)
{
    const QChar c = marker.at(0);
    QString open;
    for (const QChar m : marker)
        open += literal(m);
    const QString k = literal(c);
    return open + QStringLiteral(R"(([^\p{Space}%1]|(?:[^\p{Space}%1](?:[^%1\r\n]*?)[^\p{Space}%1])))").arg(k) + open;
}

using PatternTable = std::map<QString, std::shared_ptr<const plat::Regex>>;

// Typed key to compiled pattern; Markdown's "~" key closes a "~~" span.
PatternTable makePatterns(const std::vector<std::pair<QString, QString>>& keysAndMarkers, bool forward)
{
    PatternTable table;
    for (const auto& [key, marker] : keysAndMarkers) {
        const QString body = spanPattern(marker);
        table.emplace(key, plat::Regex::create(forward ? QStringLiteral("\\A") + body : body + QStringLiteral("\\z")));
    }
    return table;
}

const std::vector<std::pair<QString, QString>>& markdownKeys()
{
    static const std::vector<std::pair<QString, QString>> keys = {
        {QStringLiteral("**"), QStringLiteral("**")}, {QStringLiteral("*"), QStringLiteral("*")},
        {QStringLiteral("~"), QStringLiteral("~~")},  {QStringLiteral("`"), QStringLiteral("`")},
        {QStringLiteral("+"), QStringLiteral("+")}};
    return keys;
}

const std::vector<std::pair<QString, QString>>& quorvelKeys()
{
    static const std::vector<std::pair<QString, QString>> keys = {
        {QStringLiteral("*"), QStringLiteral("*")}, {QStringLiteral("~"), QStringLiteral("~")},
        {QStringLiteral("-"), QStringLiteral("-")}, {QStringLiteral("`"), QStringLiteral("`")},
        {QStringLiteral("_"), QStringLiteral("_")}, {QStringLiteral("+"), QStringLiteral("+")}};
    return keys;
}

plat::FontPtr fontOf(const plat::Attributes& attributes)
{
    return attributes.value(plat::FontAttribute).toObject<plat::Font>();
}

bool hasItalic(const plat::Attributes& attributes)
{
    const plat::FontPtr font = fontOf(attributes);
    return (font && Exs::isItalic(*font)) || !attributes.value(ZQAttr::FilterItalic).isNull();
}

bool hasBold(const plat::Attributes& attributes)
{
    const plat::FontPtr font = fontOf(attributes);
    return font && Exs::isBold(*font);
}

bool hasNumber(const plat::Attributes& attributes, const QString& name)
{
    const plat::Value& value = attributes.value(name);
    return !value.isNull() && value.toInteger() != 0;
}

// Every font run of range loses the trait.
void removeFontTrait(plat::MutableAttributedString& content, plat::Range all, bool bold)
{
    content.enumerateAttribute(plat::FontAttribute, all, plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
        if (const auto font = value.toObject<plat::Font>())
            content.addAttribute(plat::FontAttribute, bold ? Exs::toNotHaveBold(*font) : Exs::toNotHaveItalic(*font),
                                 run);
    });
}

void removeItalic(plat::MutableAttributedString& content, plat::Range all)
{
    removeFontTrait(content, all, false);
    content.removeAttribute(ZQAttr::FilterItalic, all);
    content.removeAttribute(plat::ObliquenessAttribute, all);
}

} // namespace

// ---- Maps ----------------------------------------------------------------------------

quint64 ZQBaseFilter::nodeTypeFromMenuTag(quint64 tag)
{
    switch (tag) {
    case 1:
        return ZQNodeType::Emphasis;
    case 2:
        return ZQNodeType::Strong;
    case 10:
        return ZQNodeType::Underline;
    case 11:
        return ZQNodeType::StrikeThrough;
    case 12:
        return ZQNodeType::CodeSpan;
    case 43:
        return ZQNodeType::TagMacro;
    default:
        return 0;
    }
}

QString ZQBaseFilter::actionFromTextNodeType(quint64 nodeType)
{
    switch (nodeType) {
    case ZQNodeType::Strong:
        return QStringLiteral("Strong");
    case ZQNodeType::Emphasis:
        return QStringLiteral("Emphasis");
    case ZQNodeType::StrikeThrough:
        return QStringLiteral("Struck through");
    case ZQNodeType::CodeSpan:
        return QStringLiteral("Code");
    case ZQNodeType::Underline:
        return QStringLiteral("Underlined");
    case ZQNodeType::TagMacro:
        return QStringLiteral("Tag");
    default:
        return QString();
    }
}

ZQBaseFilter::Patterns ZQBaseFilter::getOnFlyPattenForKeyChar(const QString& key, bool isFoward,
                                                              ZQMarkupType markupType)
{
    static const PatternTable backwardMarkdown = makePatterns(markdownKeys(), false);
    static const PatternTable forwardMarkdown = makePatterns(markdownKeys(), true);
    static const PatternTable backwardQuorvel = makePatterns(quorvelKeys(), false);
    static const PatternTable forwardQuorvel = makePatterns(quorvelKeys(), true);
    const bool markdown = markupType == ZQMarkupType::Markdown;
    const PatternTable& table =
        markdown ? (isFoward ? forwardMarkdown : backwardMarkdown) : (isFoward ? forwardQuorvel : backwardQuorvel);
    Patterns patterns;
    if (const auto it = table.find(key); it != table.end())
        patterns.push_back(it->second.get());
    if (markdown && key == u"*")
        patterns.push_back(table.at(QStringLiteral("**")).get());
    return patterns;
}

// ---- Live typing ---------------------------------------------------------------------

bool ZQBaseFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                   ZQRenderContext& context)
{
    const plat::TextStorage& storage = *view.textStorage();
    const ZQMarkupType markupType = context.runningMarkupType();
    if (typed.size() != 1 || position < 1 || position > storage.length())
        return false;
    const Patterns backward = getOnFlyPattenForKeyChar(typed, false, markupType);
    if (backward.empty())
        return false;
    const qsizetype typedAt = position - 1;
    const plat::Range line = ZQAttributedString::lineRange(storage, plat::Range(typedAt, 0), true);
    const QString text = ZQAttributedString::escapeRawStringForParagraph(storage, typedAt);

    for (const plat::Regex* pattern : backward) {
        if (const auto match = pattern->firstMatch(text, plat::Range(line.location, position - line.location))) {
            renderRichOnFly(match->range(), match->rangeAtIndex(1), view, true, context);
            return true;
        }
    }
    for (const plat::Regex* pattern : getOnFlyPattenForKeyChar(typed, true, markupType)) {
        if (const auto match = pattern->firstMatch(text, plat::Range(typedAt, line.end() - typedAt))) {
            renderRichOnFly(match->range(), match->rangeAtIndex(1), view, false, context);
            return true;
        }
    }
    return false;
}

void ZQBaseFilter::renderRichOnFly(plat::Range markerRange, plat::Range bodyRange, plat::TextView& view,
                                   bool backward, ZQRenderContext& context)
{
    const plat::TextStorage& storage = *view.textStorage();
    const ZQMarkupType markupType = context.runningMarkupType();
    QString marker = storage.string().mid(markerRange.location, bodyRange.location - markerRange.location);
    // "*x*" around a body already in italics asks for strong instead.
    bool replaceItalic = false;
    if (markupType == ZQMarkupType::Markdown && marker == u"*") {
        const plat::Attributes typing = ZQAttributedString::typingAttributeInRange(
            storage, bodyRange, ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
        if (hasItalic(typing)) {
            marker = QStringLiteral("**");
            replaceItalic = true;
        }
    }
    processReplaceOnRich(nodeTypeFromMarker(marker, markupType), view, markerRange, bodyRange, replaceItalic,
                         !backward);
    ZSSettings::sharedSettings()->restoreTypingAttribute(view, ZQEditorType::Rich);
}

void ZQBaseFilter::processReplaceOnRich(quint64 nodeType, plat::TextView& view, plat::Range range,
                                        plat::Range bodyRange, bool replaceItalic, bool forward)
{
    plat::MutableAttributedString body(view.textStorage()->attributedSubstring(bodyRange));
    if (replaceItalic)
        removeItalic(body, plat::Range(0, body.length()));
    applyStyleOnRich(nodeType, body, plat::Range(0, body.length()));
    const plat::Range caret(forward ? range.location : range.location + body.length(), 0);
    ZQViewEditing::replace(view, range, body, caret, actionFromTextNodeType(nodeType));
}

// ---- Commands ------------------------------------------------------------------------

bool ZQBaseFilter::filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context)
{
    const quint64 nodeType = nodeTypeFromMenuTag(tag);
    if (nodeType == 0)
        return false;
    plat::checkRange(range, view.textStorage()->length(), "filterRangeOnFly");
    if (ZSUtils::getEditorType(view) == ZQEditorType::Markup)
        return filterMarkupRange(range, nodeType, view, context);
    if (range.length == 0) {
        // The next typed text takes the style, or leaves it.
        if (nodeType == ZQNodeType::TagMacro)
            view.setTypingAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
        else
            view.setTypingAttributes(
                ZQHighlighter::sharedHighlighter().toggleTypingAttribute(int(nodeType), view.typingAttributes()));
        return false;
    }
    filterRichRange(range, tag, nodeType, view);
    return true;
}

bool ZQBaseFilter::filterMarkupRange(plat::Range range, quint64 nodeType, plat::TextView& view,
                                     ZQRenderContext& context)
{
    const QString marker = markerFromNodeType(nodeType, context.runningMarkupType());
    if (marker.isEmpty())
        return false;
    const plat::TextStorage& storage = *view.textStorage();
    const QString& text = storage.string();
    const qsizetype m = marker.size();
    const plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup);
    auto markerAt = [&](qsizetype location) {
        return location >= 0 && location + m <= text.size() && QStringView(text).mid(location, m) == marker;
    };

    plat::Range replaced;
    plat::MutableAttributedString replacement;
    plat::Range selection;
    if (range.length >= 2 * m && markerAt(range.location) && markerAt(range.end() - m)) {
        replaced = range;
        replacement.append(storage.attributedSubstring(plat::Range(range.location + m, range.length - 2 * m)));
        selection = plat::Range(range.location, replacement.length());
    } else if (range.length > 0 && markerAt(range.location - m) && markerAt(range.end())) {
        replaced = plat::Range(range.location - m, range.length + 2 * m);
        replacement.append(storage.attributedSubstring(range));
        selection = plat::Range(replaced.location, range.length);
    } else {
        replaced = range;
        replacement.append(plat::AttributedString(marker, plain));
        replacement.append(storage.attributedSubstring(range));
        replacement.append(plat::AttributedString(marker, plain));
        selection = plat::Range(range.location, replacement.length());
    }
    ZQViewEditing::replace(view, replaced, replacement, selection, actionFromTextNodeType(nodeType));
    return true;
}

void ZQBaseFilter::filterRichRange(plat::Range range, quint64 tag, quint64 nodeType, plat::TextView& view)
{
    const plat::TextStorage& storage = *view.textStorage();
    const plat::Attributes typing = ZQAttributedString::typingAttributeInRange(
        storage, range, ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
    bool present = false;
    switch (tag) {
    case 1:
        present = hasItalic(typing);
        break;
    case 2:
        present = hasBold(typing);
        break;
    case 10:
        present = hasNumber(typing, plat::UnderlineAttribute);
        break;
    case 11:
        present = hasNumber(typing, plat::StrikethroughAttribute);
        break;
    case 12:
        present = !typing.value(ZQAttr::FilterCode).isNull();
        break;
    default:
        break;
    }
    const std::vector<plat::Range> pieces =
        ZSUtils::rangeSubstrcts(range, ZSUtils::getRichRawRanges(storage, range));
    // The pieces are styled in a copy of the selection, the last first: one
    // turned into tags changes its length.
    plat::MutableAttributedString styled(storage.attributedSubstring(range));
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        const plat::Range piece(it->location - range.location, it->length);
        if (present)
            removeStyleOnRich(nodeType, styled, piece);
        else
            applyStyleOnRich(nodeType, styled, piece);
    }
    ZQViewEditing::replace(view, range, styled, plat::Range(range.location, styled.length()),
                           actionFromTextNodeType(nodeType));
}

void ZQBaseFilter::removeStyleOnRich(quint64 nodeType, plat::MutableAttributedString& content, plat::Range all)
{
    switch (nodeType) {
    case ZQNodeType::Strong:
        removeFontTrait(content, all, true);
        break;
    case ZQNodeType::Emphasis:
        removeItalic(content, all);
        break;
    case ZQNodeType::StrikeThrough:
    case ZQNodeType::Underline:
    case ZQNodeType::CodeSpan:
        content.removeAttribute(plat::StrikethroughAttribute, all);
        content.removeAttribute(plat::UnderlineAttribute, all);
        content.removeAttribute(ZQAttr::FilterCode, all);
        break;
    default:
        content.setAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich), all);
        return;
    }
    const plat::ColorPtr plain = ZQHighlighter::sharedHighlighter().textTheme()->richTextColor();
    content.addAttribute(plat::ForegroundColorAttribute, plat::Value(plain), all);
}
