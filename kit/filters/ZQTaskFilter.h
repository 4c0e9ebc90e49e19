#pragma once
// Task items: "- [ ]", "- [x]" and the other states of a task marker.

#include "kit/filters/ZQFilterRoles.h"
#include "kit/markup/ZQListStyle.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

namespace plat {
class TextView;
}

class ZQTaskFilter : public plat::Object, public ZQAttributeNamed, public ZQCommonMarkBlockFilter {
public:
    ZQTaskFilter() : m_attributeName(QStringLiteral("ZQFILTER_TASK")) {}

    QString className() const override { return QStringLiteral("ZQTaskFilter"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

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
    // restored otherwise.
    void taskStateChange(plat::TextView& view, plat::Range range) const;

private:
    // A task inside a task continues the outer task's levels.
    static ZQListStylePtr createTaskListStyle(const ZSTree& treeNode);
    static QString nextStateMarker(const QString& state);
    static void crosslineRichOfTask(const QString& state, plat::MutableAttributedString& richContent,
                                    plat::Range markerRange);
    static void crosslineMarkupOfTask(const QString& state, plat::MutableAttributedString& markupContent,
                                      plat::Range markerRange);

    QString m_attributeName;
};
