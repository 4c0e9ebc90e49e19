// Broken and hostile packages: what can be read is read, nothing else is
// lost, and nothing is written outside the package.

#include "PageFixtures.h"

#include "kit/foundation/ZQError.h"
#include "platform/foundation/Json.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pages;

namespace {


// Collects what would be shown to the user.
struct PresentedErrors {
    QStringList messages;
    ZQError::PresentationHandler previous;
    PresentedErrors()
    {
        previous = ZQError::setPresentationHandler(
            [this](const ZQErrorValue& error) { messages << error.localizedDescription(); });
    }
    ~PresentedErrors() { ZQError::setPresentationHandler(previous); }
};

QString savedRichPage(const QTemporaryDir& dir, QString* uuid = nullptr)
{
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    auto doc = richPage(encodedImage("png"), QStringLiteral("pic.png"));
    if (uuid)
        *uuid = onlyImage(*doc->renderContext())->uuid();
    doc->saveToURL(QUrl::fromLocalFile(path), Type);
    return path;
}

} // namespace

TEST(PageBadInput, AnUnreadableDescriptionReadsAsEmptyAndThePageAsMarkup)
{
    const QByteArray descriptions[] = {QByteArray("{\"zqMainStorageType\": \"zqRi"), QByteArray("[1, 2]"),
                                       QByteArray("{\"zqMainStorageType\": 7, \"zqMainStorageImages\": {\"a\": 1}}"),
                                       QByteArray("{\"zqMainStorageType\": \"Other\"}")};
    for (const QByteArray& description : descriptions) {
        QTemporaryDir dir;
        const QString path = savedRichPage(dir);
        writeFile(path + QStringLiteral("/main.json"), description);
        const auto back = opened(path);
        ASSERT_TRUE(back) << description.constData();
        EXPECT_EQ(back->storageType(), -1);
        EXPECT_TRUE(back->markupTextStorage()->string().startsWith(QStringLiteral("A page with ![a picture](pic.png)")));
        EXPECT_EQ(back->selectionRange(), plat::Range(0, 0));
    }
    // Without any description the markup is still the page.
    QTemporaryDir dir;
    const QString path = savedRichPage(dir);
    QFile::remove(path + QStringLiteral("/main.json"));
    const auto back = opened(path);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->markupTextStorage()->string().startsWith(QStringLiteral("A page with")));
}

TEST(PageBadInput, AnUnreadableRichMemberOpensTheMarkupAndSaysSo)
{
    const auto truncate = [](const QByteArray& b) { return b.left(b.size() / 2); };
    const auto foreign = [](const QByteArray&) { return QByteArray("bplist00\x01\x02 not ours"); };
    const auto nothing = [](const QByteArray&) { return QByteArray(); };
    const std::function<QByteArray(const QByteArray&)> damages[] = {truncate, foreign, nothing};
    for (const auto& damage : damages) {
        QTemporaryDir dir;
        QString uuid;
        const QString path = savedRichPage(dir, &uuid);
        const QString rich = path + QStringLiteral("/rich.qrvpage");
        writeFile(rich, damage(readFile(rich)));
        PresentedErrors presented;
        const auto back = opened(path);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->richContentUnreadable());
        ASSERT_EQ(presented.messages.size(), 1);
        EXPECT_TRUE(presented.messages[0].contains(QStringLiteral("could not be read")));
        EXPECT_EQ(back->storageType(), 2);
        EXPECT_TRUE(back->richTextStorage()->string().startsWith(QStringLiteral("A page with ")));
        EXPECT_EQ(back->renderContext()->attachedStorageCountFor(QStringLiteral("ZQMacroFootnote")), 1);
        // The image records of the description are still the page's.
        EXPECT_TRUE(back->renderContext()->getAttachedStorage(uuid, QStringLiteral("ZQMacroImage")));
    }
}

TEST(PageBadInput, MissingOrBrokenImagesKeepTheirRecordAndBytes)
{
    QTemporaryDir dir;
    QString uuid;
    const QString path = savedRichPage(dir, &uuid);
    const QString original = path + QStringLiteral("/img_") + uuid + QStringLiteral("pic.png");
    QFile::remove(path + QStringLiteral("/img_") + uuid + QStringLiteral("m_pic.png"));
    writeFile(original, "this is no image");
    auto back = opened(path);
    ASSERT_TRUE(back);
    const auto record = back->renderContext()->getAttachedStorage(uuid, QStringLiteral("ZQMacroImage"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->attachedObject()->originalImage(), nullptr);
    EXPECT_EQ(record->attachedObject()->image(), nullptr);
    // Shown as the placeholder; the file it could not read is written back as it was.
    EXPECT_TRUE(back->richTextStorage()->string().contains(QStringLiteral("{IMG}"))
                || back->richTextStorage()->string().contains(QChar(0xFFFC)));
    back->updateChangeCount(plat::Document::ChangeType::Done);
    ASSERT_TRUE(back->saveToURL(QUrl::fromLocalFile(path), Type));
    EXPECT_EQ(readFile(original), QByteArray("this is no image"));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("/img_") + uuid + QStringLiteral("m_pic.png")));
}

TEST(PageBadInput, HostileImageNamesNeverAddressFilesOutsideThePackage)
{
    const QString names[] = {QStringLiteral("../../outside.png"), QStringLiteral("/../outside.png"),
                             QStringLiteral("..\\outside.png"), QStringLiteral("a") + QChar(0) + QStringLiteral("b.png"),
                             QStringLiteral("..")};
    const auto outsideEntries = [](const QTemporaryDir& dir) {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    for (const QString& hostile : names) {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("space"));
        const QString path = dir.filePath(QStringLiteral("space/p.mkqrv"));
        const QByteArray png = encodedImage("png");
        writeFile(dir.filePath(QStringLiteral("outside.png")), png);

        // Read: a description from elsewhere naming a file outside is never read.
        auto doc = markdownPage(QStringLiteral("text\n"));
        ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
        for (const QString& uuid : {QStringLiteral("../.."), QStringLiteral("/x/")}) {
            plat::ValueMap entry{{QStringLiteral("attachedStorageUuid"), plat::Value(uuid)},
                                 {QStringLiteral("originalFileName"), plat::Value(hostile)}};
            plat::ValueMap description{{QStringLiteral("zqMainStorageType"), plat::Value(QStringLiteral("Markdown"))},
                                       {QStringLiteral("zqMainStorageImages"), plat::Value(plat::ValueList{plat::Value(entry)})}};
            writeFile(path + QStringLiteral("/main.json"), plat::jsonData(plat::Value(description)));
            auto back = opened(path);
            ASSERT_TRUE(back) << hostile.toStdString();
            const auto record = back->renderContext()->getAttachedStorage(uuid, QStringLiteral("ZQMacroImage"));
            ASSERT_TRUE(record);
            EXPECT_EQ(record->attachedObject()->originalImage(), nullptr) << hostile.toStdString();
        }

        // Write: an image named so is stored inside the package under a plain name.
        auto rich = richPage(png, QStringLiteral("pic.png"), false);
        const auto storage = onlyImage(*rich->renderContext());
        storage->attachedObject()->setOriginalFileName(hostile);
        ASSERT_TRUE(rich->saveToURL(QUrl::fromLocalFile(path), Type));
        EXPECT_EQ(outsideEntries(dir), (QStringList{QStringLiteral("outside.png"), QStringLiteral("space")}));
        EXPECT_EQ(QDir(dir.filePath(QStringLiteral("space"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("p.mkqrv")});
        const QString member = ZSAbstractDocument::imageMemberName(storage->uuid(), hostile, true);
        ASSERT_FALSE(member.isEmpty());
        EXPECT_EQ(readFile(path + QLatin1Char('/') + member), png);
        // And it reads back from there.
        auto back = opened(path);
        ASSERT_TRUE(back);
        const auto record = back->renderContext()->getAttachedStorage(storage->uuid(), QStringLiteral("ZQMacroImage"));
        ASSERT_TRUE(record && record->attachedObject()->originalImage());
        EXPECT_EQ(record->attachedObject()->originalImage()->sourceData(), png);
    }
    EXPECT_TRUE(ZSAbstractDocument::imageMemberName(QStringLiteral("u"), QString(300, QLatin1Char('a')), true).isEmpty());
}

TEST(PageBadInput, APackageWithoutMarkupFailsAndLeavesTheDocumentAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    auto doc = markdownPage(QStringLiteral("kept\n"));
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
    QFile::remove(path + QStringLiteral("/main.md"));
    QString error;
    EXPECT_FALSE(doc->revertToContentsOfURL(QUrl::fromLocalFile(path), Type, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(doc->markupTextStorage()->string(), QStringLiteral("kept\n"));
    EXPECT_EQ(doc->storageType(), 0);
}
