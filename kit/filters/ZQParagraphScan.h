#pragma once
// One scan of one paragraph by ZQParagraphParser (private to the parser).
//
// The scan reads a "safe" copy of the text in which every backslash escape is
// masked, so an escaped character never opens or closes anything, and rewrites
// the paragraph in place through the filters as it goes. Positions in the
// paragraph are safe positions plus a running offset that grows with every
// rewrite. Bracket levels (the text after an open "[") are kept on an explicit
// stack, so nesting depth costs no call stack.
//
// Every step is linear in the text: the part of the paragraph not yet reached
// is held aside and appended as the scan advances, so rewrites near the scan
// position never move the rest of the text; searches that could run to the end
// of the text (closing backticks, brackets, "?>", "]]>", ">") are answered from
// tables built once per scan.

#include "kit/filters/ZQFilterRoles.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/markup/ZQInlineMarker.h"
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
    void reachAll() { reach(m_rest.length()); }
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
    // One bracket level (the top level is the first).
    struct Level {
        Markers delimiters;
        int state = 0;            // 0 text, 1 after "<", 2 after "<!", 4 delimiter run, 6 after "!"
        char16_t runChar = 0;
        qsizetype runStart = 0;
    };

    struct LinkResult {
        qsizetype consumed = 0; // safe characters after "]" that belong to the construct
        bool made = false;
    };

    // --- Scan loop and plain text -----------------------------------------
    void step(qsizetype& i);
    // Ends a level whose text runs up to safe position end.
    void endSection(Level& level, qsizetype end);
    void closeLevel(bool linkMade);
    void reachTo(qsizetype safeEnd);
    void replacePlain(qsizetype safePosition, qsizetype length, const QString& with);
    void escapePlain(qsizetype safePosition, char16_t c);
    qsizetype paragraphPosition(qsizetype safePosition) const { return safePosition + m_offset; }
    bool htmlText() const { return m_options & ZQParagraphParser::HTMLTextOption; }
    void collect(const MarkerPtr& marker);
    // "ZQTARaw" = key over range, where nothing is marked yet.
    void markRaw(plat::Range range, const QString& key);

    // --- Delimiter runs and pairing ----------------------------------------
    void classifyRun(Level& level, qsizetype runEnd);
    void pairDelimiters(Markers& delimiters, bool forImageAlt);
    using TagMove = std::pair<plat::Range, std::shared_ptr<ZQInlineMarkerTag>>;
    static void moveRemainingRuns(Markers& delimiters, const std::vector<char>& used, std::vector<TagMove>& tags);
    ZQProcessLength renderSpans(const Markers& spans);

    // --- Code spans and entities ---------------------------------------------
    qsizetype tryCodeSpan(qsizetype i);
    qsizetype tryEntity(qsizetype i);

    // --- Links and images -------------------------------------------------------
    void openBracket(qsizetype i, bool image);
    LinkResult tryLink(qsizetype j, Level& level);
    qsizetype matchingClose(qsizetype open);
    std::shared_ptr<ZQLinkRef> lookUp(qsizetype from, qsizetype to) const;

    // --- Raw HTML and autolinks -------------------------------------------------
    // After "<" at i - 1: the safe position to resume at, or -1 when "<" is text.
    qsizetype tryAngle(qsizetype i);
    // An open tag or an autolink after "<" at i - 1, rendered.
    qsizetype tryTag(qsizetype i);
    qsizetype tryBang(qsizetype i);
    qsizetype rawHtml(qsizetype start, qsizetype end);
    // The end of the tag or autolink that begins after "<" at i - 1, or -1.
    qsizetype checkingTag(qsizetype i, quint64* nodeType, QString* link);
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
    qint64 m_offset = 0;
    qsizetype m_scanned = 0; // the original text is back in the paragraph up to here

    std::vector<Level> m_levels;
    std::vector<std::shared_ptr<ZQLinkMarker>> m_linkMarkers;

    // Built on first use.
    QHash<qsizetype, std::vector<qsizetype>> m_backtickRuns; // run length -> run starts, ascending
    bool m_backticksIndexed = false;
    std::vector<qint32> m_close; // matching ")" or "]" of each "(" or "[", else -1
    // Next "?>", "]]>", ">" and "--" at or after the last search; -2 unknown, -1 none.
    qsizetype m_piClose = -2, m_cdataClose = -2, m_greater = -2, m_dashes = -2;
};
