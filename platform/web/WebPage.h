#pragma once
// An off-screen web page: loads an HTML string against a base URL, tells when
// the load has finished or failed, and runs scripts whose results arrive
// later. Main thread only; every handler is called on the main thread, never
// from inside the call that started the work.
//
// Needs a QGuiApplication made with Qt::AA_ShareOpenGLContexts set beforehand.
// Headless it also needs QT_QPA_PLATFORM=offscreen,
// QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu and, as root,
// QTWEBENGINE_DISABLE_SANDBOX=1.

#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>
#include <memory>

namespace plat {

class WebPage {
public:
    WebPage();
    ~WebPage();
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;

    // ok false with a description when the load failed, was stopped or the
    // page's renderer ended; each load is reported exactly once.
    using LoadHandler = std::function<void(bool ok, const QString& error)>;
    void setLoadHandler(LoadHandler handler);

    // Relative addresses in html resolve against baseUrl. Any size of page:
    // large ones are loaded from a private temporary file.
    void loadHTMLString(const QString& html, const QUrl& baseUrl);
    bool isLoading() const;

    // The script's value as Qt converts it (strings, numbers, lists, maps);
    // an invalid QVariant when the script failed or the page went away.
    using ScriptHandler = std::function<void(const QVariant& result)>;
    void evaluateJavaScript(const QString& script, ScriptHandler handler);

private:
    struct State;
    std::shared_ptr<State> d;
};

} // namespace plat
