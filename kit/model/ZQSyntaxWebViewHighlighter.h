#pragma once
// One highlighting run at a time: the blocks of a text are written into the
// page template, highlight.js colours them in an off-screen web page, and each
// block's HTML is read back and walked with the tag scanner; every piece of
// text gets the colour the style sheet gives the classes around it. The first
// run loads the page; later runs hand their blocks to the loaded page.

#include "kit/foundation/ZSHTMLParser.h"
#include "kit/model/ZQSyntaxHighlighter.h"
#include "platform/foundation/Range.h"

#include <QString>
#include <QUrl>
#include <QVariant>
#include <memory>
#include <vector>

class ZQPair;

namespace plat {
class WebPage;
}

// One block of a run.
struct ZQHTMLCodeBlockPre {
    plat::Range codeRange;
    qint64 index = 0;  // 1-based position of the block in the page
    QString codeText;  // the code as it was written into the page
};

class ZQSyntaxWebViewHighlighter : public plat::Object, private ZSHTMLListener {
public:
    explicit ZQSyntaxWebViewHighlighter(qint64 key);
    ~ZQSyntaxWebViewHighlighter() override;

    // Starts a run; the completion comes later on the main thread. Main thread only.
    void highlight(std::shared_ptr<plat::MutableAttributedString> text,
                   const ZQSyntaxHighlighter::CodeBlocks& codeBlocks, ZQSyntaxCSSPtr css, const QString& templ,
                   const QUrl& templUrl, ZQSyntaxHighlighter::Completion completion);

    qint64 key() const { return m_key; }
    const std::vector<ZQHTMLCodeBlockPre>& codeblockPreList() const { return m_codeblockPreList; }

    QString className() const override { return QStringLiteral("ZQSyntaxWebViewHighlighter"); }

private:
    // A stretch of read-back text and the colour it gets: a class rule's colour
    // (also marked as keyword) or, with keyword null, the sheet's body colour.
    struct Paint {
        plat::Range range;
        plat::ColorPtr keyword;
    };

    static QString fixLangName(const QString& lang);

    QString readBackScript() const;
    void loadPage(const QString& body, const QString& templ, const QUrl& templUrl);

    void didFinishLoad();
    void didFailLoadWithError(const QString& error);
    void webViewDidFinishLoad();
    void readBack(const QVariant& blocksHTML);
    // Colours one block when the text still holds its code and the read-back
    // text is that code character for character; false when it left it alone.
    bool colourBlock(const ZQHTMLCodeBlockPre& block, const QString& html);
    void finish(const std::optional<ZQErrorValue>& error, const QStringList& ranges);

    void startDocument() override {}
    void tag(const QString& tag) override;
    void content(const QString& content) override;
    void endDocument() override {}

    qint64 m_key;
    std::unique_ptr<plat::WebPage> m_webview;
    // The template is loaded and takes the blocks of later runs itself.
    bool m_pageLoaded = false;
    ZSHTMLParser m_htmlParser;
    ZQSyntaxCSSPtr m_applyCss;
    std::vector<ZQHTMLCodeBlockPre> m_codeblockPreList;
    qint64 m_lastPos = 0;
    std::vector<std::shared_ptr<ZQPair>> m_cssChain;
    std::shared_ptr<plat::MutableAttributedString> m_storage;
    ZQSyntaxHighlighter::Completion m_completion;

    // What the scan of the current block found, applied once it checks out.
    QString m_readBackText;
    std::vector<Paint> m_paints;
};
