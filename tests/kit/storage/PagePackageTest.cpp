// Pages written as packages and read back.

#include "PageFixtures.h"

#include "kit/model/ZSTextAttachment.h"
#include "kit/model/ZQAttributeNames.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/text/Attributes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pages;

namespace {


QStringList keysOf(const plat::ValueMap& map)
{
    QStringList keys;
    for (const auto& [key, value] : map)
        keys << key;
    return keys;
}

// The first attachment of the text, with its position.
std::shared_ptr<ZSTextAttachment> firstAttachment(const plat::AttributedString& text, qsizetype* at = nullptr)
{
    for (qsizetype i = 0; i < text.length(); ++i) {
        if (auto attachment = text.attributeAtIndex(plat::AttachmentAttribute, i).toObject<ZSTextAttachment>()) {
            if (at)
                *at = i;
            return attachment;
        }
    }
    return nullptr;
}

} // namespace

TEST(PagePackage, AMarkdownPageIsItsMarkupAndADescription)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    auto doc = markdownPage(QStringLiteral("# Title\n\nSome *text*.\n"));
    doc->setSelectionRange(plat::Range(2, 3));
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
    const auto files = packageFiles(path);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at(QStringLiteral("main.md")), QByteArray("# Title\n\nSome *text*.\n"));
    const plat::ValueMap json = jsonOf(path);
    EXPECT_EQ(keysOf(json), (QStringList{QStringLiteral("zqAttachedStorageVersion"), QStringLiteral("zqMainStorageSel"),
                                         QStringLiteral("zqMainStorageType"), QStringLiteral("zqStorageThemeName"),
                                         QStringLiteral("zqStorageThemeVersion")}));
    EXPECT_EQ(json.at(QStringLiteral("zqMainStorageType")).toString(), QStringLiteral("Markdown"));
    EXPECT_EQ(json.at(QStringLiteral("zqMainStorageSel")).toString(), QStringLiteral("{2, 3}"));
    EXPECT_EQ(json.at(QStringLiteral("zqAttachedStorageVersion")).toInteger(), 20141102);
    EXPECT_FALSE(files.at(QStringLiteral("main.json")).contains('\n'));

    const auto back = opened(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->storageType(), 0);
    EXPECT_EQ(back->markupTextStorage()->string(), QStringLiteral("# Title\n\nSome *text*.\n"));
    EXPECT_EQ(back->selectionRange(), plat::Range(2, 3));
}

TEST(PagePackage, ARichPageKeepsItsImageFootnoteLinkAndSelection)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    const QByteArray png = encodedImage("png");
    auto doc = richPage(png, QStringLiteral("pic.png"));
    const QString uuid = onlyImage(*doc->renderContext())->uuid();
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));

    const auto files = packageFiles(path);
    QStringList names;
    for (const auto& [name, bytes] : files)
        names << name;
    EXPECT_EQ(names, (QStringList{QStringLiteral("img_") + uuid + QStringLiteral("m_pic.png"),
                                  QStringLiteral("img_") + uuid + QStringLiteral("pic.png"), QStringLiteral("main.json"),
                                  QStringLiteral("main.md"), QStringLiteral("rich.qrvpage")}));
    EXPECT_EQ(files.at(QStringLiteral("img_") + uuid + QStringLiteral("pic.png")), png);
    EXPECT_TRUE(files.at(QStringLiteral("main.md")).startsWith("A page with ![a picture](pic.png)"));
    EXPECT_TRUE(files.at(QStringLiteral("main.md")).contains("[^1]: The note."));
    const plat::ValueMap json = jsonOf(path);
    EXPECT_EQ(json.at(QStringLiteral("zqMainStorageType")).toString(), QStringLiteral("zqRich"));
    ASSERT_EQ(json.at(QStringLiteral("zqMainStorageImages")).toList().size(), 1u);
    EXPECT_EQ(json.at(QStringLiteral("zqMainStorageImages")).toList()[0].toMap().at(QStringLiteral("attachedStorageUuid")).toString(), uuid);
    // The rich member holds the footnote and the link, never the image.
    const auto archive = plat::KeyedUnarchiver::unarchiveValue(files.at(QStringLiteral("rich.qrvpage")));
    ASSERT_TRUE(archive && archive->isMap());
    EXPECT_EQ(keysOf(archive->toMap()), (QStringList{QStringLiteral("zqAttachedStorage"), QStringLiteral("zqMainStorage")}));
    QStringList owners;
    for (const plat::Value& record : archive->toMap().at(QStringLiteral("zqAttachedStorage")).toList())
        owners << record.toObject<ZQAttachedStorage>()->owner();
    owners.sort();
    EXPECT_EQ(owners, (QStringList{QStringLiteral("ZQFilterLink"), QStringLiteral("ZQMacroFootnote")}));

    const auto back = opened(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->storageType(), 2);
    EXPECT_EQ(back->selectionRange(), plat::Range(3, 4));
    EXPECT_EQ(back->richTextStorage()->string(), doc->richTextStorage()->string());
    qsizetype at = -1;
    const auto attachment = firstAttachment(*back->richTextStorage(), &at);
    ASSERT_TRUE(attachment);
    ASSERT_TRUE(attachment->fileWrapper());
    ASSERT_TRUE(attachment->attachmentCell() && attachment->attachmentCell()->image());
    EXPECT_EQ(attachment->attachmentCell()->image()->size(), QSizeF(32, 24));
    const auto record = back->renderContext()->getAttachedStorage(uuid, QStringLiteral("ZQMacroImage"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->attachedObject()->originalImage()->sourceData(), png);
    EXPECT_EQ(back->renderContext()->attachedStorageCountFor(QStringLiteral("ZQMacroFootnote")), 1);
    const auto links = back->renderContext()->getAttachedStorageByOwner(QStringLiteral("ZQFilterLink"));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0]->attachedLink()->linkUrl(), QStringLiteral("https://example.com/x"));

    // Saving again, unchanged or after reopening, writes the very same bytes.
    ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
    EXPECT_EQ(packageFiles(path), files);
    const QString copy = dir.filePath(QStringLiteral("copy.mkqrv"));
    ASSERT_TRUE(back->saveToURL(QUrl::fromLocalFile(copy), Type));
    EXPECT_EQ(packageFiles(copy), files);
}

TEST(PagePackage, JpegAndAnimatedGifSurviveTenSavesByteForByte)
{
    const struct {
        QByteArray bytes;
        QString name;
    } cases[] = {{encodedImage("jpeg", 64, 48, 40), QStringLiteral("photo.jpg")},
                 {animatedGif(), QStringLiteral("anim.gif")}};
    for (const auto& c : cases) {
        ASSERT_TRUE(Exs::loadImageFromData(c.bytes)) << c.name.toStdString();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
        auto doc = richPage(c.bytes, c.name, false);
        const QString member = QStringLiteral("/img_") + onlyImage(*doc->renderContext())->uuid() + c.name;
        ASSERT_TRUE(doc->saveToURL(QUrl::fromLocalFile(path), Type));
        for (int i = 0; i < 10; ++i) {
            auto back = opened(path);
            ASSERT_TRUE(back);
            back->updateChangeCount(plat::Document::ChangeType::Done);
            ASSERT_TRUE(back->saveToURL(QUrl::fromLocalFile(path), Type));
        }
        EXPECT_EQ(readFile(path + member), c.bytes) << c.name.toStdString();
    }
}
