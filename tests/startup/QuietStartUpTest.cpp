// A process that creates the render engine and converts a page: nothing on
// standard error, and of the code style sheets only those the theme names are
// read. Its own binary, so that no other test has read sheets or logged first.

#include "kit/model/ZQSyntaxHighlighter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

#include "support/ScopedDefaults.h"

#include <QFile>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// What the process writes to standard error while the work runs.
template <typename Work>
QByteArray standardErrorOf(Work work)
{
    QTemporaryFile capture;
    if (!capture.open())
        return "cannot capture standard error";
    fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    work();
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile written(capture.fileName());
    written.open(QIODevice::ReadOnly);
    return written.readAll();
}

TEST(QuietStartUp, EngineAndPageLogNothingAndReadOnlyTheThemesSheets)
{
    ScopedDefaults defaults;
    const QString page = QStringLiteral("# Title\n\nA *page* with [a link](http://u) and code:\n\n"
                                        "```cpp\nint main() {}\n```\n\n    indented\n\n> quote\n");
    const QByteArray logged = standardErrorOf([&] {
        ZSSettings::hookPlatformSettings(ZSSettings::create());
        ZQRender render;
        const plat::AttributedString markup(page);
        EXPECT_FALSE(render.renderMarkupToHTML(markup, QString(), nullptr).isEmpty());
        plat::MutableAttributedString rich = render.renderMarkupToRich(markup);
        EXPECT_FALSE(render.renderRichToMarkdown(&rich).string().isEmpty());
        plat::MutableAttributedString styled(markup);
        render.highlightMarkdown(styled);
    });
    EXPECT_EQ(logged.toStdString(), std::string());

    const auto theme = ZSTextTheme::sharedTheme();
    const QStringList named = {theme->editorCodeBlockCSS(), theme->mdCodeBlockCSS()};
    for (const QString& sheet : ZQSyntaxHighlighter::sharedSyntaxHighlighter().readSheetNames())
        EXPECT_TRUE(named.contains(sheet)) << sheet.toStdString();
    // The theme's colours came from its sheets all the same.
    EXPECT_TRUE(theme->codeBlockMdForeColor());
    EXPECT_TRUE(ZQSyntaxHighlighter::sharedSyntaxHighlighter().sheetNamed(theme->mdCodeBlockCSS()));
}

} // namespace
