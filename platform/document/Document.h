#pragma once
// The platform's document: one file package on disk and the object that holds
// it while it is open. Subclasses turn their contents into a package
// (fileWrapperOfType) and back (readFromFileWrapper); the document saves
// atomically, counts unsaved changes, saves itself in place once a change has
// waited autosavingDelay seconds of Clock::current(), reverts, and is found
// by its address through the DocumentController while it is open.

#include "platform/document/DirectoryWrapper.h"
#include "platform/foundation/Clock.h"

#include <QDateTime>
#include <QUrl>
#include <functional>
#include <mutex>

namespace plat {

class Document : public Object {
public:
    enum class ChangeType { Done, Undone, Redone, Cleared };
    using Completion = std::function<void(const QString& error)>;

    ~Document() override;

    QUrl fileURL() const;
    void setFileURL(const QUrl& url);
    QString fileType() const;
    void setFileType(const QString& type);
    // When this object last read or wrote its package; invalid before.
    QDateTime fileModificationDate() const;

    // A change done or redone counts one up, undone one down; cleared (after a
    // save or revert) sets the count to 0. Edited while the count is not 0.
    void updateChangeCount(ChangeType change);
    bool isDocumentEdited() const;
    qint64 changeCount() const;

    // Subclasses: the package of the contents, or nullptr with a reason.
    virtual std::shared_ptr<DirectoryWrapper> fileWrapperOfType(const QString& typeName, QString* error) = 0;
    // Subclasses: fill the document from a package; false with a reason.
    virtual bool readFromFileWrapper(const DirectoryWrapper& package, const QString& typeName, QString* error) = 0;

    // Reads the package at url (after restoring one an interrupted save left
    // aside). The address and type are taken on success. Documents of other
    // file forms (plain files) override the four below.
    virtual bool readFromURL(const QUrl& url, const QString& typeName, QString* error = nullptr);
    // Writes the contents to url in one step; the document itself is unchanged.
    virtual bool writeToURL(const QUrl& url, const QString& typeName, QString* error = nullptr);
    // Writes to url; saved to its own address (or a first save), the document
    // takes url as its address and its changes count as saved.
    virtual bool saveToURL(const QUrl& url, const QString& typeName, QString* error = nullptr);
    // Reads the package at url again, dropping unsaved changes.
    virtual bool revertToContentsOfURL(const QUrl& url, const QString& typeName, QString* error = nullptr);

    // Seconds an unsaved change waits before the document saves itself in
    // place; 0 (the default) never saves by itself.
    double autosavingDelay() const;
    void setAutosavingDelay(double seconds);
    bool hasAutosaveScheduled() const;
    // Saves in place now when there are unsaved changes and an address;
    // completion (may be empty) gets the error, empty on success.
    void autosaveWithCompletion(const Completion& completion);
    // What a coordinated writer asks of an open document before it changes the file.
    void savePresentedItemChanges(const Completion& completion) { autosaveWithCompletion(completion); }

    // Stops autosaving and forgets the document in the document controller.
    virtual void close();

    QString className() const override { return QStringLiteral("Document"); }

protected:
    Document() = default;
    // For subclasses that read or write a plain file themselves: the address,
    // type and modification date the document now holds.
    void takeFileURL(const QUrl& url, const QString& typeName, const QDateTime& modificationDate);

private:
    void scheduleAutosave();
    void cancelAutosave();

    mutable std::recursive_mutex m_mutex;
    QUrl m_fileURL;
    QString m_fileType;
    QDateTime m_fileModificationDate;
    qint64 m_changeCount = 0;
    double m_autosavingDelay = 0;
    ClockTimerId m_autosaveTimer = 0;
    std::shared_ptr<Clock> m_autosaveClock;
};

using DocumentPtr = std::shared_ptr<Document>;

} // namespace plat
