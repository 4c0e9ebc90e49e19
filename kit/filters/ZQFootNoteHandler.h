#pragma once
// Footnotes. In rich text a reference is a superscript "[n]" ("[FNn]" with the
// setting renderFootnoteWithFNPrefix) carrying a ZQFootnoteStyle (UUID and
// number) under "ZQMacroFootnote"; its body is rich text in an attached
// storage of the render context under the same UUID. In markup a reference is
// "[^label]" and its body a definition line "[^label]:body". The handler makes
// footnotes from the macro menu and from a selection, keeps the rich numbers
// in text order, writes the footnote section of an export and keeps the
// references through a style clean. The link filter renders the references.

#include "kit/model/ZQFilterRoles.h"
#include "platform/foundation/Object.h"
#include "platform/text/AttributedString.h"

#include <QSet>

class ZQFootNoteHandler : public plat::Object,
                          public ZQMacroHandler,
                          public ZQAttributeFixer,
                          public ZQRangedAttributeFixer,
                          public ZQExportHandler,
                          public ZQRichMarkerCleaner {
public:
    ZQFootNoteHandler();

    QString className() const override { return QStringLiteral("ZQFootNoteHandler"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }
    QString macroTitle() const override { return m_macroTitle; }
    void setMacroTitle(const QString& title) override { m_macroTitle = title; }

    // "footnote" or "fn" begins with the typed text, which is not empty.
    bool matchingTypeText(const QString& typed) const override;
    // "footnote" or "fn", ignoring case.
    static bool isSupportTag(const QString& tag);

    // Replaces the typed macro text at range by a new reference numbered after
    // the references before it, makes its empty body and opens the view's
    // block editor on it. The range of the reference.
    plat::Range handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context) override;
    // Replaces range by "[^]" with the caret before "]", for the label.
    void handleMarkupOnFly(plat::TextView& view, qint64 position, plat::Range range, ZQRenderContext& context) override;
    // The selection becomes a footnote body. Rich: a reference takes its place
    // and the block editor opens on the body. Markup: "[^n]" takes its place
    // and the definition goes below its line, n a label the page does not use
    // yet. NO when nothing in the selection can be taken.
    bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) override;

    // Renumbers the references 1, 2, 3 ... in text order, each keeping its UUID
    // (so its body); YES when one was rewritten.
    bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                          plat::Attributes& typingAttributes) override;
    // The references in inRange count on from the last one before it; those
    // after it are renumbered only when the range's count changed.
    bool fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range selRange,
                                 plat::Attributes& typingAttributes, plat::Range inRange) override;
    // Marks the references "ZQTAPRreformatte" = "pre" so that a style clean keeps them.
    void handleMarkerFromRich(plat::MutableAttributedString& content) override;

    // Markup: one definition line per footnote after a blank line. HTML: a rule
    // and a list of bodies with the anchors the references link to. Only the
    // numbers the text refers to are written, in ascending order; for one
    // number the first storage given wins, so a stale copy later in the list
    // never replaces a live body.
    std::vector<plat::ObjectPtr> exportEnding(quint64 renderType, QString& textContent,
                                              const std::vector<std::shared_ptr<ZQAttachedStorage>>& withAttachedStorages,
                                              const QString& exportDirectory, ZQRenderContext* renderContext) override;

    // The numeric labels "[^n]" a markup text shows, definitions included.
    static QSet<quint64> markupLabelNumbers(const QString& text);

private:
    // 1 plus the references within range: the number of a new reference there.
    qint64 getFootnoteIndexRich(const plat::AttributedString& content, plat::Range range) const;
    // The text a reference shows for its number.
    static QString shownText(qint64 number);
    // Numbers the references within range from firstNumber on, in text order;
    // count receives how many there are. YES when one was rewritten.
    bool renumberReferences(plat::MutableAttributedString& content, plat::Range range, qint64 firstNumber,
                            qint64& count) const;
    // The number of the first reference within range, from its end when
    // reverse; 0 when there is none.
    qint64 nearestNumber(const plat::AttributedString& content, plat::Range range, bool reverse) const;

    QString m_macroTitle;
    QString m_attributeName;
};
