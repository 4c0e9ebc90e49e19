#include "app/library/ZQTagsService.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQPageLink.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Url.h"
#include "platform/store/Date.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/Predicate.h"
#include "platform/text/AttributeRuns.h"
#include "platform/text/AttributedText.h"

namespace {

const QString kTagsNode = QStringLiteral("Node");

// A record's text field, stored as plain or attributed text.
QString plainTextOf(const plat::Value& value)
{
    if (const auto text = value.toObject<plat::AttributedText>())
        return text->text().string();
    return value.toString();
}

std::vector<ZQDocumentTagPtr> unarchivedTags(const plat::Value& value)
{
    std::vector<ZQDocumentTagPtr> tags;
    const QByteArray data = value.toData();
    if (data.isEmpty())
        return tags;
    const auto list = plat::KeyedUnarchiver::unarchiveValue(data);
    if (!list || !list->isList())
        return tags;
    for (const plat::Value& item : list->toList())
        if (auto tag = item.toObject<ZQDocumentTag>())
            tags.push_back(std::move(tag));
    return tags;
}

} // namespace

// --- ZQPageTag ---

ZQPageTag::ZQPageTag(QString tagName) : m_tagName(std::move(tagName)), m_tagUuid(ZSUtils::uuid()) {}

std::shared_ptr<ZQPageTag> ZQPageTag::initWithTagName(const QString& tagName)
{
    return std::make_shared<ZQPageTag>(tagName);
}

void ZQPageTag::addPage(const QString& pageUuid, const QString& pageTitle, const QString& spaceName,
                        const QString& spaceFolder)
{
    m_pageLists.push_back(PageEntry{pageUuid, pageTitle, spaceName, spaceFolder});
    ++m_pageCount;
    if (m_spaceFolders.insert(spaceFolder).second)
        ++m_spaceCount;
}

QString ZQPageTag::countsLine() const
{
    return QStringLiteral("%1 page%2 tagged in %3 space%4")
        .arg(m_pageCount)
        .arg(m_pageCount >= 2 ? QStringLiteral("s") : QString())
        .arg(m_spaceCount)
        .arg(m_spaceCount >= 2 ? QStringLiteral("s") : QString());
}

// --- ZQPageTagContainer ---

ZQPageTagContainer::ZQPageTagContainer() : m_settings(ZSSettings::sharedSettings()) {}

QString ZQPageTagContainer::tagKey(const QString& tagText)
{
    return ZQShared::asLinkLabel(tagText).toUpper();
}

void ZQPageTagContainer::addPageTags(const std::vector<ZQDocumentTagPtr>& tags, const QString& spaceName,
                                     const QString& pageTitle, const QString& spaceFolder, const QString& pageUuid)
{
    for (const ZQDocumentTagPtr& tag : tags) {
        if (!tag)
            continue;
        // Most texts recur across pages: their key is made once.
        ZQPageTag*& cached = m_tagsByText[tag->tagText()];
        if (!cached) {
            const QString key = tagKey(tag->tagText());
            ZQPageTagPtr& entry = m_tags[key];
            if (!entry)
                entry = ZQPageTag::initWithTagName(key);
            cached = entry.get();
        }
        cached->addPage(pageUuid, pageTitle, spaceName, spaceFolder);
    }
}

std::vector<ZQPageTagPtr> ZQPageTagContainer::getTagsWithOutlineTitle(bool withOutlineTitle)
{
    // The map orders its keys by UTF-16 code units: the plain comparison.
    std::vector<ZQPageTagPtr> sorted;
    sorted.reserve(m_tags.size());
    for (const auto& [key, tag] : m_tags)
        sorted.push_back(tag);
    if (!withOutlineTitle)
        return sorted;
    const plat::Attributes titleAttributes = m_settings ? m_settings->outlineTitleAttribute() : plat::Attributes();
    const plat::Attributes bodyAttributes = m_settings ? m_settings->outlineBodyAttribute() : plat::Attributes();
    for (const ZQPageTagPtr& tag : sorted) {
        plat::MutableAttributedString title(tag->tagName(), titleAttributes);
        title.append(plat::AttributedString(QStringLiteral("\n"), titleAttributes));
        title.append(plat::AttributedString(tag->countsLine(), bodyAttributes));
        tag->setTitle(std::move(title));
    }
    return sorted;
}

// --- ZQTagsService ---

ZQTagsService::ZQTagsService()
    : m_container(std::make_shared<ZQPageTagContainer>()),
      m_settings(ZSSettings::sharedSettings()),
      m_textTheme(ZSTextTheme::sharedTheme()),
      m_highlighter(&ZQHighlighter::sharedHighlighter())
{
}

plat::AttributedString ZQTagsService::rebuildTagTree()
{
    m_container = std::make_shared<ZQPageTagContainer>();
    const auto coreData = ZSCoreData::sharedCoredData();
    const auto spaces = coreData->spaceObjectContext()->executeFetchRequest(
        plat::FetchRequest(QStringLiteral("Space"), plat::Predicate::withFormat(QStringLiteral("isSystem!=YES"))));
    for (const plat::ManagedObjectPtr& space : spaces.value_or(std::vector<plat::ManagedObjectPtr>())) {
        if (ZQLibraryRecords::liesInTrash(ZQLibraryRecords::parentOf(space)))
            continue;
        const QString folder = space->valueForKey(QStringLiteral("folder")).toString();
        const QString spaceTitle = plainTextOf(space->valueForKey(QStringLiteral("title")));
        const auto context = coreData->pageObjectContext(folder);
        if (!context)
            continue;
        const auto pages = context->executeFetchRequest(
            plat::FetchRequest(kTagsNode, plat::Predicate::withFormat(QStringLiteral("tags!=nil"))));
        for (const plat::ManagedObjectPtr& page : pages.value_or(std::vector<plat::ManagedObjectPtr>())) {
            const std::vector<ZQDocumentTagPtr> tags = unarchivedTags(page->valueForKey(QStringLiteral("tags")));
            if (tags.empty())
                continue;
            const plat::Value title = page->valueForKey(QStringLiteral("title"));
            QString pageTitle;
            if (const auto text = title.toObject<plat::AttributedText>())
                pageTitle = ZQRenderUtil::extractTitleFromOutlineTitle(plat::MutableAttributedString(text->text()));
            else
                pageTitle = ZQRenderUtil::extractTitleFromOutlineTitle(plat::AttributedString(title.toString()));
            m_container->addPageTags(tags, spaceTitle, pageTitle, folder, page->valueForKey(QStringLiteral("uuid")).toString());
        }
    }

    const auto tagsContext = coreData->pageObjectContext(ZQSpaceFolder::tags());
    if (tagsContext) {
        for (const plat::ManagedObjectPtr& row :
             tagsContext->executeFetchRequest(plat::FetchRequest(kTagsNode)).value_or(std::vector<plat::ManagedObjectPtr>()))
            tagsContext->deleteObject(row);
    }
    const auto now = plat::Date::now();
    const std::vector<ZQPageTagPtr> tags = m_container->getTagsWithOutlineTitle(true);
    plat::AttributedString page = buildTagsPage(tags);
    if (!tagsContext)
        return page;
    qint64 sortIndex = 0;
    for (const ZQPageTagPtr& tag : tags) {
        const plat::ManagedObjectPtr row = tagsContext->insertNewObject(kTagsNode);
        row->setValue(plat::Value(plat::AttributedText::create(tag->title())), QStringLiteral("title"));
        row->setValue(plat::Value(plat::toString(tag->tagRange())), QStringLiteral("uuid"));
        row->setValue(plat::Value(ZQSpaceFolder::tags()), QStringLiteral("spaceFolder"));
        row->setValue(plat::Value(qint64(1)), QStringLiteral("type"));
        row->setValue(plat::Value(now), QStringLiteral("createdDate"));
        row->setValue(plat::Value(now), QStringLiteral("modifiedDate"));
        row->setValue(plat::Value(sortIndex++), QStringLiteral("sortIndex"));
    }
    Exs::persistAndWait(tagsContext);
    return page;
}

plat::AttributedString ZQTagsService::buildTagsPage(const std::vector<ZQPageTagPtr>& tags)
{
    const plat::Attributes base = m_settings ? m_settings->defaultTypingAttribute(ZQEditorType::Rich) : plat::Attributes();
    // What every page link shares, made once; each link adds its address and tool tip.
    plat::Attributes linkBase = base;
    if (const plat::ColorPtr linkColor = m_textTheme ? m_textTheme->richAutolinkColor() : nullptr)
        linkBase.set(plat::ForegroundColorAttribute, plat::Value(linkColor));
    linkBase.set(ZQAttr::Autolink, plat::Value(QStringLiteral("TagLink")));
    linkBase.set(plat::UnderlineAttribute, plat::Value(qint64(1)));
    // Held in advance so that setting them per link replaces in place rather than growing a copy.
    linkBase.set(plat::LinkAttribute, plat::Value(QString()));
    linkBase.set(plat::ToolTipAttribute, plat::Value(QString()));

    // The text and its runs are laid end to end and given to the page at once:
    // appending piece by piece splices the page's runs again for every piece.
    QString text;
    std::vector<plat::AttributeRun> runs;
    bool lastRunIsBase = false;
    const auto addBase = [&](const QString& piece) {
        text += piece;
        if (lastRunIsBase)
            runs.back().length += piece.size();
        else
            runs.push_back(plat::AttributeRun{piece.size(), base});
        lastRunIsBase = true;
    };
    const auto add = [&](const QString& piece, plat::Attributes attributes) {
        if (piece.isEmpty())
            return;
        text += piece;
        runs.push_back(plat::AttributeRun{piece.size(), std::move(attributes)});
        lastRunIsBase = false;
    };
    const QString lineBreak = QStringLiteral("\n");
    for (const ZQPageTagPtr& tag : tags) {
        tag->setTagRange(plat::Range(text.size(), tag->tagName().size()));
        add(tag->tagName(), m_highlighter->headingRich(1, tag->tagUuid(), 0));
        for (const ZQPageTag::PageEntry& entry : tag->pageLists()) {
            addBase(lineBreak);
            plat::Attributes link = linkBase;
            link.set(plat::LinkAttribute, plat::Value(plat::Url::fromString(ZQPageLink::addressForPage(entry.uuid, entry.sfolder))));
            link.set(plat::ToolTipAttribute, plat::Value(QStringLiteral("Open page ") + entry.title + QStringLiteral(" in ") + entry.sname));
            add(entry.title, std::move(link));
            addBase(QStringLiteral(" in ") + entry.sname + QLatin1Char('.'));
        }
        addBase(lineBreak + lineBreak);
    }
    plat::MutableAttributedString page(text);
    page.setAttributeRuns(runs);
    return page;
}
