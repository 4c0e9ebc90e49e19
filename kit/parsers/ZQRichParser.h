#pragma once
// Reads rich text back into structure: the block tree (the same ZSTree of
// ZQTextNode the markup parser builds) from the block attributes and leading
// tabs of each line, native text lists included, and one paragraph's styles
// as inline markup. One parser per render engine object, one thread at a time.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/foundation/Value.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class ZQFilterPipe;
class ZQInlineMarker;
class ZQListStyle;
class ZQRenderContext;
class ZQTextNode;
class ZQTextNodeListIndentTabs;
namespace plat {
class AttributedString;
class Regex;
} // namespace plat

// One attribute found in rich text: its name, value and range.
class ZQRichAttribute : public plat::Object {
public:
    static std::shared_ptr<ZQRichAttribute> attribute(const QString& name, const plat::Value& attr, plat::Range range);

    QString className() const override { return QStringLiteral("ZQRichAttribute"); }
    // The value is copied with its own copy operation.
    plat::ObjectPtr copy() const override;

    const plat::Value& attribute() const { return m_attribute; }
    void setAttribute(const plat::Value& attribute) { m_attribute = attribute; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    plat::Range range() const { return m_range; }
    void setRange(plat::Range range) { m_range = range; }

private:
    plat::Value m_attribute;
    QString m_name;
    plat::Range m_range;
};

using ZQRichAttributePtr = std::shared_ptr<ZQRichAttribute>;

class ZQRichParser : public plat::Object {
public:
    using IndentTabsList = std::vector<std::shared_ptr<ZQTextNodeListIndentTabs>>;
    using Markers = std::vector<std::shared_ptr<ZQInlineMarker>>;

    ZQRichParser();
    ~ZQRichParser() override;

    QString className() const override { return QStringLiteral("ZQRichParser"); }

    // The block tree of the whole text (inRange is not read: the whole text is
    // always parsed). unusedListIndentTab, when given, receives the list-indent
    // tabs that no list item took, one record per tab.
    ZSTree processDocTree(const plat::AttributedString& content, IndentTabsList* unusedListIndentTab,
                          plat::Range inRange);
    // The block tree of the lines from `from` on as a text of their own; from
    // must be a line start that no construct before it reaches across. It ends
    // after the first blank line of the root that starts at or after
    // atLeastTo and that mayEndAfter accepts, or at the text's end; parsedTo
    // receives where. A null tree when a line belongs to a native text list,
    // which only the whole text can tell.
    ZSTree processDocTree(const plat::AttributedString& content, IndentTabsList* unusedListIndentTab,
                          qsizetype from, qsizetype atLeastTo,
                          const std::function<bool(plat::Range blankLine)>& mayEndAfter, qsizetype& parsedTo);
    // The markup of one paragraph's rich text in the context's markup type.
    QString parseParagraph(const plat::AttributedString& paragraph, ZQRenderContext& context);

    const std::shared_ptr<ZQTextNode>& root() const { return m_root; }
    const ZSTree& rootNode() const { return m_rootNode; }
    const std::shared_ptr<ZQFilterPipe>& filterProvider() const { return m_filterProvider; }
    const std::vector<plat::ObjectPtr>& inlineFilters() const { return m_inlineFilters; }

private:
    // One list-indent tab of a line: its offset in the line and its list style.
    struct VirtualTab {
        qsizetype offset;
        std::shared_ptr<ZQListStyle> listStyle;
    };
    using VirtualTabs = std::vector<VirtualTab>;
    // Takes the list-indent tab at that offset of the line out of the list.
    static std::shared_ptr<ZQListStyle> takeVirtualTab(VirtualTabs& virtualTabs, qsizetype offset);

    std::vector<ZQRichAttributePtr> tidyMarkups(std::vector<ZQRichAttributePtr> attributes,
                                                const plat::AttributedString& content) const;
    ZSTree parseLine(const plat::AttributedString& content, plat::Range lineRange, const ZSTree& parentNode,
                     IndentTabsList* unusedListIndentTab, const ZQRichAttributePtr& nativeList);
    std::shared_ptr<ZQTextNodeListIndentTabs> searchingLeadingTabs(qsizetype position, qsizetype end,
                                                                   const QString& line, plat::Range lineRange,
                                                                   VirtualTabs& virtualTabs) const;
    static ZSTree retrieveListParentListNode(ZSTree parent, qint64 level, quint64 nodeType);
    qsizetype retrieveParentListNode(ZSTree& parent, qsizetype position, qsizetype length, const QString& line,
                                     plat::Range lineRange, VirtualTabs& virtualTabs) const;
    ZSTree addParagraphNode(const plat::AttributedString& content, plat::Range lineRange, const QString& line,
                            qsizetype processedLength, ZSTree indentParentNode, bool isNativeListAppendLine,
                            VirtualTabs& virtualTabs);
    // 0 outside an open fenced block, 2 a body line, 3 the closing fence.
    int checkFencedCodeBlock(ZSTree& parentNode, const QString& safeline, qsizetype expandedProcessedLength) const;

    Markers parseRichAttributeInParagraph(const plat::AttributedString& paragraph, ZQRenderContext& context) const;
    Markers fixAttributeRanges(Markers markers, const QString& paragraph, ZQMarkupType markupType) const;
    // Escape records for the plain characters of the paragraph that the
    // markup's inline parser would read as delimiters, beside the markers given.
    static Markers literalDelimiterEscapes(const plat::AttributedString& paragraph, const Markers& markers,
                                           ZQMarkupType markupType);
    static void sortAttributes(Markers& markers);

    std::shared_ptr<ZQTextNode> m_root;
    ZSTree m_rootNode;
    std::shared_ptr<ZQFilterPipe> m_filterProvider;
    std::vector<plat::ObjectPtr> m_inlineFilters;
    plat::CharacterSet m_spaces;
    plat::CharacterSet m_blank;
    plat::CharacterSet m_tabs;
    std::shared_ptr<const plat::Regex> m_fencedBlockMarkerPattern;
};
