// Live styling through the render object, the typing menu's macro commands and
// pasting rich text with attachments, on the headless editor view.

#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSAbstractTextView.h"
#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace {

using plat::Range;
using StorageTable = ZQRenderContext::StorageTable;

using enum ZQEditorType;

const QString Footnote = QStringLiteral("ZQMacroFootnote");
const QString Image = QStringLiteral("ZQMacroImage");
const QString Link = QStringLiteral("ZQFilterLink");

ZQHighlighter& styles()
{
    return ZQHighlighter::sharedHighlighter();
}

// A filter of the pipe that records who offered it what.
class ProbeFilter : public plat::Object, public Filter {
public:
    enum Answer { No, Yes, Throws };
    struct Offer {
        QString filter;
        QString typed;
        qint64 position;
        ZQRenderContext* context;
    };

    ProbeFilter(QString name, Answer answer, std::vector<Offer>& offers)
        : m_name(std::move(name)), m_answer(answer), m_offers(offers) {}

    QString className() const override { return m_name; }
    QString attributeName() const override { return m_name; }
    void setAttributeName(const QString& name) override { m_name = name; }
    bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView&, ZQRenderContext& context) override
    {
        m_offers.push_back({m_name, typed, position, &context});
        if (m_answer == Throws)
            throw std::runtime_error("probe failed");
        return m_answer == Yes;
    }

private:
    QString m_name;
    Answer m_answer;
    std::vector<Offer>& m_offers;
};

// The shared pipe with other filters for the length of a test.
class PipeSwap {
public:
    PipeSwap(std::vector<plat::ObjectPtr> container, std::vector<plat::ObjectPtr> blockEditor)
        : m_pipe(ZQFilterPipe::sharedManager()), m_container(m_pipe->container()),
          m_blockEditor(m_pipe->blockEditorFilterContainer())
    {
        m_pipe->setContainer(std::move(container));
        m_pipe->setBlockEditorFilterContainer(std::move(blockEditor));
    }
    ~PipeSwap()
    {
        m_pipe->setContainer(m_container);
        m_pipe->setBlockEditorFilterContainer(m_blockEditor);
    }

private:
    std::shared_ptr<ZQFilterPipe> m_pipe;
    std::vector<plat::ObjectPtr> m_container;
    std::vector<plat::ObjectPtr> m_blockEditor;
};

// A view that refuses every change.
class RefusingView : public ZSAbstractTextView {
public:
    bool shouldChangeText(Range, const QString&) override { return false; }
};

class RenderOnFly : public testing::Test {
protected:
    RenderOnFly()
    {
        settings->setMarkupType(ZQMarkupType::Markdown);
        for (ZSAbstractTextView* each : {&view, static_cast<ZSAbstractTextView*>(&refusing)}) {
            each->setSettings(settings);
            each->setEditorType(storedValue(Rich));
            each->setPageTitleHandler([this](Range range) { titles.push_back(range); });
            each->setEditorBlockHandler([this](const QString& macro, const QString& key, Range,
                                               const plat::ObjectPtr& storage) {
                blockRequests.emplace_back(macro, key, storage);
            });
        }
    }

    ~RenderOnFly() override { settings->setMarkupType(markupType); }

    // Plain rich text, the caret at its end.
    void setText(const QString& text, ZSAbstractTextView& on)
    {
        const plat::Attributes typing = settings->defaultTypingAttribute(editorTypeFromStored(on.editorType()));
        on.textStorage()->replaceCharacters(Range(0, on.textStorage()->length()), plat::AttributedString(text, typing));
        on.setSelectedRange(Range(text.size(), 0));
        on.setTypingAttributes(typing);
    }
    void setText(const QString& text) { setText(text, view); }
    const plat::TextStorage& text() const { return *view.textStorage(); }

    // Types at the caret and asks for live styling, as the editor does on key-up.
    bool type(const QString& key)
    {
        view.insertText(key);
        return render.renderOnFly(key, view);
    }

    std::shared_ptr<ZSSettings> settings = installedSettings();
    const ZQMarkupType markupType = settings->markupType();
    ZQRender render;
    ZSAbstractTextView view;
    RefusingView refusing;
    std::vector<Range> titles;
    std::vector<std::tuple<QString, QString, plat::ObjectPtr>> blockRequests;
};

// ---- live styling ---------------------------------------------------------------

TEST_F(RenderOnFly, TheFirstFilterInPipeOrderThatStylesWins)
{
    std::vector<ProbeFilter::Offer> offers;
    auto probe = [&](const char* name, ProbeFilter::Answer answer) {
        return std::make_shared<ProbeFilter>(QString::fromLatin1(name), answer, offers);
    };
    const PipeSwap swap({probe("first", ProbeFilter::No), probe("second", ProbeFilter::Yes),
                         probe("third", ProbeFilter::Yes)},
                        {probe("emphasis", ProbeFilter::Yes)});
    setText(QStringLiteral("abc"));
    view.setSelectedRange(Range(2, 0));

    EXPECT_TRUE(render.renderOnFly(QStringLiteral("*"), view));
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[0].filter, "first");
    EXPECT_EQ(offers[1].filter, "second");
    EXPECT_EQ(offers[1].typed, "*");
    EXPECT_EQ(offers[1].position, 2);
    // The page's own context, never a copy, so storages a filter makes land in the page.
    EXPECT_EQ(offers[1].context, render.renderContext().get());

    // A block editor offers the typed characters to the emphasis filter alone.
    offers.clear();
    view.setEditorType(storedValue(Block));
    EXPECT_TRUE(render.renderOnFly(QStringLiteral("*"), view, 1));
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].filter, "emphasis");
    EXPECT_EQ(offers[0].position, 1);
}

TEST_F(RenderOnFly, AFailingFilterAnswersNoAndEndsTheWalk)
{
    std::vector<ProbeFilter::Offer> offers;
    const PipeSwap swap({std::make_shared<ProbeFilter>("broken", ProbeFilter::Throws, offers),
                         std::make_shared<ProbeFilter>("styler", ProbeFilter::Yes, offers)},
                        {});
    setText(QStringLiteral("abc"));
    EXPECT_FALSE(render.renderOnFly(QStringLiteral("*"), view));
    EXPECT_EQ(offers.size(), 1u);
    EXPECT_TRUE(titles.empty());
}

TEST_F(RenderOnFly, AFailureAfterTheStylingStillAnswersYes)
{
    std::vector<ProbeFilter::Offer> offers;
    const PipeSwap swap({std::make_shared<ProbeFilter>("styler", ProbeFilter::Yes, offers)}, {});
    setText(QStringLiteral("abc"));
    view.setPageTitleHandler([](Range) { throw std::runtime_error("no window"); });
    EXPECT_TRUE(render.renderOnFly(QStringLiteral("*"), view));
}

TEST_F(RenderOnFly, StyledTypingTakesTheTitleAgainAndRepairsTheText)
{
    setText(QStringLiteral("a *xy"));
    // A raw flag outside code and tags: the repair removes it.
    view.textStorage()->addAttribute(ZQAttr::Raw, QStringLiteral("stray"), Range(0, 1));

    EXPECT_FALSE(type(QStringLiteral("z")));
    EXPECT_TRUE(titles.empty());
    EXPECT_FALSE(text().attributeAtIndex(ZQAttr::Raw, 0).isNull()) << "no repair without styling";

    EXPECT_TRUE(type(QStringLiteral("*")));
    EXPECT_EQ(text().string(), "a xyz");
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], view.selectedRange());
    EXPECT_TRUE(text().attributeAtIndex(ZQAttr::Raw, 0).isNull());
}

TEST_F(RenderOnFly, ABlockEditorStylesEmphasisButNoBlocks)
{
    struct Case {
        ZQEditorType editor;
        const char* before;
        const char* key;
        bool styled;
    };
    const Case cases[] = {
        {Rich, "```swift", "\n", true},
        {Block, "```swift", "\n", false},
        {Block, "a *x", "*", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        view.setEditorType(storedValue(c.editor));
        setText(QString::fromLatin1(c.before));
        EXPECT_EQ(type(QString::fromLatin1(c.key)), c.styled);
    }
}

// ---- macro commands -------------------------------------------------------------

TEST_F(RenderOnFly, MacroNamesFindTheirHandlerInAnyLetterCase)
{
    setText(QStringLiteral("ab"));
    settings->setMarkupType(ZQMarkupType::QuorvelMarkup);
    EXPECT_EQ(render.renderMacroOnFly(QStringLiteral("zqMACROimage"), view, Range(2, 0)), Range(2, 0));
    EXPECT_EQ(render.renderContext()->runningMarkupType(), ZQMarkupType::QuorvelMarkup);
    ASSERT_EQ(blockRequests.size(), 1u);
    EXPECT_EQ(std::get<0>(blockRequests[0]), Image);
    const QString key = std::get<1>(blockRequests[0]);
    EXPECT_EQ(std::get<2>(blockRequests[0]), render.renderContext()->getAttachedStorage(key, Image));

    const Range unknown = render.renderMacroOnFly(QStringLiteral("ZQMacroNothing"), view, Range(0, 1));
    EXPECT_TRUE(unknown.isNotFound());
    EXPECT_EQ(unknown.location, std::numeric_limits<qint64>::max());
    EXPECT_EQ(text().string(), "ab");

    ZSAbstractTextView markup;
    markup.setEditorType(storedValue(Markup));
    setText(QStringLiteral("note "), markup);
    render.renderMarkupMacroOnFly(QStringLiteral("ZQMACROFOOTNOTE"), markup, Range(5, 0));
    EXPECT_EQ(markup.string(), "note [^]");
    render.renderMarkupMacroOnFly(QStringLiteral("zqmacro"), markup, Range(0, 0));
    EXPECT_EQ(markup.string(), "note [^]");
}

// ---- paste merge ----------------------------------------------------------------

// Rich text referring to a footnote (twice), a link and an image, with the
// storages the copy brought along.
struct Clipping {
    Clipping()
    {
        for (const QString& owner : {Footnote, Link, Image})
            storages.insert(uuidOf(owner), source.createAttachedStroage(owner, uuidOf(owner)));
        text.append(plat::AttributedString(QStringLiteral("see ")));
        text.append(plat::AttributedString(QStringLiteral("[1]"), styles().footnodeRich(uuidOf(Footnote), 1)));
        text.append(plat::AttributedString(QStringLiteral(" ")));
        text.append(plat::AttributedString(QStringLiteral("[site]"), styles().linkRich(uuidOf(Link))));
        text.append(plat::AttributedString(QStringLiteral(" ")));
        text.append(plat::AttributedString(QStringLiteral("{IMG}"), styles().imageRich(uuidOf(Image), "a.png", true)));
        text.append(plat::AttributedString(QStringLiteral(" again ")));
        text.append(plat::AttributedString(QStringLiteral("[1]"), styles().footnodeRich(uuidOf(Footnote), 1)));
    }
    static QString uuidOf(const QString& owner) { return QStringLiteral("source-") + owner; }

    ZQRenderContext source;
    StorageTable storages;
    plat::MutableAttributedString text;
};

// The UUIDs the text's spans of an owner's attribute carry, in text order.
QStringList uuidsIn(const plat::AttributedString& text, const QString& owner)
{
    QStringList uuids;
    text.enumerateAttribute(owner, Range(0, text.length()), 0, [&](const plat::Value& value, Range, bool*) {
        if (const auto style = value.toObject<ZQUuidStyle>())
            uuids << style->uuid();
    });
    return uuids;
}

TEST_F(RenderOnFly, PastedAttachmentsGetStoragesOfTheirOwn)
{
    const Clipping clip;
    setText(QStringLiteral("Page "));
    ASSERT_TRUE(render.merge(clip.text, clip.storages, view, view.selectedRange()));
    ASSERT_TRUE(render.merge(clip.text, clip.storages, view, view.selectedRange()));
    EXPECT_EQ(text().string(), "Page " + clip.text.string() + clip.text.string());

    for (const QString& owner : {Footnote, Link, Image}) {
        SCOPED_TRACE(owner.toStdString());
        const QString sourceUuid = Clipping::uuidOf(owner);
        const std::vector<ZQAttachedStoragePtr> pasted = render.renderContext()->getAttachedStorageByOwner(owner);
        ASSERT_EQ(pasted.size(), 2u);
        for (const ZQAttachedStoragePtr& storage : pasted) {
            EXPECT_NE(storage->uuid(), sourceUuid);
            EXPECT_NE(storage, clip.storages.value(sourceUuid));
            EXPECT_EQ(storage->owner(), owner);
        }
        EXPECT_NE(pasted[0]->uuid(), pasted[1]->uuid());
        EXPECT_EQ(clip.storages.value(sourceUuid)->uuid(), sourceUuid);
        EXPECT_EQ(uuidsIn(clip.text, owner).first(), sourceUuid) << "the copied text is left alone";

        // Each paste refers to its own copy; a footnote referred to twice
        // stays one footnote.
        const QStringList inText = uuidsIn(text(), owner);
        const qsizetype perPaste = owner == Footnote ? 2 : 1;
        ASSERT_EQ(inText.size(), 2 * perPaste);
        const QString first = inText.first();
        const QString second = inText.last();
        EXPECT_EQ(inText.count(first), perPaste);
        EXPECT_EQ(inText.count(second), perPaste);
        EXPECT_NE(first, second);
        for (const QString& uuid : {first, second})
            EXPECT_TRUE(render.renderContext()->getAttachedStorage(uuid, owner)) << uuid.toStdString();
    }
}

TEST_F(RenderOnFly, WithoutStoragesThePasteIsOnlyRestyled)
{
    // Whole paragraphs' styles agree, so the storage's own fixing changes nothing.
    plat::MutableAttributedString clip{
        plat::AttributedString(QStringLiteral("one "), settings->defaultTypingAttribute(Rich))};
    clip.append(plat::AttributedString(QStringLiteral("[1]"), styles().footnodeRich(QStringLiteral("fn"), 1)));
    setText(QStringLiteral("ab"));
    const plat::AttributedString expected = view.mergeTypingAttributeToPasteContent(clip, Range(1, 1), Rich);

    ASSERT_TRUE(render.merge(clip, {}, view, Range(1, 1)));
    EXPECT_EQ(text().string(), "aone [1]");
    EXPECT_TRUE(text().attributedSubstring(Range(1, clip.length())) == expected);
    EXPECT_EQ(render.renderContext()->attachedStorageCountFor(Footnote), 0);
}

TEST_F(RenderOnFly, ARefusedOrEmptyPasteChangesNothing)
{
    const Clipping clip;
    setText(QStringLiteral("Page"), refusing);
    EXPECT_FALSE(render.merge(clip.text, clip.storages, refusing, Range(4, 0)));
    EXPECT_EQ(refusing.string(), "Page");
    for (const QString& owner : {Footnote, Link, Image})
        EXPECT_EQ(render.renderContext()->attachedStorageCountFor(owner), 0) << owner.toStdString();

    setText(QStringLiteral("Page"));
    EXPECT_FALSE(render.merge(plat::AttributedString(), clip.storages, view, Range(4, 0)));
    EXPECT_EQ(text().string(), "Page");
}

TEST_F(RenderOnFly, PastedFootnotesLandOnTheirOwnCharacters)
{
    // "ab [link] cd" with the link drawn as one block.
    struct Case {
        const char* pasted; // "#" marks where the footnote reference goes
        qsizetype caret;
        const char* result;
    };
    const Case cases[] = {
        {"x#y", 0, "x[1]yab [link] cd"},        // outside the block
        {"x#y", 5, "ab [lx[1]yink] cd"},        // one line inside: takes the block's attributes
        {"x#\ny", 5, "ab [l]x[1]\ny[ink] cd"},  // lines inside: the block is closed before and opened after
        {"x\n#y", 12, "ab [link] cdx\n[1]y"},   // lines outside
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        setText(QStringLiteral("ab [link] cd"));
        view.textStorage()->setAttributes(styles().linkRich(QStringLiteral("block")), Range(3, 6));
        view.setSelectedRange(Range(c.caret, 0));
        const QStringList parts = QString::fromLatin1(c.pasted).split(u'#');
        plat::MutableAttributedString clip{plat::AttributedString(parts[0])};
        clip.append(plat::AttributedString(QStringLiteral("[1]"), styles().footnodeRich(QStringLiteral("fn"), 1)));
        clip.append(plat::AttributedString(parts[1]));
        StorageTable storages;
        storages.insert(QStringLiteral("fn"), ZQRenderContext().createAttachedStroage(Footnote, QStringLiteral("fn")));

        ASSERT_TRUE(render.merge(clip, storages, view, view.selectedRange()));
        ASSERT_EQ(text().string(), QString::fromLatin1(c.result));
        const qsizetype reference = text().string().indexOf(QStringLiteral("[1]"));
        Range span;
        const auto style = text()
                               .attributeAtIndexLongestEffectiveRange(Footnote, reference, &span,
                                                                      Range(0, text().length()))
                               .toObject<ZQFootnoteStyle>();
        ASSERT_TRUE(style);
        EXPECT_NE(style->uuid(), "fn");
        EXPECT_EQ(span, Range(reference, 3));
    }
}

// ---- code blocks pasted --------------------------------------------------------

plat::AttributedString codeBlock(const QString& key)
{
    plat::MutableAttributedString block;
    block.append(plat::AttributedString(QStringLiteral("```"), styles().codeblockRich(QStringLiteral("S"), key)));
    block.append(plat::AttributedString(QStringLiteral("\ncode\n"), styles().codeblockRich(QStringLiteral("B"), key)));
    block.append(plat::AttributedString(QStringLiteral("```"), styles().codeblockRich(QStringLiteral("E"), key)));
    return block;
}

TEST_F(RenderOnFly, APastedCodeBlockGetsAPairingKeyOfItsOwn)
{
    const plat::AttributedString block = codeBlock(QStringLiteral("paired-source"));
    setText(QString());
    view.textStorage()->replaceCharacters(Range(0, 0), block);
    const qsizetype length = block.length();
    const plat::AttributedString lineBreak(QStringLiteral("\n"), settings->defaultTypingAttribute(Rich));
    for (int paste = 0; paste < 2; ++paste) {
        view.textStorage()->replaceCharacters(Range(view.string().size(), 0), lineBreak);
        view.setSelectedRange(Range(view.string().size(), 0));
        ASSERT_TRUE(render.merge(block, {}, view, view.selectedRange()));
    }
    ASSERT_EQ(text().length(), 3 * length + 2);

    QStringList keys;
    for (int copy = 0; copy < 3; ++copy) {
        const qsizetype start = copy * (length + 1);
        const QString key = text().attributeAtIndex(ZQAttr::Readonly, start).toString();
        EXPECT_TRUE(key.startsWith(u"paired-")) << key.toStdString();
        // Both fences and the body share the block's key.
        EXPECT_EQ(text().attributeAtIndex(ZQAttr::Readonly, start + length - 1).toString(), key);
        EXPECT_EQ(text().attributeAtIndex(ZQAttr::Raw, start + 5).toString(), key);
        keys << key;
        // A selection growing into a fence takes this block, and only this one.
        EXPECT_EQ(view.decideSelectionRangeForBlock(Range(start + 1, 1), 2), Range(start, length));
    }
    EXPECT_EQ(keys[0], "paired-source");
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 3);
}

} // namespace
