#pragma once
// The layout manager of every editor. In the rich editors it hides the markup
// markers that stay in the rich text (divider lines, code fences, quote
// markers, the brackets of macros) and draws their decorations instead:
// divider rules, the fence marker, quote bars, pill ends and the band of text
// blocks. In every editor it fills code-block backgrounds and paints the
// selection in the theme's colour, and it computes the line metrics the
// typesetter and the editors read from the shared settings.

#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Value.h"
#include "platform/ui/LayoutManager.h"

#include <QColor>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class ZSSettings;
class ZSTextTheme;

class ZQLayoutManager : public plat::LayoutManager {
public:
    explicit ZQLayoutManager(ZQEditorType editorType);

    ZQEditorType editorType() const { return m_editorType; }
    const std::shared_ptr<ZSSettings>& settings() const { return m_settings; }
    const std::shared_ptr<ZSTextTheme>& textTheme() const { return m_textTheme; }

    // Recomputes the line height, gap and caret height of body text and code
    // blocks for this editor type into the settings.
    void calculateLayoutLineHeight();

    void drawGlyphsForGlyphRange(plat::Range glyphRange, QPointF origin, plat::Painter& painter) override;
    void drawBackgroundForGlyphRange(plat::Range glyphRange, QPointF origin, plat::Painter& painter) override;
    // The selection in the theme's selection colour; other backgrounds keep theirs.
    void fillBackgroundRectArray(const QList<QRectF>& rects, plat::Range characterRange, const QColor& color,
                                 plat::Painter& painter) override;

private:
    // Value at the remaining range's first character and its longest run, cut
    // to the remaining range.
    using AttributeGetter = std::function<plat::Value(plat::Range remaining, plat::Range* effective)>;
    using Hidden = std::vector<plat::Range>;
    using RunVisitor = std::function<void(const plat::Value& value, plat::Range glyphs, plat::Range effective)>;

    bool isMarkup() const { return m_editorType == ZQEditorType::Markup; }
    AttributeGetter getterFor(const QString& attribute) const;
    AttributeGetter quoteGetter() const;
    void walkRuns(plat::Range glyphRange, const AttributeGetter& getter, const RunVisitor& visit) const;
    QRectF rectFor(plat::Range glyphRange, QPointF origin);

    void drawDivider(plat::Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden);
    void drawCodeBlock(plat::Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden);
    void drawQuote(plat::Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden);
    void drawInvisibleText(plat::Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden);
    void drawTextBlock(plat::Range glyphRange, QPointF origin, plat::Painter& painter);
    void drawCodeBlockBackground(plat::Range glyphRange, QPointF origin, plat::Painter& painter,
                                 const QString& attribute);

    // Normal fill, normal border, selected fill, selected border.
    std::array<QColor, 4> getColors(const plat::Value& value) const;
    static bool isTask(const plat::Value& value);
    static bool isLink(const plat::Value& value);
    QImage codeFenceMarker() const;
    plat::Range selectedCharacterRange() const;

    const ZQEditorType m_editorType;
    const std::shared_ptr<ZSSettings> m_settings;
    const std::shared_ptr<ZSTextTheme> m_textTheme;
    const plat::CharacterSet BLANK;
    const plat::CharacterSet MACRO_BRACKET_CSET;
};
