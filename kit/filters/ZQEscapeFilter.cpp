#include "kit/filters/ZQEscapeFilter.h"

#include "kit/filters/ZQHTMLWriting.h"
#include "kit/filters/ZQInlineTargets.h"
#include "kit/filters/ZQRunBuilder.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/TextView.h"

namespace {

// The shared style factory, reached when first needed: the filters are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

} // namespace

ZQEscapeFilter::ZQEscapeFilter() = default;

ZQProcessLength ZQEscapeFilter::renderMarkdown(plat::MutableAttributedString& markdown,
                                               const std::vector<std::shared_ptr<ZQInlineMarker>>&,
                                               ZQRenderContext& context)
{
    // The escapes are resolved, and the parser is told nothing.
    return ZQInlineTargets::render(
        context,
        [&] {
            resolveEscapes(markdown, true);
            return ZQProcessLength{};
        },
        [&] {
            resolveEscapes(markdown, false);
            return ZQProcessLength{};
        });
}

// One pass over the text: each run of backslashes outside raw text loses half
// of its backslashes, and an odd run's last one escapes the punctuation after it.
void ZQEscapeFilter::resolveEscapes(plat::MutableAttributedString& paragraph, bool html)
{
    const QString text = paragraph.string();
    if (!text.contains(u'\\'))
        return;
    auto counts = [&](qsizetype k) {
        return text.at(k) == u'\\' && paragraph.attributeAtIndex(ZQAttr::Raw, k).isNull();
    };

    ZQRunBuilder rebuilt;
    std::vector<plat::Range> escaped; // in the rebuilt text
    qsizetype copied = 0;
    bool any = false;
    for (qsizetype k = 0; k < text.size();) {
        if (!counts(k)) {
            ++k;
            continue;
        }
        qsizetype end = k;
        while (end < text.size() && counts(end))
            ++end;
        const qsizetype run = end - k;
        const bool escapes = run % 2 == 1 && end < text.size() && ZQShared::isAsciiPunctuation(text.at(end));
        if (run == 1 && !escapes) {
            k = end;
            continue;
        }
        any = true;
        rebuilt.append(paragraph, plat::Range(copied, k - copied));
        // Each pair "\\" leaves one backslash; the odd one goes with its character.
        const qsizetype kept = run / 2;
        if (kept > 0) {
            escaped.push_back(plat::Range(rebuilt.length(), kept));
            rebuilt.append(paragraph, plat::Range(k, kept));
        }
        copied = end;
        if (escapes) {
            const QString entity = html ? ZQHTMLWriting::reservedEntity(text.at(end)) : QString();
            const QString replacement = entity.isNull() ? QString(text.at(end)) : entity;
            escaped.push_back(plat::Range(rebuilt.length(), replacement.size()));
            rebuilt.append(replacement, paragraph.attributesAtIndex(end));
            copied = end + 1;
        }
        k = copied;
    }
    if (!any)
        return;
    plat::MutableAttributedString escapedText = rebuilt.build();
    if (!html) {
        const plat::Attributes escapeRich = styles().escapeRich();
        for (const plat::Range& range : escaped)
            styles().applyAttributes(escapeRich, escapedText, range);
    }
    paragraph.replaceCharacters(plat::Range(0, copied), escapedText);
}

bool ZQEscapeFilter::highlightMarkdown(plat::MutableAttributedString& markup,
                                       const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext&)
{
    if (!highlighter || highlighter->nodeType() != ZQNodeType::BackslashEscape)
        return false;
    const plat::Attributes attributes = styles().escapeMarkdown();
    for (const plat::Range& range : highlighter->markerAbsoluteRanges())
        styles().applyAttributes(attributes, markup, range);
    return true;
}

bool ZQEscapeFilter::renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border, ZQRenderContext&)
{
    const auto& marker = border.marker();
    if (!border.openTag() || !marker || marker->nodeType() != ZQNodeType::BackslashEscape)
        return false;
    const plat::Range body = marker->bodyRange();
    if (body.length == 0 || body.end() > markdown.size()
        || !ZQShared::containOnlyCharactersInSet(markdown, ZQShared::asciiPunctuation(), body))
        return false;
    for (qsizetype k = body.end() - 1; k >= body.location; --k)
        markdown.insert(k, QLatin1Char('\\'));
    return true;
}

bool ZQEscapeFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view, ZQRenderContext&)
{
    const plat::TextStorage& storage = *view.textStorage();
    if (typed.size() != 1 || position > storage.length())
        return false;
    const QString& text = storage.string();
    // The backslash and the character it escapes, and where that character is.
    qsizetype escaped = -1;
    if (typed == u"\\" && position >= 1 && position < text.size())
        escaped = position;
    else if (ZQShared::isAsciiPunctuation(typed.at(0)) && position >= 2 && text.at(position - 2) == u'\\')
        escaped = position - 1;
    if (escaped < 0 || !ZQShared::isAsciiPunctuation(text.at(escaped))
        || !ZSUtils::canBeMarkerChar(storage, escaped - 1) || !ZSUtils::canBeMarkerChar(storage, escaped))
        return false;
    const plat::AttributedString character(QString(text.at(escaped)), styles().escapeRich());
    ZQViewEditing::replace(view, plat::Range(escaped - 1, 2), character, plat::Range(position - 1, 0),
                           QStringLiteral("Escaped"));
    return true;
}
