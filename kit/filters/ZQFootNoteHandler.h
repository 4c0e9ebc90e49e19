#pragma once
// Footnotes at export: the section of footnote bodies at the end of an exported
// text. (The references themselves belong to the link filter.)

#include "kit/filters/ZQFilterRoles.h"
#include "platform/foundation/Object.h"

class ZQFootNoteHandler : public plat::Object, public virtual ZQAttributeNamed, public ZQExportHandler {
public:
    ZQFootNoteHandler() : m_attributeName(QStringLiteral("ZQMacroFootnote")) {}

    QString className() const override { return QStringLiteral("ZQFootNoteHandler"); }
    QString attributeName() const override { return m_attributeName; }
    void setAttributeName(const QString& name) override { m_attributeName = name; }

    // Markup: one definition line per footnote after a blank line. HTML: a rule
    // and a list of bodies with the anchors the references link to; only
    // footnotes the text refers to are listed. For one number the first storage
    // given wins, so a stale copy later in the list never replaces a live body.
    std::vector<plat::ObjectPtr> exportEnding(quint64 renderType, QString& textContent,
                                              const std::vector<std::shared_ptr<ZQAttachedStorage>>& withAttachedStorages,
                                              const QString& exportDirectory, ZQRenderContext* renderContext) override;

private:
    QString m_attributeName;
};
