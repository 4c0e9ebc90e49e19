#include "kit/model/ZQStyles.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/AttributedString.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

const QString Footnote = QStringLiteral("ZQMacroFootnote");
const QString Image = QStringLiteral("ZQMacroImage");
const QString Link = QStringLiteral("ZQFilterLink");

ZQAttachedStoragePtr storage(const QString& owner, const QString& uuid)
{
    auto record = ZQAttachedStorage::create();
    record->setOwner(owner);
    record->setUuid(uuid);
    return record;
}

} // namespace

TEST(ZQRenderContext, CreatedStoragesCarryTheOwnersPayload)
{
    ZQRenderContext context;
    EXPECT_EQ(context.getAttachedStorageProviderNames().size(), 3);
    context.setPredefinedExternalImageUrlPrefix(QStringLiteral("https://img/"));
    const QDateTime before = QDateTime::currentDateTime();

    const auto footnote = context.createAttachedStroage(Footnote, "f1");
    EXPECT_TRUE(footnote->attachedText());
    EXPECT_FALSE(footnote->attachedObject() || footnote->attachedLink());
    const auto image = context.createAttachedStroage(Image, "i1");
    ASSERT_TRUE(image->attachedObject());
    EXPECT_GE(image->attachedObject()->originalUpdatedDate(), before);
    EXPECT_EQ(image->attachedObject()->url(), QStringLiteral("https://img/"));
    EXPECT_TRUE(context.createAttachedStroage(Link, "l1")->attachedLink());

    // Same UUID replaces; an owner without a table keeps nothing.
    context.createAttachedStroage(Footnote, "f1");
    EXPECT_EQ(context.attachedStorageCountFor(Footnote), 1);
    EXPECT_NE(context.getAttachedStorage("f1", Footnote), footnote);
    context.createAttachedStroage(QStringLiteral("ZQFilterBase"), "x");
    EXPECT_EQ(context.attachedStorageCountFor(QStringLiteral("ZQFilterBase")), 0);
    EXPECT_TRUE(context.getAttachedStorageByOwner(QStringLiteral("ZQFilterBase")).empty());
    EXPECT_EQ(context.getAllAttachedStorages().size(), 3);
}

TEST(ZQRenderContext, CopyHoldsItsOwnStorages)
{
    ZQRenderContext context;
    context.createAttachedStroage(Link, "l1")->attachedLink()->setLinkUrl("/a");
    context.setRenderTargetType(ZQRenderContext::TargetRich);
    context.setRunningMarkupType(ZQMarkupType::QuorvelMarkup);
    context.setLinkRefMap(std::make_shared<ZQLinkRefMap>());
    context.contextObject()["key"] = plat::Value("value");

    const auto copy = plat::objectCast<ZQRenderContext>(context.copy());
    const auto copied = copy->getAttachedStorage("l1", Link);
    ASSERT_TRUE(copied);
    EXPECT_NE(copied, context.getAttachedStorage("l1", Link));
    EXPECT_EQ(copied->attachedLink()->linkUrl(), QStringLiteral("/a"));
    copied->attachedLink()->setLinkUrl("/b");
    EXPECT_EQ(context.getAttachedStorage("l1", Link)->attachedLink()->linkUrl(), QStringLiteral("/a"));
    EXPECT_EQ(copy->renderTargetType(), 0u);
    EXPECT_EQ(copy->runningMarkupType(), ZQMarkupType::QuorvelMarkup);
    EXPECT_FALSE(copy->linkRefMap());
    EXPECT_EQ(copy->contextObject().at("key").toString(), QStringLiteral("value"));
}

TEST(ZQRenderContext, RemovalRestoreAndEnumeration)
{
    ZQRenderContext context;
    context.restoreAttachedStorage({storage(Footnote, "f"), storage(Image, "i"), storage(Link, "l"),
                                    storage(QStringLiteral("ZQFilterBase"), "b")});
    EXPECT_EQ(context.getAllAttachedStorages().size(), 3);

    int visited = 0;
    context.enumerateAttachedStorage([&](const ZQAttachedStoragePtr& record, bool* changed) {
        ++visited;
        if (record->owner() == Footnote) {
            record->setUuid("f2");
            *changed = true;
        }
    });
    EXPECT_EQ(visited, 3);
    EXPECT_TRUE(context.getAttachedStorage("f2", Footnote));

    context.removeAllAttachedStorage();
    EXPECT_EQ(context.attachedStorageCountFor(Image), 1);
    EXPECT_EQ(context.attachedStorageCountFor(Footnote) + context.attachedStorageCountFor(Link), 0);
    context.forceRemoveAllAttachedStorage();
    EXPECT_TRUE(context.getAllAttachedStorages().isEmpty());
}

TEST(ZQRenderContext, StoragesReferredToByText)
{
    const auto context = ZQRenderContext::initWithAttachedStorage(
        {storage(Footnote, "f"), storage(Footnote, "unused"), storage(Image, "i")});
    plat::MutableAttributedString text(QStringLiteral("a1 b1 c2 d"));
    text.addAttribute(Footnote, ZQFootnoteStyle::initWithUuid("f", 1), plat::Range(1, 1));
    text.addAttribute(Footnote, ZQFootnoteStyle::initWithUuid("f", 1), plat::Range(4, 1));
    text.addAttribute(Image, ZQImageStyle::initWithUuid("i"), plat::Range(6, 2));
    text.addAttribute(Footnote, ZQFootnoteStyle::initWithUuid("missing", 2), plat::Range(7, 1));

    const auto referred
        = context->getAttachedStoragesForContent(&text, plat::Range(0, text.length()), ZQEditorType::Rich);
    EXPECT_EQ(referred.size(), 2);
    EXPECT_TRUE(referred.contains("f") && referred.contains("i"));
    EXPECT_EQ(context->getAttachedStoragesForContent(&text, plat::Range(0, 3), ZQEditorType::Rich).keys(),
              QStringList {"f"});
    EXPECT_EQ(context->getAttachedStoragesForContent(nullptr, plat::Range(), ZQEditorType::Rich).size(), 3);
}
