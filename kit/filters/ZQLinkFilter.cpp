#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQReferenceLabels.h"

#include "kit/filters/ZQHTMLWriting.h"
#include "kit/filters/ZQInlineTargets.h"
#include "kit/foundation/Exs.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSAbstractTextView.h"
#include "platform/foundation/Regex.h"

#include <QSet>
#include <algorithm>

namespace {

// The shared style factory, reached when first needed: the filters are made
// before the application installs its settings.
ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

const QString kFootnoteOwner = QStringLiteral("ZQMacroFootnote");

// What a link's destination keeps unencoded in HTML.
const plat::CharacterSet& urlSafeCharSet()
{
    static const plat::CharacterSet set = plat::CharacterSet::fromString(
        QStringLiteral("-_.+!*'(),%#@?=;:/,+&$ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
    return set;
}

bool isReference(quint64 linkType)
{
    return ZQReferenceLabels::isReference(linkType);
}

QString labelOf(const ZQAttachedLinkObject& link)
{
    return ZQReferenceLabels::labelOf(link);
}

// Whether the text will show one pair of brackets around it once its
// escapes are read: an escaped first bracket is one too.
bool showsBracketPair(const plat::AttributedString& body)
{
    // An image's chip is no text of brackets.
    if (body.length() > 0 && (!body.attributeAtIndex(ZQAttr::MacroImage, 0).isNull()
                              || !body.attributeAtIndex(ZQAttr::MacroImage, body.length() - 1).isNull()))
        return false;
    QStringView text(body.string());
    if (text.size() > 2 && text.front() == u'\\' && ZQShared::isAsciiPunctuation(text.at(1))
        && body.attributeAtIndex(ZQAttr::Raw, 0).isNull())
        text = text.mid(1);
    return ZSAbstractTextView::isBracketPair(text);
}

// The link's marks join what the text already carries: emphasis, images and
// tags inside a link's text stay, the chips of images and tags with their own
// look and address.
void markAsLink(plat::MutableAttributedString& body, const plat::Attributes& link)
{
    const plat::FontPtr linkFont = link.value(plat::FontAttribute).toObject<plat::Font>();
    std::vector<std::pair<plat::Range, plat::Attributes>> runs;
    body.enumerateAttributes(plat::Range(0, body.length()), 0,
                             [&](const plat::Attributes& attributes, plat::Range run, bool*) {
                                 plat::Attributes marked = attributes;
                                 const bool chip = attributes.contains(ZQAttr::MacroImage)
                                     || attributes.contains(ZQAttr::MacroTag);
                                 // A code span is plain link text (its backticks around the
                                 // link would make the link's markup code); its emphasis stays.
                                 if (attributes.contains(ZQAttr::FilterCode)) {
                                     marked.remove(ZQAttr::FilterCode);
                                     const plat::FontPtr font = attributes.value(plat::FontAttribute).toObject<plat::Font>();
                                     if (font && linkFont) {
                                         plat::FontPtr plain = linkFont;
                                         if (Exs::isBold(*font))
                                             plain = Exs::toHaveBold(*plain);
                                         if (Exs::isItalic(*font))
                                             plain = Exs::toHaveItalic(*plain);
                                         marked.set(plat::FontAttribute, plat::Value(plain));
                                     }
                                 }
                                 for (const auto& [name, value] : link) {
                                     if (name == plat::FontAttribute && marked.contains(name))
                                         continue;
                                     if (chip && (name == plat::LinkAttribute || name == plat::ForegroundColorAttribute
                                                  || name == ZQAttr::TextBlock))
                                         continue;
                                     marked.set(name, value);
                                 }
                                 runs.emplace_back(run, std::move(marked));
                             });
    for (const auto& [run, attributes] : runs)
        body.setAttributes(attributes, run);
}

// Where the definition lines ending the text begin to repeat one of labels (as
// labels match); -1 when none does.
qsizetype firstRepeatedDefinition(const QString& text, const QSet<QString>& labels)
{
    static const auto definition = plat::Regex::create(QStringLiteral("^\\[((?:[^\\]\\\\]|\\\\.)+)\\]:"));
    qsizetype found = -1;
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u'\n')
        --end;
    while (end > 0) {
        const qsizetype start = text.lastIndexOf(QLatin1Char('\n'), end - 1) + 1;
        const auto match = definition->firstMatch(text, plat::Range(start, end - start), plat::MatchingAnchored);
        if (!match)
            break;
        const plat::Range label = match->rangeAtIndex(1);
        if (labels.contains(ZQShared::asLinkLabel(text.mid(label.location, label.length))))
            found = start;
        end = start - 1;
    }
    return found;
}

// A link that takes its label from its text (collapsed or shortcut) keeps the
// label as written when writing the text back could spell it otherwise:
// escapes, markers, entities and code spans the text shows differently, or
// characters writing escapes. It is then written with its label, "[text][label]".
QString ownLabel(const ZQLinkRef& ref, const QString& shown)
{
    const QString label = ZQShared::isNotBlank(ref.refLabel()) ? ref.refLabel() : ref.label();
    static const QString escapable = QStringLiteral("\\*_`[]<>&!~+-#=|");
    const bool respelt = std::any_of(label.cbegin(), label.cend(), [](QChar c) { return escapable.contains(c); })
        || ZQShared::asLinkLabel(label) != ZQShared::asLinkLabel(shown);
    return respelt ? label : QString();
}

} // namespace

ZQLinkFilter::ZQLinkFilter()
    : m_attributeName(QStringLiteral("ZQFilterLink"))
{
}

ZQProcessLength ZQLinkFilter::renderMarkdown(plat::MutableAttributedString& markdown,
                                             const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                             ZQRenderContext& context)
{
    if (!inlineMarker || !inlineMarker->linkRef())
        return {};
    return ZQInlineTargets::render(
        context, [&] { return renderMarkdownToHTML(markdown, *inlineMarker); },
        [&] { return renderMarkdownToRich(markdown, *inlineMarker, context); });
}

ZQProcessLength ZQLinkFilter::renderMarkdownToRich(plat::MutableAttributedString& markdown,
                                                   const ZQInlineMarker& marker, ZQRenderContext& context)
{
    const plat::Range whole = marker.markerRange();
    // Inside an image's alternative text the link stays as written: the image
    // keeps it in its label.
    if (marker.isForImageAlt())
        return ZQInlineTargets::replaced(marker, whole.length);
    const auto& ref = marker.linkRef();
    const QString uuid = ZSUtils::uuid();
    if (ref->isFootnote()) {
        ref->setIsUsed(true);
        const qint64 number = context.attachedStorageCountFor(kFootnoteOwner);
        const auto storage = context.createAttachedStroage(kFootnoteOwner, uuid);
        if (ref->renderContent())
            storage->attachedText()->setAttributedString(*ref->renderContent());
        else
            storage->attachedText()->setAttributedString(plat::AttributedString());
        const plat::AttributedString reference(QStringLiteral("[%1]").arg(number),
                                               styles().footnodeRich(uuid, number));
        markdown.replaceCharacters(whole, reference);
        return ZQInlineTargets::replaced(marker, reference.length());
    }

    // A link without text to show has nothing in rich text to carry it: its
    // markup stays as written, shown like raw HTML, and reads back the same (a
    // definition it names stays on the page as text).
    if (!ZQShared::isNotBlank(markdown.string().mid(marker.bodyRange().location, marker.bodyRange().length))) {
        styles().applyAttributes(styles().htmlTagRich(), markdown, whole);
        return ZQInlineTargets::replaced(marker, whole.length);
    }
    ref->setIsUsed(true);

    const auto storage = context.createAttachedStroage(m_attributeName, uuid);
    const auto& link = storage->attachedLink();
    link->setLinkUrl(ref->link());
    link->setLinkTitle(ref->title());
    link->setLinkType(ref->linkType());
    if (ref->linkType() == 2)
        link->setLinkRefLabel(ref->refLabel());
    else if (isReference(ref->linkType()))
        link->setLinkRefLabel(ownLabel(*ref, markdown.string().mid(marker.bodyRange().location,
                                                                     marker.bodyRange().length)));

    const plat::Attributes attributes = styles().linkRich(uuid);
    plat::MutableAttributedString body(markdown.attributedSubstring(marker.bodyRange()));
    markAsLink(body, attributes);
    plat::MutableAttributedString replacement;
    // A text in brackets of its own is shown in the link's brackets too:
    // writing back takes the outer pair for the link's.
    if (ZSSettings::sharedSettings()->renderLinkWithBracketInRich()
        || showsBracketPair(body)) {
        replacement.append(plat::AttributedString(QStringLiteral("[]"), attributes));
        replacement.insert(body, 1);
    } else {
        replacement.append(body);
    }
    markdown.replaceCharacters(whole, replacement);
    return ZQInlineTargets::replaced(marker, replacement.length());
}

ZQProcessLength ZQLinkFilter::renderMarkdownToHTML(plat::MutableAttributedString& markdown,
                                                   const ZQInlineMarker& marker)
{
    // The element markup is marked, so that an image whose alternative text
    // holds the link keeps only the link's text; a link inside an opener that
    // never becomes an image stays a link.
    const auto& ref = marker.linkRef();
    plat::MutableAttributedString html;
    if (ref->isFootnote()) {
        html.append(ZQHTMLWriting::element(QStringLiteral("<sup><a href=\"#FN%1\">").arg(ref->footnoteIndex())));
        html.append(plat::AttributedString(QStringLiteral("[%1]").arg(ref->footnoteIndex()),
                                           plat::Attributes{{ZQAttr::Raw, QStringLiteral("htmlTag")}}));
        html.append(ZQHTMLWriting::element(QStringLiteral("</a></sup>")));
    } else {
        const QString href = ZQHTMLWriting::percentEncoded(ref->link(), urlSafeCharSet());
        QString open = QStringLiteral("<a href=\"%1\">").arg(href);
        if (!ref->title().isNull()) {
            QString title = ref->title();
            ZQShared::escapeHTMLEntityIgnoreEntityAmp(title);
            open = QStringLiteral("<a href=\"%1\" title=\"%2\">").arg(href, title);
        }
        html.append(ZQHTMLWriting::element(open));
        html.append(markdown, marker.bodyRange());
        html.append(ZQHTMLWriting::element(QStringLiteral("</a>")));
    }
    markdown.replaceCharacters(marker.markerRange(), html);
    return ZQInlineTargets::replaced(marker, html.length());
}

bool ZQLinkFilter::highlightMarkdown(plat::MutableAttributedString& markup,
                                     const std::shared_ptr<ZQInlineMarker>& highlighter, ZQRenderContext&)
{
    if (!highlighter || highlighter->nodeType() != ZQNodeType::Link)
        return false;
    const bool footnote = highlighter->linkRef() && highlighter->linkRef()->isFootnote();
    const plat::Attributes attributes = footnote ? styles().footnoteMarkdown() : styles().linkMarkdown();
    for (const plat::Range& range : highlighter->markerAbsoluteRanges())
        styles().applyAttributes(attributes, markup, range);
    return true;
}

// ---- Writing markup ----------------------------------------------------------------------

QString ZQLinkFilter::markupDestination(const QString& url)
{
    // The payload keeps the destination as the markup wrote it, escapes
    // included; in angle brackets a bare "<" or ">", or a last backslash,
    // would end the destination early, so they are escaped there.
    const QString destination = ZQShared::trim(url);
    static const QString needsBrackets = QStringLiteral(" \t\n\r()");
    if (std::none_of(destination.cbegin(), destination.cend(), [](QChar c) { return needsBrackets.contains(c); }))
        return destination;
    QString written;
    written.reserve(destination.size() + 2);
    for (qsizetype k = 0; k < destination.size(); ++k) {
        const QChar c = destination.at(k);
        if (c == u'\\' && k + 1 < destination.size() && ZQShared::isAsciiPunctuation(destination.at(k + 1))) {
            written += destination.mid(k, 2);
            ++k;
            continue;
        }
        if (c == u'<' || c == u'>' || (c == u'\\' && k + 1 == destination.size()))
            written += QLatin1Char('\\');
        written += c;
    }
    return QLatin1Char('<') + written + QLatin1Char('>');
}

QString ZQLinkFilter::markupTitle(const QString& title)
{
    if (title.isEmpty())
        return QString();
    if (!title.contains(u'"'))
        return QStringLiteral(" \"") + title + QLatin1Char('"');
    if (!title.contains(u'\''))
        return QStringLiteral(" '") + title + QLatin1Char('\'');
    // Both quotes: parentheses close at the first ")", so they serve while the
    // title holds none; otherwise the double quotes inside are escaped.
    if (!title.contains(u')'))
        return QStringLiteral(" (") + title + QLatin1Char(')');
    QString escaped = title;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QStringLiteral(" \"") + escaped + QLatin1Char('"');
}

QString ZQLinkFilter::referenceLabel(const ZQAttachedLinkObject& link, ZQRenderContext& context)
{
    const QString label = labelOf(link);
    if (!ZQShared::isNotBlank(label))
        return QString();
    // One label, one definition: a label that also names another destination
    // or title would send one of the links to the other's address.
    if (const auto index = plat::objectCast<ZQReferenceLabels>(context.storageIndex()))
        return index->namesOtherTarget(link) ? QString() : label;
    const QString key = ZQShared::asLinkLabel(label);
    const QString destination = ZQShared::trim(link.linkUrl());
    for (const auto& storage : context.getAttachedStorageByOwner(QStringLiteral("ZQFilterLink"))) {
        const auto& other = storage->attachedLink();
        if (!other || other.get() == &link || !isReference(other->linkType()))
            continue;
        if (ZQShared::asLinkLabel(labelOf(*other)) == key
            && (ZQShared::trim(other->linkUrl()) != destination || other->linkTitle() != link.linkTitle()))
            return QString();
    }
    return label;
}

void ZQLinkFilter::indexReferenceLabels(ZQRenderContext& context)
{
    context.setStorageIndex(std::make_shared<ZQReferenceLabels>(context));
}

void ZQLinkFilter::relabel(ZQAttachedLinkObject& link, const QString& label, ZQRenderContext& context)
{
    if (link.linkLabel() == label)
        return;
    link.setLinkLabel(label);
    if (const auto index = plat::objectCast<ZQReferenceLabels>(context.storageIndex()))
        index->update(link);
}

bool ZQLinkFilter::renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                                        ZQRenderContext& context)
{
    const auto& marker = border.marker();
    if (!marker)
        return false;
    if (marker->nodeType() == ZQNodeType::FootnoteReference) {
        if (border.openTag()) {
            const auto storage = context.getAttachedStorage(marker->attachedUuid(), kFootnoteOwner);
            const qint64 number = storage && storage->attachedText() ? qint64(storage->attachedText()->footIndex()) : 0;
            const plat::Range body = marker->bodyRange();
            if (body.end() <= markdown.size())
                markdown.replace(body.location, body.length, QStringLiteral("[^%1]").arg(number));
        }
        return true;
    }
    if (marker->nodeType() != ZQNodeType::Link)
        return false;
    if (border.openTag()) {
        markdown.insert(border.pos1(), QLatin1Char('['));
        return true;
    }
    const auto storage = context.getAttachedStorage(marker->attachedUuid(), m_attributeName);
    const auto link = storage ? storage->attachedLink() : nullptr;
    QString tail = QStringLiteral("]");
    if (link) {
        if (isReference(link->linkType()) && !referenceLabel(*link, context).isEmpty()) {
            if (ZQShared::isNotBlank(link->linkRefLabel()))
                tail += QLatin1Char('[') + link->linkRefLabel() + QLatin1Char(']');
        } else {
            tail += QLatin1Char('(') + markupDestination(link->linkUrl()) + markupTitle(link->linkTitle())
                + QLatin1Char(')');
        }
    }
    markdown.insert(border.pos1(), tail);
    return true;
}

std::vector<plat::ObjectPtr> ZQLinkFilter::exportEnding(quint64 renderType, QString& textContent,
                                                        const std::vector<std::shared_ptr<ZQAttachedStorage>>&,
                                                        const QString&, ZQRenderContext* context)
{
    if (renderType != ZQRenderContext::TargetMarkup || !context)
        return {};
    struct Definition {
        QString label;
        QString destination;
        QString title;
    };
    std::vector<Definition> definitions;
    for (const auto& storage : context->getAttachedStorageByOwner(m_attributeName)) {
        const auto& link = storage->attachedLink();
        if (!link || !isReference(link->linkType()))
            continue;
        const QString label = referenceLabel(*link, *context);
        if (!label.isEmpty())
            definitions.push_back({label, markupDestination(link->linkUrl()), link->linkTitle()});
    }
    std::sort(definitions.begin(), definitions.end(),
              [](const Definition& a, const Definition& b) { return a.label < b.label; });

    // Labels that match as labels ("Foo" and "foo") name one definition: it is
    // written once, or every pass would add another.
    QSet<QString> written;
    QStringList lines;
    for (const Definition& definition : definitions) {
        const QString key = ZQShared::asLinkLabel(definition.label);
        if (written.contains(key))
            continue;
        written.insert(key);
        QString line = QStringLiteral("[%1]:").arg(definition.label) + definition.destination;
        if (ZQShared::isNotBlank(definition.title))
            line += markupTitle(definition.title);
        lines << line;
    }
    if (lines.isEmpty())
        return {};
    // The first definition of a label wins: the definitions the links use go
    // before any kept on the page as text that repeats one of their labels.
    const qsizetype before = firstRepeatedDefinition(textContent, written);
    if (before >= 0) {
        textContent.insert(before, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return {};
    }
    if (!ZQShared::hasNewline(textContent))
        textContent += QLatin1Char('\n');
    textContent += QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
    return {};
}
