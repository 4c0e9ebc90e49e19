#pragma once
// What a markup filter can do is the set of roles it plays. Filters are plain
// objects (plat::Object) with no common base; a driver asks an object whether it
// plays a role (dynamic_cast to the role) and calls the filters of a list in
// their fixed order (ZQFilterDispatch.h). Operations a role declares optional are
// interfaces of their own, so "does it answer X" is the same cast.

#include "kit/foundation/ZSTree.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class ZQRenderContext;
class ZQInlineMarker;
class ZQInlineMarkerBorder;
class ZQAttachedStorage;

namespace plat {
class Attributes;
class MutableAttributedString;
class TextView;
} // namespace plat

// Result of the inline rendering operations.
struct ZQProcessLength {
    qint64 processedLength = 0; // characters from the marker's start the caller may step over
    qint64 lengthChange = 0;    // new minus old length after the filter's replacement
    quint8 found = 0;           // the inline parser's own link scanning; filters leave it 0
    quint8 handled = 0;         // 1 when the filter dealt with the marker
};

// ---- shared pieces ---------------------------------------------------------

// The filter's rich-text attribute name.
class ZQAttributeNamed {
public:
    virtual ~ZQAttributeNamed() = default;
    virtual QString attributeName() const = 0;
    virtual void setAttributeName(const QString& name) = 0;
};

// Live styling after a typed markup character. Every filter of the pipe answers
// it, also the two that do not play Filter. YES: the construct was styled.
class ZQOnFlyFilter {
public:
    virtual ~ZQOnFlyFilter() = default;
    virtual bool filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                 ZQRenderContext& context) = 0;
};

// A formatting action (menu or shortcut tag) on a range; YES when the text changed.
class ZQRangeFormatter {
public:
    virtual ~ZQRangeFormatter() = default;
    virtual bool filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context) = 0;
};

// ---- the eight roles -------------------------------------------------------

// Live styling in the rich editor. Optional: ZQRangeFormatter.
class Filter : public virtual ZQOnFlyFilter, public virtual ZQAttributeNamed {
};

// Block constructs of the block tree. The three joins answer NO for nodes the
// filter does not handle; the driver then asks the next filter.
// Optional: ZQMarkupPreJoiner, ZQLeafBlockParser.
class ZQCommonMarkBlockFilter {
public:
    virtual ~ZQCommonMarkBlockFilter() = default;
    virtual bool highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                   ZQRenderContext& context) = 0;
    virtual bool joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                              ZQRenderContext& context) = 0;
    virtual bool joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) = 0;
    virtual bool joinMarkdownNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context) = 0;
};

// Optional block operation: prepares a whole construct before the rich joins.
class ZQMarkupPreJoiner {
public:
    virtual ~ZQMarkupPreJoiner() = default;
    virtual bool preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& context) = 0;
};

// Optional block operation: the block-tree parser asks whether the rest of a line
// starts this filter's leaf block. line is the working line (escape-masked, tabs
// expanded), processRange the part still to parse within it, content the page
// text. A filter that takes the line appends its node under indentParentNode and
// returns the node that is the container for the next line; else a null tree.
class ZQLeafBlockParser {
public:
    virtual ~ZQLeafBlockParser() = default;
    virtual ZSTree parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                                  const std::vector<plat::Range>& lineTabRanges, const QString& content,
                                  const ZSTree& indentParentNode, qint64 parsingOption) = 0;
};

// Inline constructs of a paragraph.
// Optional: ZQDelimiterRenderer, ZQInlineMarkerRenderer, ZQRichToMarkdownWriter.
class ZQCommonMarkInlineFilter {
public:
    virtual ~ZQCommonMarkInlineFilter() = default;
    virtual bool highlightMarkdown(plat::MutableAttributedString& markup, const std::shared_ptr<ZQInlineMarker>& highlighter,
                                   ZQRenderContext& context) = 0;
};

// Optional inline operation: delimiter-run markers (emphasis family, escapes).
class ZQDelimiterRenderer {
public:
    virtual ~ZQDelimiterRenderer() = default;
    virtual ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                           const std::vector<std::shared_ptr<ZQInlineMarker>>& delimiters,
                                           ZQRenderContext& context) = 0;
};

// Optional inline operation: one marker (links, images, raw HTML, autolinks, entities).
class ZQInlineMarkerRenderer {
public:
    virtual ~ZQInlineMarkerRenderer() = default;
    virtual ZQProcessLength renderMarkdown(plat::MutableAttributedString& markdown,
                                           const std::shared_ptr<ZQInlineMarker>& inlineMarker,
                                           ZQRenderContext& context) = 0;
};

// Optional inline operation: writes the markup of one border of a rich span.
class ZQRichToMarkdownWriter {
public:
    virtual ~ZQRichToMarkdownWriter() = default;
    virtual bool renderRichToMarkdown(QString& markdown, const ZQInlineMarkerBorder& border,
                                      ZQRenderContext& context) = 0;
};

// Macros whose content is kept outside the text (footnotes, images, tags).
class ZQMacroHandler : public virtual ZQRangeFormatter, public virtual ZQAttributeNamed {
public:
    virtual plat::Range handleRichOnFly(plat::TextView& view, plat::Range range, ZQRenderContext& context) = 0;
    virtual void handleMarkupOnFly(plat::TextView& view, qint64 position, plat::Range range,
                                   ZQRenderContext& context) = 0;
    virtual bool matchingTypeText(const QString& typed) const = 0;
    virtual QString macroTitle() const = 0;
    virtual void setMacroTitle(const QString& title) = 0;
};

// Repairs the filter's attributes after an edit; every fixer is asked.
class ZQAttributeFixer {
public:
    virtual ~ZQAttributeFixer() = default;
    virtual bool fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                                  plat::Attributes& typingAttributes) = 0;
};

// Optional fixer operation: the same repair for what lies in inRange (whole
// lines), on text whose other parts were repaired before and have not changed
// since, so that repairing after an edit costs what the edit touched.
class ZQRangedAttributeFixer {
public:
    virtual ~ZQRangedAttributeFixer() = default;
    virtual bool fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range selRange,
                                         plat::Attributes& typingAttributes, plat::Range inRange) = 0;
};

// What belongs at the end of an exported text; every handler is asked. Returns
// records of the files it wrote (ZQAttachmentFile). Optional: ZQExportFileNameChecker.
class ZQExportHandler {
public:
    virtual ~ZQExportHandler() = default;
    virtual std::vector<plat::ObjectPtr> exportEnding(
        quint64 renderType, QString& textContent,
        const std::vector<std::shared_ptr<ZQAttachedStorage>>& withAttachedStorages, const QString& exportDirectory,
        ZQRenderContext* renderContext) = 0;
};

// Optional export operation: the paths in the directory that the storages'
// files would be written to.
class ZQExportFileNameChecker {
public:
    virtual ~ZQExportFileNameChecker() = default;
    virtual QStringList checkExportFileNames(const std::vector<std::shared_ptr<ZQAttachedStorage>>& storages,
                                             const QString& exportDirectory) = 0;
};

// Removes the filter's markers and attributes from rich text (clean style).
class ZQRichMarkerCleaner {
public:
    virtual ~ZQRichMarkerCleaner() = default;
    virtual void handleMarkerFromRich(plat::MutableAttributedString& content) = 0;
};

// Key processing in the editors; YES consumes the key. Optional: ZQKeyUpProcessor.
class ZQKeyPrcessorRender {
public:
    virtual ~ZQKeyPrcessorRender() = default;
    virtual bool processKeyDownEvent(quint16 keyCode, quint64 modifyFlag, plat::TextView& view,
                                     ZQRenderContext& context) = 0;
};

class ZQKeyUpProcessor {
public:
    virtual ~ZQKeyUpProcessor() = default;
    virtual bool processKeyUpEvent(quint16 keyCode, quint64 modifyFlag, plat::TextView& view,
                                   ZQRenderContext& context) = 0;
};
