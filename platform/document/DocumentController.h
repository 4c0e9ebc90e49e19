#pragma once
// The registry of open documents: each is found by its address while it is
// open. One shared controller per process; the application may install its
// own subclass.

#include "platform/document/Document.h"

#include <vector>

namespace plat {

class DocumentController : public Object {
public:
    static std::shared_ptr<DocumentController> create()
    {
        return std::shared_ptr<DocumentController>(new DocumentController);
    }
    // The installed controller, else one made on first use.
    static std::shared_ptr<DocumentController> sharedDocumentController();
    // nullptr drops the installed one (a new one is made on next use).
    static void setSharedDocumentController(std::shared_ptr<DocumentController> controller);

    // Adding a document twice keeps one entry.
    void addDocument(const DocumentPtr& document);
    void removeDocument(const Document& document);
    std::vector<DocumentPtr> documents() const;
    // The open document whose address names the same item; nullptr when none.
    DocumentPtr documentForURL(const QUrl& url) const;

    QString className() const override { return QStringLiteral("DocumentController"); }

protected:
    DocumentController() = default;

private:
    mutable std::mutex m_mutex;
    std::vector<DocumentPtr> m_documents;
};

using DocumentControllerPtr = std::shared_ptr<DocumentController>;

} // namespace plat
