// Word counts: what a count finds, and which counts reach the window.

#include "EditorFixtures.h"

#include "app/editor/ZQWordCounterOperation.h"
#include "app/shell/ZQWordCountObserver.h"
#include "platform/foundation/Operation.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using editortest::EditorStage;

namespace {

struct Counted {
    qint64 words;
    qint64 characters;
};

Counted count(const QString& text)
{
    const auto operation = ZQWordCounterOperation::create(text);
    operation->start();
    return {operation->wordCount(), operation->charCount()};
}

} // namespace

TEST(WordCounter, CountsWordsByTheLocalesBoundariesAndEveryUtf16Unit)
{
    struct Case {
        QString text;
        qint64 words;
        qint64 characters;
    };
    const Case cases[] = {
        {"Hello, world", 2, 12},
        {"", 0, 0},
        {"one two three \U0001F600", 3, 16}, // the emoji is no word but two units
        {"# Title\n\n- *list* item, **bold**!\n", 4, 34},
        {"can't stop 3.14", 3, 15},
        {"  ,.;!?  ", 0, 9},
    };
    for (const Case& c : cases) {
        const Counted counted = count(c.text);
        EXPECT_EQ(counted.words, c.words) << c.text.toStdString();
        EXPECT_EQ(counted.characters, c.characters) << c.text.toStdString();
    }
    // Languages written without spaces are split by dictionary: more than one word.
    EXPECT_GT(count(QStringLiteral("我们今天去北京")).words, 1);
}

TEST(WordCounter, ACancelledCountStopsAndIsNotShown)
{
    const auto before = ZQWordCounterOperation::create("three little words");
    before->cancel();
    before->start();
    EXPECT_EQ(before->wordCount(), 0);
    EXPECT_EQ(before->charCount(), 0);

    QStringList shown;
    ZQWordCountObserver observer([&](qint64 words, qint64 characters) { shown << QStringLiteral("%1/%2").arg(words).arg(characters); });
    const qint64 first = observer.countRequested();
    observer.countFinished(first, true, 2, 10);
    EXPECT_TRUE(shown.isEmpty());
    observer.countFinished(first, false, 3, 18);
    EXPECT_EQ(shown, QStringList({"3/18"}));
}

TEST(WordCounter, AResultOlderThanTheNewestRequestIsDropped)
{
    QStringList shown;
    ZQWordCountObserver observer([&](qint64 words, qint64) { shown << QString::number(words); });
    const qint64 older = observer.countRequested();
    const qint64 newer = observer.countRequested();
    // The newer count finishes first; the older one, late, must not replace it.
    observer.countFinished(newer, false, 5, 20);
    observer.countFinished(older, false, 4, 16);
    EXPECT_EQ(shown, QStringList({"5"}));
    // After the editor was cleaned nothing from before reaches the label.
    observer.discardPending();
    observer.countFinished(newer, false, 6, 24);
    observer.detach();
    observer.countFinished(observer.countRequested(), false, 7, 28);
    EXPECT_EQ(shown, QStringList({"5"}));
}

TEST(WordCounter, TheEditorQueuesCountsUnlessTheHintIsHiddenAndTheLastEditWins)
{
    EditorStage stage(ZQEditorType::Markup);
    std::mutex mutex;
    std::vector<std::pair<qint64, qint64>> shown;
    const auto observer = std::make_shared<ZQWordCountObserver>([&](qint64 words, qint64 characters) {
        std::lock_guard lock(mutex);
        shown.emplace_back(words, characters);
    });
    stage.editor->setWordCountObserver(observer);

    stage.settings->setHideEditorModeHint(true);
    stage.showMarkup("hidden hint");
    stage.editor->countWords();
    EXPECT_EQ(stage.editor->wordCountOperationQueue().operationCount(), 0u);
    EXPECT_EQ(observer->newestRequest(), 0);
    stage.settings->setHideEditorModeHint(false);

    // A burst of 50 edits, each queuing a count of a longer text.
    QString text;
    for (int edit = 1; edit <= 50; ++edit) {
        text += QStringLiteral(" word");
        stage.editor->textStorage()->setAttributedString(plat::AttributedString(text.repeated(200)));
        stage.editor->countWords();
    }
    stage.editor->wordCountOperationQueue().waitUntilAllOperationsAreFinished();
    std::lock_guard lock(mutex);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), std::make_pair(qint64(50 * 200), qint64(text.size() * 200)));
    // The label never goes back to the count of an older text.
    for (std::size_t at = 1; at < shown.size(); ++at)
        EXPECT_GE(shown[at].first, shown[at - 1].first);
}
