#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Resources.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/AttributedString.h"

#include <QFile>

#include <optional>

namespace {

constexpr qint64 HTMLParseOption = 70;

bool endsWithBlanks(const QString& line)
{
    return line.endsWith(QLatin1String("  "));
}

QString trimmedBlanks(const QString& line)
{
    static const plat::CharacterSet blanks = plat::CharacterSet::fromString(QStringLiteral(" \t\r\n"));
    qsizetype start = 0, end = line.length();
    while (start < end && blanks.contains(line.at(start)))
        ++start;
    while (end > start && blanks.contains(line.at(end - 1)))
        --end;
    return line.mid(start, end - start);
}

// The lines of a paragraph made of several source lines; a line ending with two
// blanks or a backslash breaks before the next.
QString mergedParagraphLines(const plat::AttributedString& parsed)
{
    const QString& text = parsed.string();
    QString out;
    bool breakPending = false;
    bool firstLine = true;
    qsizetype total = 0;
    qsizetype position = 0;
    while (position < text.length()) {
        const plat::LineBounds bounds = plat::lineBounds(text, plat::Range(position, 0));
        QString line = text.mid(bounds.start, bounds.contentsEnd - bounds.start);
        position = bounds.end;
        if (breakPending)
            out += QStringLiteral("<br />");
        if (!firstLine)
            out += QLatin1Char('\n');
        firstLine = false;
        total += line.length();
        const qsizetype probe = std::min(total, text.length() - 1);
        if (probe >= 0 && !parsed.attributeAtIndex(QStringLiteral("ZQTARaw"), probe).isNull()) {
            out += line;
            continue;
        }
        breakPending = endsWithBlanks(line) || line.endsWith(QLatin1Char('\\'));
        if (line.endsWith(QLatin1Char('\\')))
            line.chop(1);
        out += trimmedBlanks(line);
    }
    return out;
}

QString styleSheet()
{
    QFile file(plat::Resources::pathForResource(QStringLiteral("github"), QStringLiteral("css")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

QString ZQRender::renderMarkupToHTML(const plat::AttributedString& markup, const QString& exportDirectory,
                                     std::vector<plat::ObjectPtr>* exportAttachments)
{
    auto context = plat::objectCast<ZQRenderContext>(m_renderContext->copy());
    const ZQMarkupType markupType = m_settings->markupType();
    context->setRunningMarkupType(markupType);
    context->setRenderTargetType(ZQRenderContext::TargetHTML);
    // As much as the page itself, and never less than 100 KB: a page that uses
    // one long definition thousands of times cannot blow up to gigabytes.
    context->setReferenceExpansionLimit(std::max<qint64>(markup.length(), 100 * 1024));

    auto refs = std::make_shared<ZQLinkRefMap>();
    refs->reserve(10);
    // U+0000 reaches no page: it is shown as U+FFFD.
    const QString text = ZQRenderUtil::withoutNul(markup.string());
    const qint64 option
        = HTMLParseOption | (markupType == ZQMarkupType::QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0);
    // A fresh parser: footnote bodies are converted while the page's tree is walked.
    ZQDocTreeParser treeParser;
    const ZSTree tree = treeParser.processDocTree(text, plat::wholeRange(text), refs.get(), nullptr, nullptr, option);
    context->setLinkRefMap(refs);

    // The block filters in their role, cast once for the page rather than per node.
    std::vector<ZQCommonMarkBlockFilter*> blockFilters;
    for (const plat::ObjectPtr& member : m_commonMarkBlockFilters) {
        if (auto* filter = dynamic_cast<ZQCommonMarkBlockFilter*>(member.get()))
            blockFilters.push_back(filter);
    }

    QString html;
    // Pages come out about twice their markup's length: one allocation instead of
    // a doubling series of ever larger ones.
    html.reserve(text.size() * 2);
    bool firstOutput = true;
    const auto visit = [&](const ZSTree& treeNode) {
        const auto node = ZQBlockNodes::textNodeOf(treeNode);
        if (!node || treeNode.isRoot())
            return;
        const quint64 type = node->nodeType();
        if (!(node->nodeStatus() & ZQTextNode::StatusFencedChild)) {
            if (type != ZQNodeType::Paragraph && type != ZQNodeType::BlankLine) {
                auto join = [&](ZQCommonMarkBlockFilter& filter) { return filter.joinHTMLNode(treeNode, html, *context); };
                for (ZQCommonMarkBlockFilter* filter : blockFilters) {
                    if (ZQFilterDispatch::guardedCall(*filter, join, "joinHTMLNode"))
                        break;
                }
            }
            if (type == ZQNodeType::HtmlBlock)
                html += node->content();
            else if (type == ZQNodeType::Paragraph || type == ZQNodeType::SetextHeading)
                appendParagraphHTML(treeNode, html, firstOutput, *context);
        }
        if (!node->closeTags().isEmpty())
            html += node->closeTags();
    };
    const auto leave = [&](const ZSTree& treeNode) {
        if (const auto node = ZQBlockNodes::textNodeOf(treeNode); node && !treeNode.isRoot())
            html += node->subtreeCloseTags();
    };
    // Root first, each subtree's closing tags once its last node is written.
    for (ZSTree treeNode = tree; treeNode;) {
        visit(treeNode);
        if (ZSTree child = treeNode.firstChild()) {
            treeNode = std::move(child);
            continue;
        }
        for (;;) {
            leave(treeNode);
            if (treeNode == tree) {
                treeNode = ZSTree();
                break;
            }
            if (ZSTree sibling = treeNode.nextSibling()) {
                treeNode = std::move(sibling);
                break;
            }
            treeNode = treeNode.parent();
        }
    }

    // The footnote bodies of this text first, then the page's images.
    std::vector<ZQAttachedStoragePtr> storages;
    for (auto it = refs->cbegin(); it != refs->cend(); ++it) {
        const std::shared_ptr<ZQLinkRef>& ref = it.value();
        if (!ref || !ref->isFootnote())
            continue;
        auto storage = ZQAttachedStorage::create();
        storage->setOwner(QStringLiteral("ZQMacroFootnote"));
        auto body = ZQAttachedTextObject::create();
        body->setFootIndex(quint64(ref->footnoteIndex()));
        body->setRenderedContent(plat::AttributedString(
            renderMarkupToHTML(plat::AttributedString(ref->link()), QString(), nullptr)));
        storage->setAttachedText(body);
        storages.push_back(storage);
    }
    for (const ZQAttachedStoragePtr& image : m_renderContext->getAttachedStorageByOwner(QStringLiteral("ZQMacroImage")))
        storages.push_back(image);
    for (const plat::ObjectPtr& member : m_exportFilters) {
        auto* handler = dynamic_cast<ZQExportHandler*>(member.get());
        if (!handler)
            continue;
        const std::vector<plat::ObjectPtr> files =
            handler->exportEnding(ZQRenderContext::TargetHTML, html, storages, exportDirectory, context.get());
        if (exportAttachments)
            exportAttachments->insert(exportAttachments->end(), files.begin(), files.end());
    }
    return html;
}

void ZQRender::appendParagraphHTML(const ZSTree& treeNode, QString& html, bool& firstOutput, ZQRenderContext& context)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    // The paragraph's HTML goes straight into the page: nothing reads it from
    // the node afterwards, and the page's tree is large enough as it is.
    QString renderHtml;
    std::optional<plat::MutableAttributedString> parsed;
    if (node->nodeStatus() & ZQTextNode::StatusLiteral) {
        renderHtml = node->convertContentToRenderHTML();
    } else {
        parsed.emplace(ZQShared::trim(node->content()));
        m_paragraphParser->parseParagraph(*parsed, nullptr, HTMLParseOption, context);
        renderHtml = parsed->string();
        ZQShared::tabExpansion(renderHtml);
    }
    if (!firstOutput)
        html += QLatin1Char('\n');
    firstOutput = false;

    const auto parent = ZQBlockNodes::textNodeOf(treeNode.parent());
    const quint64 parentType = parent ? parent->nodeType() : ZQNodeType::Paragraph;
    const bool bare = node->nodeType() == ZQNodeType::SetextHeading || parentType == ZQNodeType::Heading
        || (parentType == ZQNodeType::ListItem && parent->isTightList()) || parentType == ZQNodeType::Task;
    if (!bare) {
        html += QStringLiteral("<p>");
        html += node->isMergedParagraph() && parsed ? mergedParagraphLines(*parsed) : renderHtml;
        ZQShared::appendStringBeforeLineEnd(html, QStringLiteral("</p>"));
        return;
    }
    const auto task = parentType == ZQNodeType::Task ? ZQBlockNodes::infoOf<ZQTextNodeListItem>(*parent) : nullptr;
    const bool completed = task && task->isCompletedTask();
    if (completed)
        html += QStringLiteral("<del>");
    static const plat::CharacterSet blanks = plat::CharacterSet::fromString(QStringLiteral(" \t"));
    ZQShared::trimLeadingCharactersInSet(renderHtml, blanks, renderHtml.length());
    html += node->isMergedParagraph() && parsed ? mergedParagraphLines(*parsed) : renderHtml;
    if (completed)
        html += QStringLiteral("</del>");
}

QString& ZQRender::wrapHTMLbody(QString& body, const QString& title, quint64 htmlBodyWrapperType)
{
    // The title is page text: escaped, so it cannot end the title element.
    QString safeTitle = title;
    ZQShared::escapeHTMLKeyChar(safeTitle);
    const QString head = QStringLiteral("<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                        "charset=utf-8\"/>\n<title>%1</title>\n")
                             .arg(safeTitle);
    if (htmlBodyWrapperType == 1)
        body.prepend(head + QStringLiteral("</head><body>"));
    else
        body.prepend(head + QStringLiteral("<style type=\"text/css\">%1</style>\n</head>\n<body>").arg(styleSheet()));
    body += QStringLiteral("</body></html>");
    return body;
}
