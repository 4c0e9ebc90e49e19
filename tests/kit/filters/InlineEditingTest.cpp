// The inline filters while the user edits, on the headless view model: typed
// spans, escapes, tags and links styled on the fly, the formatting commands
// toggling on and off, and each change one undo step that restores text,
// attributes and selection exactly.

#include "kit/filters/ZQBaseFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/foundation/Exs.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/TextView.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;
using enum ZQMarkupType;

plat::Attributes typingFor(ZQEditorType editorType)
{
    return ZSSettings::sharedSettings()->defaultTypingAttribute(editorType);
}

bool italicAt(const plat::AttributedString& s, qsizetype i)
{
    const auto font = s.attributeAtIndex(plat::FontAttribute, i).toObject<plat::Font>();
    return font && Exs::isItalic(*font);
}

bool boldAt(const plat::AttributedString& s, qsizetype i)
{
    const auto font = s.attributeAtIndex(plat::FontAttribute, i).toObject<plat::Font>();
    return font && Exs::isBold(*font);
}

bool hasAt(const plat::AttributedString& s, const QString& name, qsizetype i)
{
    const plat::Value value = s.attributeAtIndex(name, i);
    return !value.isNull() && (!value.isInteger() || value.toInteger() != 0);
}

bool struckAt(const plat::AttributedString& s, qsizetype i)
{
    return hasAt(s, plat::StrikethroughAttribute, i);
}

bool underlinedAt(const plat::AttributedString& s, qsizetype i)
{
    return hasAt(s, plat::UnderlineAttribute, i);
}

bool codeAt(const plat::AttributedString& s, qsizetype i)
{
    return hasAt(s, ZQAttr::FilterCode, i);
}

struct Snapshot {
    plat::AttributedString text;
    plat::Range selection;
    bool operator==(const Snapshot&) const = default;
};

struct PanelRequest {
    QString macro;
    QString key;
    plat::Range range;
    plat::ObjectPtr storage;
};

class InlineEditing : public testing::Test {
protected:
    void SetUp() override
    {
        undo->setGroupsByEvent(false);
        view.setUndoManager(undo);
        view.setEditorBlockHandler([this](const QString& macro, const QString& key, plat::Range range,
                                          const plat::ObjectPtr& storage) {
            panels.push_back({macro, key, range, storage});
        });
    }
    void TearDown() override { undo->removeAllActions(); }

    // Plain text in the editor's default attributes, the caret at its end.
    void setText(const QString& text, ZQEditorType editorType = Rich, ZQMarkupType markupType = Markdown)
    {
        view.setEditorType(storedValue(editorType));
        context.setRunningMarkupType(markupType);
        auto& storage = *view.textStorage();
        storage.replaceCharacters(plat::Range(0, storage.length()),
                                  plat::AttributedString(text, typingFor(editorType)));
        view.setSelectedRange(plat::Range(text.size(), 0));
        view.setTypingAttributes(typingFor(editorType));
        undo->removeAllActions();
    }

    // Types keys one by one at the caret, offering each to the filter as the
    // engine does after a key-up; whether any was styled.
    bool type(ZQOnFlyFilter& filter, const QString& keys)
    {
        bool styled = false;
        for (const QChar key : keys) {
            view.insertText(QString(key));
            styled = filter.filterRichOnFly(QString(key), view.selectedRange().location, view, context) || styled;
        }
        return styled;
    }

    Snapshot snapshot() const
    {
        const auto& storage = *view.textStorage();
        return {storage.attributedSubstring(plat::Range(0, storage.length())), view.selectedRange()};
    }
    const plat::TextStorage& text() const { return *view.textStorage(); }

    // Undo brings back before, redo brings back after, each under name.
    void expectUndoRedo(const Snapshot& before, const QString& name)
    {
        const Snapshot after = snapshot();
        EXPECT_EQ(undo->undoActionName(), name);
        undo->undo();
        EXPECT_EQ(snapshot(), before) << "undo: " << text().string().toStdString();
        undo->redo();
        EXPECT_EQ(snapshot(), after) << "redo: " << text().string().toStdString();
    }

    std::shared_ptr<plat::UndoManager> undo = std::make_shared<plat::UndoManager>();
    plat::TextView view;
    ZQRenderContext context;
    std::vector<PanelRequest> panels;
};

// ---- Emphasis family: live typing ---------------------------------------------------

struct TypedSpan {
    ZQMarkupType markupType;
    QString before; // text already there, the caret at its end
    QString keys;
    QString result;
    bool (*styled)(const plat::AttributedString&, qsizetype);
    QString action;
};

TEST_F(InlineEditing, TypedSpanIsStyledAndUndoable)
{
    const TypedSpan cases[] = {
        {Markdown, "a ", "*xy*", "a xy", italicAt, "Emphasis"},
        {Markdown, "a ", "~~x~~", "a x", struckAt, "Struck through"},
        {Markdown, "a ", "`x`", "a x", codeAt, "Code"},
        {QuorvelMarkup, "a ", "*x*", "a x", boldAt, "Strong"},
        {QuorvelMarkup, "a ", "~x~", "a x", italicAt, "Emphasis"},
        {QuorvelMarkup, "a ", "-x-", "a x", struckAt, "Struck through"},
        {QuorvelMarkup, "a ", "_x_", "a x", underlinedAt, "Underlined"},
    };
    ZQBaseFilter filter;
    for (const TypedSpan& c : cases) {
        SCOPED_TRACE(c.keys.toStdString());
        setText(c.before, Rich, c.markupType);
        view.insertText(c.keys.left(c.keys.size() - 1));
        const Snapshot before = [&] {
            view.insertText(c.keys.right(1));
            return snapshot();
        }();
        ASSERT_TRUE(filter.filterRichOnFly(c.keys.right(1), view.selectedRange().location, view, context));
        EXPECT_EQ(text().string(), c.result);
        EXPECT_TRUE(c.styled(text(), c.before.size()));
        EXPECT_FALSE(c.styled(text(), 0));
        EXPECT_EQ(view.selectedRange(), plat::Range(c.result.size(), 0));
        // The caret leaves the span: what follows is typed plain.
        EXPECT_EQ(view.typingAttributes(), typingFor(Rich));
        expectUndoRedo(before, c.action);
    }
}

TEST_F(InlineEditing, TypedStrongGoesThroughEmphasis)
{
    // "**x*" makes "*" and an italic x; the last "*" turns that into strong.
    ZQBaseFilter filter;
    setText(QString());
    EXPECT_TRUE(type(filter, "**x**"));
    EXPECT_EQ(text().string(), "x");
    EXPECT_TRUE(boldAt(text(), 0));
    EXPECT_FALSE(italicAt(text(), 0));
    EXPECT_TRUE(text().attributeAtIndex(ZQAttr::FilterItalic, 0).isNull());
    EXPECT_EQ(undo->undoActionName(), "Strong");
}

TEST_F(InlineEditing, TypedSpanThatIsNone)
{
    ZQBaseFilter filter;
    for (const QString keys : {"* x*", "a*b", "*x *", "x", "**"}) {
        setText(QString());
        EXPECT_FALSE(type(filter, keys)) << keys.toStdString();
        EXPECT_EQ(text().string(), keys);
    }
    // An escaped opening star is no marker.
    setText("*x");
    view.textStorage()->addAttribute(ZQAttr::Escaped, QStringLiteral("ESC"), plat::Range(0, 1));
    EXPECT_FALSE(type(filter, "*"));
}

TEST_F(InlineEditing, OpeningMarkerTypedBeforeText)
{
    ZQBaseFilter filter;
    setText("x*");
    view.setSelectedRange(plat::Range(0, 0));
    view.setTypingAttributes(typingFor(Rich));
    EXPECT_TRUE(type(filter, "*"));
    EXPECT_EQ(text().string(), "x");
    EXPECT_TRUE(italicAt(text(), 0));
    EXPECT_EQ(view.selectedRange(), plat::Range(0, 0));
}

TEST_F(InlineEditing, TypedTagSpanBecomesChips)
{
    ZQBaseFilter filter;
    setText(QString());
    EXPECT_TRUE(type(filter, "+a,b+"));
    EXPECT_EQ(text().string(), "<a><b>");
    EXPECT_EQ(undo->undoActionName(), "Tag");
}

// ---- Emphasis family: commands --------------------------------------------------------

TEST_F(InlineEditing, RichCommandsToggleOnSelection)
{
    struct Case {
        quint64 tag;
        bool (*styled)(const plat::AttributedString&, qsizetype);
        QString action;
    };
    const Case cases[] = {
        {1, italicAt, "Emphasis"},
        {2, boldAt, "Strong"},
        {10, underlinedAt, "Underlined"},
        {11, struckAt, "Struck through"},
        {12, codeAt, "Code"},
    };
    ZQBaseFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        setText("abcd");
        const plat::Range selection(1, 2);
        view.setSelectedRange(selection);
        const Snapshot plain = snapshot();

        ASSERT_TRUE(filter.filterRangeOnFly(selection, c.tag, view, context));
        EXPECT_TRUE(c.styled(text(), 1) && c.styled(text(), 2));
        EXPECT_FALSE(c.styled(text(), 0) || c.styled(text(), 3));
        EXPECT_EQ(view.selectedRange(), selection);
        expectUndoRedo(plain, c.action);

        const Snapshot styled = snapshot();
        ASSERT_TRUE(filter.filterRangeOnFly(selection, c.tag, view, context));
        EXPECT_FALSE(c.styled(text(), 1) || c.styled(text(), 2));
        EXPECT_EQ(view.selectedRange(), selection);
        expectUndoRedo(styled, c.action);
    }
}

TEST_F(InlineEditing, RichCommandLeavesRawTextAlone)
{
    ZQBaseFilter filter;
    setText("ab`c`d");
    view.textStorage()->addAttribute(ZQAttr::Raw, QStringLiteral("code"), plat::Range(2, 3));
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(0, 6), 2, view, context));
    EXPECT_TRUE(boldAt(text(), 0) && boldAt(text(), 5));
    EXPECT_FALSE(boldAt(text(), 3));
}

TEST_F(InlineEditing, RichCommandOnCaretTogglesTypingAttributes)
{
    ZQBaseFilter filter;
    setText("ab");
    const Snapshot before = snapshot();
    EXPECT_FALSE(filter.filterRangeOnFly(plat::Range(2, 0), 2, view, context));
    EXPECT_TRUE(Exs::isBold(*view.typingAttributes().value(plat::FontAttribute).toObject<plat::Font>()));
    EXPECT_FALSE(filter.filterRangeOnFly(plat::Range(2, 0), 2, view, context));
    EXPECT_FALSE(Exs::isBold(*view.typingAttributes().value(plat::FontAttribute).toObject<plat::Font>()));
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(InlineEditing, MarkupCommandsWrapAndUnwrap)
{
    struct Case {
        ZQMarkupType markupType;
        quint64 tag;
        QString text;
        plat::Range selection;
        QString result;
        plat::Range selected;
    };
    const Case cases[] = {
        {Markdown, 2, "a x b", {2, 1}, "a **x** b", {2, 5}},
        {Markdown, 2, "a **x** b", {2, 5}, "a x b", {2, 1}},  // the selection holds the markers
        {Markdown, 2, "a **x** b", {4, 1}, "a x b", {2, 1}},  // the markers stand around it
        {Markdown, 1, "ab", {2, 0}, "ab**", {2, 2}},           // nothing selected: both markers, selected
        {Markdown, 11, "x", {0, 1}, "~~x~~", {0, 5}},
        {Markdown, 12, "x", {0, 1}, "`x`", {0, 3}},
        {QuorvelMarkup, 2, "x", {0, 1}, "*x*", {0, 3}},
        {QuorvelMarkup, 1, "~x~", {0, 3}, "x", {0, 1}},
        {QuorvelMarkup, 10, "x", {0, 1}, "_x_", {0, 3}},
        {QuorvelMarkup, 43, "x", {0, 1}, "+x+", {0, 3}},
    };
    ZQBaseFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result.toStdString());
        setText(c.text, Markup, c.markupType);
        view.setSelectedRange(c.selection);
        const Snapshot before = snapshot();
        ASSERT_TRUE(filter.filterRangeOnFly(c.selection, c.tag, view, context));
        EXPECT_EQ(text().string(), c.result);
        EXPECT_EQ(view.selectedRange(), c.selected);
        expectUndoRedo(before, undo->undoActionName());
    }
    // Markdown writes no underline: nothing to do.
    setText("x", Markup, Markdown);
    EXPECT_FALSE(filter.filterRangeOnFly(plat::Range(0, 1), 10, view, context));
    EXPECT_EQ(text().string(), "x");
}

// ---- Escape and tag filters ---------------------------------------------------------------

TEST_F(InlineEditing, TypedEscapeBecomesEscapedCharacter)
{
    ZQEscapeFilter filter;
    // Punctuation typed after a backslash.
    setText("a");
    view.insertText("\\");
    const Snapshot before = [&] {
        view.insertText("*");
        return snapshot();
    }();
    ASSERT_TRUE(filter.filterRichOnFly("*", 3, view, context));
    EXPECT_EQ(text().string(), "a*");
    EXPECT_FALSE(text().attributeAtIndex(ZQAttr::Escaped, 1).isNull());
    EXPECT_EQ(view.selectedRange(), plat::Range(2, 0));
    expectUndoRedo(before, "Escaped");

    // A backslash typed before punctuation: the caret stays before it.
    setText("a*");
    view.setSelectedRange(plat::Range(1, 0));
    view.insertText("\\");
    ASSERT_TRUE(filter.filterRichOnFly("\\", 2, view, context));
    EXPECT_EQ(text().string(), "a*");
    EXPECT_FALSE(text().attributeAtIndex(ZQAttr::Escaped, 1).isNull());
    EXPECT_EQ(view.selectedRange(), plat::Range(1, 0));

    // No punctuation, or raw text: nothing.
    setText(QString());
    EXPECT_FALSE(type(filter, "\\a"));
    setText("\\");
    view.textStorage()->addAttribute(ZQAttr::Raw, QStringLiteral("code"), plat::Range(0, 1));
    EXPECT_FALSE(type(filter, "*"));
    EXPECT_EQ(text().string(), "\\*");
}

TEST_F(InlineEditing, TypedTagIsStyled)
{
    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    struct Case {
        QString before;
        qsizetype caret;
        QString key;
        plat::Range styled; // notFound: nothing
        plat::Attributes attributes;
    };
    const Case cases[] = {
        {"x <b", 4, ">", {2, 3}, styles.htmlTagRich()},
        {"x </b", 5, ">", {2, 4}, styles.htmlTagRich()},
        {"x http://a.b/>", 2, "<", {2, 13}, styles.autolinkRich()},
        {"x <1a", 5, ">", plat::Range::notFound(), {}},
        {"x >", 3, ">", plat::Range::notFound(), {}},
    };
    ZQTagEntityFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.toStdString());
        setText(c.before);
        view.setSelectedRange(plat::Range(c.caret, 0));
        view.insertText(c.key);
        const bool styled = filter.filterRichOnFly(c.key, c.caret + 1, view, context);
        EXPECT_EQ(styled, !c.styled.isNotFound());
        if (!styled)
            continue;
        plat::Range run;
        EXPECT_EQ(text().attributesAtIndex(c.styled.location, &run), c.attributes);
        EXPECT_EQ(run, c.styled);
        EXPECT_EQ(view.selectedRange(), plat::Range(c.caret + 1, 0));
    }
}

// ---- Links ----------------------------------------------------------------------------------

TEST_F(InlineEditing, TypedBracketsMakeALink)
{
    struct Case {
        bool brackets;
        QString before;
        qsizetype caret;
        QString key;
        QString result;
        plat::Range link;  // in the result
        plat::Range match; // in the text as typed
    };
    const Case cases[] = {
        {false, "x [abc", 6, "]", "x abc", {2, 3}, {2, 5}},
        {true, "x [abc", 6, "]", "x [abc]", {2, 5}, {2, 5}},
        {false, "[a [bc", 6, "]", "[a bc", {3, 2}, {3, 4}}, // only after the last "["
        {false, "abc] y", 0, "[", "abc y", {0, 3}, {0, 5}}, // opened before a closed text
    };
    ZQLinkFilter filter;
    const auto settings = ZSSettings::sharedSettings();
    const bool shown = settings->renderLinkWithBracketInRich();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result.toStdString());
        settings->setRenderLinkWithBracketInRich(c.brackets);
        setText(c.before);
        panels.clear();
        view.setSelectedRange(plat::Range(c.caret, 0));
        view.insertText(c.key);
        const Snapshot before = snapshot();
        ASSERT_TRUE(filter.filterRichOnFly(c.key, c.caret + 1, view, context));
        EXPECT_EQ(text().string(), c.result);
        plat::Range run;
        const auto style =
            text().attributeAtIndexLongestEffectiveRange(ZQAttr::FilterLink, c.link.location, &run,
                                                         plat::Range(0, text().length())).toObject<ZQLinkStyle>();
        ASSERT_TRUE(style);
        EXPECT_EQ(run, c.link);
        ASSERT_EQ(panels.size(), 1u);
        EXPECT_EQ(panels[0].macro, "ZQFilterLink");
        EXPECT_EQ(panels[0].key, style->uuid());
        EXPECT_EQ(panels[0].range, c.match);
        EXPECT_EQ(panels[0].storage, context.getAttachedStorage(style->uuid(), "ZQFilterLink"));
        expectUndoRedo(before, "Link");
    }
    settings->setRenderLinkWithBracketInRich(shown);

    setText("x [a`]`");
    view.textStorage()->addAttribute(ZQAttr::Raw, QStringLiteral("code"), plat::Range(4, 3));
    EXPECT_FALSE(type(filter, "b"));
    EXPECT_FALSE(filter.filterRichOnFly("]", 6, view, context)) << "a bracket inside code closes nothing";
}

TEST_F(InlineEditing, LinkCommandMakesAndRemovesRichLink)
{
    ZQLinkFilter filter;
    const auto settings = ZSSettings::sharedSettings();
    const bool shown = settings->renderLinkWithBracketInRich();
    settings->setRenderLinkWithBracketInRich(false);
    setText("x [ab] y");
    view.setSelectedRange(plat::Range(2, 4));
    const Snapshot plain = snapshot();
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(2, 4), 40, view, context));
    EXPECT_EQ(text().string(), "x ab y");
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(panels[0].range, plat::Range(2, 4));
    EXPECT_TRUE(hasAt(text(), ZQAttr::FilterLink, 2) && hasAt(text(), ZQAttr::FilterLink, 3));
    expectUndoRedo(plain, "Link");

    // On a link the command unlinks.
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(3, 0), 40, view, context));
    EXPECT_EQ(text().string(), "x ab y");
    EXPECT_FALSE(hasAt(text(), ZQAttr::FilterLink, 2));
    EXPECT_EQ(text().attributesAtIndex(2), typingFor(Rich));
    EXPECT_EQ(undo->undoActionName(), "Unlink");
    settings->setRenderLinkWithBracketInRich(shown);
}

TEST_F(InlineEditing, LinkCommandInMarkup)
{
    ZQLinkFilter filter;
    for (const auto& [selection, result, caret] : {std::tuple{plat::Range(2, 2), "x [ab]() y", qsizetype(7)},
                                                   std::tuple{plat::Range(2, 0), "x []()ab y", qsizetype(3)}}) {
        setText("x ab y", Markup);
        view.setSelectedRange(selection);
        const Snapshot before = snapshot();
        ASSERT_TRUE(filter.filterRangeOnFly(selection, 40, view, context));
        EXPECT_EQ(text().string(), result);
        EXPECT_EQ(view.selectedRange(), plat::Range(caret, 0));
        expectUndoRedo(before, "Link");
    }
    EXPECT_TRUE(panels.empty());
}

TEST_F(InlineEditing, CleaningDropsLinkBrackets)
{
    ZQLinkFilter filter;
    const plat::Attributes link = ZQHighlighter::sharedHighlighter().linkRich("u1");
    plat::MutableAttributedString content(QStringLiteral("a "), typingFor(Rich));
    content.append(plat::AttributedString(QStringLiteral("[b]"), link));
    content.append(plat::AttributedString(QStringLiteral(" ]"), typingFor(Rich)));
    content.append(plat::AttributedString(QStringLiteral("c]"), ZQHighlighter::sharedHighlighter().linkRich("u2")));
    filter.handleMarkerFromRich(content);
    EXPECT_EQ(content.string(), "a b ]c");
}

// ---- Images ----------------------------------------------------------------------------------

TEST_F(InlineEditing, ImageMacroNames)
{
    ZQImageHandler handler;
    for (const QString typed : {"i", "im", "ima", "image", "img"})
        EXPECT_TRUE(handler.matchingTypeText(typed)) << typed.toStdString();
    for (const QString typed : {"", "images", "imgs", "x", "Image"})
        EXPECT_FALSE(handler.matchingTypeText(typed)) << typed.toStdString();
    setText(QString());
    EXPECT_FALSE(type(handler, "![a](b.png)"));
}

TEST_F(InlineEditing, ImageCommandInsertsPlaceholderOrMarkup)
{
    ZQImageHandler handler;
    for (const ZQEditorType editorType : {Rich, Markup}) {
        SCOPED_TRACE(storedValue(editorType));
        setText("a cat b", editorType);
        panels.clear();
        view.setSelectedRange(plat::Range(2, 3));
        const Snapshot before = snapshot();
        ASSERT_TRUE(handler.filterRangeOnFly(plat::Range(2, 3), 41, view, context));
        const QString inserted = editorType == Rich ? "{IMG}" : "![cat]()";
        EXPECT_EQ(text().string(), "a " + inserted + " b");
        ASSERT_EQ(panels.size(), 1u);
        EXPECT_EQ(panels[0].macro, "ZQMacroImage");
        EXPECT_EQ(panels[0].range, plat::Range(2, inserted.size()));
        const auto storage = context.getAttachedStorage(panels[0].key, "ZQMacroImage");
        ASSERT_TRUE(storage);
        EXPECT_EQ(storage->attachedObject()->imageLabel(), "cat");
        const auto style = text().attributeAtIndex(ZQAttr::MacroImage, 2).toObject<ZQImageStyle>();
        ASSERT_TRUE(style);
        EXPECT_EQ(style->uuid(), panels[0].key);
        expectUndoRedo(before, "Image");
    }
}

TEST_F(InlineEditing, ImageMenuOpensThePanelAndCleaningKeepsImages)
{
    ZQImageHandler handler;
    setText("ab");
    EXPECT_EQ(handler.handleRichOnFly(view, plat::Range(1, 0), context), plat::Range(1, 0));
    handler.handleMarkupOnFly(view, 1, plat::Range(1, 0), context);
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_NE(panels[0].key, panels[1].key);
    EXPECT_EQ(context.attachedStorageCountFor("ZQMacroImage"), 2);
    EXPECT_EQ(text().string(), "ab");

    plat::MutableAttributedString content(QStringLiteral("a"), typingFor(Rich));
    content.append(plat::AttributedString(QStringLiteral("{IMG}"),
                                          ZQHighlighter::sharedHighlighter().imageRich("u", "#IMGu", true)));
    handler.handleMarkerFromRich(content);
    plat::Range run;
    EXPECT_EQ(content.attributeAtIndex(ZQAttr::PRreformatte, 3, &run).toString(), "pre");
    EXPECT_TRUE(content.attributeAtIndex(ZQAttr::PRreformatte, 0).isNull());
}

} // namespace
