#pragma once
// A link reference definition or footnote definition of a page, or the link of an
// inline link. Kept in the page's link-reference map under its normalised label.

#include "kit/model/ZQTextNodeInfo.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <memory>

namespace plat {
class MutableAttributedString;
}

class ZQLinkRef : public ZQTextNodeInfo {
public:
    static std::shared_ptr<ZQLinkRef> initWithLink(const QString& link, const QString& title);

    QString className() const override { return QStringLiteral("ZQLinkRef"); }
    // Copies link, title, label, refLabel and linkType; flags, index, ranges and the
    // rendered content start empty.
    plat::ObjectPtr copy() const override;
    QString description() const override;
    bool supportsCoding() const override { return true; }
    // Archives link, title, label, refLabel and linkType only.
    void encodeWithCoder(plat::KeyedArchiver& coder) const override;

    // Both link and label are present.
    bool isValidLinkRef() const { return !m_link.isNull() && !m_label.isNull(); }

    bool isFootnote() const { return m_isFootnote; }
    void setIsFootnote(bool v) { m_isFootnote = v; }
    bool isUsed() const { return m_isUsed; }
    void setIsUsed(bool v) { m_isUsed = v; }
    bool hasLinkBracket() const { return m_hasLinkBracket; }
    void setHasLinkBracket(bool v) { m_hasLinkBracket = v; }
    char16_t titleQuote() const { return m_titleQuote; }
    void setTitleQuote(char16_t v) { m_titleQuote = v; }
    QString label() const { return m_label; }
    void setLabel(const QString& v) { m_label = v; }
    QString link() const { return m_link; }
    void setLink(const QString& v) { m_link = v; }
    QString title() const { return m_title; }
    void setTitle(const QString& v) { m_title = v; }
    qint64 footnoteIndex() const { return m_footnoteIndex; }
    void setFootnoteIndex(qint64 v) { m_footnoteIndex = v; }
    QString refLabel() const { return m_refLabel; }
    void setRefLabel(const QString& v) { m_refLabel = v; }
    quint64 linkType() const { return m_linkType; }
    void setLinkType(quint64 v) { m_linkType = v; }
    std::shared_ptr<plat::MutableAttributedString> renderContent() const { return m_renderContent; }
    void setRenderContent(std::shared_ptr<plat::MutableAttributedString> v) { m_renderContent = std::move(v); }
    plat::Range contentRange() const { return m_contentRange; }
    void setContentRange(plat::Range v) { m_contentRange = v; }
    plat::Range labelRange() const { return m_labelRange; }
    void setLabelRange(plat::Range v) { m_labelRange = v; }

private:
    bool m_isFootnote = false;
    bool m_isUsed = false;
    bool m_hasLinkBracket = false;
    char16_t m_titleQuote = 0;
    QString m_label;
    QString m_link;
    QString m_title;
    qint64 m_footnoteIndex = 0;
    QString m_refLabel;
    quint64 m_linkType = 0;
    std::shared_ptr<plat::MutableAttributedString> m_renderContent;
    plat::Range m_contentRange;
    plat::Range m_labelRange;
};

#include <QHash>

// The link-reference map of a page: normalised label to its definition.
using ZQLinkRefMap = QHash<QString, std::shared_ptr<ZQLinkRef>>;
