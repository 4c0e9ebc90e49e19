#pragma once
// Inline tags. Markup writes a tag as its name between two "+" («+name+»);
// the rich editor shows it as a chip "<name>" carrying "ZQMacroTag". The
// emphasis filter converts tags between markup, rich text and HTML; this
// handler makes them from the macro menu and from a selection, keeps chips
// editable while the user types in them, and strips chip brackets before rich
// text is written as markup.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQTagHandler : public plat::Object,
                     public ZQMacroHandler,
                     public ZQRichMarkerCleaner,
                     public ZQKeyPrcessorRender {
public:
    ZQTagHandler();

    QString className() const override { return QStringLiteral("ZQTagHandler"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }
    QString macroTitle() const override { return m_macroTitle; }
    void setMacroTitle(const QString& title) override { m_macroTitle = title; }

    // "tag" begins with the typed text, which is not empty.
    bool matchingTypeText(const QString& typed) const override;
    // Replaces range by an empty chip "<>" with the caret inside and shows the
    // help tip on chips; the range given.
    plat::Range handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context) override;
    // Replaces range by "++" with the caret between.
    void handleMarkupOnFly(plat::TextView& view, qint64 position, plat::Range range, ZQRenderContext& context) override;
    // The first line of the selection, less "+", "<" and ">", becomes a tag:
    // a chip in rich text, «+name+» in markup; the caret goes before its last
    // character. NO when nothing in the selection can be taken.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;

    // In a rich chip: a comma opens a new empty chip after it; Return moves the
    // caret to the end of the chip's line and removes the chip when it is empty.
    bool processKeyDownEvent(quint16 keyCode, quint64 modifyFlag, plat::TextView& view,
                             ZQRenderContext& context) override;
    // "<name>", "[name]" or "{name}" chips leave "name".
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

private:
    QString m_macroTitle;
    QString m_attributeName;
};
