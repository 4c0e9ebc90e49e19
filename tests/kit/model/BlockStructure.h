#pragma once
// The block structure of a page written the way the reference renderer's XML
// shows it: one line per block, two spaces per level, with the facts that make
// two structures differ (heading level, list kind and tightness, lines of code
// and HTML blocks). Inline content is left out.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQTextNode.h"
#include "platform/foundation/StringLines.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace BlockStructure {

inline std::shared_ptr<ZQTextNode> nodeOf(const ZSTree& tree)
{
    return plat::objectCast<ZQTextNode>(tree.object());
}

inline int lineCount(const QString& s)
{
    int lines = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (plat::isLineTerminator(s.at(i))) {
            if (s.at(i) == QLatin1Char('\r') && i + 1 < s.size() && s.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++lines;
        }
    }
    if (!s.isEmpty() && !plat::isLineTerminator(s.back()))
        ++lines;
    return lines;
}

inline bool isItem(const ZQTextNode& node)
{
    return node.nodeType() == ZQNodeType::ListItem || node.nodeType() == ZQNodeType::Task;
}

inline std::shared_ptr<ZQTextNodeListItem> itemInfo(const ZQTextNode& node)
{
    return std::dynamic_pointer_cast<ZQTextNodeListItem>(node.nodeInfo());
}

inline bool continuesList(const ZQTextNode& previous, const ZQTextNode& next)
{
    if (previous.nodeType() == ZQNodeType::Task || next.nodeType() == ZQNodeType::Task)
        return previous.nodeType() == next.nodeType();
    const auto info = itemInfo(previous);
    return info && info->isSameList(itemInfo(next).get());
}

void appendChildren(const ZSTree& parent, int depth, QStringList& out);

inline void line(QStringList& out, int depth, const QString& text)
{
    out << QString(depth * 2, QLatin1Char(' ')) + text;
}

// A list is loose when an item but the last has a blank line other than its
// first child, or the last item one that is neither its first nor its last.
inline bool isLoose(const std::vector<ZSTree>& items)
{
    for (size_t k = 0; k < items.size(); ++k) {
        const qsizetype count = items[k].numberOfChildren();
        for (qsizetype c = 1; c < count; ++c) {
            const bool last = k + 1 == items.size() && c == count - 1;
            if (nodeOf(items[k].childAtIndex(c))->nodeType() == ZQNodeType::BlankLine && !last)
                return true;
        }
    }
    return false;
}

inline void appendChildren(const ZSTree& parent, int depth, QStringList& out)
{
    const qsizetype n = parent.numberOfChildren();
    for (qsizetype i = 0; i < n;) {
        const ZSTree child = parent.childAtIndex(i);
        const auto node = nodeOf(child);
        switch (node->nodeType()) {
        case ZQNodeType::Paragraph:
            line(out, depth, QStringLiteral("paragraph"));
            ++i;
            break;
        case ZQNodeType::Quote:
            line(out, depth, QStringLiteral("block_quote"));
            appendChildren(child, depth + 1, out);
            ++i;
            break;
        case ZQNodeType::ListItem:
        case ZQNodeType::Task: {
            std::vector<ZSTree> items{child};
            for (++i; i < n; ++i) {
                const auto next = nodeOf(parent.childAtIndex(i));
                if (!isItem(*next) || !continuesList(*nodeOf(items.back()), *next))
                    break;
                items.push_back(parent.childAtIndex(i));
            }
            const auto info = itemInfo(*node);
            QString kind = QStringLiteral("bullet");
            if (info && info->isOrdered())
                kind = QStringLiteral("ordered start=%1 delim=%2")
                           .arg(info->markerOrderIndex())
                           .arg(info->marker().endsWith(QLatin1Char(')')) ? QStringLiteral("paren")
                                                                           : QStringLiteral("period"));
            line(out, depth, QStringLiteral("list %1 %2").arg(kind, isLoose(items) ? "loose" : "tight"));
            for (const ZSTree& item : items) {
                line(out, depth + 1, QStringLiteral("item"));
                appendChildren(item, depth + 2, out);
            }
            break;
        }
        case ZQNodeType::IndentedCode: {
            // Code lines and the blank lines between them; trailing blanks are not code.
            int lines = 0, pendingBlanks = 0;
            for (; i < n; ++i) {
                const quint64 type = nodeOf(parent.childAtIndex(i))->nodeType();
                if (type == ZQNodeType::BlankLine) {
                    ++pendingBlanks;
                } else if (type == ZQNodeType::IndentedCode) {
                    lines += pendingBlanks + 1;
                    pendingBlanks = 0;
                } else {
                    break;
                }
            }
            line(out, depth, QStringLiteral("code_block %1").arg(lines));
            break;
        }
        case ZQNodeType::FencedCode: {
            int lines = 0;
            for (qsizetype c = 0; c < child.numberOfChildren(); ++c) {
                const auto fenced = std::dynamic_pointer_cast<ZQTextNodeFencedBlock>(nodeOf(child.childAtIndex(c))->nodeInfo());
                if (!fenced || fenced->fencedBlockType() != QLatin1String("E"))
                    ++lines;
            }
            line(out, depth, QStringLiteral("code_block %1").arg(lines));
            ++i;
            break;
        }
        case ZQNodeType::Divider:
            line(out, depth, QStringLiteral("thematic_break"));
            ++i;
            break;
        case ZQNodeType::Heading:
        case ZQNodeType::SetextHeading: {
            const auto heading = std::dynamic_pointer_cast<ZQTextNodeHeading>(node->nodeInfo());
            line(out, depth, QStringLiteral("heading %1").arg(heading ? heading->headingLevel() : 0));
            ++i;
            break;
        }
        case ZQNodeType::HtmlBlock:
            line(out, depth, QStringLiteral("html_block %1").arg(lineCount(node->content())));
            ++i;
            break;
        default:
            ++i;
            break;
        }
    }
}

inline QString ofTree(const ZSTree& root)
{
    QStringList out;
    appendChildren(root, 0, out);
    return out.join(QLatin1Char('\n'));
}

// The same from the reference renderer's XML output.
inline QString ofReferenceXml(const QByteArray& xml)
{
    static const QStringList containers = {"paragraph", "heading", "block_quote", "list", "item", "thematic_break"};
    static const QStringList literals = {"code_block", "html_block"};
    QStringList out;
    QXmlStreamReader reader(xml);
    int depth = -1; // the document's children are level 0
    while (!reader.atEnd()) {
        reader.readNext();
        const QString name = reader.name().toString();
        if (reader.isEndElement() && containers.contains(name))
            --depth;
        if (!reader.isStartElement() || (!containers.contains(name) && !literals.contains(name)))
            continue;
        const auto attrs = reader.attributes();
        QString text = name;
        if (name == QLatin1String("heading")) {
            text += QLatin1Char(' ') + attrs.value(QStringLiteral("level")).toString();
        } else if (name == QLatin1String("list")) {
            text += QLatin1Char(' ') + attrs.value(QStringLiteral("type")).toString();
            if (attrs.value(QStringLiteral("type")) == QLatin1String("ordered"))
                text += QStringLiteral(" start=%1 delim=%2")
                            .arg(attrs.value(QStringLiteral("start")).toString(),
                                 attrs.value(QStringLiteral("delim")).toString());
            text += attrs.value(QStringLiteral("tight")) == QLatin1String("true") ? QStringLiteral(" tight")
                                                                                  : QStringLiteral(" loose");
        }
        if (literals.contains(name)) {
            const QString literal = reader.readElementText();
            const int lines = name == QLatin1String("code_block") ? int(literal.count(QLatin1Char('\n')))
                                                                   : lineCount(literal);
            line(out, depth + 1, text + QLatin1Char(' ') + QString::number(lines));
            continue;
        }
        line(out, ++depth, text);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace BlockStructure
