// Saved pages are found by the library's search: the page document reports
// each save to the index service installed as the program installs it.

#include "app/library/ZQIndexService.h"
#include "app/shell/ShellFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace shell;

QUrl savedPage(const QTemporaryDir& dir, const QString& name, bool rich, const QString& markup)
{
    const ZQDocumentPtr doc = newPage(rich, markup);
    const QUrl url = QUrl::fromLocalFile(dir.filePath(name));
    bool saved = false;
    doc->saveToURL(url, ZQDocument::pageDocumentType(), ZQDocument::SaveOperation::Save,
                   [&](const std::optional<ZQErrorValue>& error) { saved = !error; });
    EXPECT_TRUE(saved) << name.toStdString();
    return url;
}

TEST(PageSearch, ASavedPageIsFoundByEveryWordOfTheSearch)
{
    ShellEnvironment env;
    QTemporaryDir dir;
    const auto index = std::make_shared<ZQIndexService>(dir.filePath(QStringLiteral("pages.index")));
    ZQPageIndexer::setShared(index);

    const QUrl both = savedPage(dir, QStringLiteral("p-1.mkqrv"), false, QStringLiteral("# Notes\n\nalpha beta gamma\n"));
    const QUrl one = savedPage(dir, QStringLiteral("p-2.mkqrv"), true, QStringLiteral("# More\n\nonly alpha here\n"));
    index->waitUntilAllWritesAreDone();

    EXPECT_EQ(index->search(QStringLiteral("alpha gamma")), QList<QUrl>({ZQIndexService::packageDocumentUrl(both)}));
    EXPECT_EQ(index->search(QStringLiteral("alpha")).size(), 2);
    EXPECT_EQ(index->search(QStringLiteral("here")), QList<QUrl>({ZQIndexService::packageDocumentUrl(one)}))
        << "a rich page is indexed by its text";
}

} // namespace
