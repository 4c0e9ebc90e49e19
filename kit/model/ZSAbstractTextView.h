#pragma once
// The text view every editor is built on. It keeps the rich editor's atomic
// constructs whole: text blocks (links, images, tags and task boxes drawn as a
// box, bracket to bracket) and read-only runs (the two fences of a code block
// share one "paired-" value, so fences and body are one unit) while the user
// types, deletes, selects and pastes.

#include "kit/model/ZQEditorTypes.h"
#include "platform/text/TextView.h"

#include <memory>

class ZQRender;
class ZSSettings;
class ZSTextTheme;

class ZSAbstractTextView : public plat::TextView {
public:
    using plat::TextView::TextView;

    // The key being handled, set by the editor before each key-down.
    bool up = false;
    bool down = false;
    bool left = false;
    bool right = false;
    bool del = false;       // forward delete
    bool backspace = false; // backward delete
    bool shiftMask = false;

    // A render engine of this view alone, for paste conversions.
    const std::shared_ptr<ZQRender>& pasteRender() const { return m_pasteRender; }
    void setPasteRender(std::shared_ptr<ZQRender> render) { m_pasteRender = std::move(render); }
    const std::shared_ptr<ZSSettings>& settings() const { return m_settings; }
    void setSettings(std::shared_ptr<ZSSettings> settings) { m_settings = std::move(settings); }
    const std::shared_ptr<ZSTextTheme>& textTheme() const { return m_textTheme; }
    void setTextTheme(std::shared_ptr<ZSTextTheme> theme) { m_textTheme = std::move(theme); }

    // The content restyled for where it lands, replacing inRange: inside a
    // text block it takes the block's attributes (several lines close the
    // block before them and open it after); elsewhere the first and last lines
    // take the inline styles of the insertion point. Pasted text blocks and
    // code blocks get identities of their own. Markup is left as it is.
    plat::AttributedString mergeTypingAttributeToPasteContent(const plat::AttributedString& content,
                                                              plat::Range inRange, ZQEditorType editorType);
    // The first delete beside a text block's bracket selects the block; YES
    // when the key was consumed.
    bool keyDownTextBlock();
    // Arrows and deletes step over read-only units or select them whole.
    bool keyDownReadonlyTag();
    // Typing right after or before a text block does not grow the block.
    void resetTextBlockTypingAttribute();
    // A growing selection swallows every text block and read-only unit it
    // cuts; a shrinking one lets go of them. Direction: 1 end moves and
    // shrinks, 2 end moves and grows, 3 start moves and grows, 4 start moves
    // and shrinks.
    plat::Range decideSelectionRangeForBlock(plat::Range range, int selectionDirection);

    // The brackets that open and close a text block.
    static bool isOpeningBracket(QChar c) { return c == u'<' || c == u'[' || c == u'{'; }
    static bool isClosingBracket(QChar c) { return c == u'>' || c == u']' || c == u'}'; }
    // A text that begins and ends with one pair of them, which writing the
    // text block back takes for the block's own.
    static bool isBracketPair(QStringView text)
    {
        if (text.size() < 2)
            return false;
        const QChar first = text.front();
        const QChar last = text.back();
        return (first == u'<' && last == u'>') || (first == u'[' && last == u']') || (first == u'{' && last == u'}');
    }

private:
    // The read-only unit at index: its run joined with the partner run of a
    // "paired-" value; unpaired "paired-" runs inside range are joined with
    // their partners too.
    plat::Range getReadonlyRange(plat::Range range, qsizetype atIndex) const;
    plat::MutableAttributedString applyAttributes(const plat::Attributes& attributes,
                                                  plat::MutableAttributedString& piece, bool insertAfter,
                                                  plat::Range insertLineRange) const;
    plat::AttributedString restyledPasteContent(const plat::AttributedString& content, plat::Range inRange);
    void resetTypingAttributes(ZQEditorType editorType);
    std::shared_ptr<ZSSettings> effectiveSettings() const;

    std::shared_ptr<ZQRender> m_pasteRender;
    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZSTextTheme> m_textTheme;
};
