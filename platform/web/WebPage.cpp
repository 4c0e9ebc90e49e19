#include "platform/web/WebPage.h"

#include "platform/foundation/Dispatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryFile>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <map>

namespace plat {

namespace {

// setHtml() travels as a base64 data URL, which Chromium refuses beyond 2 MB.
constexpr qsizetype MaxInlinePageBytes = 1024 * 1024;

// Every page lives in one off-the-record profile, so nothing reaches the disk.
// Pages and profile must be gone before the engine shuts down with the
// application object: a post routine registered after the engine's own runs
// before it and deletes them.
struct Engine {
    QWebEngineProfile* profile = nullptr;
    QObject* pages = nullptr; // parent of every page
};

Engine& engine()
{
    static Engine shared;
    if (!shared.profile) {
        shared.profile = new QWebEngineProfile();
        shared.pages = new QObject();
        qAddPostRoutine([] {
            delete shared.pages;
            shared.pages = nullptr;
            delete shared.profile;
            shared.profile = nullptr;
        });
    }
    return shared;
}

// The page with a base element first in its head, for loading from a file.
QByteArray withBaseElement(const QByteArray& html, const QUrl& baseUrl)
{
    QByteArray href = baseUrl.toString(QUrl::FullyEncoded).toUtf8();
    href.replace('&', "&amp;").replace('"', "&quot;");
    const QByteArray base = "<base href=\"" + href + "\">";
    const qsizetype head = html.indexOf("<head");
    const qsizetype headEnd = head < 0 ? -1 : html.indexOf('>', head);
    QByteArray out = html;
    out.insert(headEnd < 0 ? 0 : headEnd + 1, base);
    return out;
}

} // namespace

struct WebPage::State : std::enable_shared_from_this<State> {
    QPointer<QWebEnginePage> page;
    LoadHandler loadHandler;
    bool loading = false;
    std::unique_ptr<QTemporaryFile> pageFile;
    std::map<quint64, ScriptHandler> scripts;
    quint64 lastScript = 0;

    void finishLoad(bool ok, const QString& error)
    {
        if (!loading)
            return;
        loading = false;
        const auto keepAlive = shared_from_this();
        if (loadHandler)
            loadHandler(ok, error);
    }

    void finishScript(quint64 id, const QVariant& result)
    {
        const auto it = scripts.find(id);
        if (it == scripts.end())
            return;
        const ScriptHandler handler = std::move(it->second);
        scripts.erase(it);
        const auto keepAlive = shared_from_this();
        handler(result);
    }

    // The renderer ended: nothing that was asked for will come.
    void rendererGone()
    {
        finishLoad(false, QStringLiteral("The page's renderer ended"));
        while (!scripts.empty())
            finishScript(scripts.begin()->first, QVariant());
    }

    void failLater(const QString& error)
    {
        dispatchMainAsync([weak = weak_from_this(), error] {
            if (const auto self = weak.lock())
                self->finishLoad(false, error);
        });
    }
};

WebPage::WebPage() : d(std::make_shared<State>())
{
    Engine& shared = engine();
    d->page = new QWebEnginePage(shared.profile, shared.pages);
    const std::weak_ptr<State> weak = d;
    QObject::connect(d->page, &QWebEnginePage::loadingChanged, d->page,
                     [weak](const QWebEngineLoadingInfo& info) {
                         const auto self = weak.lock();
                         if (!self)
                             return;
                         switch (info.status()) {
                         case QWebEngineLoadingInfo::LoadSucceededStatus:
                             self->finishLoad(true, QString());
                             break;
                         case QWebEngineLoadingInfo::LoadFailedStatus:
                             self->finishLoad(false, info.errorString().isEmpty()
                                                         ? QStringLiteral("Load failed with code %1").arg(info.errorCode())
                                                         : info.errorString());
                             break;
                         case QWebEngineLoadingInfo::LoadStoppedStatus:
                             self->finishLoad(false, QStringLiteral("The load was stopped"));
                             break;
                         case QWebEngineLoadingInfo::LoadStartedStatus:
                             break;
                         }
                     });
    QObject::connect(d->page, &QWebEnginePage::renderProcessTerminated, d->page, [weak] {
        if (const auto self = weak.lock())
            self->rendererGone();
    });
}

WebPage::~WebPage()
{
    // Not delete: this may run inside one of the page's own signals.
    if (d->page)
        d->page->deleteLater();
}

void WebPage::setLoadHandler(LoadHandler handler)
{
    d->loadHandler = std::move(handler);
}

bool WebPage::isLoading() const
{
    return d->loading;
}

void WebPage::loadHTMLString(const QString& html, const QUrl& baseUrl)
{
    d->loading = true;
    d->pageFile.reset();
    if (!d->page) {
        d->failLater(QStringLiteral("The web engine has shut down"));
        return;
    }
    const QByteArray bytes = html.toUtf8();
    if (bytes.size() <= MaxInlinePageBytes) {
        d->page->setHtml(html, baseUrl);
        return;
    }
    auto file = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("quorvel-page-XXXXXX.html")));
    const QByteArray page = withBaseElement(bytes, baseUrl);
    if (!file->open() || file->write(page) != page.size() || !file->flush()) {
        d->failLater(QStringLiteral("Cannot write the page to a temporary file: %1").arg(file->errorString()));
        return;
    }
    d->page->load(QUrl::fromLocalFile(file->fileName()));
    d->pageFile = std::move(file);
}

void WebPage::evaluateJavaScript(const QString& script, ScriptHandler handler)
{
    const quint64 id = ++d->lastScript;
    d->scripts.emplace(id, std::move(handler));
    const std::weak_ptr<State> weak = d;
    if (!d->page) {
        dispatchMainAsync([weak, id] {
            if (const auto self = weak.lock())
                self->finishScript(id, QVariant());
        });
        return;
    }
    d->page->runJavaScript(script, 0, [weak, id](const QVariant& result) {
        if (const auto self = weak.lock())
            self->finishScript(id, result);
    });
}

} // namespace plat
