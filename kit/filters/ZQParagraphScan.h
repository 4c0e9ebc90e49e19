#pragma once
// One scan of one paragraph by ZQParagraphParser (private to the parser).
//
// The scan reads a "safe" copy of the text in which every backslash escape is
// masked, so an escaped character never opens or closes anything, and rewrites
// the paragraph in place through the filters as it goes. Records keep safe
// positions; the paragraph position of a safe position is found in a log of
// the rewrites (a Fenwick tree of length changes by where they end), so a
// rewrite never has to move records already made. Bracket levels (the text
// after an open "[") are kept on an explicit stack, so nesting depth costs no
// call stack.
//
// Every step is linear in the text: the part of the paragraph not yet reached
// is held aside and appended as the scan advances, so rewrites near the scan
// position never move the rest of the text; paired spans are rendered in one
// batch when a link needs its text or the paragraph ends; searches that could
// run to the end of the text (closing backticks, brackets, "?>", "]]>", ">")
// are answered from tables built once per scan.

#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/model/ZQInlineMarker.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class ZQLinkMarker;

// The paragraph with its unscanned rest held aside.
class ZQParagraphWindow {
public:
    explicit ZQParagraphWindow(plat::MutableAttributedString& paragraph);
    // Brings back the text as it was up to original (safe) position end.
    void reach(qsizetype end);
    // The paragraph's text as it was.
    const QString& original() const { return m_rest.string(); }

private:
    plat::MutableAttributedString& m_paragraph;
    plat::AttributedString m_rest; // the whole text as it was
    qsizetype m_restTaken = 0;      // characters of it given back
};

class ZQParagraphScan {
public:
    using Markers = ZQParagraphParser::Markers;
    using MarkerPtr = std::shared_ptr<ZQInlineMarker>;

    ZQParagraphScan(ZQParagraphParser& parser, plat::MutableAttributedString& paragraph, Markers* highlighters,
                    qint64 options, ZQRenderContext& context);

    // The whole paragraph, then the escapes (option 4).
    void run();
    // The tag check alone at position, the records going to the highlighters.
    void checkTagAt(qsizetype position);

private:
    // One bracket level (the top level is the first). Its delimiter runs are
    // the records of m_delimiters from base on.
    struct Level {
        size_t base = 0;
        int state = 0; // 0 text, 1 after "<", 2 after "<!", 4 delimiter run, 6 after "!"
        char16_t runChar = 0;
        qsizetype runStart = 0;
    };

    // A paired span waiting to be rendered; its tags hold safe ranges until then.
    struct PendingSpan {
        MarkerPtr span;
        bool elements; // its markup may end up in an image's alternative text
    };

    // --- Positions and rewrites -----------------------------------------------
    qsizetype paragraphPosition(qsizetype safePosition) const;
    // The rewrite of text ending at safe position end changed its length by delta.
    void edited(qsizetype safeEnd, qint64 delta);
    void reachTo(qsizetype safeEnd);
    void replacePlain(qsizetype safePosition, qsizetype length, const QString& with);
    void escapePlain(qsizetype safePosition, char16_t c);
    bool htmlText() const { return m_options & ZQParagraphParser::HTMLTextOption; }
    void collect(const MarkerPtr& marker);
    // "ZQTARaw" = key over range, where nothing is marked yet.
    void markRaw(plat::Range range, const QString& key);

    // --- Scan loop --------------------------------------------------------------
    void step(qsizetype& i);
    // Ends a level whose text runs up to safe position end; pair: its runs
    // pair among themselves (the top level, a link's text), else they wait
    // for the level below.
    void endSection(Level& level, qsizetype end, bool pair);
    void closeLevel(bool linkMade);

    // --- Delimiter runs and pairing ------------------------------------------
    void classifyRun(Level& level, qsizetype runEnd);
    // Pairs the runs of m_delimiters from base on into pending spans; the
    // runs left stay.
    void pairDelimiters(size_t base, bool forImageAlt);
    // Renders every pending span.
    void flushSpans();
    // Renders spans whose tags hold safe ranges and logs each tag's rewrite.
    ZQProcessLength renderSpans(const Markers& spans);
    // Marks the rendered tags of span as element markup (HTML target).
    void markElements(const ZQInlineMarker& span);

    // --- Code spans and entities ---------------------------------------------------
    qsizetype tryCodeSpan(qsizetype i);
    qsizetype tryEntity(qsizetype i);

    // --- Links and images ---------------------------------------------------------
    void openBracket(qsizetype i, bool image);
    // An open "![" lies on the stack: what is rendered now may end up in an
    // image's alternative text.
    bool insideImageOpener() const;
    // At "]" (safe position j): the safe characters after it that the link took,
    // or -1 when no link was made.
    qsizetype tryLink(qsizetype j, Level& level);
    qsizetype matchingClose(qsizetype open);
    std::shared_ptr<ZQLinkRef> lookUp(qsizetype from, qsizetype to) const;

    // --- Raw HTML and autolinks ---------------------------------------------------
    // After "<" at i - 1: the safe position to resume at, or -1 when "<" is text.
    qsizetype tryAngle(qsizetype i);
    // An open tag or an autolink after "<" at i - 1, rendered.
    qsizetype tryTag(qsizetype i);
    qsizetype tryBang(qsizetype i);
    qsizetype rawHtml(qsizetype start, qsizetype end);
    // Raw HTML from start when pattern matches at i and ends with the first
    // close found from searchFrom; the safe position after it, or -1.
    qsizetype rawHtmlClosedBy(const plat::Regex& pattern, qsizetype start, qsizetype i, const QString& close,
                              qsizetype searchFrom, qsizetype& memo);
    // The end of the tag or autolink that begins after "<" at i - 1, or -1.
    qsizetype checkingTag(qsizetype i, quint64* nodeType, QString* link);
    // The end of a tag name at i, of an open tag whose name starts at i, of a
    // close tag whose "/" is at i; -1 when there is none.
    qsizetype tagNameEnd(qsizetype i) const;
    qsizetype openTagEnd(qsizetype i);
    qsizetype closeTagEnd(qsizetype i) const;
    // The first c ('"', '\'' or '>') at or after from, or -1.
    qsizetype nextCharacter(char16_t c, qsizetype from);
    qsizetype nextOccurrence(const QString& what, qsizetype from, qsizetype& memo);

    ZQParagraphParser& m_parser;
    plat::MutableAttributedString& m_paragraph;
    ZQParagraphWindow m_window;
    Markers* m_highlighters;
    qint64 m_options;
    ZQRenderContext& m_context;
    bool m_quorvelMarkup;

    const QString m_unsafe;
    const QString m_safe;
    const char16_t* m_u;
    const char16_t* m_s;
    const qsizetype m_n;
    std::vector<qint64> m_edits; // Fenwick tree of length changes by safe end position
    qsizetype m_scanned = 0;     // the original text is back in the paragraph up to here

    std::vector<Level> m_levels;
    // Delimiter runs of every open level, lowest level first: an opener that
    // meets no "]" leaves its runs where they are, to the level below.
    Markers m_delimiters;
    std::vector<std::shared_ptr<ZQLinkMarker>> m_linkMarkers;
    std::vector<char> m_imageBelow; // per opener: an image opener lies below it
    std::vector<PendingSpan> m_pending;

    // Built on first use.
    QHash<qsizetype, std::vector<qsizetype>> m_backtickRuns; // run length -> run starts, ascending
    bool m_backticksIndexed = false;
    std::vector<qint32> m_close; // matching ")" or "]" of each "(" or "[", else -1
    // Next "?>", "]]>" and "--" at or after the last search; -2 unknown, -1 none.
    qsizetype m_piClose = -2, m_cdataClose = -2, m_dashes = -2;
    std::vector<qint32> m_positions[3]; // of '"', '\'' and '>', ascending
    bool m_positionsIndexed = false;
};
