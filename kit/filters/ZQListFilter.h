#pragma once
// Bulleted and numbered lists: "-", "*", "+" and "1." or "1)" in Markdown; the
// own dialect also numbers "#" items.

#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQListStyle.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

class ZQTextNodeListItem;

class ZQListFilter : public plat::Object,
                     public ZQAttributeNamed,
                     public ZQOnFlyFilter,
                     public ZQRangeFormatter,
                     public ZQCommonMarkBlockFilter,
                     public ZQMarkupPreJoiner,
                     public ZQRichMarkerCleaner {
public:
    ZQListFilter() : m_attributeName(QStringLiteral("ZQFilterList")) {}

    QString className() const override { return QStringLiteral("ZQListFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Colours the markers of the item's run and gives each item its list style.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    // Gives every item of the run its level and its rich marker ("\t%@\t") as
    // render content.
    bool preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& context) override;
    // Appends the rich marker, its list style holding the levels of the item
    // and of every list item around it, outermost first.
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content, ZQRenderContext& context) override;
    // The first item of a list writes the list's opening and prepares every item
    // of the run (tightness, item tags, closing tags); later items write what was
    // prepared for them.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // Sets the content of the item and its following items to their markup
    // markers in the running dialect.
    bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;

    // A blank typed after a list marker at the start of a rich line makes the
    // rich list item; typed right after an item's rich marker it changes the
    // item's kind at its own level.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Tag 50 numbers the lines the range touches, any other tag bullets them;
    // lines that already are items of that kind lose their marker instead.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Deletes every rich list marker.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // The rich marker ("\t%@\t") of a list made from a typed markup marker,
    // one level below parentLevels; empty when no character of the marker
    // names a list kind.
    static plat::AttributedString richMarkerFromMarkupMarker(const QString& marker,
                                                             const std::vector<ZQTextListPtr>& parentLevels);

    // Whether the items of the run make a loose list.
    static bool isLooseList(const std::vector<ZSTree>& items);
    // "{decimal}." for a numbered marker ("#" included), "{disc}", "{check}" and
    // "{hyphen}" for "*", "+" and "-"; empty for anything else.
    static QString richMarkerFormatFromMarkupMarker(const QString& marker);
    // The marker an item of that rich format is written with in the dialect.
    // Quorvel Markup's "#" counts from one, so a list starting elsewhere keeps
    // its numbers there too.
    static QString markupMarkerFromRichMarkerFormat(const QString& format, qint64 orderIndex, qint64 startIndex,
                                                    ZQMarkupType markupType);

private:
    QString m_attributeName;
};
