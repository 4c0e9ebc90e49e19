#include "kit/filters/ZQTagEntityFilter.h"

#include "kit/filters/ZQHTMLWriting.h"
#include "kit/filters/ZQInlineTargets.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
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

// What an autolink's address keeps unencoded in HTML.
const plat::CharacterSet& autolinkSafeCharacters()
{
    static const plat::CharacterSet set = plat::CharacterSet::fromString(
        QStringLiteral("-_.+!*'(),%#@?=;:/,+&$ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    return set;
}

ZQProcessLength result(const ZQInlineMarker& marker, qsizetype newLength)
{
    const qsizetype length = marker.markerRange().length;
    return {length - 1, newLength - length, 0, 1};
}

} // namespace

ZQTagEntityFilter::ZQTagEntityFilter() = default;

ZQProcessLength ZQTagEntityFilter::renderMarkdown(plat::MutableAttributedString& markdown,
                                                  const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                                  ZQRenderContext& context)
{
    if (!inlineMarker)
        return {};
    return ZQInlineTargets::render(
        context, [&] { return renderMarkdownToHTML(markdown, *inlineMarker); },
        [&] { return renderMarkdownToRich(markdown, *inlineMarker); });
}

ZQProcessLength ZQTagEntityFilter::renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                                        const ZQInlineMarker& marker)
{
    const plat::Range range = marker.markerRange();
    switch (marker.nodeType()) {
    case ZQNodeType::Entity:
        markdown.replaceCharacters(
            range, plat::AttributedString(marker.entityUnicode(), styles().entityRich(marker.entityString())));
        return result(marker, marker.entityUnicode().size());
    case ZQNodeType::RawHtml:
        styles().applyAttributes(styles().htmlTagRich(), markdown, range);
        return result(marker, range.length);
    case ZQNodeType::Autolink:
        styles().applyAttributes(styles().autolinkRich(), markdown, range);
        return result(marker, range.length);
    default:
        return {};
    }
}

ZQProcessLength ZQTagEntityFilter::renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                                        const ZQInlineMarker& marker)
{
    const plat::Range range = marker.markerRange();
    switch (marker.nodeType()) {
    case ZQNodeType::Entity:
        markdown.replaceCharacters(range, marker.entityUnicode());
        return result(marker, marker.entityUnicode().size());
    case ZQNodeType::RawHtml:
        return result(marker, range.length);
    case ZQNodeType::Autolink: {
        if (!marker.linkRef())
            return {};
        QString link = ZQHTMLWriting::percentEncoded(marker.linkRef()->link(), autolinkSafeCharacters());
        QString title = marker.linkRef()->title();
        ZQShared::escapeHTMLEntityIgnoreEntityAmp(link);
        ZQShared::escapeHTMLEntityIgnoreEntityAmp(title);
        plat::MutableAttributedString anchor(ZQHTMLWriting::element(QStringLiteral("<a href=\"%1\">").arg(link)));
        anchor.append(plat::AttributedString(title, plat::Attributes{{ZQAttr::Raw, QStringLiteral("htmlTag")}}));
        anchor.append(ZQHTMLWriting::element(QStringLiteral("</a>")));
        markdown.replaceCharacters(range, anchor);
        return result(marker, anchor.length());
    }
    default:
        return {};
    }
}

bool ZQTagEntityFilter::highlightMarkdown(plat::MutableAttributedString& markup,
                                          const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext&)
{
    if (!highlighter)
        return false;
    plat::Attributes attributes;
    switch (highlighter->nodeType()) {
    case ZQNodeType::Autolink:
        attributes = styles().autolinkMarkdown();
        break;
    case ZQNodeType::RawHtml:
        attributes = styles().htmlTagMarkdown();
        break;
    case ZQNodeType::Entity:
        attributes = styles().entityMarkdown();
        break;
    default:
        return false;
    }
    for (const plat::Range& range : highlighter->markerAbsoluteRanges())
        styles().applyAttributes(attributes, markup, range);
    return true;
}

bool ZQTagEntityFilter::renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border, ZQRenderContext&)
{
    const auto& marker = border.marker();
    if (!border.openTag() || !marker || marker->nodeType() != ZQNodeType::Entity || marker->entityString().isEmpty())
        return false;
    const plat::Range body = marker->bodyRange();
    if (body.end() > markdown.size())
        return false;
    // References side by side to the same character are one run: each is written.
    const QString& reference = marker->entityString();
    const qsizetype shown = ZQRenderUtil::convertEntity(reference, plat::wholeRange(reference), false).size();
    const qsizetype count = shown > 0 && body.length % shown == 0 ? body.length / shown : 1;
    markdown.replace(body.location, body.length, reference.repeated(count));
    return true;
}

bool ZQTagEntityFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view, ZQRenderContext&)
{
    const plat::TextStorage& storage = *view.textStorage();
    const bool closing = typed == u">";
    if ((!closing && typed != u"<") || position < 1 || position > storage.length()
        || !ZSUtils::canBeMarkerChar(storage, position - 1))
        return false;
    const qsizetype typedAt = position - 1;
    const plat::Range line = ZQAttributedString::lineRange(storage, plat::Range(typedAt, 0), true);
    const QString text = ZQAttributedString::escapeRawStringForParagraph(storage, typedAt);
    plat::Range tag = plat::Range::notFound();
    if (closing) {
        const qsizetype open = typedAt > line.location ? text.lastIndexOf(u'<', typedAt - 1) : -1;
        if (open >= line.location)
            tag = plat::Range(open, position - open);
    } else {
        const qsizetype close = text.indexOf(u'>', position);
        if (close >= 0 && close < line.end())
            tag = plat::Range(typedAt, close + 1 - typedAt);
    }
    if (tag.location == plat::NotFound || tag.length == 0)
        return false;

    // Made on first use; live typing runs on the main thread only.
    static const auto parser = std::make_shared<ZQParagraphParser>();
    plat::Attributes attributes;
    switch (parser->checkTag(storage, tag)) {
    case 1:
        attributes = styles().htmlTagRich();
        break;
    case 2:
        attributes = styles().autolinkRich();
        break;
    default:
        return false;
    }
    const QString tagText = storage.string().mid(tag.location, tag.length);
    ZQViewEditing::replace(view, tag, plat::AttributedString(tagText, attributes), view.selectedRange(), QString());
    return true;
}
