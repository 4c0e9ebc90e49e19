// Links while the user edits: a typed bracketed text, the link command and
// cleaning style.

#include "kit/filters/ZQLinkFilter.h"

#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

namespace {


const QString kLink = QStringLiteral("Link");

} // namespace

bool ZQLinkFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                   ZQRenderContext& context)
{
    const plat::TextStorage& storage = *view.textStorage();
    if ((typed != u"]" && typed != u"[") || position < 1 || position > storage.length())
        return false;
    static const auto closed = plat::Regex::create(QStringLiteral(R"((\[)(?:[^\[\]]*)(\])\z)"));
    static const auto opened = plat::Regex::create(QStringLiteral(R"(\A(\[)(?:[^\[\]]*)(\]))"));
    const QString text = ZQAttributedString::escapeRawStringForParagraph(storage, position);

    // A run closed at the caret can only begin at the last "[" before it.
    plat::Range match = plat::Range::notFound();
    if (const qsizetype open = text.lastIndexOf(u'[', position - 1); open >= 0)
        match = closed->rangeOfFirstMatch(text, plat::Range(open, position - open));
    if (match.isNotFound())
        match = opened->rangeOfFirstMatch(text, plat::Range(position - 1, text.size() - (position - 1)));
    if (match.isNotFound())
        return false;

    const QString uuid = ZSUtils::uuid();
    renderOnFly(view, match, uuid);
    const auto attached = context.createAttachedStroage(m_attributeName, uuid);
    view.openEditorBlockForMacro(m_attributeName, uuid, match, attached);
    return true;
}

void ZQLinkFilter::renderOnFly(plat::TextView& view, plat::Range match, const QString& uuid)
{
    plat::MutableAttributedString copy(view.textStorage()->attributedSubstring(match));
    const QString& text = copy.string();
    if (!ZSSettings::sharedSettings()->renderLinkWithBracketInRich() && text.size() >= 2 && text.startsWith(u'[')
        && text.endsWith(u']')) {
        copy.deleteCharacters(plat::Range(copy.length() - 1, 1));
        copy.deleteCharacters(plat::Range(0, 1));
    }
    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    styles.applyAttributes(styles.linkRich(uuid), copy, plat::Range(0, copy.length()));
    // The caret follows the link, whichever bracket was typed.
    ZQViewEditing::replace(view, match, copy, plat::Range(match.location + copy.length(), 0), kLink);
}

bool ZQLinkFilter::removeRichLink(plat::TextView& view, plat::Range range)
{
    const plat::TextStorage& storage = *view.textStorage();
    qsizetype index = range.location;
    if (index == storage.length() && index > 0)
        --index;
    if (index >= storage.length())
        return false;
    plat::Range run;
    if (storage.attributeAtIndexLongestEffectiveRange(ZQAttr::FilterLink, index, &run, plat::Range(0, storage.length()))
            .isNull())
        return false;
    const plat::AttributedString plain(storage.string().mid(run.location, run.length),
                                       ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
    ZQViewEditing::replace(view, run, plain, view.selectedRange(), QStringLiteral("Unlink"));
    return true;
}

bool ZQLinkFilter::filterRangeOnFly(plat::Range range, quint64, plat::TextView& view, ZQRenderContext& context)
{
    const plat::TextStorage& storage = *view.textStorage();
    plat::checkRange(range, storage.length(), "filterRangeOnFly");
    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    if (editorType == ZQEditorType::Rich && removeRichLink(view, range))
        return true;
    const plat::Range valid = ZQViewEditing::takenRange(view, range, context.runningMarkupType());
    if (valid.isNotFound())
        return false;
    static const plat::CharacterSet brackets = plat::CharacterSet::fromString(QStringLiteral("[]"));
    const QString text =
        ZQShared::stringByReplacingCharacters(storage.string().mid(valid.location, valid.length), brackets, QString());

    if (editorType == ZQEditorType::Markup) {
        plat::Attributes plain = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup);
        plat::Attributes marker = plain;
        marker.set(plat::ForegroundColorAttribute,
                   plat::Value(ZQHighlighter::sharedHighlighter().textTheme()->mkLinkColor()));
        plat::MutableAttributedString markup(QStringLiteral("[]()"), marker);
        if (!text.isEmpty())
            markup.insert(plat::AttributedString(text, plain), 1);
        // Between the parentheses after a text, else between the empty brackets.
        const qsizetype caret = valid.location + text.size() + (text.isEmpty() ? 0 : 2) + 1;
        ZQViewEditing::replace(view, valid, markup, plat::Range(caret, 0), kLink);
        return true;
    }

    const QString uuid = ZSUtils::uuid();
    const QString shown =
        ZSSettings::sharedSettings()->renderLinkWithBracketInRich() ? QLatin1Char('[') + text + QLatin1Char(']') : text;
    const plat::AttributedString link(shown, ZQHighlighter::sharedHighlighter().linkRich(uuid));
    ZQViewEditing::replace(view, valid, link, plat::Range(valid.location, link.length()), kLink);
    const auto attached = context.createAttachedStroage(m_attributeName, uuid);
    view.openEditorBlockForMacro(m_attributeName, uuid, valid, attached);
    return true;
}

void ZQLinkFilter::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    std::vector<plat::Range> runs;
    content.enumerateAttribute(m_attributeName, plat::Range(0, content.length()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
        if (!value.isNull())
            runs.push_back(run);
    });
    // From the end, so the runs not yet visited keep their places.
    for (const plat::Range& run : runs) {
        qsizetype length = run.length;
        if (content.string().at(run.end() - 1) == u']') {
            content.deleteCharacters(plat::Range(run.end() - 1, 1));
            --length;
        }
        if (length > 0 && content.string().at(run.location) == u'[')
            content.deleteCharacters(plat::Range(run.location, 1));
    }
}
