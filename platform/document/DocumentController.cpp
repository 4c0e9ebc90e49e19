#include "platform/document/DocumentController.h"

#include "platform/document/FileVersion.h"

#include <algorithm>

namespace plat {

namespace {

std::mutex g_sharedMutex;
std::shared_ptr<DocumentController> g_shared;

} // namespace

std::shared_ptr<DocumentController> DocumentController::sharedDocumentController()
{
    std::lock_guard lock(g_sharedMutex);
    if (!g_shared)
        g_shared = create();
    return g_shared;
}

void DocumentController::setSharedDocumentController(std::shared_ptr<DocumentController> controller)
{
    std::lock_guard lock(g_sharedMutex);
    g_shared = std::move(controller);
}

void DocumentController::addDocument(const DocumentPtr& document)
{
    if (!document)
        return;
    std::lock_guard lock(m_mutex);
    if (std::find(m_documents.begin(), m_documents.end(), document) == m_documents.end())
        m_documents.push_back(document);
}

void DocumentController::removeDocument(const Document& document)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_documents, [&](const DocumentPtr& open) { return open.get() == &document; });
}

std::vector<DocumentPtr> DocumentController::documents() const
{
    std::lock_guard lock(m_mutex);
    return m_documents;
}

DocumentPtr DocumentController::documentForURL(const QUrl& url) const
{
    const QString path = normalizedItemPath(url);
    if (path.isEmpty())
        return nullptr;
    std::lock_guard lock(m_mutex);
    for (const DocumentPtr& document : m_documents) {
        if (normalizedItemPath(document->fileURL()) == path)
            return document;
    }
    return nullptr;
}

} // namespace plat
