#pragma once
// Task items: "- [ ]", "- [x]" and the other states of a task marker.

#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQListStyle.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

namespace plat {
class Regex;
class TextView;
} // namespace plat

class ZQLineRewrite;

class ZQTaskFilter : public plat::Object,
                     public ZQAttributeNamed,
                     public ZQOnFlyFilter,
                     public ZQRangeFormatter,
                     public ZQCommonMarkBlockFilter,
                     public ZQRichMarkerCleaner {
public:
    ZQTaskFilter() : m_attributeName(QStringLiteral("ZQFILTER_TASK")) {}

    QString className() const override { return QStringLiteral("ZQTaskFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // A "]" closing a bracket pair at the start of a rich line's content makes
    // a rich task in the state typed; right after a list item's rich marker
    // the item becomes a task at its own level.
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                         ZQRenderContext& context) override;
    // Puts an open task marker before every line the range touches; lines
    // that are tasks lose their marker instead.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;
    // Deletes every rich task marker.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // content with marker put before each line that has no marker of the
    // attribute (markerPattern finds it inside the line's last run of the
    // attribute), and the marker taken away where it has one.
    static plat::AttributedString toggleMarker(const plat::AttributedString& content,
                                               const plat::AttributedString& marker, const QString& attributeName,
                                               const plat::Regex& markerPattern);

    // Colours the task's marker in the state's colour.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                           ZQRenderContext& context) override;
    // Appends the rich task marker of the task's state.
    bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content, ZQRenderContext& context) override;
    // The first task of a run opens a task list of disabled check boxes.
    bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;
    // Sets the task's content to "- [state]".
    bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) override;

    // "\t[state]\t" (an empty state shows as a blank) in the rich task style.
    plat::AttributedString taskRichMarkerForState(const QString& state, const ZQListStylePtr& listStyle) const;

    // A click on the task marker at range (the view's text): the state moves on
    // (open, ongoing, done, open) and the task's text is crossed out when done,
    // restored otherwise. One undo step.
    void taskStateChange(plat::TextView& view, plat::Range range) const;

private:
    // A task inside a task continues the outer task's levels.
    static ZQListStylePtr createTaskListStyle(const ZSTree& treeNode);
    static QString nextStateMarker(const QString& state);
    static void toggleLines(ZQLineRewrite& rewrite, const plat::AttributedString& marker,
                            const QString& attributeName, const plat::Regex& markerPattern);
    static void crosslineRichOfTask(const QString& state, plat::MutableAttributedString& richContent,
                                    plat::Range markerRange);
    static void crosslineMarkupOfTask(const QString& state, plat::MutableAttributedString& markupContent,
                                      plat::Range markerRange);

    QString m_attributeName;
};
