// Reading a page that is not open for preview and export: its text and the
// images that go with it, from a page package or a linked-folder file.

#include "LibraryFixtures.h"

#include "app/library/ZQPageExportReader.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/Json.h"

#include <QBuffer>
#include <QImage>

namespace {

using namespace library;
using plat::Value;

QByteArray png(int width)
{
    QImage image(width, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(PageExportReader, APackageGivesItsTextAndEveryDescribedImage)
{
    Library lib;
    const QString folder = lib.myLibrary;
    const QDir package(ZSUtils::pageUrl("p-1.mkqrv", folder).toLocalFile());
    ASSERT_TRUE(QDir().mkpath(package.path()));
    write(package.filePath("main.md"), "# Trip\n\n![a](a.png)\n");

    plat::ValueList images;
    for (const char* uuid : {"IMG1", "IMG2", "GONE"}) {
        const auto image = ZQAttachedImageObject::create();
        image->setOriginalFileName("photo.png");
        images.push_back(Value(image->asJSONDictionary(uuid)));
    }
    images.push_back(Value(QString("not a description")));
    write(package.filePath("main.json"), plat::jsonData(Value(plat::ValueMap{{"zqMainStorageImages", Value(images)}})));
    for (const char* uuid : {"IMG1", "IMG2"}) {
        write(package.filePath(QString("img_%1photo.png").arg(uuid)), png(40));
        write(package.filePath(QString("img_%1m_photo.png").arg(uuid)), png(20));
    }
    const auto page = ZSCoreDataUtil::createPageRecord("p-1.mkqrv", std::nullopt, folder, QString(), Value());

    std::vector<ZQAttachedStoragePtr> storages;
    const auto render = std::make_shared<ZQRender>();
    const auto text = ZQPageExportReader::readMarkdown(page, storages, *render);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "# Trip\n\n![a](a.png)\n");
    ASSERT_EQ(storages.size(), 3u) << "the faulty description is skipped";
    for (int i = 0; i < 2; ++i) {
        const auto image = storages[size_t(i)]->attachedObject();
        ASSERT_TRUE(image->originalImage() && image->image());
        EXPECT_EQ(image->originalImage()->size().width(), 40);
        EXPECT_EQ(image->image()->size().width(), 20);
    }
    EXPECT_EQ(storages[2]->uuid(), "GONE");
    EXPECT_FALSE(storages[2]->attachedObject()->originalImage()) << "its files were deleted; the storage stays";

    // Without main.md there is no text, but the images still come.
    QFile::remove(package.filePath("main.md"));
    storages.clear();
    EXPECT_FALSE(ZQPageExportReader::readMarkdown(page, storages, *render));
    EXPECT_EQ(storages.size(), 3u);
}

TEST(PageExportReader, ALinkedFilesImagesAreFoundBesideIt)
{
    Library lib;
    QTemporaryDir outside;
    write(outside.filePath("note.md"), "Look ![here](pic.png)\n");
    write(outside.filePath("pic.png"), png(8));
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto root = ZSCoreDataUtil::createSpaceRecord("lexport", nullptr, "Linked", ZQSpaceType::LinkedFolder, false, context);
    root->setValue(Value(outside.path()), "dropboxPath");
    Exs::persistAndWait(context);
    const auto page = ZSCoreDataUtil::createPageRecord("bp-7", std::nullopt, "lexport", "note.md", Value(qint64(7)));

    std::vector<ZQAttachedStoragePtr> storages;
    const auto render = std::make_shared<ZQRender>();
    const auto text = ZQPageExportReader::readMarkdown(page, storages, *render);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "Look ![here](pic.png)\n");
    ASSERT_EQ(storages.size(), 1u);
    EXPECT_TRUE(storages[0]->attachedObject()->image() || storages[0]->attachedObject()->originalImage());
}

} // namespace
