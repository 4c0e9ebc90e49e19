#pragma once
// Computes in the background what the library keeps about a page besides its
// text (headings, tags, word and character counts) and stores it in the
// page's record, where the outline popover and the tags space read it.

#include "platform/foundation/Operation.h"

#include <QString>
#include <mutex>

class ZQOutlineOperation final : public plat::Operation {
    struct Passkey {};

public:
    // Queued at low priority, behind other work.
    static std::shared_ptr<ZQOutlineOperation> initWithPageUuid(const QString& pageUuid, const QString& spaceFolder);
    ZQOutlineOperation(Passkey, QString pageUuid, QString spaceFolder);

    QString className() const override { return QStringLiteral("ZQOutlineOperation"); }

    QString pageUuid() const;
    void setPageUuid(const QString& uuid);
    QString spaceFolder() const;
    void setSpaceFolder(const QString& folder);

    // Reads the page's text from disk, styles it with the shared render
    // engine and writes "wordsCount", "charactersCount", "outline" and "tags".
    // A failure is logged and writes nothing; so does a cancel.
    void main() override;

private:
    mutable std::mutex m_propertyMutex;
    QString m_pageUuid;
    QString m_spaceFolder;
};

using ZQOutlineOperationPtr = std::shared_ptr<ZQOutlineOperation>;
