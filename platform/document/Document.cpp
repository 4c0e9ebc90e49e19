#include "platform/document/Document.h"

#include "platform/document/AtomicPackage.h"
#include "platform/document/DocumentController.h"
#include "platform/document/FileVersion.h"
#include "platform/foundation/Dispatch.h"

#include <QFileInfo>

namespace plat {

Document::~Document()
{
    cancelAutosave();
}

QUrl Document::fileURL() const
{
    std::lock_guard lock(m_mutex);
    return m_fileURL;
}

void Document::setFileURL(const QUrl& url)
{
    std::lock_guard lock(m_mutex);
    m_fileURL = url;
}

QString Document::fileType() const
{
    std::lock_guard lock(m_mutex);
    return m_fileType;
}

void Document::setFileType(const QString& type)
{
    std::lock_guard lock(m_mutex);
    m_fileType = type;
}

QDateTime Document::fileModificationDate() const
{
    std::lock_guard lock(m_mutex);
    return m_fileModificationDate;
}

void Document::updateChangeCount(ChangeType change)
{
    std::lock_guard lock(m_mutex);
    switch (change) {
    case ChangeType::Done:
    case ChangeType::Redone:
        ++m_changeCount;
        break;
    case ChangeType::Undone:
        --m_changeCount;
        break;
    case ChangeType::Cleared:
        m_changeCount = 0;
        break;
    }
    if (m_changeCount != 0)
        scheduleAutosave();
    else
        cancelAutosave();
}

bool Document::isDocumentEdited() const
{
    std::lock_guard lock(m_mutex);
    return m_changeCount != 0;
}

qint64 Document::changeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_changeCount;
}

bool Document::readFromURL(const QUrl& url, const QString& typeName, QString* error)
{
    const QString path = normalizedItemPath(url);
    recoverInterruptedPackageSave(path);
    const DirectoryWrapperPtr package = DirectoryWrapper::readFromPath(path, error);
    if (!package || !readFromFileWrapper(*package, typeName, error))
        return false;
    std::lock_guard lock(m_mutex);
    m_fileURL = url;
    m_fileType = typeName;
    m_fileModificationDate = QFileInfo(path).lastModified();
    return true;
}

void Document::takeFileURL(const QUrl& url, const QString& typeName, const QDateTime& modificationDate)
{
    std::lock_guard lock(m_mutex);
    m_fileURL = url;
    m_fileType = typeName;
    m_fileModificationDate = modificationDate;
}

bool Document::writeToURL(const QUrl& url, const QString& typeName, QString* error)
{
    const DirectoryWrapperPtr package = fileWrapperOfType(typeName, error);
    if (!package)
        return false;
    return writePackageAtomically(normalizedItemPath(url), *package, error);
}

bool Document::saveToURL(const QUrl& url, const QString& typeName, QString* error)
{
    std::lock_guard lock(m_mutex);
    const qint64 countAtStart = m_changeCount;
    if (!writeToURL(url, typeName, error))
        return false;
    if (m_fileURL.isEmpty() || normalizedItemPath(m_fileURL) == normalizedItemPath(url)) {
        m_fileURL = url;
        m_fileType = typeName;
        m_fileModificationDate = QFileInfo(normalizedItemPath(url)).lastModified();
        // Changes made while writing stay unsaved.
        m_changeCount -= countAtStart;
        if (m_changeCount == 0)
            cancelAutosave();
    }
    return true;
}

bool Document::revertToContentsOfURL(const QUrl& url, const QString& typeName, QString* error)
{
    std::lock_guard lock(m_mutex);
    if (!readFromURL(url, typeName, error))
        return false;
    updateChangeCount(ChangeType::Cleared);
    return true;
}

double Document::autosavingDelay() const
{
    std::lock_guard lock(m_mutex);
    return m_autosavingDelay;
}

void Document::setAutosavingDelay(double seconds)
{
    std::lock_guard lock(m_mutex);
    m_autosavingDelay = seconds;
    cancelAutosave();
    if (m_changeCount != 0)
        scheduleAutosave();
}

bool Document::hasAutosaveScheduled() const
{
    std::lock_guard lock(m_mutex);
    return m_autosaveTimer != 0;
}

void Document::autosaveWithCompletion(const Completion& completion)
{
    QString error;
    {
        std::lock_guard lock(m_mutex);
        cancelAutosave();
        if (m_changeCount != 0 && !m_fileURL.isEmpty()) {
            if (!saveToURL(m_fileURL, m_fileType, &error) && m_changeCount != 0)
                scheduleAutosave(); // tries again after the next delay
        }
    }
    if (completion)
        completion(error);
}

void Document::close()
{
    cancelAutosave();
    DocumentController::sharedDocumentController()->removeDocument(*this);
}

void Document::scheduleAutosave()
{
    if (m_autosavingDelay <= 0 || m_autosaveTimer != 0)
        return;
    m_autosaveClock = Clock::current();
    const std::weak_ptr<Object> weak = weak_from_this();
    m_autosaveTimer = m_autosaveClock->schedule(m_autosaveClock->now() + m_autosavingDelay, DispatchQueue::main(), [weak] {
        if (const auto self = std::static_pointer_cast<Document>(weak.lock())) {
            {
                std::lock_guard lock(self->m_mutex);
                self->m_autosaveTimer = 0;
            }
            self->autosaveWithCompletion(nullptr);
        }
    });
}

void Document::cancelAutosave()
{
    std::lock_guard lock(m_mutex);
    if (m_autosaveTimer != 0 && m_autosaveClock)
        m_autosaveClock->cancel(m_autosaveTimer);
    m_autosaveTimer = 0;
}

} // namespace plat
