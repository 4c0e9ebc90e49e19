#pragma once
// The inline parser of both dialects. It finds the inline constructs of one
// paragraph (emphasis-family runs, code spans, links and images, raw HTML,
// autolinks, entities) and has each rendered at once, in place, by the inline
// filter that owns it, for the render target the context names. For the markup
// target nothing changes and the records the markup editor styles are collected.
//
// Its class operations read the destination and title of a link: inside the
// parentheses of an inline link, and after the colon of a link reference
// definition.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class ZQBaseFilter;
class ZQEscapeFilter;
class ZQImageFilter;
class ZQInlineMarker;
class ZQLinkFilter;
class ZQLinkRef;
class ZQRenderContext;
class ZQTagEntityFilter;

namespace plat {
class AttributedString;
class MutableAttributedString;
} // namespace plat

class ZQParagraphParser : public plat::Object {
public:
    // Bits of parseParagraph's options.
    enum ParseOption : qint64 {
        RenderOption = 4,     // entities rendered, escapes resolved after the scan
        HighlightOption = 16, // every inline record collected
        ImageScanOption = 32, // image records collected
        HTMLTextOption = 64,  // "<", ">", "&" and '"' of plain text written as entities
    };

    using Markers = std::vector<std::shared_ptr<ZQInlineMarker>>;

    ZQParagraphParser();
    ~ZQParagraphParser() override;

    QString className() const override { return QStringLiteral("ZQParagraphParser"); }

    // Scans paragraph, rewriting it for the context's render target; records go
    // to highlighters (may be null) as the options ask.
    void parseParagraph(plat::MutableAttributedString& paragraph, Markers* highlighters, qint64 parseOptions,
                        ZQRenderContext& context);

    // A typed "<...>" or "</...>" at range of text: 1 raw HTML, 2 autolink, 0 neither.
    int checkTag(const plat::AttributedString& text, plat::Range range);

    // Reads destination and optional title from the start of text. effectRange (when
    // given) receives the consumed part (0, length). With matched set, nothing but
    // white space may follow that part. Null when no valid destination is there.
    static std::shared_ptr<ZQLinkRef> parseLinkAndTitle(QStringView text, plat::Range* effectRange, bool matched,
                                                        qint64 parseOptions);

    // Whether the parentheses of a bare destination are acceptable: one level, no
    // stray ")". text is the escape-masked text.
    static bool verifyLink(QStringView text, plat::Range range);

    // The parser's own inline filters.
    const std::shared_ptr<ZQLinkFilter>& linkFilter() const { return m_linkFilter; }
    const std::shared_ptr<ZQImageFilter>& imageFilter() const { return m_imageFilter; }
    const std::shared_ptr<ZQBaseFilter>& baseFilter() const { return m_baseFilter; }
    const std::shared_ptr<ZQTagEntityFilter>& tagEntityFilter() const { return m_tagEntityFilter; }
    const std::shared_ptr<ZQEscapeFilter>& escapeFilter() const { return m_escapeFilter; }

private:
    std::shared_ptr<ZQLinkFilter> m_linkFilter;
    std::shared_ptr<ZQImageFilter> m_imageFilter;
    std::shared_ptr<ZQBaseFilter> m_baseFilter;
    std::shared_ptr<ZQTagEntityFilter> m_tagEntityFilter;
    std::shared_ptr<ZQEscapeFilter> m_escapeFilter;
};
