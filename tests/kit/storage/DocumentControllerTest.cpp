// The sync engine's access to page packages, open or closed.

#include "PageFixtures.h"

#include "kit/storage/ZSAbstractDocumentController.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/Json.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pages;

namespace {


plat::ValueMap firstImageEntry(const QString& package)
{
    return jsonOf(package).at(QStringLiteral("zqMainStorageImages")).toList().at(0).toMap();
}

struct SavedPage {
    QTemporaryDir dir;
    QString path;
    QUrl url;
    QString uuid;
    ZSAbstractDocumentPtr doc;
    explicit SavedPage(QSizeF resize = QSizeF(0, 0))
    {
        path = dir.filePath(QStringLiteral("p.mkqrv"));
        url = QUrl::fromLocalFile(path);
        doc = richPage(encodedImage("png"), QStringLiteral("pic.png"), false);
        const auto storage = onlyImage(*doc->renderContext());
        uuid = storage->uuid();
        storage->attachedObject()->setResize(resize);
        storage->attachedObject()->setOriginalImageHash(QStringLiteral("h0"));
        doc->saveToURL(url, Type);
        // A key of a later version that this one does not know.
        auto json = jsonOf(path);
        json[QStringLiteral("zqFutureKey")] = plat::Value(QStringLiteral("kept"));
        writeFile(path + QStringLiteral("/main.json"), plat::jsonData(plat::Value(json), nullptr, QJsonDocument::Compact));
    }
};

} // namespace

TEST(DocumentController, AThumbnailThenTheOriginalIntoAClosedPage)
{
    SavedPage page;
    auto controller = ZSAbstractDocumentController::create();
    const auto before = jsonOf(page.path);
    const QByteArray thumbnailBytes = encodedImage("jpeg", 16, 12);
    const QDateTime date = QDateTime::fromSecsSinceEpoch(1700000000);

    EXPECT_TRUE(controller->updateAttachment(page.url, page.uuid, Exs::loadImageFromData(thumbnailBytes),
                                             QStringLiteral("h1"), date, true));
    EXPECT_EQ(readFile(page.path + QStringLiteral("/img_") + page.uuid + QStringLiteral("pic.png")), thumbnailBytes);
    auto entry = firstImageEntry(page.path);
    EXPECT_EQ(entry.at(QStringLiteral("waitingDownloadingFileHash")).toString(), QStringLiteral("h1"));
    EXPECT_EQ(entry.at(QStringLiteral("originalImageHash")).toString(), QStringLiteral("h0"));
    EXPECT_TRUE(controller->isWaitingOriginalAttachmentDownloading(page.url, page.uuid, QStringLiteral("h1")));
    EXPECT_FALSE(controller->isWaitingOriginalAttachmentDownloading(page.url, page.uuid, QStringLiteral("h0")));
    // Every other key stays as it was.
    auto after = jsonOf(page.path);
    for (const auto& [key, value] : before) {
        if (key != QLatin1String("zqMainStorageImages")) {
            EXPECT_EQ(plat::jsonData(plat::Value(plat::ValueList{after.at(key)})),
                      plat::jsonData(plat::Value(plat::ValueList{value}))) << key.toStdString();
        }
    }
    EXPECT_EQ(after.at(QStringLiteral("zqFutureKey")).toString(), QStringLiteral("kept"));

    const QByteArray originalBytes = encodedImage("jpeg", 64, 48);
    EXPECT_TRUE(controller->updateAttachment(page.url, page.uuid, Exs::loadImageFromData(originalBytes),
                                             QStringLiteral("h1"), date, false));
    entry = firstImageEntry(page.path);
    EXPECT_EQ(entry.at(QStringLiteral("waitingDownloadingFileHash")).toString(), QString());
    EXPECT_EQ(entry.at(QStringLiteral("originalImageHash")).toString(), QStringLiteral("h1"));
    EXPECT_EQ(readFile(page.path + QStringLiteral("/img_") + page.uuid + QStringLiteral("pic.png")), originalBytes);
    EXPECT_FALSE(controller->isWaitingOriginalAttachmentDownloading(page.url, page.uuid, QStringLiteral("h1")));
    // No resize asked for: no shown-image file.
    EXPECT_FALSE(QFile::exists(page.path + QStringLiteral("/img_") + page.uuid + QStringLiteral("m_pic.png")));
    const auto listed = controller->getAttachmentList(page.url);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]->attachedObject()->originalUpdatedDate(), date);

    // The page opens with the stored image.
    const auto back = opened(page.path);
    ASSERT_TRUE(back);
    const auto record = back->renderContext()->getAttachedStorage(page.uuid, QStringLiteral("ZQMacroImage"));
    EXPECT_EQ(record->attachedObject()->originalImage()->sourceData(), originalBytes);
}

TEST(DocumentController, AResizeWritesTheShownImageOnlyWhenItDiffers)
{
    const struct {
        QSizeF resize;
        bool shownWritten;
    } cases[] = {{QSizeF(0, 0), false}, {QSizeF(64, 48), false}, {QSizeF(32, 24), true}};
    for (const auto& c : cases) {
        SavedPage page(c.resize);
        auto controller = ZSAbstractDocumentController::create();
        EXPECT_TRUE(controller->updateAttachment(page.url, page.uuid, Exs::loadImageFromData(encodedImage("png", 64, 48)),
                                                 QStringLiteral("h2"), QDateTime::currentDateTime(), false));
        const QString shown = page.path + QStringLiteral("/img_") + page.uuid + QStringLiteral("m_pic.png");
        EXPECT_EQ(QFile::exists(shown), c.shownWritten) << c.resize.width();
        if (c.shownWritten) {
            EXPECT_EQ(Exs::loadImageFromData(readFile(shown))->size(), QSizeF(32, 24));
        }
    }
}

TEST(DocumentController, UnknownImagesAndPagesWithoutDescriptionStoreNothing)
{
    SavedPage page;
    auto controller = ZSAbstractDocumentController::create();
    const auto files = packageFiles(page.path);
    const auto image = Exs::loadImageFromData(encodedImage("png"));
    EXPECT_FALSE(controller->updateAttachment(page.url, QStringLiteral("no-such"), image, QStringLiteral("h"),
                                              QDateTime::currentDateTime(), false));
    EXPECT_EQ(packageFiles(page.path), files);
    QFile::remove(page.path + QStringLiteral("/main.json"));
    EXPECT_TRUE(controller->getAttachmentList(page.url).empty());
    EXPECT_FALSE(controller->updateAttachment(page.url, page.uuid, image, QStringLiteral("h"), QDateTime::currentDateTime(), false));
    EXPECT_FALSE(controller->loadMetaInfo(page.url));
    ASSERT_TRUE(controller->loadMarkdownContent(page.url));
    EXPECT_TRUE(controller->loadMarkdownContent(page.url)->startsWith(QStringLiteral("A page with")));
}

TEST(DocumentController, AnOpenPageIsChangedThroughItsDocument)
{
    SavedPage page;
    const auto doc = opened(page.path);
    ASSERT_TRUE(doc);
    auto controller = ZSAbstractDocumentController::create();
    plat::DocumentController::setSharedDocumentController(controller);
    controller->addDocument(doc);
    const auto filesBefore = packageFiles(page.path);

    const QByteArray thumbnail = encodedImage("jpeg", 16, 12);
    EXPECT_TRUE(controller->updateAttachment(page.url, page.uuid, Exs::loadImageFromData(thumbnail),
                                             QStringLiteral("h9"), QDateTime::currentDateTime(), true));
    // The document's own record changed; nothing touched the package behind its back.
    const auto record = doc->renderContext()->getAttachedStorage(page.uuid, QStringLiteral("ZQMacroImage"));
    EXPECT_EQ(record->attachedObject()->waitingDownloadingFileHash(), QStringLiteral("h9"));
    EXPECT_TRUE(controller->isWaitingOriginalAttachmentDownloading(page.url, page.uuid, QStringLiteral("h9")));
    EXPECT_EQ(controller->getAttachmentList(page.url).at(0), record);
    // The document saved itself: the package holds what the document holds.
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(firstImageEntry(page.path).at(QStringLiteral("waitingDownloadingFileHash")).toString(), QStringLiteral("h9"));
    EXPECT_EQ(readFile(page.path + QStringLiteral("/img_") + page.uuid + QStringLiteral("pic.png")), thumbnail);

    controller->updateAttachment(page.url, page.uuid, QStringLiteral("dh"), QStringLiteral("dr"));
    EXPECT_EQ(record->attachedObject()->dropboxHash(), QStringLiteral("dh"));
    EXPECT_TRUE(doc->isDocumentEdited());
    doc->close();
    EXPECT_EQ(controller->documentForURL(page.url), nullptr);
    plat::DocumentController::setSharedDocumentController(nullptr);
}
