#include "kit/model/ZQAttachedObjects.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/foundation/ImageExs.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/text/Color.h"

#include <QImage>
#include "support/ArchiveRoundTrip.h"

#include <gtest/gtest.h>

namespace {


plat::AttributedString styled(const QString& text)
{
    return plat::AttributedString(text, plat::Attributes{{plat::ForegroundColorAttribute, plat::Value(plat::Color::rgba(1, 0, 0))}});
}

TEST(ZQAttachedTextObject, BodyFollowsItsTextStorage)
{
    auto body = ZQAttachedTextObject::create();
    body->setAttributedString(styled("note"));
    EXPECT_EQ(body->getAttributedString(), styled("note"));
    body->textStorage()->replaceCharacters(plat::Range(4, 0), QStringLiteral(" two"));
    EXPECT_EQ(body->getAttributedString().string(), QStringLiteral("note two"));

    body->textStorage()->replaceCharacters(plat::Range(0, 4), QStringLiteral("edited"));
    body->setSelection("{1, 2}");
    body->setFootIndex(3);
    const auto decoded = archiveRoundTrip(body); // archives what the editor holds now
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->getAttributedString(), plat::AttributedString(*body->textStorage()));
    EXPECT_EQ(decoded->selection(), QStringLiteral("{1, 2}"));
    EXPECT_EQ(decoded->footIndex(), 0u);

    const auto copy = plat::objectCast<ZQAttachedTextObject>(body->copy());
    EXPECT_NE(copy->textStorage(), body->textStorage());
    EXPECT_NE(copy->undoMgr(), body->undoMgr());
    EXPECT_EQ(copy->getAttributedString(), body->getAttributedString());
    EXPECT_EQ(copy->footIndex(), 0u);
}

TEST(ZQAttachedLinkObject, LabelSurvivesCopyingNotArchiving)
{
    auto link = ZQAttachedLinkObject::create();
    link->setLinkUrl("http://a");
    link->setLinkTitle("T");
    link->setLinkRefLabel("ref");
    link->setLinkType(2);
    link->setLinkLabel("label");
    const auto decoded = archiveRoundTrip(link);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->linkUrl(), QStringLiteral("http://a"));
    EXPECT_EQ(decoded->linkRefLabel(), QStringLiteral("ref"));
    EXPECT_EQ(decoded->linkType(), 2u);
    EXPECT_TRUE(decoded->linkLabel().isEmpty());
    EXPECT_EQ(plat::objectCast<ZQAttachedLinkObject>(link->copy())->linkLabel(), QStringLiteral("label"));
}

TEST(ZQAttachedImageObject, JsonFormHasSixteenKeys)
{
    const auto fresh = ZQAttachedImageObject::create();
    const plat::ValueMap json = fresh->asJSONDictionary("S1");
    EXPECT_EQ(json.size(), 16u);
    EXPECT_EQ(json.at("attachedStorageUuid"), plat::Value("S1"));
    EXPECT_EQ(json.at("originalSize"), plat::Value("{0, 0}"));
    EXPECT_EQ(json.at("resize"), plat::Value("{0, 0}"));
    EXPECT_EQ(json.at("imageTitle"), plat::Value(""));
    EXPECT_EQ(json.at("originalUpdatedDate"), plat::Value(""));
    EXPECT_EQ(json.at("resizeAssociated"), plat::Value(true));
    EXPECT_EQ(json.at("resizePercentage"), plat::Value(qint64(100)));

    auto image = ZQAttachedImageObject::create();
    image->setOriginalSize({1400, 700.5});
    image->setResize({700, 350.25});
    image->setImageTitle("title");
    image->setImageHash("H");
    image->setResizePercentage(50);
    image->setResizeAssociated(false);
    image->setOriginalUpdatedDate(QDateTime(QDate(2015, 11, 13), QTime(9, 8, 7)));
    const auto storage = ZQAttachedImageObject::loadFromJSONDictionary(image->asJSONDictionary("S2"));
    EXPECT_EQ(storage->uuid(), QStringLiteral("S2"));
    EXPECT_EQ(storage->owner(), ZQAttr::MacroImage);
    EXPECT_FALSE(storage->attachedText());
    const auto back = storage->attachedObject();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->asJSONDictionary("S2"), image->asJSONDictionary("S2"));
    EXPECT_EQ(back->originalUpdatedDate(), image->originalUpdatedDate());

    plat::ValueMap undated = image->asJSONDictionary("S3");
    undated.erase("originalUpdatedDate");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const QDateTime dated = ZQAttachedImageObject::loadFromJSONDictionary(undated)->attachedObject()->originalUpdatedDate();
    EXPECT_TRUE(dated >= before && dated <= QDateTime::currentDateTime());
    undated["originalUpdatedDate"] = "yesterday";
    EXPECT_FALSE(ZQAttachedImageObject::loadFromJSONDictionary(undated)->attachedObject()->originalUpdatedDate().isValid());
}

TEST(ZQAttachedImageObject, ArchiveAndCopy)
{
    QImage pixels(8, 4, QImage::Format_ARGB32);
    pixels.fill(Qt::blue);
    auto image = ZQAttachedImageObject::create();
    image->setImage(plat::Image::fromQImage(pixels));
    image->setOriginalImage(plat::Image::fromQImage(pixels));
    Exs::setMetadata(*image->image(), ZSImageMetadata::create("public.png", {{"PixelWidth", qint64(8)}}));
    image->setOriginalSize({8, 4});
    image->setImageFileName("a.png");
    image->setFilePath("/tmp/a.png");
    image->setResizePercentage(75);
    image->setOriginalUpdatedDate(QDateTime::fromSecsSinceEpoch(1447400000));

    const auto decoded = archiveRoundTrip(image);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->image()->size(), QSizeF(8, 4));
    EXPECT_EQ(decoded->originalSize(), QSizeF(8, 4));
    EXPECT_EQ(decoded->imageFileName(), QStringLiteral("a.png"));
    EXPECT_TRUE(decoded->filePath().isEmpty());
    EXPECT_EQ(decoded->resizePercentage(), 75u);
    EXPECT_TRUE(decoded->resizeAssociated());
    EXPECT_EQ(decoded->originalUpdatedDate(), image->originalUpdatedDate());

    const auto copy = plat::objectCast<ZQAttachedImageObject>(image->copy());
    EXPECT_NE(copy->image(), image->image());
    EXPECT_EQ(copy->image()->qimage(), image->image()->qimage());
    ASSERT_TRUE(Exs::metadata(*copy->image()));
    EXPECT_NE(Exs::metadata(*copy->image()), Exs::metadata(*image->image()));
    EXPECT_EQ(Exs::metadata(*copy->image())->uti(), QStringLiteral("public.png"));
    EXPECT_EQ(copy->filePath(), QStringLiteral("/tmp/a.png"));
    EXPECT_EQ(copy->resizePercentage(), 75u);
}

TEST(ZQAttachedImageObject, OldArchivesWithoutResizeKeys)
{
    class OldImage : public plat::Object {
    public:
        QString className() const override { return QStringLiteral("ZQAttachedImageObject"); }
        bool supportsCoding() const override { return true; }
        void encodeWithCoder(plat::KeyedArchiver& c) const override { c.encodeString("imageTitle", "old"); }
    };
    const auto decoded = plat::objectCast<ZQAttachedImageObject>(
        plat::KeyedUnarchiver::unarchiveObject(plat::KeyedArchiver::archivedData(std::make_shared<OldImage>())));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->resizePercentage(), 0u);
    EXPECT_FALSE(decoded->resizeAssociated());
    EXPECT_EQ(decoded->resize(), QSizeF(0, 0));
    EXPECT_FALSE(decoded->originalUpdatedDate().isValid());
    EXPECT_EQ(decoded->imageTitle(), QStringLiteral("old"));
}

} // namespace
