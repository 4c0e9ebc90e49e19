#pragma once
// The disk steps of the library's operations (moving, removing and trashing
// page packages, space folders and linked files, and saving a new page), in
// one place so that every operation can be shown consistent with its records
// when a disk step fails: tests install a disk that fails on request.

#include "app/shell/ZQDocument.h"

#include <QString>
#include <memory>

class ZQLibraryDisk {
public:
    virtual ~ZQLibraryDisk() = default;

    // Renames from to to; the target must not exist.
    virtual bool moveItem(const QString& from, const QString& to, QString* error);
    // A file, or a folder with everything in it.
    virtual bool removeItem(const QString& path, QString* error);
    // Sends the item to the desktop's trash; never deletes it outright.
    virtual bool moveToTrash(const QString& path, QString* error);
    // A new empty file; fails when something exists at path.
    virtual bool createEmptyFile(const QString& path, QString* error);
    virtual std::optional<ZQErrorValue> saveDocument(const ZQDocumentPtr& document, const QUrl& url,
                                                     const QString& typeName, ZQDocument::SaveOperation operation);

    static std::shared_ptr<ZQLibraryDisk> shared();
    // nullptr puts the real disk back.
    static void setShared(std::shared_ptr<ZQLibraryDisk> disk);
};
