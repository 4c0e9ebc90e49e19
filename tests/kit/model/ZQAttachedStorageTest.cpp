#include "kit/model/ZQAttachedStorage.h"

#include "platform/foundation/KeyedArchive.h"

#include "support/ArchiveRoundTrip.h"

#include <gtest/gtest.h>

namespace {

TEST(ZQAttachedStorage, ArchivesEachPayloadUnderItsKey)
{
    auto bare = ZQAttachedStorage::create();
    bare->setUuid("U");
    bare->setOwner("ZQMacroFootnote");
    const auto decodedBare = archiveRoundTrip(bare);
    ASSERT_TRUE(decodedBare);
    EXPECT_EQ(decodedBare->uuid(), QStringLiteral("U"));
    EXPECT_FALSE(decodedBare->attachedText() || decodedBare->attachedLink() || decodedBare->attachedObject());

    auto record = ZQAttachedStorage::create();
    record->setOwner("ZQFilterLink");
    auto link = ZQAttachedLinkObject::create();
    link->setLinkUrl("http://x");
    record->setAttachedLink(link);
    auto body = ZQAttachedTextObject::create();
    body->setAttributedString(plat::AttributedString(QStringLiteral("note")));
    record->setAttachedText(body);
    const auto decoded = archiveRoundTrip(record);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->attachedLink()->linkUrl(), QStringLiteral("http://x"));
    EXPECT_EQ(decoded->attachedText()->getAttributedString().string(), QStringLiteral("note"));
}

TEST(ZQAttachedStorage, CopyHoldsPayloadsOfItsOwn)
{
    auto record = ZQAttachedStorage::create();
    record->setUuid("I");
    record->setOwner("ZQMacroImage");
    auto image = ZQAttachedImageObject::create();
    image->setImageTitle("before");
    record->setAttachedObject(image);
    const auto copy = plat::objectCast<ZQAttachedStorage>(record->copy());
    ASSERT_NE(copy->attachedObject(), image);
    EXPECT_EQ(copy->attachedObject()->imageTitle(), QStringLiteral("before"));
    copy->attachedObject()->setImageTitle("after");
    EXPECT_EQ(image->imageTitle(), QStringLiteral("before"));
    EXPECT_FALSE(copy->attachedText());
    EXPECT_FALSE(copy->isEqual(*record));
}

} // namespace
