// The page outline operation (counts, headings and tags stored in the page
// record) and the tags space rebuilt from what it stored.

#include "LibraryFixtures.h"

#include "app/library/ZQOutlineOperation.h"
#include "app/library/ZQTagsService.h"
#include "app/shell/ZQPageLink.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZQHighlighter.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Url.h"
#include "platform/text/AttributedText.h"

#include <QFile>

using namespace library;
using plat::Value;

namespace {

void runOutlines(const std::vector<ZQOutlineOperationPtr>& operations)
{
    plat::OperationQueue queue;
    for (const auto& operation : operations)
        queue.addOperation(operation);
    queue.waitUntilAllOperationsAreFinished();
}

QStringList storedTags(const plat::ManagedObjectPtr& page)
{
    QStringList texts;
    const auto list = plat::KeyedUnarchiver::unarchiveValue(page->valueForKey("tags").toData());
    for (const Value& item : list ? list->toList() : plat::ValueList())
        if (const auto tag = item.toObject<ZQDocumentTag>())
            texts << tag->tagText();
    return texts;
}

QStringList storedHeadings(const plat::ManagedObjectPtr& page)
{
    QStringList texts;
    const auto list = plat::KeyedUnarchiver::unarchiveValue(page->valueForKey("outline").toData());
    for (const Value& item : list ? list->toList() : plat::ValueList())
        if (const auto heading = item.toObject<ZQDocumentHeading>())
            texts << QStringLiteral("%1:%2").arg(heading->level()).arg(heading->heading());
    return texts;
}

} // namespace

TEST(OutlineOperation, StoresCountsHeadingsAndTagsOfPackageAndLinkedFilePages)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString taggedText = "# Trip\n\nPack the +bags+ and go.\n\n## Day one\n";
    const QString tagged = lib.page(taggedText);
    const QString plain = lib.page("just, words!\n");

    // A file of a linked folder is read from its own Markdown file.
    QTemporaryDir linked;
    const auto main = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto space = ZSCoreDataUtil::createSpaceRecord("linkeds", nullptr, "Linked", ZQSpaceType::LinkedFolder, false, main);
    space->setValue(Value(linked.path()), "dropboxPath");
    Exs::persistAndWait(main);
    QFile file(linked.filePath("note.md"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Note\n\nthree words here\n");
    file.close();
    const auto external = ZSCoreDataUtil::createPageRecord("note-uuid", std::nullopt, "linkeds", "note.md", Value());

    runOutlines({ZQOutlineOperation::initWithPageUuid(tagged, lib.myLibrary),
                 ZQOutlineOperation::initWithPageUuid(plain, lib.myLibrary),
                 ZQOutlineOperation::initWithPageUuid("note-uuid", "linkeds")});

    const auto taggedRecord = Library::record(tagged, lib.myLibrary);
    EXPECT_EQ(taggedRecord->valueForKey("wordsCount").toInteger(), 8); // Trip Pack the bags and go Day one
    // Markers and line breaks count as characters.
    EXPECT_EQ(taggedRecord->valueForKey("charactersCount").toInteger(), taggedText.size());
    EXPECT_EQ(storedHeadings(taggedRecord), QStringList({"1:Trip", "2:Day one"}));
    EXPECT_EQ(storedTags(taggedRecord), QStringList({"bags"}));

    // Punctuation alone is no word; an empty list is stored as such.
    const auto plainRecord = Library::record(plain, lib.myLibrary);
    EXPECT_EQ(plainRecord->valueForKey("wordsCount").toInteger(), 2);
    EXPECT_EQ(plainRecord->valueForKey("charactersCount").toInteger(), 13);
    EXPECT_FALSE(plainRecord->valueForKey("outline").toData().isEmpty());
    EXPECT_TRUE(storedHeadings(plainRecord).isEmpty());
    EXPECT_TRUE(storedTags(plainRecord).isEmpty());

    const auto externalRecord = Library::record("note-uuid", "linkeds");
    EXPECT_EQ(externalRecord->valueForKey("wordsCount").toInteger(), 4);
    EXPECT_EQ(storedHeadings(externalRecord), QStringList({"1:Note"}));
}

TEST(OutlineOperation, ACancelledOrFailingOperationWritesNothing)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("# Kept\n\nwords\n");
    const auto cancelled = ZQOutlineOperation::initWithPageUuid(uuid, lib.myLibrary);
    EXPECT_EQ(cancelled->queuePriority(), plat::Operation::Low);
    cancelled->cancel();
    // A page whose text file is gone: logged, nothing saved.
    const QString missing = lib.page("gone\n");
    QFile::remove(ZSUtils::pageUrl(missing, lib.myLibrary).toLocalFile() + "/main.md");
    runOutlines({cancelled, ZQOutlineOperation::initWithPageUuid(missing, lib.myLibrary),
                 ZQOutlineOperation::initWithPageUuid("no-such-page", lib.myLibrary)});
    for (const QString& page : {uuid, missing}) {
        const auto record = Library::record(page, lib.myLibrary);
        EXPECT_TRUE(record->valueForKey("wordsCount").isNull()) << page.toStdString();
        EXPECT_TRUE(record->valueForKey("outline").isNull()) << page.toStdString();
    }
}

// The operations share one render engine: run many at once, each page must
// get its own counts and tags (a shared render context would mix them up).
TEST(OutlineOperation, TwentyOperationsInParallelEachStoreTheirOwnPage)
{
    Library lib;
    lib.show(lib.myLibrary);
    std::vector<QString> pages;
    for (int n = 1; n <= 20; ++n) {
        QString text = QStringLiteral("# Page %1\n\n+tag%1+").arg(n);
        for (int w = 0; w < n * 50; ++w)
            text += QStringLiteral(" word");
        pages.push_back(lib.page(text + "\n"));
    }
    plat::OperationQueue queue;
    queue.setMaxConcurrentOperationCount(-1);
    for (int round = 0; round < 3; ++round) {
        for (const QString& uuid : pages)
            queue.addOperation(ZQOutlineOperation::initWithPageUuid(uuid, lib.myLibrary));
    }
    queue.waitUntilAllOperationsAreFinished();
    for (int n = 1; n <= 20; ++n) {
        const auto record = Library::record(pages[size_t(n - 1)], lib.myLibrary);
        EXPECT_EQ(record->valueForKey("wordsCount").toInteger(), 2 + 1 + n * 50) << n;
        EXPECT_EQ(storedTags(record), QStringList({QStringLiteral("tag%1").arg(n)})) << n;
        EXPECT_EQ(storedHeadings(record), QStringList({QStringLiteral("1:Page %1").arg(n)})) << n;
    }
}

namespace {

plat::ManagedObjectPtr taggedPage(const QString& folder, const QString& uuid, const QString& title,
                                  const QStringList& tags)
{
    const auto page = ZSCoreDataUtil::createPageRecord(uuid, plat::AttributedString(title), folder, QString(), Value());
    plat::ValueList list;
    for (const QString& tag : tags)
        list.push_back(Value(plat::ObjectPtr(ZQDocumentTag::initWithIndex(list.size(), tag, plat::Range(0, tag.size()),
                                                                          ZQEditorType::Markup))));
    page->setValue(Value(plat::KeyedArchiver::archivedData(Value(list))), "tags");
    Exs::persistAndWait(page->managedObjectContext());
    return page;
}

struct TagRow {
    QString title;
    QString uuid;
    qint64 sortIndex;
    bool operator==(const TagRow&) const = default;
};

std::vector<TagRow> tagRows()
{
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(ZQSpaceFolder::tags());
    auto rows = context->executeFetchRequest(plat::FetchRequest("Node")).value_or(std::vector<plat::ManagedObjectPtr>());
    std::vector<TagRow> result;
    for (const auto& row : rows)
        result.push_back({row->valueForKey("title").toObject<plat::AttributedText>()->text().string(),
                          row->valueForKey("uuid").toString(), row->valueForKey("sortIndex").toInteger()});
    std::sort(result.begin(), result.end(), [](const TagRow& a, const TagRow& b) { return a.sortIndex < b.sortIndex; });
    return result;
}

} // namespace

TEST(TagsService, RebuildFoldsTagsSkipsTheTrashAndListsEachPageUnderItsTag)
{
    Library lib;
    const QString second = lib.library->createSpace("Second_Space");
    const QString trashed = lib.library->createSpace("Old");
    const QString deeper = lib.library->createSpace("Older");
    const auto main = ZSCoreData::sharedCoredData()->spaceObjectContext();
    // One space straight in the trash, one inside it.
    lib.library->spaceRecord(trashed)->setValue(Value(plat::ObjectPtr(lib.library->spaceRecord(ZQSpaceFolder::trash()))), "parent");
    lib.library->spaceRecord(deeper)->setValue(Value(plat::ObjectPtr(lib.library->spaceRecord(trashed))), "parent");
    Exs::persistAndWait(main);

    taggedPage(lib.myLibrary, "a_1.mkqrv", "Alpha", {"Travel", "  travel   plans ", "2024"});
    taggedPage(lib.myLibrary, "b.mkqrv", "Beta", {"TRAVEL", "travel"});
    taggedPage(second, "c.mkqrv", "Gamma", {"Travel Plans"});
    taggedPage(lib.myLibrary, "d.mkqrv", "Delta", {});
    taggedPage(trashed, "t.mkqrv", "Trashed", {"travel", "gone"});
    taggedPage(deeper, "u.mkqrv", "Deeper", {"deep"});

    ZQTagsService service;
    const plat::AttributedString page = service.rebuildTagTree();

    // Plain code-unit order: digits before letters.
    const std::vector<ZQPageTagPtr> tags = service.container()->getTagsWithOutlineTitle(false);
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(tags[0]->tagName(), "2024");
    EXPECT_EQ(tags[1]->tagName(), "TRAVEL");
    EXPECT_EQ(tags[2]->tagName(), "TRAVEL PLANS");
    // A page carrying a tag twice counts twice; its space once.
    EXPECT_EQ(tags[1]->pageCount(), 3);
    EXPECT_EQ(tags[1]->spaceCount(), 1);

    const std::vector<TagRow> rows = tagRows();
    const std::vector<TagRow> expected = {
        {"2024\n1 page tagged in 1 space", plat::toString(tags[0]->tagRange()), 0},
        {"TRAVEL\n3 pages tagged in 1 space", plat::toString(tags[1]->tagRange()), 1},
        {"TRAVEL PLANS\n2 pages tagged in 2 spaces", plat::toString(tags[2]->tagRange()), 2},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(rows[0].uuid, "{0, 4}");

    const QString myTitle = lib.library->spaceRecord(lib.myLibrary)->valueForKey("title").toString();
    EXPECT_EQ(page.string(), QStringLiteral("2024\nAlpha in %1.\n\n"
                                            "TRAVEL\nAlpha in %1.\nBeta in %1.\nBeta in %1.\n\n"
                                            "TRAVEL PLANS\nAlpha in %1.\nGamma in Second_Space.\n\n")
                                 .arg(myTitle));
    for (const ZQPageTagPtr& tag : tags)
        EXPECT_EQ(page.string().mid(tag->tagRange().location, tag->tagRange().length), tag->tagName());

    // The link of Gamma: its identifier and its folder come back whole.
    const qsizetype gamma = page.string().indexOf("Gamma");
    const auto link = page.attributeAtIndex(plat::LinkAttribute, gamma).toObject<plat::Url>();
    ASSERT_TRUE(link);
    EXPECT_EQ(ZQPageLink::pageForAddress(link->absoluteString()), (ZQPageLink::Target{"c.mkqrv", second}));
    EXPECT_EQ(page.attributeAtIndex(plat::ToolTipAttribute, gamma).toString(), "Open page Gamma in Second_Space");
    EXPECT_EQ(page.attributeAtIndex("ZQTEXT_AUTOLINK", gamma).toString(), "TagLink");
    EXPECT_EQ(page.attributeAtIndex(plat::UnderlineAttribute, gamma).toInteger(), 1);
    // Each piece keeps its own attributes: the link ends with the title, the
    // tag's key is a heading, the line break before a link is plain.
    plat::Range linkRange;
    page.attributeAtIndex(plat::LinkAttribute, gamma, &linkRange);
    EXPECT_EQ(linkRange, plat::Range(gamma, 5));
    EXPECT_TRUE(page.attributeAtIndex(plat::LinkAttribute, gamma + 5).isNull());
    EXPECT_TRUE(page.attributeAtIndex(plat::LinkAttribute, gamma - 1).isNull());
    const qsizetype plans = tags[2]->tagRange().location;
    EXPECT_EQ(page.attributesAtIndex(plans), ZQHighlighter::sharedHighlighter().headingRich(1, tags[2]->tagUuid(), 0));
    EXPECT_NE(page.attributesAtIndex(plans + tags[2]->tagRange().length), page.attributesAtIndex(plans));

    // A rebuild replaces the rows; with no tagged page there are none and no page.
    for (const QString uuid : {"a_1.mkqrv", "b.mkqrv", "d.mkqrv"})
        Library::record(uuid, lib.myLibrary)->managedObjectContext()->deleteObject(Library::record(uuid, lib.myLibrary));
    Exs::persistAndWait(ZSCoreData::sharedCoredData()->pageObjectContext(lib.myLibrary));
    Library::record("c.mkqrv", second)->managedObjectContext()->deleteObject(Library::record("c.mkqrv", second));
    Exs::persistAndWait(ZSCoreData::sharedCoredData()->pageObjectContext(second));
    EXPECT_TRUE(service.rebuildTagTree().string().isEmpty());
    EXPECT_TRUE(tagRows().empty());
}

TEST(PageLink, AnyIdentifierAndFolderSurviveTheLinkAndOldLinksStillRead)
{
    struct Case {
        QString uuid;
        QString folder;
    };
    const Case cases[] = {{"p1.mkqrv", "t123ds"}, {"a_b.mkqrv", "my_folder"}, {"x~5F y", "é_%20_~"}, {"", "_"}};
    for (const Case& c : cases) {
        const QString address = ZQPageLink::addressForPage(c.uuid, c.folder);
        EXPECT_EQ(address.count('_'), 2) << address.toStdString(); // the prefix's and the separator
        // Through the URL layer, as a click delivers it.
        const QString clicked = plat::Url::fromString(address)->toQUrl().toString();
        EXPECT_EQ(ZQPageLink::pageForAddress(clicked), (ZQPageLink::Target{c.uuid, c.folder})) << clicked.toStdString();
    }
    EXPECT_EQ(ZQPageLink::pageForAddress("#TP_a_b_c"), (ZQPageLink::Target{"a_b", "c"}));
    EXPECT_EQ(ZQPageLink::pageForAddress("#TP_abc"), std::nullopt);
    EXPECT_EQ(ZQPageLink::pageForAddress("#LINKabc"), std::nullopt);
}
