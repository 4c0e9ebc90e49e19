#pragma once
// The render engine object: one per owner (window controller, page document,
// outline operation, paste engine). It holds its own parsers, macro handlers and
// render context, and sorts the shared pipe's filters and its handlers into role
// lists; every conversion reaches the filters only through these lists, in their
// order (ZQFilterDispatch.h).

#include "kit/foundation/ZQErrorValue.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <QHash>
#include <QMap>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class ZQAttachedStorage;
class ZQAttachedImageObject;
class ZQDocTreeParser;
class ZQEditTracker;
class ZQHighlighterBlockCacheItem;
class ZQListStyle;
class ZQTextNode;
class ZSTree;
namespace plat {
class AttributedString;
class MutableAttributedString;
} // namespace plat
class ZQFilterPipe;
class ZQHighlighter;
class ZQMacroHandler;
class ZQParagraphParser;
class ZQRenderContext;
class ZQRichParser;
class ZQTextNodeListIndentTabs;
class ZSAbstractTextView;
class ZSSettings;
class ZSTextTheme;

namespace plat {
class AttributedString;
class Attributes;
class TextStorage;
class TextView;
}
// Markup to rich text and markup styling.
class ZQLinkRef;
namespace plat {
class Attributes;
}

class ZQRender : public plat::Object {
public:
    using Members = std::vector<plat::ObjectPtr>;
    // Attribute name to member, enumerated in name order.
    using NamedMembers = QMap<QString, plat::ObjectPtr>;

    ZQRender();
    ~ZQRender() override;

    QString className() const override { return QStringLiteral("ZQRender"); }

    const std::shared_ptr<ZSTextTheme>& textTheme() const { return m_textTheme; }
    void setTextTheme(std::shared_ptr<ZSTextTheme> theme) { m_textTheme = std::move(theme); }
    // The process-wide style factory.
    ZQHighlighter* highlighter() const { return m_highlighter; }
    void setHighlighter(ZQHighlighter* highlighter) { m_highlighter = highlighter; }
    const std::shared_ptr<ZQDocTreeParser>& textblockParser() const { return m_textblockParser; }
    void setTextblockParser(std::shared_ptr<ZQDocTreeParser> parser) { m_textblockParser = std::move(parser); }
    // Replaceable by the owner: a window controller installs the shown page's context.
    const std::shared_ptr<ZQRenderContext>& renderContext() const { return m_renderContext; }
    void setRenderContext(std::shared_ptr<ZQRenderContext> context) { m_renderContext = std::move(context); }
    const std::shared_ptr<ZQParagraphParser>& paragraphParser() const { return m_paragraphParser; }
    void setParagraphParser(std::shared_ptr<ZQParagraphParser> parser) { m_paragraphParser = std::move(parser); }
    const std::shared_ptr<ZQRichParser>& richDocTreeParser() const { return m_richDocTreeParser; }
    void setRichDocTreeParser(std::shared_ptr<ZQRichParser> parser) { m_richDocTreeParser = std::move(parser); }

    // The role lists, built once: handlers first, then the pipe's filters in pipe order.
    const NamedMembers& macroHandlers() const { return m_macroHandlers; }        // lower-cased attribute name
    const NamedMembers& keyProcessorFilters() const { return m_keyProcessorFilters; }
    const QStringList& rawFilterNames() const { return m_rawFilterNames; }
    const Members& attirbuteFixers() const { return m_attirbuteFixers; }
    const Members& exportFilters() const { return m_exportFilters; }
    const Members& makerCleanerFilters() const { return m_makerCleanerFilters; }
    const Members& commonMarkBlockFilters() const { return m_commonMarkBlockFilters; }
    const Members& inlineFilters() const { return m_inlineFilters; }
    const std::shared_ptr<ZQFilterPipe>& filterProvider() const { return m_filterProvider; }
    const std::shared_ptr<ZSSettings>& settings() const { return m_settings; }

    // The HTML body of a page of markup (either dialect, as the settings say):
    // blocks by the block filters, paragraphs by the paragraph parser, then the
    // export handlers' endings. exportDirectory (may be empty) receives copied
    // files; exportAttachments (may be null) the records of the files written.
    // The render context is left as it was.
    QString renderMarkupToHTML(const plat::AttributedString& markup, const QString& exportDirectory,
                               std::vector<plat::ObjectPtr>* exportAttachments);
    // Makes a whole page of body in place and returns it: type 1 a plain page,
    // any other type a page with the embedded "github" style sheet.
    static QString& wrapHTMLbody(QString& body, const QString& title, quint64 htmlBodyWrapperType);

    // --- Code blocks (ZQRenderCodeBlock.cpp) ---

    // The error of the colouring and the range strings of the blocks coloured;
    // no ranges when nothing was sent for colouring.
    using CodeBlockCompletion =
        std::function<void(const std::optional<ZQErrorValue>& error, const std::optional<QStringList>& ranges)>;
    // Sends the fenced and indented code blocks of an editor's text whose
    // colouring no longer holds to the syntax highlighter, with the theme's
    // style sheet of the editor type (Markup, else the rich one). When nothing
    // is sent the completion runs at once; otherwise on the main thread once
    // the colours are in. Main thread only.
    void highlighCodeBlock(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                           CodeBlockCompletion completion);
    // The same for the blocks that meet range only: after an edit, the blocks
    // it touched (the others' colouring holds).
    void highlighCodeBlock(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                           CodeBlockCompletion completion, plat::Range range);

    // The blocks coloured so far, by pairing key, shared by every render object.
    using CodeBlockCache = std::map<QString, std::shared_ptr<ZQHighlighterBlockCacheItem>>;
    static CodeBlockCache& codeHighligherCaching();

    // --- Markup to rich text (ZQRenderRich.cpp), markup styling (ZQRenderMarkup.cpp) ---

    // The rich text of a page of markup in the settings' dialect, for the rich editor.
    plat::MutableAttributedString renderMarkupToRich(const plat::AttributedString& markup);
    // The same in the given dialect. Blocks are
    // joined by the block filters, paragraphs parsed inline, definitions no link
    // uses appended as plain lines. forBlockEditor renders on a copy of the
    // render context, as footnote bodies are, so the page's context is untouched.
    plat::MutableAttributedString renderMarkupToRich(const plat::AttributedString& markup, bool forBlockEditor,
                                                     ZQMarkupType fromMarkup);
    // Colours markup in place for the markup editor: only attributes change, and
    // colouring a coloured text again changes nothing.
    void highlightMarkdown(plat::MutableAttributedString& markup);

private:
    // renderMarkupToRich with the given context; footnote bodies are rendered on
    // copyForBodies, or on one copy of the page's context made for the first (a
    // copy per body would copy every storage of the page for each).
    plat::MutableAttributedString markupToRich(const plat::AttributedString& markup,
                                               const std::shared_ptr<ZQRenderContext>& context,
                                               std::shared_ptr<ZQRenderContext> copyForBodies,
                                               ZQMarkupType fromMarkup);
    // The quotes, list tabs and task tabs of the blocks enclosing the node.
    plat::MutableAttributedString blockContainerIndentForRich(const ZSTree& treeNode) const;
    static void appendLinkRefToRich(plat::MutableAttributedString& rich, const ZQLinkRef& linkRef,
                                    const plat::Attributes& attrs);
    // forBlockEditor: styles on a copy of the render context (footnote bodies).
    void highlightMarkdown(plat::MutableAttributedString& markup, bool forBlockEditor);
    // With the given context; footnote bodies are styled on copyForBodies, or on
    // one copy of the page's context made when the first body needs it (a copy
    // per body would copy every storage of the page for each). A stretch of a
    // page is styled with the page's definitions (pageRefs): false, styling
    // nothing, when the stretch defines any itself. definitions receives the
    // ranges of the text's definitions.
    bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQRenderContext>& context,
                           std::shared_ptr<ZQRenderContext> copyForBodies,
                           const std::shared_ptr<QHash<QString, std::shared_ptr<ZQLinkRef>>>& pageRefs = nullptr,
                           std::vector<plat::Range>* definitions = nullptr);
    // Styles again the lines of the markup editor's text around edited (the
    // edits since it was last styled); false when only a whole styling will do.
    bool restyleMarkupAround(plat::TextStorage& markup, plat::Range edited);
    // Inline constructs of one paragraph, then its block construct, in the markup.
    void highlightNode(plat::MutableAttributedString& markup, const ZSTree& treeNode, const plat::Attributes& base,
                       ZQRenderContext& context);
    void highlightFootnoteBodies(plat::MutableAttributedString& markup,
                                 const std::vector<std::shared_ptr<ZQLinkRef>>& footnotes,
                                 std::shared_ptr<ZQRenderContext> copyForBodies);

public:
    // --- Rich text to markup (ZQRenderMarkdown.cpp) ---

    // The markup of a rich page in the settings' markup type, page endings included.
    plat::MutableAttributedString renderRichToMarkdown(plat::MutableAttributedString* rich);
    // The markup of rich text (null: empty) in dialect toMarkup, in the markup
    // editor's typing attributes. The text's hidden brackets are deleted in
    // place. A page gets the footnote and link reference definitions at its end;
    // a block editor's content (forBlockEditor) gets none and leaves the page's
    // render context alone.
    plat::MutableAttributedString renderRichToMarkdown(plat::MutableAttributedString* rich, bool forBlockEditor,
                                                       ZQMarkupType toMarkup);

private:
    // renderRichToMarkdown with the given context; footnote bodies are written
    // on copyForBodies, or on one copy of the page's context made for the first.
    plat::MutableAttributedString richToMarkdown(plat::MutableAttributedString& rich,
                                                 const std::shared_ptr<ZQRenderContext>& context,
                                                 std::shared_ptr<ZQRenderContext> copyForBodies, bool forBlockEditor,
                                                 ZQMarkupType toMarkup);
    using RichContentRender = std::function<plat::AttributedString(const plat::AttributedString& content)>;
    // The storages the text refers to; each footnote body is converted by the
    // block and numbered in the order the text first refers to it.
    QHash<QString, std::shared_ptr<ZQAttachedStorage>> renderBlockEditorRichContent(
        const plat::AttributedString& content, ZQRenderContext& context, const RichContentRender& renderBlock);
    // Deletes the hidden brackets around text blocks (only links' with linkOnly);
    // tasks keep theirs.
    static void removeInvisible(plat::MutableAttributedString& content, bool linkOnly);
    // What the enclosing quotes, list items and tasks put before each line of the node.
    static QString blockContainerIndentForMarkup(const ZSTree& node);

public:
    // --- Text for other programs and for printing (ZQRenderExternal.cpp) ---

    // Rich text as other programs read it (RTF, RTFD, the text editor): real
    // links where the link storage has an address, the light theme's colours,
    // link brackets dropped, the footnotes numbered at the end. Changes rich
    // and returns it.
    plat::MutableAttributedString& renderExternalRTFFromRich(plat::MutableAttributedString& rich);
    // Text to print: from the markup editor only its coloured runs turn black;
    // rich text as for other programs, with the footnotes below a divider.
    // Changes content and returns it.
    plat::MutableAttributedString& renderPrintContent(plat::MutableAttributedString& content, ZQEditorType forEditor);
    // Markup of one dialect rewritten in the other through rich text, endings
    // regenerated, styled for the markup editor.
    plat::MutableAttributedString convertMarkup(ZQMarkupType fromType, ZQMarkupType toType,
                                                const plat::AttributedString& content);

private:
    // Every link run whose storage has an address gets a real link and a single
    // underline; withoutTextBlock also takes its text-block box away.
    void applyExternalLinks(plat::MutableAttributedString& content, bool withoutTextBlock) const;
    // The footnote bodies of the text by ascending number, each "\n", its label
    // and the body, after a divider when one is given; empty without footnotes.
    plat::MutableAttributedString externalFootnoteBlock(const plat::MutableAttributedString& content,
                                                        const QString& labelFormat, bool withDivider);

public:
    // --- Keys and formatting actions (ZQRenderKeys.cpp) ---

    // Every key press of an editor before its own key handling (characters:
    // the text the key produced): the key processors, a marker character typed
    // over a selection, then Tab, Shift-Tab and Return. YES when the key was
    // handled here; the text is then repaired and its code blocks recoloured.
    bool processKeyDown(quint64 keyCode, quint64 modifyFlag, const QString& characters, ZSAbstractTextView& onView);
    // Key release: only the key processors that watch releases see it.
    bool processKeyUp(quint64 keyCode, quint64 modifyFlag, ZSAbstractTextView& onView);
    // A formatting action of the menus (its tag) on inRange, handed to the
    // filter that owns the construct; tag 100 cleans the style. YES when the
    // text changed; it is then repaired and its code blocks recoloured.
    bool renderShortcutAction(quint64 action, ZSAbstractTextView& onView, plat::Range inRange);

private:
    // The filter or handler that takes the action tag; none for no action.
    plat::ObjectPtr shortcutReceiver(quint64 action) const;
    // Replaces range with its text stripped of formatting, one undo step "Clean Style".
    bool cleanStyle(ZSAbstractTextView& view, plat::Range range);
    // Cleans rich text in place: the marker cleaners drop their markers and
    // mark what keeps its attributes; everything else becomes plain text in
    // the target editor's typing attributes.
    void cleanRichFormattingStyles(plat::MutableAttributedString& rich, ZQEditorType targetEditorType) const;
    // After an edit: the attributes repaired for the view's editor type, then
    // its code blocks sent for colouring.
    void refreshAfterEdit(plat::TextView& view);

public:
    // --- Live styling, macro commands and paste merge (ZQRenderOnFly.cpp) ---

    // Styles what was just typed at the view's caret: renderOnFly(typed, onView, position).
    bool renderOnFly(const QString& typed, ZSAbstractTextView& onView);
    // Offers the typed characters to the filters in pipe order (a block editor
    // offers them to the emphasis filter only); the first that styles them
    // wins, then the page title is taken again and the attributes repaired.
    // YES when a filter styled the text; a throw is logged and answers NO,
    // unless it came after a filter had styled the text.
    bool renderOnFly(const QString& typed, ZSAbstractTextView& onView, qint64 position);
    // The range the named macro handler reports for the typed macro text at
    // atRange, or not found when no handler has that name (in any letter case).
    plat::Range renderMacroOnFly(const QString& name, ZSAbstractTextView& onView, plat::Range atRange);
    // The markup editor's macro command; nothing without a handler of that name.
    void renderMarkupMacroOnFly(const QString& name, ZSAbstractTextView& onView, plat::Range atRange);
    // Pastes rich text into the editor in place of inRange, restyled for where
    // it lands. Every attachment the text refers to that withAttachedStroages
    // holds (UUID to storage; empty when the paste brought none) is copied into
    // the render context under a new UUID, so a paste never shares a storage
    // with its source. NO for empty text or when the view refuses the change;
    // then the context is left as it was.
    bool merge(const plat::AttributedString& pasted,
               const QHash<QString, std::shared_ptr<ZQAttachedStorage>>& withAttachedStroages,
               ZSAbstractTextView& toEditor, plat::Range inRange);

private:
    // The handler for a macro attribute name, in any letter case; null when none.
    ZQMacroHandler* macroHandler(const QString& name) const;
    // Copies every span of the named attribute of markup onto content at the
    // same range, in one editing batch of content.
    static void cloneMarkupAttribute(const QString& name, const plat::AttributedString& markup,
                                     plat::MutableAttributedString& toContent);

public:
    // --- Attribute repair after edits (ZQRenderRepair.cpp) ---

    // Repairs the rich view's text, then its typing attributes: the fixers'
    // changes to them, and the defaults when the caret left a text block.
    // Once the view's text was repaired, later repairs look only at the
    // constructs around what was edited since.
    void fixRichAttributes(plat::TextView& view);
    // Re-derives list markers and numbers, list tab stops and indentation tabs,
    // code-block parts and keys and paragraph indents from the block tree of the
    // text, and drops raw-text flags outside code and tags. True when a filter's
    // own repair reported a change or raw flags were removed.
    bool fixRichContentAttributes(plat::MutableAttributedString& content, plat::Range selRange,
                                  plat::Attributes& typingAttributes);
    // Markup text is repaired by styling it again.
    void fixMarkupAttributes(plat::MutableAttributedString& markup);
    // The markup editor's text after edits: once it was styled whole, only the
    // root blocks between the blank lines around what changed since are styled
    // again, unless the edits reach a link or footnote definition (other
    // blocks read those) or open a construct past that stretch.
    void fixMarkupAttributes(const std::shared_ptr<plat::TextStorage>& storage);
    // Slants italic runs whose font has no italic face.
    static void applyObliquenessForItalic(plat::MutableAttributedString& content);
    // An ancestor below the root is a list or task item.
    static bool isInsideList(const ZSTree& node);

    // --- Tab and Return in lists, tasks and quotes (ZQRenderIndent.cpp) ---

    // Tab (flag: the key's modifier flags) in the view's list, task or quote
    // line: one undo step. False when the key is not handled here.
    bool handleTab(plat::TextView& view, quint64 flag);

    // --- Images and attachment files (ZQRenderImages.cpp) ---

    // The link references of the text's inline images in text order; images in
    // code, raw HTML or literal blocks are not images.
    std::vector<std::shared_ptr<ZQLinkRef>> parseImageFiles(const plat::AttributedString& markup);
    // One new image storage per image link that markupRender's parseImageFiles
    // finds in markup, in that order, each loaded from its link.
    static std::vector<std::shared_ptr<ZQAttachedStorage>> loadExternalImages(const plat::AttributedString& markup,
                                                                              const QString& scanImagePath,
                                                                              const QString& urlPrefix,
                                                                              ZQRender& markupRender);
    // Replaces inRange of the view's text by the image's new rendering, one undo
    // step "Update Image"; nothing for an image without a path.
    void updateImageContent(const std::shared_ptr<ZQAttachedStorage>& image, plat::TextView& onView,
                            plat::Range inRange);
    // The image payloads the rich text shows, by UUID, each reloaded from its path.
    QHash<QString, std::shared_ptr<ZQAttachedImageObject>>
    refreshRenderContextImages(const plat::AttributedString& rich, const QString& scanImagePath,
                               const QString& urlPrefix);
    // Every image span of the rich text rendered again from the table; a UUID
    // missing from it gets the placeholder.
    void updateImageRichContent(plat::MutableAttributedString& rich,
                                const QHash<QString, std::shared_ptr<ZQAttachedImageObject>>& updatedImages);
    // Toggles the task at range, then repairs the view's attributes.
    void taskStateChange(plat::TextView& view, plat::Range range);
    // Check only: the names the export would write that already exist go to
    // conflictFiles; YES when it would write any file. Otherwise writes the
    // image files into exportDirectory (never outside it) and answers YES.
    bool exportFilesFromMarkdown(const plat::AttributedString& markup, QStringList& conflictFiles, quint64 renderType,
                                 const QString& exportDirectory, bool checkExistOnly, bool verifyAttachements);

private:
    // The key handlers are driven directly by their tests.
    friend class ZQRenderIndentTest;
    using IndentNodes = std::vector<std::shared_ptr<ZQTextNode>>;

    // Shift-Tab outside lists, tasks and quotes: one indentation step off the
    // caret's line. Always true, so the key never reaches the text view.
    bool defaultShiftTab(plat::TextView& view);
    // Return (flag: the key's modifier flags): continues the enclosing quotes,
    // lists and tasks on the new line, steps out of or ends an empty item, or
    // keeps a code, HTML or quote line's leading whitespace; one undo step.
    bool handleEnter(plat::TextView& view, quint64 flag);
    // The quote (2), list (3) and task (10) markers of the line, one per list
    // level, from its attribute runs; the marker written on the line is flagged
    // isListMarkerInsideLine.
    IndentNodes lineExistedIndentMarkers(const plat::AttributedString& content, plat::Range lineRange) const;
    // Removes one tab or up to four spaces from the start of the gap; read-only
    // characters are neither removed nor counted. True when something went.
    bool shrinkTabOrSpaces(plat::TextView& view, plat::Range gapRange) const;
    // Fills indentList with the quotes, list items and tasks enclosing the
    // location, outermost first (in code and HTML blocks the quotes only);
    // true when Return must carry the line's leading whitespace over (code,
    // HTML block or quote).
    bool lineIndentForEditor(ZQEditorType editorType, const plat::AttributedString& content, qsizetype atLocation,
                             IndentNodes& indentList);
    // The deepest node of the tree at the location; null when none.
    static ZSTree findTreeNode(const ZSTree& tree, qsizetype atLocation);
    // Appends the new line's quotes and list markers (only an indent under
    // Control) to indent.
    void buildIndents(const IndentNodes& indentList, const IndentNodes& lineIndents,
                      const plat::AttributedString& content, plat::MutableAttributedString& indent,
                      ZQEditorType editorType, quint64 flag) const;
    // The marker of the container for the next item: an open task, or the next number.
    plat::AttributedString cloneMarker(const plat::AttributedString& content, const ZQTextNode& nodeObj,
                                       ZQEditorType editorType) const;
    plat::AttributedString replaceTaskWithNew(const plat::AttributedString& marker,
                                              const std::shared_ptr<ZQListStyle>& listStyle,
                                              ZQEditorType editorType) const;
    // The marker with its first number replaced by index.
    static plat::AttributedString incrementOrderListMarker(const plat::AttributedString& marker, qint64 index);
    // Appends the line's leading whitespace, attributes included; true when there was some.
    bool appendTabIndent(plat::MutableAttributedString& indent, const plat::AttributedString& line) const;

private:
    // The repair of text whose parts outside the edits since the last repair
    // were repaired then: the fixers on the lines between the blank lines
    // around the edits, the block constructs between the blank lines before
    // and after the constructs the edits reach.
    bool fixRichContentAttributesAfterEdits(plat::MutableAttributedString& content, plat::Range selRange,
                                            plat::Attributes& typingAttributes, const ZQEditTracker& edits);
    // The fixers, each confined to inRange when it can be.
    bool runAttributeFixers(plat::MutableAttributedString& content, plat::Range selRange,
                            plat::Attributes& typingAttributes, plat::Range inRange);
    // Makes the text within range agree with the block tree of that range
    // (whole lines from a blank line of the root to one): list markers and
    // tabs, code blocks, paragraph indents, raw flags, paragraph attributes and
    // slants. True when raw flags were removed.
    bool repairBlocks(plat::MutableAttributedString& content, const ZSTree& root,
                      std::vector<std::shared_ptr<ZQTextNodeListIndentTabs>>& unusedTabs, plat::Range range);
    static void applyObliquenessForItalic(plat::MutableAttributedString& content, plat::Range range);

    // True when a request went to the syntax highlighter.
    bool highlighCodeBlockRequest(const std::shared_ptr<plat::TextStorage>& storage, ZQEditorType editorType,
                                  const CodeBlockCompletion& completion, plat::Range range);
    // A new cache item when the block must be coloured; none while its colouring holds.
    static std::shared_ptr<ZQHighlighterBlockCacheItem> requiredHighlightedItem(const plat::AttributedString& text,
                                                                                 const QString& attributeKey,
                                                                                 plat::Range codeRange,
                                                                                 const QString& codeLang,
                                                                                 const QString& cssName);
    // Beyond 50 entries only the 30 stored most recently stay.
    static void poolChecking();
    // One paragraph or setext heading text of the tree, as HTML.
    void appendParagraphHTML(const ZSTree& treeNode, QString& html, bool& firstOutput, ZQRenderContext& context);

    // Adds the member to every role list it plays, in the fixed order of the tests.
    void sortIntoRoleLists(const plat::ObjectPtr& member);

    std::shared_ptr<ZSTextTheme> m_textTheme;
    ZQHighlighter* m_highlighter = nullptr;
    std::shared_ptr<ZQDocTreeParser> m_textblockParser;
    std::shared_ptr<ZQRenderContext> m_renderContext;
    std::shared_ptr<ZQParagraphParser> m_paragraphParser;
    std::shared_ptr<ZQRichParser> m_richDocTreeParser;

    std::shared_ptr<ZSSettings> m_settings;
    std::shared_ptr<ZQFilterPipe> m_filterProvider;
    NamedMembers m_macroHandlers;
    NamedMembers m_keyProcessorFilters;
    QStringList m_rawFilterNames;
    Members m_attirbuteFixers;
    Members m_exportFilters;
    Members m_makerCleanerFilters;
    Members m_commonMarkBlockFilters;
    Members m_inlineFilters;
    plat::CharacterSet m_spaces;
    // The edits to the text this object repaired last.
    std::shared_ptr<ZQEditTracker> m_editTracker;
    // The markup text this object styled last: the edits since, its length
    // then, its definitions then (by label, and where they stand, in order).
    std::shared_ptr<ZQEditTracker> m_markupEditTracker;
    qsizetype m_markupStyledLength = 0;
    std::shared_ptr<QHash<QString, std::shared_ptr<ZQLinkRef>>> m_markupRefs;
    std::vector<plat::Range> m_markupDefinitions;
};
