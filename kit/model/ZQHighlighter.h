#pragma once
// The style factory: the text attributes of every markup construct, for the
// markup editor ("...Markdown": markers stay visible and are coloured)
// and for rich text ("...Rich": style objects, read-only marks, boxes and list
// tab stops). Colours are read from the
// theme at every call; every builder returns a new dictionary.

#include "kit/model/ZSSettings.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Attributes.h"
#include "platform/text/ParagraphStyle.h"

#include <vector>

class ZQLinkRef;

class ZQHighlighter {
public:
    // Inline node types of the block tree.
    enum InlineType : int { Strong = 22, Emphasis = 23, StrikeThrough = 24, CodeSpan = 25, Underline = 26, Tag = 27 };

    // Made on first use from the installed settings and the shared theme.
    static ZQHighlighter& sharedHighlighter();
    ZQHighlighter(ZSSettingsPtr settings, ZSTextThemePtr theme);

    // --- Markup editor ---------------------------------------------------------
    plat::Attributes listMarkdown(const ZQListStylePtr& listStyle) const;
    plat::Attributes quoteMarkdown() const;
    plat::Attributes dividerMarkdown() const;
    plat::Attributes headingMarkdown(quint64 level, const QString& headingUuid, quint64 headingType) const;
    plat::Attributes autolinkMarkdown() const;
    plat::Attributes linkMarkdown() const;
    plat::Attributes linkRefMarkdown() const;
    plat::Attributes linkRefLabelMarkdown() const;
    // State " " or empty: open; "-": ongoing; anything else: done.
    plat::Attributes taskMarkdown(const ZQListStylePtr& listStyle, const QString& taskState) const;
    plat::Attributes indentCodeblockMarkdown(const plat::Value& value) const;
    // Part "S", "T", "B" or "E" of a fenced block.
    plat::Attributes codeblockMarkdown(const QString& part, const ZQPairedAttributePtr& pairedAttribute,
                                       const QString& key) const;
    plat::Attributes imageMarkdown(const QString& uuid) const;
    plat::Attributes footnoteMarkdown() const;
    plat::Attributes baseBodyMarkdown(int nodeType) const;
    plat::Attributes baseMarkdown(int nodeType, const ZQPairedAttributePtr& pairedAttr) const;
    plat::Attributes htmlTagMarkdown() const;
    plat::Attributes entityMarkdown() const;
    plat::Attributes escapeMarkdown() const;

    void highlightMDHeadingMarker(plat::MutableAttributedString& text, plat::Range markerRange) const;
    // Each reference's content takes the reference colour (footnote
    // definitions excepted), then its label the label colour.
    void highlightLinkRefMarkdown(plat::MutableAttributedString& text,
                                  const std::vector<std::shared_ptr<ZQLinkRef>>& linkRefs) const;

    // --- Rich text ---------------------------------------------------------------
    plat::Attributes listRich(const ZQListStylePtr& listStyle) const;
    plat::Attributes listIndentTabRich(const ZQListStylePtr& listStyle, bool forTask) const;
    plat::Attributes taskRich(const ZQListStylePtr& listStyle, const QString& taskState) const;
    plat::Attributes quoteRich() const;
    // Exactly colour, heading style, heading font and paragraph style.
    plat::Attributes headingRich(quint64 level, const QString& headingUuid, quint64 headingType) const;
    plat::Attributes dividerRich() const;
    plat::Attributes autolinkRich() const;
    plat::Attributes linkRich(const QString& uuid) const;
    plat::Attributes linkRefRich() const;
    plat::Attributes imageRich(const QString& uuid, const QString& url, bool forTag) const;
    plat::Attributes footnodeRich(const QString& uuid, qint64 index) const;
    plat::Attributes indentCodeblockRich() const;
    plat::Attributes codeblockRich(const QString& part, const QString& key) const;
    plat::Attributes htmlTagRich() const;
    plat::Attributes entityRich(const QString& entity) const;
    plat::Attributes escapeRich() const;
    plat::Attributes baseRich(int nodeType) const;

    void removeIndentCodeblockRich(plat::MutableAttributedString& text, plat::Range range) const;
    void removeCodeblockRich(plat::MutableAttributedString& text, plat::Range range) const;

    // --- Merging and toggling ---------------------------------------------------
    // Merges a builder's dictionary into text: fonts are only adjusted (resized
    // for headings and code, bold and italic added, never removed), a heading
    // keeps its colour, every other attribute replaces the old one.
    void applyAttributes(const plat::Attributes& attributes, plat::MutableAttributedString& content,
                         plat::Range range) const;
    struct Paint {
        plat::Attributes attributes;
        plat::Range range;
    };
    // The same as applyAttributes for each paint in turn, but each position of
    // each attribute is written once, by the last paint that covers it: nested
    // spans of a paragraph would otherwise rewrite their whole bodies once per
    // level.
    void applyAttributesInOrder(const std::vector<Paint>& paints, plat::MutableAttributedString& content) const;
    // The typing attributes with that inline style switched on or off.
    plat::Attributes toggleTypingAttribute(int nodeType, const plat::Attributes& typingAttributes) const;
    // The colour the remaining styles call for (link, tag, footnote, bold, ...).
    void cascadeDownFontColor(plat::Attributes& attributes) const;
    // List tab stops: the marker stop (unless for a tab), the text stop and
    // twelve more one tab interval apart; the head indent at the text stop.
    void tabStopsForList(plat::ParagraphStyle& paragraphStyle, qint64 listLevel, double offset, bool forTab,
                         bool forTask) const;
    bool tabStopsVerify(const plat::ParagraphStyle& paragraphStyle, qint64 listLevel, double offset, bool forTab,
                        bool forTask) const;

    const ZSSettingsPtr& settings() const { return m_settings; }
    const ZSTextThemePtr& textTheme() const { return m_textTheme; }
    double tabInterval() const { return m_tabInterval; }

private:
    plat::Attributes typing(ZQEditorType editorType) const { return m_settings->defaultTypingAttribute(editorType); }
    plat::Attributes codeTyping(ZQEditorType editorType) const
    {
        return m_settings->defaultCodeBlockTypingAttribute(editorType);
    }
    plat::ParagraphStylePtr listParagraphStyle(const plat::Attributes& base, const ZQListStylePtr& listStyle,
                                               bool forTab, bool forTask) const;
    void addTagRich(plat::Attributes& attributes) const;

    ZSSettingsPtr m_settings;
    ZSTextThemePtr m_textTheme;
    double m_tabInterval;
};
