#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/AttributedString.h"

#include <algorithm>
#include <optional>

namespace {

// Entities rendered, escapes resolved.
constexpr qint64 RichParseOption = 12;

bool isBlockConstruct(quint64 type)
{
    return type >= ZQNodeType::Quote && type <= ZQNodeType::Task;
}

bool isItem(const ZSTree& treeNode)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    return node && (node->nodeType() == ZQNodeType::ListItem || node->nodeType() == ZQNodeType::Task);
}

// The next item of the list that item belongs to.
bool isNextItem(const ZSTree& item, const ZSTree& next)
{
    const auto node = ZQBlockNodes::textNodeOf(item);
    const auto nextNode = ZQBlockNodes::textNodeOf(next);
    if (!node || !nextNode || node->nodeType() != nextNode->nodeType())
        return false;
    if (node->nodeType() == ZQNodeType::Task)
        return true;
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(*node);
    return info && info->isSameList(ZQBlockNodes::infoOf<ZQTextNodeListItem>(*nextNode).get());
}

// A blank line that ends its item but not the list (a loose list, or more of
// an outer item after it): without its indentation the rich text would end
// the list there, and the next item would start a list of its own.
bool blankLineInsideList(const ZSTree& blank)
{
    ZSTree last = blank;
    while (last && !last.nextSibling())
        last = last.parent();
    return last && !last.isRoot() && (isItem(last.parent()) || isNextItem(last, last.nextSibling()));
}

// The appended definitions in an order of their own, not the map's.
std::vector<std::shared_ptr<ZQLinkRef>> inStableOrder(std::vector<std::shared_ptr<ZQLinkRef>> refs)
{
    std::sort(refs.begin(), refs.end(), [](const auto& a, const auto& b) {
        const qsizetype at = a->contentRange().location;
        const qsizetype bt = b->contentRange().location;
        return at != bt ? at < bt : a->label() < b->label();
    });
    return refs;
}

// Appends text line by line, each line after prefix except the first when
// skipFirst is set.
void appendIndentedLines(plat::MutableAttributedString& result, const plat::AttributedString& text,
                         const plat::AttributedString& prefix, bool skipFirst)
{
    const QString& s = text.string();
    qsizetype start = 0;
    bool first = true;
    while (start < s.size()) {
        // CR LF ends one line, as the block-tree parser read it.
        const qsizetype end = plat::lineBounds(s, plat::Range(start, 0)).end;
        if (!(first && skipFirst))
            result.append(prefix);
        result.append(text, plat::Range(start, end - start));
        first = false;
        start = end;
    }
}

} // namespace

plat::MutableAttributedString ZQRender::renderMarkupToRich(const plat::AttributedString& markup)
{
    return renderMarkupToRich(markup, false, m_settings->markupType());
}

plat::MutableAttributedString ZQRender::renderMarkupToRich(const plat::AttributedString& markup, bool forBlockEditor,
                                                           ZQMarkupType fromMarkup)
{
    if (!forBlockEditor)
        return markupToRich(markup, m_renderContext, nullptr, fromMarkup);
    const auto copy = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
    return markupToRich(markup, copy, copy, fromMarkup);
}

plat::MutableAttributedString ZQRender::markupToRich(const plat::AttributedString& markup,
                                                     const std::shared_ptr<ZQRenderContext>& context,
                                                     std::shared_ptr<ZQRenderContext> copyForBodies,
                                                     ZQMarkupType fromMarkup)
{
    const plat::Attributes base = m_settings->defaultTypingAttribute(ZQEditorType::Rich);
    // U+0000 reaches no page: it is shown as U+FFFD.
    const QString text = ZQRenderUtil::withoutNul(markup.string());

    context->setRunningMarkupType(fromMarkup);
    context->setRenderTargetType(ZQRenderContext::TargetRich);

    auto refs = std::make_shared<ZQLinkRefMap>();
    refs->reserve(10);
    std::vector<std::shared_ptr<ZQLinkRef>> duplicated;
    duplicated.reserve(4);
    const qint64 option = RichParseOption
        | (context->runningMarkupType() == ZQMarkupType::QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0);
    ZSTree tree =
        m_textblockParser->processDocTree(text, plat::Range(0, text.size()), refs.get(), &duplicated, nullptr, option);
    context->setLinkRefMap(refs);

    for (const std::shared_ptr<ZQLinkRef>& ref : *refs) {
        if (ref && ref->isFootnote()) {
            if (!copyForBodies)
                copyForBodies = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
            ref->setRenderContent(std::make_shared<plat::MutableAttributedString>(
                markupToRich(plat::AttributedString(ref->link(), base), copyForBodies, copyForBodies, fromMarkup)));
        }
    }

    tree.enumerateTreeLeafFirst([&](const ZSTree& treeNode, bool*) {
        const auto node = ZQBlockNodes::textNodeOf(treeNode);
        if (!node || treeNode.isRoot())
            return;
        const quint64 type = node->nodeType();
        if (type == ZQNodeType::Paragraph || type == ZQNodeType::SetextHeading) {
            // A heading's text begins after its indentation, as a marker
            // heading's begins after the blanks behind its marker.
            QString content = node->content();
            if (type == ZQNodeType::SetextHeading)
                ZQShared::trimLeadingCharactersInSet(content, plat::CharacterSet::whitespace(), content.size());
            auto rendered = std::make_shared<plat::MutableAttributedString>(content, base);
            if (!(node->nodeStatus() & ZQTextNode::StatusLiteral))
                m_paragraphParser->parseParagraph(*rendered, nullptr, RichParseOption, *context);
            node->setRenderContent(rendered);
        } else if (type == ZQNodeType::BlankLine) {
            node->setRenderContent(std::make_shared<plat::MutableAttributedString>(node->content(), base));
        }
        if (isBlockConstruct(type)) {
            ZQFilterDispatch::first<ZQMarkupPreJoiner>(
                m_commonMarkBlockFilters,
                [&](ZQMarkupPreJoiner& filter) { return filter.preJoinMarkupToRich(treeNode, *context); },
                "preJoinMarkupToRich");
        }
    });

    plat::MutableAttributedString result;
    plat::Range lastLine = plat::Range::notFound();
    // The blank lines that end a container, after its last content, carry none
    // of its marks (a quote's empty last lines read back as the blank lines
    // after it), unless a list goes on after them. A run of blank lines is
    // visited line after line, so its verdict is found once.
    std::optional<bool> runEndsContainer;
    ZSTree runParent;
    const auto endsContainer = [&](const ZSTree& blank) {
        if (!runEndsContainer || !(blank.parent() == runParent)) {
            runParent = blank.parent();
            ZSTree last = blank;
            while (ZQBlockNodes::hasType(last.nextSibling(), ZQNodeType::BlankLine))
                last = last.nextSibling();
            runEndsContainer = !last.nextSibling() && !blankLineInsideList(last);
        }
        return *runEndsContainer;
    };
    tree.enumerateTreeRootFirst([&](const ZSTree& treeNode, bool*) {
        const auto node = ZQBlockNodes::textNodeOf(treeNode);
        if (!node || treeNode.isRoot())
            return;
        const quint64 type = node->nodeType();
        if (type != ZQNodeType::BlankLine)
            runEndsContainer.reset();
        const bool sameLine = node->lineRange().location == lastLine.location;
        const bool skipIndent = (sameLine && !node->isMergedParagraph())
            || (type == ZQNodeType::BlankLine && endsContainer(treeNode));
        bool finished = false;
        if (!skipIndent) {
            const plat::MutableAttributedString indent = blockContainerIndentForRich(treeNode);
            if (indent.length() > 0) {
                if (node->isMergedParagraph() && node->renderContent()) {
                    appendIndentedLines(result, *node->renderContent(), indent, sameLine);
                    finished = true;
                } else {
                    result.append(indent);
                }
            }
        }
        if (!finished && isBlockConstruct(type)) {
            finished = bool(ZQFilterDispatch::first<ZQCommonMarkBlockFilter>(
                m_commonMarkBlockFilters,
                [&](ZQCommonMarkBlockFilter& filter) { return filter.joinRichNode(treeNode, result, *context); },
                "joinRichNode"));
        }
        if (!finished && node->renderContent())
            result.append(*node->renderContent());
        lastLine = node->lineRange();
    });
    // The block tree holds a copy of every line and its rendering: it goes
    // before the repair below builds a tree of its own over the result.
    runParent = ZSTree();
    tree = ZSTree();

    // Trailing line breaks and lines of blanks only are no content (blanks in
    // code are).
    const plat::CharacterSet& newline = plat::CharacterSet::newline();
    const plat::CharacterSet& blank = plat::CharacterSet::whitespace();
    const QString& written = result.string();
    qsizetype end = result.length();
    for (qsizetype lineStart = end; lineStart >= 0;) {
        while (end > 0 && newline.contains(written.at(end - 1)))
            --end;
        lineStart = end;
        while (lineStart > 0 && blank.contains(written.at(lineStart - 1))
               && result.attributeAtIndex(ZQAttr::FilterCode, lineStart - 1).isNull())
            --lineStart;
        if (lineStart == end || (lineStart > 0 && !newline.contains(written.at(lineStart - 1))))
            break;
        end = lineStart;
    }
    if (end < result.length())
        result.deleteCharacters(plat::Range(end, result.length() - end));

    std::vector<std::shared_ptr<ZQLinkRef>> unused;
    for (const std::shared_ptr<ZQLinkRef>& ref : *refs) {
        if (ref && !ref->isUsed())
            unused.push_back(ref);
    }
    unused = inStableOrder(std::move(unused));
    unused.insert(unused.end(), duplicated.begin(), duplicated.end());
    if (!unused.empty()) {
        result.append(plat::AttributedString(QStringLiteral("\n\n"), base));
        const plat::Attributes attrs = m_highlighter->linkRefRich();
        for (const std::shared_ptr<ZQLinkRef>& ref : unused)
            appendLinkRefToRich(result, *ref, attrs);
        // Like the rest of the text, the lines end without a last line break.
        result.deleteCharacters(plat::Range(result.length() - 1, 1));
    }

    plat::Attributes noTyping;
    fixRichContentAttributes(result, plat::Range::notFound(), noTyping);
    return result;
}

plat::MutableAttributedString ZQRender::blockContainerIndentForRich(const ZSTree& treeNode) const
{
    plat::MutableAttributedString prefix;
    const auto self = ZQBlockNodes::textNodeOf(treeNode);
    bool listAllowed = !self || self->nodeType() != ZQNodeType::ListItem;
    bool taskAllowed = !self || self->nodeType() != ZQNodeType::Task;
    const auto tab = [&](const ZQTextNode& item, bool forTask) {
        const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(item);
        const ZQListStylePtr style =
            info && info->listStyle() ? plat::objectCast<ZQListStyle>(info->listStyle()->copy()) : nullptr;
        prefix.insert(plat::AttributedString(QStringLiteral("\t"), m_highlighter->listIndentTabRich(style, forTask)), 0);
    };
    for (ZSTree up = treeNode.parent(); up; up = up.parent()) {
        const auto node = ZQBlockNodes::textNodeOf(up);
        if (!node)
            continue;
        switch (node->nodeType()) {
        case ZQNodeType::Quote:
            if (node->renderContent())
                prefix.insert(*node->renderContent(), 0);
            listAllowed = taskAllowed = true;
            break;
        case ZQNodeType::ListItem:
        case ZQNodeType::Task: {
            // A list item's tab allows the next task's, and the other way round.
            const bool forTask = node->nodeType() == ZQNodeType::Task;
            if (forTask ? taskAllowed : listAllowed) {
                tab(*node, forTask);
                listAllowed = forTask;
                taskAllowed = !forTask;
            }
            break;
        }
        default:
            break;
        }
    }
    return prefix;
}

void ZQRender::appendLinkRefToRich(plat::MutableAttributedString& rich, const ZQLinkRef& linkRef,
                                   const plat::Attributes& attrs)
{
    QString line = QStringLiteral("[%1]:").arg(linkRef.label());
    if (linkRef.isFootnote()) {
        line += linkRef.link();
    } else {
        line += linkRef.hasLinkBracket() ? QStringLiteral("<%1>").arg(linkRef.link()) : linkRef.link();
        if (!linkRef.title().isNull()) {
            const char16_t quote = linkRef.titleQuote();
            line += QLatin1Char(' ');
            // The parser keeps the opening character of a parenthesised title.
            if (quote == u'(' || quote == u')')
                line += QStringLiteral("(%1)").arg(linkRef.title());
            else if (quote == u'"' || quote == u'\'')
                line += QChar(quote) + linkRef.title() + QChar(quote);
            else
                line += linkRef.title();
        }
    }
    line += QLatin1Char('\n');
    rich.append(plat::AttributedString(line, attrs));
}
