// Rich text written back as markup: the rich parser's block tree, each block's
// marker from the block filters, each paragraph's inline markup from the rich
// parser, the containers' indentation, and the page's endings.

#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQFootNoteHandler.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/parsers/ZQRichParser.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZSAbstractTextView.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/StringLines.h"

#include <QSet>

using plat::Range;

namespace {

// The indentation of one line of a paragraph directly inside a quote: a
// blank after the quote marker unless the line brings one (one blank before
// its text) or has no text; each line of a merged paragraph decides it by its
// own beginning.
QString quoteIndentForLine(const QString& indent, QStringView line)
{
    if (!indent.endsWith(u'>') && !indent.endsWith(QLatin1String("> ")))
        return indent;
    const QString marker = indent.endsWith(u'>') ? indent : indent.left(indent.size() - 1);
    const plat::CharacterSet& blank = plat::CharacterSet::whitespace();
    const plat::CharacterSet& any = plat::CharacterSet::whitespaceAndNewline();
    const bool noText = line.isEmpty() || plat::CharacterSet::newline().contains(line.front());
    const bool ownBlank = line.size() >= 2 && blank.contains(line.front()) && !any.contains(line.at(1));
    return noText || ownBlank ? marker : marker + u' ';
}


// A definition's body is one paragraph: its blank lines would end it and leave
// the rest of the footnote on the page.
QString footnoteDefinitionBody(const QString& markup)
{
    QString body;
    body.reserve(markup.size());
    const plat::CharacterSet& blank = plat::CharacterSet::whitespace();
    qsizetype position = 0;
    while (position < markup.size()) {
        const plat::LineBounds line = plat::lineBounds(markup, Range(position, 0));
        position = line.end;
        bool isBlank = true;
        for (qsizetype k = line.start; k < line.contentsEnd && isBlank; ++k)
            isBlank = blank.contains(markup.at(k));
        if (!isBlank)
            body += markup.mid(line.start, line.contentsEnd - line.start) + QLatin1Char('\n');
    }
    if (!body.isEmpty())
        body.chop(1);
    return body;
}

// A line without text is its containers' quote markers and its end: the
// blanks of the indentation would grow on every round trip.
void appendBlankLine(QString& output, QString indent, QStringView line)
{
    while (!indent.isEmpty() && indent.back() == u' ')
        indent.chop(1);
    qsizetype end = line.size();
    while (end > 0 && plat::CharacterSet::newline().contains(line.at(end - 1)))
        --end;
    output += indent;
    output += line.mid(end);
}

// A paragraph after a list at its own level. Its leading blanks mean nothing,
// and where the list's markers are written narrower than they were read they
// would reach the last item's content column and take the paragraph into it.
bool followsList(const ZSTree& paragraph)
{
    ZSTree previous = paragraph.previousSibling();
    while (ZQBlockNodes::hasType(previous, ZQNodeType::BlankLine))
        previous = previous.previousSibling();
    return ZQBlockNodes::hasType(previous, ZQNodeType::ListItem) || ZQBlockNodes::hasType(previous, ZQNodeType::Task);
}

} // namespace

plat::MutableAttributedString ZQRender::renderRichToMarkdown(plat::MutableAttributedString* rich)
{
    return renderRichToMarkdown(rich, false, m_settings->markupType());
}

plat::MutableAttributedString ZQRender::renderRichToMarkdown(plat::MutableAttributedString* rich, bool forBlockEditor,
                                                             ZQMarkupType toMarkup)
{
    if (!rich)
        return plat::MutableAttributedString(QString(), m_settings->defaultTypingAttribute(ZQEditorType::Markup));
    if (!forBlockEditor)
        return richToMarkdown(*rich, m_renderContext, nullptr, false, toMarkup);
    const auto copy = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
    return richToMarkdown(*rich, copy, copy, true, toMarkup);
}

plat::MutableAttributedString ZQRender::richToMarkdown(plat::MutableAttributedString& rich,
                                                       const std::shared_ptr<ZQRenderContext>& context,
                                                       std::shared_ptr<ZQRenderContext> copyForBodies,
                                                       bool forBlockEditor, ZQMarkupType toMarkup)
{
    const plat::Attributes typing = m_settings->defaultTypingAttribute(ZQEditorType::Markup);
    context->setRunningMarkupType(toMarkup);
    context->setRenderTargetType(ZQRenderContext::TargetMarkup);
    // Footnote bodies share one copy of the context, and its index with it.
    if (!forBlockEditor || !context->storageIndex())
        ZQLinkFilter::indexReferenceLabels(*context);

    const auto storages = renderBlockEditorRichContent(rich, *context, [&](const plat::AttributedString& body) {
        if (!copyForBodies)
            copyForBodies = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
        plat::MutableAttributedString copy(body);
        return plat::AttributedString(richToMarkdown(copy, copyForBodies, copyForBodies, true, toMarkup));
    });
    removeInvisible(rich, false);

    QString output;
    const ZSTree tree = m_richDocTreeParser->processDocTree(rich, nullptr, plat::wholeRange(rich.string()));
    Range remembered = Range::notFound();
    tree.enumerateTreeRootFirst([&](const ZSTree& treeNode, bool*) {
        const auto node = ZQBlockNodes::textNodeOf(treeNode);
        if (!node || treeNode.isRoot() || (node->nodeStatus() & ZQTextNode::StatusStyled))
            return;
        const quint64 type = node->nodeType();
        if (type >= ZQNodeType::Quote && type <= ZQNodeType::Task) {
            ZQFilterDispatch::first<ZQCommonMarkBlockFilter>(
                m_commonMarkBlockFilters,
                [&](ZQCommonMarkBlockFilter& filter) { return filter.joinMarkdownNode(treeNode, output, *context); },
                "joinMarkdownNode");
        } else if (type == ZQNodeType::Paragraph && !(node->nodeStatus() & ZQTextNode::StatusLiteral)) {
            QString content = node->renderContent()
                ? m_richDocTreeParser->parseParagraph(*node->renderContent(), *context)
                : QString();
            if (followsList(treeNode))
                ZQShared::trimLeadingCharactersInSet(content, plat::CharacterSet::whitespace(), content.size());
            node->setContent(content);
        }

        const bool continuesLine = node->lineRange().location == remembered.location;
        remembered = node->lineRange();
        if (type == ZQNodeType::BlankLine) {
            appendBlankLine(output, continuesLine ? QString() : blockContainerIndentForMarkup(treeNode),
                            node->content());
            return;
        }
        // In Markdown an empty "-" item right under a paragraph would underline
        // it into a heading: a blank line keeps the two apart (not inside an
        // item, which it would make loose).
        if (type == ZQNodeType::ListItem && toMarkup != ZQMarkupType::QuorvelMarkup && !continuesLine
            && node->content() == u"-" && ZQBlockNodes::hasType(treeNode.previousSibling(), ZQNodeType::Paragraph)
            && !ZQBlockNodes::hasType(treeNode.parent(), ZQNodeType::ListItem)
            && !ZQBlockNodes::hasType(treeNode.parent(), ZQNodeType::Task)) {
            appendBlankLine(output, blockContainerIndentForMarkup(treeNode), QString());
            output += QLatin1Char('\n');
        }
        // Each line of a merged paragraph or of indented code is written behind
        // its containers' indentation.
        const bool byLines = node->isMergedParagraph() || type == ZQNodeType::IndentedCode;
        if (continuesLine && !byLines) {
            output += node->content();
            return;
        }
        const QString indent = blockContainerIndentForMarkup(treeNode);
        if (indent.isEmpty()) {
            output += node->content();
            return;
        }
        if (!byLines) {
            output += indent + node->content();
            return;
        }
        const QString& content = node->content();
        qsizetype position = 0;
        while (position < content.size()) {
            const plat::LineBounds line = plat::lineBounds(content, Range(position, 0));
            const QStringView text = QStringView(content).mid(line.start, line.end - line.start);
            const bool indented = position > 0 || !continuesLine;
            position = line.end;
            if (ZQShared::containOnlyCharactersInSet(content, plat::CharacterSet::whitespaceAndNewline(),
                                                     Range(line.start, text.size()))) {
                appendBlankLine(output, indented ? indent : QString(), text);
                continue;
            }
            if (indented)
                output += quoteIndentForLine(indent, text);
            output += text;
        }
    });

    if (forBlockEditor)
        return plat::MutableAttributedString(output, typing);
    std::vector<std::shared_ptr<ZQAttachedStorage>> endings(storages.cbegin(), storages.cend());
    for (const plat::ObjectPtr& member : m_exportFilters) {
        if (auto* handler = dynamic_cast<ZQExportHandler*>(member.get()))
            handler->exportEnding(ZQRenderContext::TargetMarkup, output, endings, QString(), context.get());
    }
    // The page's links may change before the next conversion.
    context->setStorageIndex(nullptr);
    plat::MutableAttributedString result(output, typing);
    highlightMarkdown(result);
    return result;
}

QHash<QString, std::shared_ptr<ZQAttachedStorage>> ZQRender::renderBlockEditorRichContent(
    const plat::AttributedString& content, ZQRenderContext& context, const RichContentRender& renderBlock)
{
    const auto storages
        = context.getAttachedStoragesForContent(&content, plat::wholeRange(content.string()), ZQEditorType::Rich);
    if (storages.isEmpty())
        return storages;
    // Numbers follow the text's order, one per footnote: two footnotes that
    // carry the same stale number would otherwise share one definition. A
    // number the text already shows as a plain "[^n]" is skipped, or that text
    // would read as a reference to the footnote written with it.
    QSet<quint64> shown = ZQFootNoteHandler::markupLabelNumbers(content.string());
    for (const auto& storage : storages) {
        if (const auto text = storage ? storage->attachedText() : nullptr)
            shown.unite(ZQFootNoteHandler::markupLabelNumbers(text->getAttributedString().string()));
    }
    QHash<QString, quint64> numbers;
    quint64 next = 1;
    content.enumerateAttribute(ZQAttr::MacroFootnote, plat::wholeRange(content.string()), 0,
                               [&](const plat::Value& value, Range, bool*) {
                                   const auto style = value.toObject<ZQFootnoteStyle>();
                                   if (!style || !storages.contains(style->uuid()) || numbers.contains(style->uuid()))
                                       return;
                                   while (shown.contains(next))
                                       ++next;
                                   numbers.insert(style->uuid(), next++);
                               });
    QSet<QString> rendered;
    content.enumerateAttribute(
        ZQAttr::MacroFootnote, plat::wholeRange(content.string()), plat::EnumerationReverse,
        [&](const plat::Value& value, Range, bool*) {
            const auto style = value.toObject<ZQFootnoteStyle>();
            if (!style || rendered.contains(style->uuid()))
                return;
            const auto storage = storages.value(style->uuid());
            const auto text = storage ? storage->attachedText() : nullptr;
            if (!text)
                return;
            rendered.insert(style->uuid());
            text->setFootIndex(numbers.value(style->uuid()));
            const plat::AttributedString body = renderBlock(text->getAttributedString());
            text->setRenderedContent(plat::AttributedString(footnoteDefinitionBody(body.string()), {}));
        });
    return storages;
}

void ZQRender::removeInvisible(plat::MutableAttributedString& content, bool linkOnly)
{
    content.enumerateAttribute(
        ZQAttr::TextBlock, plat::wholeRange(content.string()), plat::EnumerationReverse,
        [&](const plat::Value& value, Range range, bool*) {
            if (value.isNull() || range.length == 0)
                return;
            if (!content.attributeAtIndex(ZQAttr::FilterTask, range.location).isNull())
                return;
            if (linkOnly && content.attributeAtIndex(ZQAttr::FilterLink, range.location).isNull())
                return;
            // Only a pair is hidden brackets: a link whose own text merely
            // ends in ">" or "]" keeps it.
            if (!ZSAbstractTextView::isBracketPair(QStringView(content.string()).mid(range.location, range.length)))
                return;
            // Chips side by side are the names of one tag: a comma parts them.
            const bool joinsNext = range.end() < content.length()
                && !content.attributeAtIndex(ZQAttr::MacroTag, range.location).isNull()
                && !content.attributeAtIndex(ZQAttr::MacroTag, range.end()).isNull();
            if (joinsNext)
                content.replaceCharacters(Range(range.end() - 1, 1), QStringLiteral(","));
            else
                content.deleteCharacters(Range(range.end() - 1, 1));
            content.deleteCharacters(Range(range.location, 1));
        });
}

QString ZQRender::blockContainerIndentForMarkup(const ZSTree& node)
{
    QString indent;
    const auto self = ZQBlockNodes::textNodeOf(node);
    const ZSTree directParent = node.parent();
    for (ZSTree ancestor = directParent; ancestor && !ancestor.isRoot(); ancestor = ancestor.parent()) {
        const auto container = ZQBlockNodes::textNodeOf(ancestor);
        if (!container)
            continue;
        switch (container->nodeType()) {
        case ZQNodeType::Task:
            indent.prepend(QStringLiteral("  "));
            break;
        case ZQNodeType::ListItem:
            // The content stands one column after the marker, also when the
            // marker ends its line and is written without its blank.
            indent.prepend(QString(ZQShared::trim(container->content()).size() + 1, QLatin1Char(' ')));
            break;
        case ZQNodeType::Quote:
            indent.prepend(ancestor == directParent && self && ZQRenderUtil::richNodeHasSpacePrefix(*self) ? QStringLiteral(">")
                                                                                          : QStringLiteral("> "));
            break;
        default:
            break;
        }
    }
    return indent;
}
