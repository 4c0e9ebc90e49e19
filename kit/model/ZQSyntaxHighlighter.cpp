#include "kit/model/ZQSyntaxHighlighter.h"

#include "kit/foundation/ZQError.h"
#include "kit/model/ZQSyntaxWebViewHighlighter.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Resources.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace {

// The first run pays for starting the web engine; its time is worth a line.
void reportFirstColouring(double startedAt)
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    const double elapsed = plat::Clock::current()->now() - startedAt;
    qInfo().noquote() << QStringLiteral("Code-block highlighting: first colouring took %1 ms (web page started with it)")
                             .arg(qRound64(elapsed * 1000));
}

} // namespace

ZQSyntaxHighlighter& ZQSyntaxHighlighter::sharedSyntaxHighlighter()
{
    static ZQSyntaxHighlighter shared(
        plat::Resources::pathsForResources(QStringLiteral("css"), QStringLiteral("js/highlight/styles")),
        plat::Resources::pathForResource(QStringLiteral("templ"), QStringLiteral("html"), QStringLiteral("js/highlight")));
    return shared;
}

ZQSyntaxHighlighter::ZQSyntaxHighlighter(const QStringList& cssPaths, const QString& templPath)
{
    if (!templPath.isEmpty()) {
        m_templURL = QUrl::fromLocalFile(templPath);
        QFile file(templPath);
        if (file.open(QIODevice::ReadOnly))
            m_templ = QString::fromUtf8(file.readAll());
    }
    for (const QString& path : cssPaths)
        m_cssPaths.emplace(QFileInfo(path).completeBaseName(), path);
}

void ZQSyntaxHighlighter::highlight(std::shared_ptr<plat::MutableAttributedString> text, const CodeBlocks& codeBlocks,
                                    const QString& cssName, Completion completion)
{
    const ZQSyntaxCSSPtr css = sheetNamed(cssName);
    if (!css || m_templ.isEmpty() || !text) {
        // Whoever waits for the colouring hears that none will come.
        const QString message = !css
            ? QStringLiteral("No code style sheet named \"%1\".").arg(cssName)
            : QStringLiteral("Code blocks cannot be coloured: %1.")
                  .arg(text ? QStringLiteral("the page \"js/highlight/templ.html\" is missing") : QStringLiteral("no text"));
        qWarning().noquote() << message;
        if (completion) {
            plat::dispatchMainAsync([completion = std::move(completion), error = ZQError::errorFromMessage(message)] {
                completion(error, {});
            });
        }
        return;
    }
    plat::dispatchMainSync([&] { startRun(std::move(text), codeBlocks, css, std::move(completion)); });
}

void ZQSyntaxHighlighter::startRun(std::shared_ptr<plat::MutableAttributedString> text, const CodeBlocks& codeBlocks,
                                   const ZQSyntaxCSSPtr& css, Completion completion)
{
    const qint64 requestKey = ++m_highligherRetainKey;
    std::shared_ptr<ZQSyntaxWebViewHighlighter> worker = std::move(m_cachedHighlighter);
    m_cachedHighlighter.reset();
    if (!worker)
        worker = std::make_shared<ZQSyntaxWebViewHighlighter>(requestKey);
    m_highligherRetain[requestKey] = worker;

    const double startedAt = plat::Clock::current()->now();
    worker->highlight(std::move(text), codeBlocks, css, m_templ, m_templURL,
                      [this, requestKey, startedAt, completion = std::move(completion)](
                          const std::optional<ZQErrorValue>& error, const QStringList& ranges) {
                          reportFirstColouring(startedAt);
                          if (completion)
                              plat::runTask([&] { completion(error, ranges); });
                          const auto done = m_highligherRetain.find(requestKey);
                          if (done != m_highligherRetain.end()) {
                              m_cachedHighlighter = done->second;
                              m_highligherRetain.erase(done);
                          }
                      });
}
