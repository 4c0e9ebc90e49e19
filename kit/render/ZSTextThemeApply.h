#pragma once
// Putting a theme onto text that already stands in an editor. The theme itself
// lives below the render engine; applying it needs the engine, so the theme's
// apply operations live here, beside it.

class ZQRender;
class ZSTextTheme;

namespace plat {
class MutableAttributedString;
class TextView;
} // namespace plat

class ZSTextThemeApply {
public:
    ZSTextThemeApply() = delete;

    // Recolours the rich editor's text and every footnote body of the render's
    // context with the theme; the selection stays.
    static void applyThemeForRichEditor(const ZSTextTheme& theme, plat::TextView& view, ZQRender& render);
    // Markup takes the theme by being styled again.
    static void applyThemeForMarkupEditor(const ZSTextTheme& theme, plat::TextView& view, ZQRender& render);
    // Asks for the editor's code blocks to be coloured again.
    static void applyCodeBlockTheme(const ZSTextTheme& theme, plat::TextView& view, ZQRender& render);
    // Recolours rich text run by run from the constructs it carries; code-block
    // bodies keep the highlighter's colours.
    static void applyThemeForRichContent(plat::MutableAttributedString& content, const ZSTextTheme& theme);
};
