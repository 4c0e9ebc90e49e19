// A page being saved over and over is killed at random moments: the package
// on disk is always one whole saved version.

#include "PageFixtures.h"

#include "platform/document/AtomicPackage.h"
#include "platform/foundation/Json.h"

#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace pages;

namespace {


// Version n of the page: its number in the text and the selection, and a body
// whose length changes with it, so that a mixture of two versions shows.
QString versionText(qint64 n)
{
    QString text = QStringLiteral("# Version %1\n\n").arg(n);
    for (qint64 line = 0; line < 20 + n % 37; ++line)
        text += QStringLiteral("Line %1 of version %2 with some words to fill it.\n").arg(line).arg(n);
    return text;
}

[[noreturn]] void saveForever(const QString& path, qint64 first, bool renameSequence, int readyFd)
{
    plat::setPackageExchangeDisabled(renameSequence);
    auto doc = markdownPage(versionText(first));
    // Tells the parent that saving starts now.
    if (::write(readyFd, "r", 1) != 1)
        _exit(4);
    for (qint64 n = first;; ++n) {
        plat::MutableAttributedString text{plat::AttributedString(versionText(n))};
        doc->markupTextStorage()->setAttributedString(text);
        doc->setSelectionRange(plat::Range(n, 0));
        doc->updateChangeCount(plat::Document::ChangeType::Done);
        if (!doc->saveToURL(QUrl::fromLocalFile(path), Type))
            _exit(3);
    }
}

} // namespace

TEST(PageCrash, AKilledSaveLeavesOneWholeSavedVersion)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    ASSERT_TRUE(markdownPage(versionText(0))->saveToURL(QUrl::fromLocalFile(path), Type));
    std::mt19937 random(18);
    // A save takes tens of milliseconds (every file is flushed to disk): the
    // kills fall anywhere in the first few saves of each run.
    std::uniform_int_distribution<int> delayMicroseconds(0, 100000);
    qint64 lastSeen = 0;
    int progressed = 0;
    constexpr int Kills = 200;
    for (int kill = 0; kill < Kills; ++kill) {
        const qint64 first = qint64(kill + 1) * 1000000;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            saveForever(path, first, kill % 2 == 1, ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        close(ready[1]);
        usleep(useconds_t(delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process stopped by itself: " << WEXITSTATUS(status);

        const auto back = opened(path);
        ASSERT_TRUE(back) << "after kill " << kill;
        const qint64 version = back->selectionRange().location;
        // The last version seen before, or one this child saved: never older, never a mixture.
        ASSERT_TRUE(version == lastSeen || (version >= first && version < first + 1000000)) << version;
        ASSERT_EQ(back->markupTextStorage()->string(), versionText(version)) << "after kill " << kill;
        ASSERT_EQ(back->storageType(), 0);
        if (version != lastSeen)
            ++progressed;
        lastSeen = version;
    }
    // The kills fell while saves were under way, not only between runs.
    EXPECT_GT(progressed, Kills / 4);
    // Whatever a kill left beside the package is gone after the next save.
    auto doc = markdownPage(versionText(1));
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("p.mkqrv")});
}
