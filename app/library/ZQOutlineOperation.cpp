#include "app/library/ZQOutlineOperation.h"

#include "app/library/ZQLibraryRecords.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZSUtils.h"
#include "kit/render/ZQRender.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/StringWords.h"

#include <QDebug>
#include <QFile>
#include <QStringDecoder>
#include <stdexcept>

namespace {

// Every outline operation shares one render engine, whose render context is
// per-run state: the lock lets one run use it at a time, whichever queue the
// operations are on.
ZQRender& outlineRender(std::unique_lock<std::mutex>& lock)
{
    static std::mutex mutex;
    static ZQRender* const render = new ZQRender(); // never released, as other statics may still use it
    lock = std::unique_lock(mutex);
    return *render;
}

QString readUTF8File(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw std::runtime_error(QStringLiteral("%1 is not UTF-8 text").arg(path).toStdString());
    return text;
}

plat::Value archivedList(const plat::ValueList& list)
{
    QString error;
    const QByteArray data = plat::KeyedArchiver::archivedData(plat::Value(list), &error);
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
    return plat::Value(data);
}

} // namespace

std::shared_ptr<ZQOutlineOperation> ZQOutlineOperation::initWithPageUuid(const QString& pageUuid,
                                                                         const QString& spaceFolder)
{
    auto operation = std::make_shared<ZQOutlineOperation>(Passkey{}, pageUuid, spaceFolder);
    operation->setQueuePriority(plat::Operation::Low);
    return operation;
}

ZQOutlineOperation::ZQOutlineOperation(Passkey, QString pageUuid, QString spaceFolder)
    : m_pageUuid(std::move(pageUuid)), m_spaceFolder(std::move(spaceFolder))
{
}

QString ZQOutlineOperation::pageUuid() const
{
    std::lock_guard lock(m_propertyMutex);
    return m_pageUuid;
}

void ZQOutlineOperation::setPageUuid(const QString& uuid)
{
    std::lock_guard lock(m_propertyMutex);
    m_pageUuid = uuid;
}

QString ZQOutlineOperation::spaceFolder() const
{
    std::lock_guard lock(m_propertyMutex);
    return m_spaceFolder;
}

void ZQOutlineOperation::setSpaceFolder(const QString& folder)
{
    std::lock_guard lock(m_propertyMutex);
    m_spaceFolder = folder;
}

void ZQOutlineOperation::main()
{
    if (isCancelled())
        return;
    const QString uuid = pageUuid();
    const QString folder = spaceFolder();
    try {
        const plat::ManagedObjectContextPtr context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
        if (!context)
            throw std::runtime_error(QStringLiteral("no record store for %1").arg(folder).toStdString());
        plat::ManagedObjectPtr page;
        QString path;
        context->performAndWait([&] {
            page = ZSCoreDataUtil::getPageObjectByUUID(uuid, context);
            if (page && !page->valueForKey(QStringLiteral("dropboxPath")).toString().trimmed().isEmpty())
                path = ZQLibraryRecords::pageFileUrl(page).toLocalFile();
        });
        if (path.isEmpty())
            path = ZSUtils::pageUrl(uuid, folder).toLocalFile() + QStringLiteral("/main.md");

        plat::MutableAttributedString text(readUTF8File(path));
        {
            std::unique_lock<std::mutex> lock;
            ZQRender& render = outlineRender(lock);
            render.setRenderContext(std::make_shared<ZQRenderContext>());
            render.highlightMarkdown(text);
        }
        const QString& string = text.string();
        const qint64 words = plat::countWords(string);
        const qint64 characters = string.size();
        plat::MutableAttributedString headingCopy(text);
        plat::ValueList headings;
        for (const auto& heading : ZQRenderUtil::extractHeadingsFromContent(headingCopy, ZQEditorType::Markup, false))
            headings.push_back(plat::Value(plat::ObjectPtr(heading)));
        plat::MutableAttributedString tagCopy(text);
        plat::ValueList tags;
        for (const auto& tag : ZQRenderUtil::extractTags(tagCopy, ZQEditorType::Markup, false))
            tags.push_back(plat::Value(plat::ObjectPtr(tag)));
        const plat::Value outlineData = archivedList(headings);
        const plat::Value tagsData = archivedList(tags);

        if (!page || isCancelled())
            return;
        context->performAndWait([&] {
            page->setValue(plat::Value(words), QStringLiteral("wordsCount"));
            page->setValue(plat::Value(characters), QStringLiteral("charactersCount"));
            page->setValue(outlineData, QStringLiteral("outline"));
            page->setValue(tagsData, QStringLiteral("tags"));
            Exs::persist(context);
        });
    } catch (const std::exception& exception) {
        qWarning().noquote() << QStringLiteral("Exception as create outline %1").arg(QString::fromUtf8(exception.what()));
    }
}
