#include "kit/parsers/ZQRichParser.h"

#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/Regex.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/AttributedString.h"
#include "platform/text/ParagraphStyle.h"

#include <QDebug>
#include <algorithm>
#include <map>

using plat::Range;

namespace {


// The line at position. A line break a character reference stands for
// ("&#10;") ends no line: the reference is written back and keeps its
// paragraph whole.
Range lineAt(const plat::AttributedString& content, qsizetype position)
{
    const QString& text = content.string();
    Range line = plat::lineBounds(text, Range(position, 0)).range();
    while (line.end() < text.size() && line.length > 0
           && !content.attributeAtIndex(ZQAttr::Entity, line.end() - 1).isNull())
        line.length = plat::lineBounds(text, Range(line.end(), 0)).range().end() - line.location;
    return line;
}

bool intersects(Range a, Range b)
{
    return a.location < b.end() && b.location < a.end();
}

bool isListItem(const ZSTree& tree)
{
    return ZQBlockNodes::hasType(tree, ZQNodeType::ListItem) || ZQBlockNodes::hasType(tree, ZQNodeType::Task);
}

std::shared_ptr<ZQListStyle> listStyleOf(const ZSTree& tree)
{
    const auto node = ZQBlockNodes::textNodeOf(tree);
    const auto info = node ? ZQBlockNodes::infoOf<ZQTextNodeListItem>(*node) : nullptr;
    return info ? info->listStyle() : nullptr;
}

qint64 listDepth(const ZSTree& tree)
{
    const auto style = listStyleOf(tree);
    return style ? style->depth() : 0;
}

ZSTree appendNode(const ZSTree& parent, std::shared_ptr<ZQTextNode> node)
{
    ZSTree child = ZSTree::treeWithObject(std::move(node));
    parent.appendChild(child);
    return child;
}

const QStringList& blockAttributeNames()
{
    static const QStringList names{ZQAttr::FilterQuote,   ZQAttr::FilterList,    ZQAttr::FilterTask,
                                   ZQAttr::FilterHeading, ZQAttr::FilterDivider, ZQAttr::FilterCodeBlock};
    return names;
}

} // namespace

// ---- ZQRichAttribute --------------------------------------------------------

std::shared_ptr<ZQRichAttribute> ZQRichAttribute::attribute(const QString& name, const plat::Value& attr, Range range)
{
    auto record = std::make_shared<ZQRichAttribute>();
    record->m_name = name;
    record->m_attribute = attr;
    record->m_range = range;
    return record;
}

plat::ObjectPtr ZQRichAttribute::copy() const
{
    const plat::ObjectPtr object = m_attribute.toObject();
    return attribute(m_name, object ? plat::Value(object->copy()) : m_attribute, m_range);
}

// ---- ZQRichParser: block tree -------------------------------------------------

ZQRichParser::ZQRichParser()
    : m_filterProvider(ZQFilterPipe::sharedManager()),
      m_spaces(plat::CharacterSet::fromString(QStringLiteral(" \t"))),
      m_blank(plat::CharacterSet::whitespaceAndNewline()),
      m_tabs(plat::CharacterSet::fromString(QStringLiteral("\t"))),
      m_fencedBlockMarkerPattern(ZQCodeBlockFilter::fencedBlockMarkerPattern())
{
    m_inlineFilters.reserve(6);
    for (const plat::ObjectPtr& filter : m_filterProvider->container()) {
        if (dynamic_cast<ZQCommonMarkInlineFilter*>(filter.get()))
            m_inlineFilters.push_back(filter);
    }
}

ZQRichParser::~ZQRichParser() = default;

ZSTree ZQRichParser::processDocTree(const plat::AttributedString& content, IndentTabsList* unusedListIndentTab,
                                    Range /*inRange*/)
{
    const QString& text = content.string();
    const Range whole = plat::wholeRange(text);

    // Native lists, found from the end.
    std::vector<ZQRichAttributePtr> nativeLists;
    content.enumerateAttribute(plat::ParagraphStyleAttribute, whole, plat::EnumerationReverse,
                               [&](const plat::Value& value, Range range, bool*) {
                                   const auto style = value.toObject<plat::ParagraphStyle>();
                                   if (!style || style->textLists().empty())
                                       return;
                                   ZQListStyle::TextLists lists;
                                   for (const plat::TextListPtr& list : style->textLists())
                                       lists.push_back(ZQTextList::initWithMarkerFormat(
                                           list->markerFormat(), quint64(std::max<qint64>(list->startingItemNumber(), 0))));
                                   nativeLists.push_back(ZQRichAttribute::attribute(
                                       ZQAttr::FilterList, plat::Value(ZQListStyle::initWithTextLists(lists)), range));
                               });
    if (!nativeLists.empty())
        nativeLists = tidyMarkups(std::move(nativeLists), content);

    m_root = std::make_shared<ZQTextNode>();
    m_rootNode = ZSTree::treeWithObject(m_root);
    ZSTree parent = m_rootNode;

    std::size_t next = 0; // the first native record that may still meet a line
    qsizetype position = 0;
    while (position < text.size()) {
        const Range lineRange = lineAt(content, position);
        position = lineRange.end();
        while (next < nativeLists.size() && nativeLists[next]->range().end() <= lineRange.location)
            ++next;
        ZQRichAttributePtr native;
        for (std::size_t k = next; k < nativeLists.size() && nativeLists[k]->range().location < lineRange.end(); ++k) {
            if (intersects(nativeLists[k]->range(), lineRange)) {
                native = nativeLists[k];
                break;
            }
        }
        if (!native) {
            parent = parseLine(content, lineRange, parent, unusedListIndentTab, nullptr);
            continue;
        }
        const auto style = native->attribute().toObject<ZQListStyle>();
        const Range marker = style ? style->markerRange() : Range::notFound();
        if (marker.location != plat::NotFound && marker.location >= lineRange.location
            && marker.location < lineRange.end()) {
            parent = parseLine(content, lineRange, parent, unusedListIndentTab,
                               ZQRichAttribute::attribute(ZQAttr::FilterList, native->attribute(), marker));
        } else if (ZQBlockNodes::hasType(parent, ZQNodeType::ListItem)) {
            VirtualTabs none;
            parent = addParagraphNode(content, lineRange, text.mid(lineRange.location, lineRange.length), 0, parent,
                                      true, none);
        } else {
            qWarning().noquote() << QStringLiteral("Unexpected - Parsing native list ");
            parent = parseLine(content, lineRange, parent, unusedListIndentTab, nullptr);
        }
    }
    return m_rootNode;
}

ZSTree ZQRichParser::processDocTree(const plat::AttributedString& content, IndentTabsList* unusedListIndentTab,
                                    qsizetype from, qsizetype atLeastTo,
                                    const std::function<bool(Range blankLine)>& mayEndAfter, qsizetype& parsedTo)
{
    const QString& text = content.string();
    m_root = std::make_shared<ZQTextNode>();
    m_rootNode = ZSTree::treeWithObject(m_root);
    ZSTree parent = m_rootNode;
    qsizetype position = from;
    while (position < text.size()) {
        const Range lineRange = lineAt(content, position);
        position = lineRange.end();
        bool nativeList = false;
        content.enumerateAttribute(plat::ParagraphStyleAttribute, lineRange, 0,
                                   [&](const plat::Value& value, Range, bool* stop) {
                                       const auto style = value.toObject<plat::ParagraphStyle>();
                                       nativeList = style && !style->textLists().empty();
                                       *stop = nativeList;
                                   });
        if (nativeList)
            return ZSTree();
        parent = parseLine(content, lineRange, parent, unusedListIndentTab, nullptr);
        if (lineRange.location < atLeastTo)
            continue;
        const auto last = ZQBlockNodes::textNodeOf(m_rootNode.lastChild());
        if (last && last->nodeType() == ZQNodeType::BlankLine && last->lineRange() == lineRange
            && mayEndAfter(lineRange))
            break;
    }
    parsedTo = position;
    return m_rootNode;
}

std::vector<ZQRichAttributePtr> ZQRichParser::tidyMarkups(std::vector<ZQRichAttributePtr> attributes,
                                                          const plat::AttributedString& content) const
{
    const QString& text = content.string();
    // Records come from the end: those after A lie before it in the text.
    std::vector<bool> dropped(attributes.size(), false);
    for (std::size_t a = 0; a < attributes.size(); ++a) {
        const Range rangeA = attributes[a]->range();
        const auto& styleA = attributes[a]->attribute();
        for (std::size_t b = a + 1; b < attributes.size(); ++b) {
            if (dropped[b])
                continue;
            ZQRichAttribute& recordB = *attributes[b];
            const bool equal = recordB.attribute() == styleA;
            const Range rangeB = recordB.range();
            if (rangeA.location <= rangeB.end()) {
                if (!equal)
                    continue;
            } else if (!equal || !ZQShared::containOnlyCharactersInSet(
                                     text, m_spaces, Range(rangeB.end(), rangeA.location - rangeB.end()))) {
                break;
            }
            recordB.setRange(Range(rangeB.location, std::max(rangeA.end(), rangeB.end()) - rangeB.location));
            dropped[a] = true;
            break;
        }
    }
    std::vector<ZQRichAttributePtr> records;
    for (std::size_t k = 0; k < attributes.size(); ++k) {
        if (!dropped[k])
            records.push_back(attributes[k]);
    }
    std::stable_sort(records.begin(), records.end(), [](const ZQRichAttributePtr& x, const ZQRichAttributePtr& y) {
        return x.get()->range().location < y.get()->range().location;
    });

    // Each line that shows a marker starts an item of its own.
    std::vector<ZQRichAttributePtr> items;
    for (const ZQRichAttributePtr& record : records) {
        const auto style = record->attribute().toObject<ZQListStyle>();
        const ZQTextListPtr innermost = style && !style->textLists().empty() ? style->textLists().back() : nullptr;
        const auto regex = innermost ? ZQListStyle::richListMakerRegex(innermost->richMarkerFormat()) : nullptr;
        if (!regex) {
            qWarning().noquote() << QStringLiteral("Unsupported native list marker format %1")
                                        .arg(innermost ? innermost->richMarkerFormat() : QString());
            items.push_back(record);
            continue;
        }
        const Range whole = record->range();
        ZQRichAttributePtr current = record;
        qsizetype position = whole.location;
        while (position < whole.end()) {
            const plat::LineBounds line = plat::lineBounds(text, Range(position, 0));
            const qsizetype contentsEnd = std::min(line.contentsEnd, whole.end());
            position = line.end;
            const auto match = regex->firstMatch(text, Range(line.start, contentsEnd - line.start));
            if (!match)
                continue;
            auto item = current;
            if (line.start > current->range().location) {
                current->setRange(Range(current->range().location, line.start - current->range().location));
                items.push_back(current);
                item = std::static_pointer_cast<ZQRichAttribute>(current->copy());
                item->setRange(Range(line.start, whole.end() - line.start));
            }
            const auto itemStyle = item->attribute().toObject<ZQListStyle>();
            itemStyle->setMarkerRange(match->range());
            if (itemStyle->textLists().back()->isOrderList())
                itemStyle->textLists().back()->setListIndex(quint64(ZQListStyle::parseListIndex(text, match->range())));
            current = item;
        }
        items.push_back(current);
    }
    std::stable_sort(items.begin(), items.end(), [](const ZQRichAttributePtr& x, const ZQRichAttributePtr& y) {
        return x->range().location < y->range().location;
    });
    return items;
}

ZSTree ZQRichParser::parseLine(const plat::AttributedString& content, Range lineRange, const ZSTree& parentNode,
                               IndentTabsList* unusedListIndentTab, const ZQRichAttributePtr& nativeList)
{
    const QString& text = content.string();
    const QString line = text.mid(lineRange.location, lineRange.length);
    ZSTree parent = parentNode.root();

    // The line's block attributes by range (start first) and its list-indent tabs.
    std::map<std::pair<qsizetype, qsizetype>, ZQRichAttributePtr> attributes;
    VirtualTabs virtualTabs;
    if (nativeList)
        attributes[{nativeList->range().location, nativeList->range().length}] = nativeList;
    content.enumerateAttributes(lineRange, plat::EnumerationReverse,
                                [&](const plat::Attributes& runAttributes, Range run, bool*) {
        for (const auto& [name, value] : runAttributes) {
            if (name == ZQAttr::InListIndent) {
                for (qsizetype k = run.location; k < run.end(); ++k)
                    virtualTabs.push_back({k - lineRange.location, value.toObject<ZQListStyle>()});
                continue;
            }
            if (!blockAttributeNames().contains(name))
                continue;
            Range range = run;
            if (name == ZQAttr::FilterList) {
                if (ZQShared::containOnlyCharactersInSet(text, m_spaces, run))
                    continue;
                // The marker glyph alone: the tabs around it belong to the marker.
                if (run.length == 1) {
                    if (run.location > lineRange.location && text.at(run.location - 1) == u'\t')
                        range = Range(run.location - 1, range.length + 1);
                    if (run.end() < lineRange.end() && text.at(run.end()) == u'\t')
                        range.length += 1;
                }
            }
            attributes[{range.location, range.length}] = ZQRichAttribute::attribute(name, value, range);
        }
    });
    std::sort(virtualTabs.begin(), virtualTabs.end(),
              [](const VirtualTab& a, const VirtualTab& b) { return a.offset < b.offset; });

    qsizetype processed = 0;
    bool dividerSeen = false;
    ZQRichAttributePtr heading;
    for (const auto& [key, attribute] : attributes) {
        const Range run = attribute->range();
        const qsizetype runStart = run.location - lineRange.location;
        const qsizetype runEnd = run.end() - lineRange.location;
        const QString& name = attribute->name();
        if (name == ZQAttr::FilterQuote) {
            // List-indent tabs before the marks put the quote inside that item.
            processed += retrieveParentListNode(parent, processed, std::max<qsizetype>(runStart - processed, 0), line,
                                                lineRange, virtualTabs);
            const ZSTree last = parent.lastChild();
            if (ZQBlockNodes::hasType(last, ZQNodeType::Quote)) {
                parent = last;
            } else {
                auto node = std::make_shared<ZQTextNode>();
                node->setNodeType(ZQNodeType::Quote);
                node->setLineRange(lineRange);
                node->setMarkerRange(run);
                node->setContentRange(run);
                node->setContent(text.mid(run.location, run.length));
                parent = appendNode(parent, node);
            }
            processed = std::max(processed, runEnd);
        } else if (name == ZQAttr::FilterList || name == ZQAttr::FilterTask) {
            const auto style = attribute->attribute().toObject<ZQListStyle>();
            if (!style || style->depth() == 0)
                continue;
            const quint64 type = name == ZQAttr::FilterTask ? ZQNodeType::Task : ZQNodeType::ListItem;
            const auto leading = searchingLeadingTabs(processed, runStart, line, lineRange, virtualTabs);
            const qint64 level = (leading ? leading->level() : 0) + style->depth();
            parent = retrieveListParentListNode(parent, level, type);

            auto node = std::make_shared<ZQTextNode>();
            node->setNodeType(type);
            node->setLineRange(lineRange);
            node->setMarkerRange(run);
            node->setContentRange(run);
            node->setContent(text.mid(run.location, run.length));
            const ZQTextListPtr innermost = style->innermost();
            auto info = type == ZQNodeType::Task
                ? ZQTextNodeListItem::initForTaskWithStateMarker(
                      ZQRenderUtil::parseTaskStateFromMarker(text, ZQEditorType::Rich, run, nullptr, nullptr))
                : std::make_shared<ZQTextNodeListItem>();
            info->setListStyle(style);
            info->setRichMarkerFormat(innermost->richMarkerFormat());
            info->setMarkerOrderStartIndex(qint64(innermost->startingItemNumber()));
            info->setMarkerOrderIndex(qint64(innermost->listIndex()));
            info->setIsOrdered(innermost->isOrderList());
            info->setLeadingTab(leading);
            node->setNodeInfo(info);
            parent = appendNode(parent, node);
            processed = std::max(processed, runEnd);
        } else if (name == ZQAttr::FilterHeading) {
            heading = attribute;
            break;
        } else if (name == ZQAttr::FilterDivider) {
            if (dividerSeen)
                continue;
            dividerSeen = true;
            auto node = std::make_shared<ZQTextNode>();
            node->setNodeType(ZQNodeType::Divider);
            node->setLineRange(lineRange);
            node->setMarkerRange(Range(run.location, 0));
            node->setContentRange(Range(run.location, 0));
            node->setContent(text.mid(run.location, run.length));
            const qsizetype consumed =
                retrieveParentListNode(parent, processed, std::max<qsizetype>(runStart - processed, 0), line,
                                       lineRange, virtualTabs);
            appendNode(parent, node);
            processed = std::max(processed + consumed, runEnd);
        } else if (name == ZQAttr::FilterCodeBlock && attribute->attribute().toString() == u"S") {
            const qsizetype consumed =
                retrieveParentListNode(parent, processed, std::max<qsizetype>(runStart - processed, 0), line,
                                       lineRange, virtualTabs);
            const qsizetype start = std::min(processed + consumed, runStart);
            auto node = std::make_shared<ZQTextNode>();
            node->setNodeType(ZQNodeType::FencedCode);
            node->setLineRange(lineRange);
            node->setMarkerRange(run);
            node->setContentRange(Range(lineRange.location + start, lineRange.length - start));
            node->setContent(line.mid(start));
            auto info = std::make_shared<ZQTextNodeFencedBlock>();
            info->setFencedBlockType(QStringLiteral("S"));
            info->setFencedMarker(ZQShared::trim(text.mid(run.location, run.length)));
            info->setFencedTagRange(Range(run.end(), lineRange.end() - run.end()));
            node->setNodeInfo(info);
            appendNode(parent, node);
            processed = lineRange.length;
        }
    }

    if (heading) {
        const auto style = heading->attribute().toObject<ZQHeadingStyle>();
        const Range run = heading->range();
        auto node = std::make_shared<ZQTextNode>();
        node->setNodeType(style && style->headingType() != 0 ? ZQNodeType::SetextHeading : ZQNodeType::Heading);
        node->setLineRange(lineRange);
        node->setMarkerRange(Range(run.location, 0));
        node->setContentRange(Range(run.location, 0));
        auto info = std::make_shared<ZQTextNodeHeading>();
        info->setHeadingLevel(style ? qint64(style->level()) : 1);
        node->setNodeInfo(info);
        const qsizetype runStart = run.location - lineRange.location;
        processed += retrieveParentListNode(parent, processed, std::max<qsizetype>(runStart - processed, 0), line,
                                            lineRange, virtualTabs);
        parent = appendNode(parent, node);
    }

    if (processed < lineRange.length)
        parent = addParagraphNode(content, lineRange, line, processed, parent, false, virtualTabs);

    if (ZQBlockNodes::hasType(parent, ZQNodeType::Heading))
        return parent.parent();
    if (unusedListIndentTab) {
        for (const VirtualTab& tab : virtualTabs) {
            auto record = std::make_shared<ZQTextNodeListIndentTabs>();
            record->setLineRange(lineRange);
            record->setLevel(record->addTab(Range(lineRange.location + tab.offset, 1), tab.listStyle));
            unusedListIndentTab->push_back(record);
        }
    }
    return parent;
}

std::shared_ptr<ZQListStyle> ZQRichParser::takeVirtualTab(VirtualTabs& virtualTabs, qsizetype offset)
{
    const auto found = std::find_if(virtualTabs.begin(), virtualTabs.end(),
                                    [offset](const VirtualTab& tab) { return tab.offset == offset; });
    if (found == virtualTabs.end())
        return nullptr;
    auto style = found->listStyle;
    virtualTabs.erase(found);
    return style;
}

std::shared_ptr<ZQTextNodeListIndentTabs> ZQRichParser::searchingLeadingTabs(qsizetype position, qsizetype end,
                                                                              const QString& line, Range lineRange,
                                                                              VirtualTabs& virtualTabs) const
{
    auto record = std::make_shared<ZQTextNodeListIndentTabs>();
    record->setLineRange(lineRange);
    for (qsizetype k = position; k < end && k < line.size() && line.at(k) == u'\t'; ++k) {
        const auto style = takeVirtualTab(virtualTabs, k);
        record->setLevel(record->level() + record->addTab(Range(lineRange.location + k, 1), style));
    }
    return record->level() > 0 ? record : nullptr;
}

ZSTree ZQRichParser::retrieveListParentListNode(ZSTree parent, qint64 level, quint64 nodeType)
{
    if (ZQBlockNodes::hasType(parent, nodeType))
        return parent;
    // Levels count from the outermost list, so a last item holding fewer
    // levels than the new one is its parent, a task as much as a list item.
    for (ZSTree last = parent.lastChild(); isListItem(last) && listDepth(last) < level; last = parent.lastChild())
        parent = last;
    return parent;
}

qsizetype ZQRichParser::retrieveParentListNode(ZSTree& parent, qsizetype position, qsizetype length,
                                               const QString& line, Range lineRange, VirtualTabs& virtualTabs) const
{
    const ZSTree first = parent.lastChild();
    if (!isListItem(first))
        return 0;
    const quint64 itemType = ZQBlockNodes::textNodeOf(first)->nodeType();
    auto record = std::make_shared<ZQTextNodeListIndentTabs>();
    record->setLineRange(lineRange);
    ZSTree reached = parent;
    qint64 previousDepth = listDepth(parent);
    qsizetype consumed = 0;
    const qsizetype end = std::min<qsizetype>(position + length, line.size());
    for (qsizetype k = position; k < end && line.at(k) == u'\t'; ++k) {
        const auto style = takeVirtualTab(virtualTabs, k);
        const qint64 levels = record->addTab(Range(lineRange.location + k, 1), style);
        record->setLevel(record->level() + levels);
        ++consumed;
        for (qint64 remaining = levels; remaining > 0;) {
            const ZSTree item = reached.lastChild();
            if (!ZQBlockNodes::hasType(item, itemType))
                break;
            const qint64 depth = listDepth(item);
            remaining -= std::max<qint64>(depth - previousDepth, 1);
            previousDepth = depth;
            reached = item;
        }
    }
    if (record->level() > 0 && reached != parent) {
        parent = reached;
        const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(*ZQBlockNodes::textNodeOf(reached));
        if (info) {
            if (info->listIndentTabs().empty())
                info->listIndentTabs().reserve(6);
            info->listIndentTabs().push_back(record);
        }
    }
    return consumed;
}

ZSTree ZQRichParser::addParagraphNode(const plat::AttributedString& content, Range lineRange, const QString& line,
                                      qsizetype processedLength, ZSTree indentParentNode, bool isNativeListAppendLine,
                                      VirtualTabs& virtualTabs)
{
    ZSTree parent = indentParentNode;
    if (!isNativeListAppendLine)
        processedLength += retrieveParentListNode(parent, processedLength, line.size() - processedLength, line,
                                                  lineRange, virtualTabs);
    const Range contentRange(lineRange.location + processedLength, lineRange.length - processedLength);
    auto node = std::make_shared<ZQTextNode>();
    node->setLineRange(lineRange);
    node->setContentRange(contentRange);
    node->setRenderContent(std::make_shared<plat::MutableAttributedString>(content.attributedSubstring(contentRange)));
    const QString text = line.mid(processedLength);
    node->setContent(text);

    QString expanded = line;
    ZQShared::tabExpansion(expanded);
    const qsizetype expandedProcessed = ZSUtils::locationAfterTabExpansion(line, processedLength);

    // Blanks in code are text: a line of them is a paragraph, and they do not
    // indent it.
    const Range code = ZQAttributedString::findAttribute(content, ZQAttr::FilterCode, contentRange, 0);
    if (code.isNotFound() && ZQShared::containOnlyCharactersInSet(text, m_blank, plat::wholeRange(text))) {
        node->setNodeType(ZQNodeType::BlankLine);
    } else {
        node->setNodeType(ZQNodeType::Paragraph);
        const ZSTree last = parent.lastChild();
        qsizetype spaces = 0;
        while (code.location != contentRange.location && expandedProcessed + spaces < expanded.size()
               && expanded.at(expandedProcessed + spaces) == u' ')
            ++spaces;
        // Indented code cannot interrupt a paragraph, but follows any other block.
        if ((!last || !ZQBlockNodes::hasType(last, ZQNodeType::Paragraph)) && spaces >= 4) {
            node->setNodeType(ZQNodeType::IndentedCode);
            node->setNodeStatus(ZQTextNode::StatusLiteral);
        }
    }

    const int fenced = checkFencedCodeBlock(parent, expanded, expandedProcessed);
    if (fenced == 2 || fenced == 3) {
        node->setNodeType(ZQNodeType::Paragraph);
        node->setNodeStatus(ZQTextNode::StatusLiteral | (fenced == 3 ? ZQTextNode::StatusFenceClosed : 0));
        appendNode(parent, node);
        return parent;
    }

    const ZSTree last = parent.lastChild();
    const auto lastNode = ZQBlockNodes::textNodeOf(last);
    bool merged = false;
    if (lastNode && lastNode->nodeType() == ZQNodeType::Paragraph && node->nodeType() == ZQNodeType::Paragraph)
        merged = lastNode->mergeRichParagraph(*node);
    else if (lastNode && lastNode->nodeType() == ZQNodeType::IndentedCode
             && (node->nodeType() == ZQNodeType::IndentedCode || node->nodeType() == ZQNodeType::BlankLine))
        merged = lastNode->mergeRichIndentCode(*node);
    if (!merged)
        appendNode(parent, node);
    return parent;
}

int ZQRichParser::checkFencedCodeBlock(ZSTree& parentNode, const QString& safeline,
                                       qsizetype expandedProcessedLength) const
{
    const ZSTree last = parentNode.lastChild();
    const auto fenced = ZQBlockNodes::textNodeOf(last);
    if (!fenced || fenced->nodeType() != ZQNodeType::FencedCode
        || (fenced->nodeStatus() & ZQTextNode::StatusFenceClosed))
        return 0;
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(*fenced);
    if (!info || info->fencedBlockType() != u"S")
        return 0;
    parentNode = last;
    const qsizetype from = std::min(expandedProcessedLength, safeline.size());
    const auto match = m_fencedBlockMarkerPattern->firstMatch(safeline, Range(from, safeline.size() - from));
    if (match) {
        const Range marker = match->rangeAtIndex(2);
        const Range tag = match->rangeAtIndex(3);
        const QString& opening = info->fencedMarker();
        if ((tag.location == plat::NotFound || tag.length == 0) && marker.length >= opening.size()
            && !opening.isEmpty() && safeline.at(marker.location) == opening.at(0)) {
            fenced->setNodeStatus(fenced->nodeStatus() | ZQTextNode::StatusFenceClosed);
            return 3;
        }
    }
    return 2;
}
