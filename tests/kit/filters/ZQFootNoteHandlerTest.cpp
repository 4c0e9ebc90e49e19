// Footnotes: made from the macro menu and from a selection in both editors,
// renumbered in text order, kept through a style clean, and written at the end
// of an export.

#include "EditorView.h"

#include "kit/filters/ZQFootNoteHandler.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQAttachedStorage.h"
#include "support/FootnotePayloads.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;

plat::AttributedString reference(const QString& uuid, qint64 number)
{
    return plat::AttributedString(QStringLiteral("[%1]").arg(number),
                                  ZQHighlighter::sharedHighlighter().footnodeRich(uuid, number));
}

// Plain pieces and references ("uuid:n"), in order.
plat::MutableAttributedString richText(std::initializer_list<const char*> pieces)
{
    plat::MutableAttributedString text;
    for (const char* piece : pieces) {
        const QString s = QString::fromUtf8(piece);
        if (s.contains(u':'))
            text.append(reference(s.section(u':', 0, 0), s.section(u':', 1).toLongLong()));
        else
            text.append(plat::AttributedString(s, ZSSettings::sharedSettings()->defaultTypingAttribute(Rich)));
    }
    return text;
}

// "uuid:n" for each reference in text order.
QStringList references(const plat::AttributedString& text)
{
    QStringList found;
    text.enumerateAttribute(ZQAttr::MacroFootnote, plat::Range(0, text.length()), 0,
                            [&](const plat::Value& value, plat::Range range, bool*) {
                                if (auto style = value.toObject<ZQFootnoteStyle>()) {
                                    found << QStringLiteral("%1:%2=%3")
                                                 .arg(style->uuid())
                                                 .arg(style->fnIndex())
                                                 .arg(text.string().mid(range.location, range.length));
                                }
                            });
    return found;
}

class FNPrefix {
public:
    explicit FNPrefix(bool on) { ZSSettings::sharedSettings()->setRenderFootnoteWithFNPrefix(on); }
    ~FNPrefix() { ZSSettings::sharedSettings()->setRenderFootnoteWithFNPrefix(false); }
};

} // namespace

TEST(ZQFootNoteHandler, MatchesTheBeginningsOfItsNames)
{
    ZQFootNoteHandler handler;
    EXPECT_EQ(handler.macroTitle(), QStringLiteral("Footnote"));
    EXPECT_EQ(handler.attributeName(), QStringLiteral("ZQMacroFootnote"));
    for (const char* typed : {"f", "fo", "footno", "footnote", "fn"})
        EXPECT_TRUE(handler.matchingTypeText(QString::fromUtf8(typed))) << typed;
    for (const char* typed : {"", "n", "fx", "Foot", "footnotes", "fnx"})
        EXPECT_FALSE(handler.matchingTypeText(QString::fromUtf8(typed))) << typed;
    EXPECT_TRUE(ZQFootNoteHandler::isSupportTag(QStringLiteral("FN")));
    EXPECT_TRUE(ZQFootNoteHandler::isSupportTag(QStringLiteral("Footnote")));
    EXPECT_FALSE(ZQFootNoteHandler::isSupportTag(QStringLiteral("foot")));
}

TEST(ZQFootNoteHandler, MacroInRichTextMakesANumberedReferenceAndOpensItsBody)
{
    ZQFootNoteHandler handler;
    EditorView editor(richText({"a", "A:1", " b ", "fn", " c", "B:2"}), Rich, plat::Range(9, 0));
    const EditorView::State before = editor.state();

    const plat::Range placed = handler.handleRichOnFly(editor.view, plat::Range(7, 2), editor.context);
    // Numbered after the one reference before it; the one after keeps its number.
    EXPECT_EQ(editor.string().toStdString(), "a[1] b [2] c[2]");
    EXPECT_EQ(placed, plat::Range(7, 3));
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(10, 0));
    const QStringList refs = references(*editor.view.textStorage());
    ASSERT_EQ(refs.size(), 3);
    const QString uuid = refs[1].section(u':', 0, 0);
    EXPECT_EQ(refs[1].section(u':', 1).toStdString(), "2=[2]");

    const auto storage = editor.context.getAttachedStorage(uuid, QStringLiteral("ZQMacroFootnote"));
    ASSERT_TRUE(storage);
    EXPECT_TRUE(storage->attachedText()->getAttributedString().string().isEmpty());
    ASSERT_EQ(editor.requests.size(), 1u);
    EXPECT_EQ(editor.requests[0].macro, QStringLiteral("ZQMacroFootnote"));
    EXPECT_EQ(editor.requests[0].key, uuid);
    EXPECT_EQ(editor.requests[0].range, placed);
    EXPECT_EQ(editor.requests[0].storage, storage);

    editor.expectOneUndoStep(before, QStringLiteral("Footnote"));
}

TEST(ZQFootNoteHandler, NewReferenceBeforeOthersTakesOneAndTheFixerShiftsThem)
{
    ZQFootNoteHandler handler;
    FNPrefix prefix(true);
    EditorView editor(richText({"fn", "x", "A:1", "y", "B:2"}), Rich);
    handler.handleRichOnFly(editor.view, plat::Range(0, 2), editor.context);
    EXPECT_EQ(editor.string().toStdString(), "[FN1]x[1]y[2]");

    plat::Attributes typing;
    EXPECT_TRUE(handler.fixRichAttribute(*editor.view.textStorage(), plat::Range(), typing));
    // Only the references whose number was wrong are rewritten, in the current style.
    EXPECT_EQ(editor.string().toStdString(), "[FN1]x[FN2]y[FN3]");
    const QStringList refs = references(*editor.view.textStorage());
    ASSERT_EQ(refs.size(), 3);
    EXPECT_TRUE(refs[1].startsWith(QStringLiteral("A:2=")));
    EXPECT_TRUE(refs[2].startsWith(QStringLiteral("B:3=")));
}

TEST(ZQFootNoteHandler, FixerRenumbersInTextOrderKeepingEachUuid)
{
    ZQFootNoteHandler handler;
    plat::Attributes typing;
    // Numbers out of order, one of two digits: rewriting from the end keeps the
    // ranges still to visit valid when a shown text changes length.
    plat::MutableAttributedString text = richText({"a", "C:12", "b", "A:1", "c", "B:2", "d"});
    EXPECT_TRUE(handler.fixRichAttribute(text, plat::Range(), typing));
    EXPECT_EQ(text.string().toStdString(), "a[1]b[2]c[3]d");
    EXPECT_EQ(references(text), (QStringList{"C:1=[1]", "A:2=[2]", "B:3=[3]"}));
    // The references stay within their brackets.
    EXPECT_FALSE(text.attributeAtIndex(ZQAttr::MacroFootnote, 3).isNull());
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::MacroFootnote, 4).isNull());

    EXPECT_FALSE(handler.fixRichAttribute(text, plat::Range(), typing));
    plat::MutableAttributedString none = richText({"plain"});
    EXPECT_FALSE(handler.fixRichAttribute(none, plat::Range(), typing));
}

TEST(ZQFootNoteHandler, CleanerMarksOnlyReferences)
{
    ZQFootNoteHandler handler;
    plat::MutableAttributedString text = richText({"a", "A:1", "b", "B:2"});
    handler.handleMarkerFromRich(text);
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::PRreformatte, 0).isNull());
    for (qsizetype i : {1, 3, 5, 7})
        EXPECT_EQ(text.attributeAtIndex(ZQAttr::PRreformatte, i).toString(), QStringLiteral("pre")) << i;
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::PRreformatte, 4).isNull());
}

TEST(ZQFootNoteHandler, RichSelectionMovesIntoTheBody)
{
    ZQFootNoteHandler handler;
    // The selection starts on a (protected) reference: that one stays and is
    // counted, and the new footnote takes what follows on the first line.
    EditorView editor(richText({"one ", "A:1", " two three\nfour"}), Rich, plat::Range(4, 15));
    const EditorView::State before = editor.state();
    EXPECT_TRUE(handler.filterRangeOnFly(editor.view.selectedRange(), 42, editor.view, editor.context));
    EXPECT_EQ(editor.string().toStdString(), "one [1] [2]\nfour");
    const QStringList refs = references(*editor.view.textStorage());
    ASSERT_EQ(refs.size(), 2);
    const QString uuid = refs[1].section(u':', 0, 0);
    const auto storage = editor.context.getAttachedStorage(uuid, QStringLiteral("ZQMacroFootnote"));
    ASSERT_TRUE(storage);
    const plat::AttributedString body = storage->attachedText()->getAttributedString();
    EXPECT_EQ(body.string().toStdString(), "two three");
    EXPECT_TRUE(body == before.text.attributedSubstring(plat::Range(8, 9)));
    ASSERT_EQ(editor.requests.size(), 1u);
    EXPECT_EQ(editor.requests[0].range, plat::Range(8, 3));
    editor.expectOneUndoStep(before, QStringLiteral("Footnote"));

    // Nothing but protected text selected: nothing happens.
    EditorView onlyReference(richText({"x", "A:1"}), Rich, plat::Range(1, 3));
    EXPECT_FALSE(handler.filterRangeOnFly(plat::Range(1, 3), 42, onlyReference.view, onlyReference.context));
    EXPECT_EQ(onlyReference.string().toStdString(), "x[1]");
    EXPECT_FALSE(onlyReference.undo->canUndo());
}

TEST(ZQFootNoteHandler, MarkupSelectionBecomesADefinitionBelowItsLine)
{
    struct Case {
        const char* text;
        plat::Range selection;
        const char* expected;
    } cases[] = {
        {"Some word here.\nNext", {5, 4}, "Some [^1] here.\n\n[^1]:word\n\nNext"},
        // The last line gets its line break.
        {"end word", {4, 4}, "end [^1]\n\n[^1]:word\n\n"},
        // Labels in use are skipped: never a second "[^1]".
        {"a[^1] b[^3]\n\n[^1]:x\n[^3]:y\nword", {27, 4}, "a[^1] b[^3]\n\n[^1]:x\n[^3]:y\n[^4]\n\n[^4]:word\n\n"},
        // Only the first line is taken; the selection's further lines stay.
        {"a word\nkeep\n", {2, 9}, "a [^1]\n\n[^1]:word\n\nkeep\n"},
    };
    ZQFootNoteHandler handler;
    for (const Case& c : cases) {
        EditorView editor(plat::AttributedString(QString::fromUtf8(c.text)), Markup, c.selection);
        const EditorView::State before = editor.state();
        EXPECT_TRUE(handler.filterRangeOnFly(c.selection, 42, editor.view, editor.context));
        EXPECT_EQ(editor.string().toStdString(), c.expected) << c.text;
        // Between the caret and the label.
        EXPECT_EQ(editor.view.selectedRange().location, before.text.string().indexOf(u'w') + 2) << c.text;
        EXPECT_TRUE(editor.requests.empty());
        EXPECT_EQ(editor.context.attachedStorageCountFor(QStringLiteral("ZQMacroFootnote")), 0);
        editor.expectOneUndoStep(before, QStringLiteral("Footnote"));
    }
}

TEST(ZQFootNoteHandler, MacroInMarkupLeavesAnEmptyLabel)
{
    ZQFootNoteHandler handler;
    EditorView editor(plat::AttributedString(QStringLiteral("x fn")), Markup, plat::Range(4, 0));
    const EditorView::State before = editor.state();
    handler.handleMarkupOnFly(editor.view, 4, plat::Range(2, 2), editor.context);
    EXPECT_EQ(editor.string().toStdString(), "x [^]");
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(4, 0));
    EXPECT_TRUE(editor.requests.empty());
    editor.expectOneUndoStep(before, QStringLiteral("Footnote"));
}

TEST(ZQFootNoteHandler, ExportWritesReferencedFootnotesInNumberOrder)
{
    ZQFootNoteHandler handler;
    // 3 is not referenced any more; the second body for 1 is a stale copy.
    const std::vector<ZQAttachedStoragePtr> storages = {footnotePayload(2, "two"), footnotePayload(1, "one"),
                                                        footnotePayload(3, "three"), footnotePayload(1, "stale")};
    QString markup = QStringLiteral("b[^2] a[^1]");
    handler.exportEnding(ZQRenderContext::TargetMarkup, markup, storages, QString(), nullptr);
    EXPECT_EQ(markup.toStdString(), "b[^2] a[^1]\n\n[^1]:one\n[^2]:two");

    QString endsWithBreak = QStringLiteral("a[^1]\n");
    handler.exportEnding(ZQRenderContext::TargetMarkup, endsWithBreak, storages, QString(), nullptr);
    EXPECT_EQ(endsWithBreak.toStdString(), "a[^1]\n\n[^1]:one");

    for (quint64 target : {ZQRenderContext::TargetMarkup, ZQRenderContext::TargetRich}) {
        QString unreferenced = QStringLiteral("no references");
        handler.exportEnding(target, unreferenced, storages, QString(), nullptr);
        EXPECT_EQ(unreferenced.toStdString(), "no references");
    }
    QString nothing = QStringLiteral("a[^1]");
    handler.exportEnding(ZQRenderContext::TargetMarkup, nothing, {}, QString(), nullptr);
    EXPECT_EQ(nothing.toStdString(), "a[^1]");
}
