#include "platform/web/WebPage.h"

#include "support/EventLoop.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using plat::WebPage;
using testsupport::runEventsUntil;

// Named, not anonymous: the fixture is the base of the test classes below.
namespace web_page {

struct LoadReport {
    bool ok = false;
    QString error;
};

// A folder with a script that the pages name relatively.
class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QFile script(folder.filePath(QStringLiteral("mark.js")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("window.marked = 'from mark.js';");
    }

    QUrl baseUrl() const { return QUrl::fromLocalFile(folder.filePath(QStringLiteral("page.html"))); }

    LoadReport load(WebPage& page, const QString& html)
    {
        std::optional<LoadReport> report;
        int reports = 0;
        page.setLoadHandler([&](bool ok, const QString& error) {
            ++reports;
            report = LoadReport{ok, error};
        });
        page.loadHTMLString(html, baseUrl());
        EXPECT_TRUE(page.isLoading());
        EXPECT_TRUE(runEventsUntil([&] { return report.has_value(); }));
        EXPECT_EQ(reports, 1);
        EXPECT_FALSE(page.isLoading());
        return report.value_or(LoadReport{});
    }

    QVariant evaluate(WebPage& page, const QString& script)
    {
        std::optional<QVariant> result;
        page.evaluateJavaScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_FALSE(result.has_value()) << "handlers never run inside the call";
        EXPECT_TRUE(runEventsUntil([&] { return result.has_value(); }));
        return result.value_or(QVariant());
    }

    QTemporaryDir folder;
};

} // namespace web_page

using namespace web_page;

TEST_F(WebPageTest, LoadsAStringAgainstItsBaseUrlAndAnswersScripts)
{
    WebPage page;
    const LoadReport report = load(page, QStringLiteral(
        "<!DOCTYPE html><html><head><script src=\"mark.js\"></script></head>"
        "<body><p id=\"p\">a &lt; b &amp; \u00e9\r\n</p></body></html>"));
    ASSERT_TRUE(report.ok) << report.error.toStdString();

    EXPECT_EQ(evaluate(page, QStringLiteral("window.marked")).toString(), QStringLiteral("from mark.js"));
    EXPECT_EQ(evaluate(page, QStringLiteral("document.getElementById('p').textContent")).toString(),
              QStringLiteral("a < b & \u00e9\n"));
    EXPECT_EQ(evaluate(page, QStringLiteral("6 * 7")).toInt(), 42);
    EXPECT_EQ(evaluate(page, QStringLiteral("['x', 'y']")).toStringList(), QStringList({"x", "y"}));
    EXPECT_FALSE(evaluate(page, QStringLiteral("throw new Error('no')")).isValid());

    // The same page loads again.
    ASSERT_TRUE(load(page, QStringLiteral("<p>second</p>")).ok);
    EXPECT_EQ(evaluate(page, QStringLiteral("document.body.textContent")).toString(), QStringLiteral("second"));
}

TEST_F(WebPageTest, PagesBeyondTheDataUrlLimitLoadWholeWithTheirBase)
{
    // Hidden, so that the test measures loading rather than laying out.
    const QString filler(2 * 1024 * 1024, QLatin1Char('x'));
    WebPage page;
    const LoadReport report = load(page, QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script src=\"mark.js\"></script></head>"
        "<body><p id=\"p\" hidden>%1\u00e9</p></body></html>").arg(filler));
    ASSERT_TRUE(report.ok) << report.error.toStdString();
    EXPECT_EQ(evaluate(page, QStringLiteral("window.marked")).toString(), QStringLiteral("from mark.js"));
    EXPECT_EQ(evaluate(page, QStringLiteral("document.getElementById('p').textContent.length")).toInt(),
              filler.size() + 1);
}

TEST_F(WebPageTest, AHandlerMayDestroyItsPage)
{
    auto page = std::make_unique<WebPage>();
    bool reported = false;
    page->setLoadHandler([&](bool, const QString&) {
        reported = true;
        page.reset();
    });
    page->loadHTMLString(QStringLiteral("<p>x</p>"), baseUrl());
    ASSERT_TRUE(runEventsUntil([&] { return reported; }));
    EXPECT_EQ(page, nullptr);
}
