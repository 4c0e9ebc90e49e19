// Pages built from received content, and conflicting versions of a page.

#include "PageFixtures.h"

#include "platform/document/FileVersion.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/NotificationCenter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pages;

namespace {


// The received description: the local one with the image's hash and resize changed.
QString receivedDescription(const QString& package, const QString& hash, QSizeF resize)
{
    auto json = plat::parseJson(readFile(package + QStringLiteral("/main.json")))->toMap();
    plat::ValueList images = json.at(QStringLiteral("zqMainStorageImages")).toList();
    plat::ValueMap entry = images.at(0).toMap();
    entry[QStringLiteral("originalImageHash")] = plat::Value(hash);
    entry[QStringLiteral("resize")] = plat::Value(QStringLiteral("{%1, %2}").arg(resize.width()).arg(resize.height()));
    images[0] = plat::Value(entry);
    json[QStringLiteral("zqMainStorageImages")] = plat::Value(images);
    json[QStringLiteral("zqMainStorageSel")] = plat::Value(QStringLiteral("{1, 2}"));
    return QString::fromUtf8(plat::jsonData(plat::Value(json)));
}

} // namespace

TEST(PageVersions, ReceivedContentTakesLocalImagesOnlyWhenTheyAreTheSame)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    auto local = richPage(encodedImage("png", 64, 48), QStringLiteral("pic.png"));
    const auto storage = onlyImage(*local->renderContext());
    storage->attachedObject()->setOriginalImageHash(QStringLiteral("h1"));
    ASSERT_TRUE(local->saveToURL(QUrl::fromLocalFile(path), Type));
    const QString uuid = storage->uuid();
    const QString markdown = QStringLiteral("Received ![a picture](pic.png)\n");

    const struct {
        QString hash;
        QSizeF resize;
        QSizeF shownSize; // empty: no shown image
        bool fetched;
    } cases[] = {
        {QStringLiteral("h1"), QSizeF(32, 24), QSizeF(32, 24), false}, // same image, same size: the local shown file
        {QStringLiteral("h1"), QSizeF(16, 12), QSizeF(16, 12), false}, // same image, new size: the original resized
        {QStringLiteral("h2"), QSizeF(32, 24), QSizeF(), true},        // another image: fetched later
    };
    for (const auto& c : cases) {
        const auto doc = ZSAbstractDocument::initDocumentFromContentUrl(
            QUrl::fromLocalFile(path), markdown, receivedDescription(path, c.hash, c.resize));
        EXPECT_EQ(doc->storageType(), 0);
        EXPECT_EQ(doc->selectionRange(), plat::Range(1, 2));
        EXPECT_EQ(doc->markupTextStorage()->string(), markdown);
        const auto record = doc->renderContext()->getAttachedStorage(uuid, QStringLiteral("ZQMacroImage"));
        ASSERT_TRUE(record);
        const auto shown = record->attachedObject()->image();
        EXPECT_EQ(shown ? shown->size() : QSizeF(), c.shownSize) << c.hash.toStdString();
        EXPECT_EQ(bool(record->attachedObject()->originalImage()), !c.fetched);
        EXPECT_EQ(doc->icloudAttachments().value(uuid), c.fetched ? c.hash : QString());
    }
    // A local package whose description cannot be read: every image is fetched.
    const QString received = receivedDescription(path, QStringLiteral("h1"), QSizeF(32, 24));
    writeFile(path + QStringLiteral("/main.json"), "{broken");
    const auto doc = ZSAbstractDocument::initDocumentFromContentUrl(QUrl::fromLocalFile(path), markdown, received);
    EXPECT_EQ(doc->icloudAttachments().value(uuid), QStringLiteral("h1"));
}

TEST(PageVersions, TheNewestConflictingVersionWinsAndAllAreResolved)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("space/p.mkqrv"));
    QDir().mkpath(dir.filePath(QStringLiteral("space")));
    auto doc = markdownPage(QStringLiteral("current\n"));
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
    const QDateTime now = QDateTime::currentDateTime();
    const auto versionWith = [&](const QString& name, const QString& text, const QDateTime& date) {
        const QString versionPath = dir.filePath(name);
        auto version = markdownPage(text);
        version->saveToURL(QUrl::fromLocalFile(versionPath), Type);
        return plat::FileVersion::create(QUrl::fromLocalFile(versionPath), date);
    };
    auto provider = std::make_shared<plat::ListedFileVersionProvider>();
    const auto older = versionWith(QStringLiteral("v1.mkqrv"), QStringLiteral("older\n"), now.addSecs(60));
    const auto newest = versionWith(QStringLiteral("v2.mkqrv"), QStringLiteral("newest\n"), now.addSecs(120));
    const auto tie = versionWith(QStringLiteral("v3.mkqrv"), QStringLiteral("tie\n"), now.addSecs(120));
    for (const auto& version : {older, newest, tie})
        provider->addConflictVersion(QUrl::fromLocalFile(path), version);
    plat::FileVersionProvider::setCurrent(provider);

    int posted = 0;
    plat::ValueMap info;
    const auto token = plat::NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("notifyDocMergedConflict"), nullptr, [&](const plat::Notification& note) {
            ++posted;
            info = note.userInfo;
        });
    doc->resolveVersionConflict(plat::FileVersion::create(QUrl::fromLocalFile(path), now));
    plat::NotificationCenter::defaultCenter().removeObserver(token);
    plat::FileVersionProvider::setCurrent(nullptr);

    EXPECT_EQ(readFile(path + QStringLiteral("/main.md")), QByteArray("newest\n"));
    EXPECT_EQ(doc->markupTextStorage()->string(), QStringLiteral("newest\n"));
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(info[QStringLiteral("pageUuid")].toString(), QStringLiteral("p.mkqrv"));
    EXPECT_EQ(info[QStringLiteral("spaceFolder")].toString(), QStringLiteral("space"));
    EXPECT_TRUE(older->isResolved() && newest->isResolved() && tie->isResolved());

    // The given version newest of all: nothing is replaced, nothing posted.
    auto again = std::make_shared<plat::ListedFileVersionProvider>();
    const auto stale = versionWith(QStringLiteral("v4.mkqrv"), QStringLiteral("stale\n"), now.addSecs(-60));
    again->addConflictVersion(QUrl::fromLocalFile(path), stale);
    plat::FileVersionProvider::setCurrent(again);
    doc->resolveVersionConflict(plat::FileVersion::create(QUrl::fromLocalFile(path), now));
    plat::FileVersionProvider::setCurrent(nullptr);
    EXPECT_EQ(readFile(path + QStringLiteral("/main.md")), QByteArray("newest\n"));
    EXPECT_TRUE(stale->isResolved());
}
