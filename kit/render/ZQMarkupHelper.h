#pragma once
// Fonts of rich text and page titles. Page documents, editors, windows and page
// lists each own one; the shared one serves callers without one (the reader of
// linked Markdown files).

#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <QString>
#include <memory>
#include <optional>

class ZQHighlighter;
class ZQRender;
class ZSSettings;
class ZSTextTheme;

class ZQMarkupHelper : public plat::Object {
public:
    // Created on first use, never destroyed.
    static std::shared_ptr<ZQMarkupHelper> sharedMarkupHelper();

    ZQMarkupHelper();
    ~ZQMarkupHelper() override;

    QString className() const override { return QStringLiteral("ZQMarkupHelper"); }

    // Whether the body text (outside headings, footnote references and code
    // blocks) of rich content is set in font; YES when there is nothing to compare.
    bool isUsingFont(const plat::Font& font, const plat::AttributedString& richContent) const;
    // Whether the code blocks use font; fenced blocks decide before indented ones.
    bool isCodeBlockUsingFont(const plat::Font& font, const plat::AttributedString& richContent) const;
    // Sets the settings' body font outside code blocks; rich headings and
    // footnote references get their own sizes.
    void applyFontToContent(plat::MutableAttributedString& richContent, ZQEditorType editorType) const;
    void applyFontToCodeBlock(plat::MutableAttributedString& richContent, ZQEditorType editorType) const;

    // The outline title made from the first characters after any front matter:
    // title text (headings, or the front matter's title) in the title attributes,
    // each title ending a line, the rest in the body attributes. None when
    // dirtyRange starts beyond that window. Content is markup text, or rich text
    // for Rich; it is not changed.
    std::optional<plat::MutableAttributedString> getOutlineTitle(const plat::AttributedString& content,
                                                                 ZQEditorType fromEditor, plat::Range dirtyRange);
    // A plain title of at most 36 characters from the first line of content,
    // without punctuation; "Quorvel" when nothing usable is left.
    QString getCanonicalTitle(const plat::AttributedString& content, ZQEditorType fromEditor);

private:
    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZSTextTheme> m_textTheme;
    ZQHighlighter* m_highlighter = nullptr;
    std::unique_ptr<ZQRender> m_markupRender;
};
