#pragma once
// One page as an open document, in one of three file forms:
//   a page package ("mkqrv", the library's pages), read and written by the base;
//   a stand-alone page file ("qrvpage"): one keyed archive of the page's text,
//     its records, selection and theme, written and read back here;
//   any other file: external Markdown, read in whatever encoding it has and
//     written back as UTF-8 (a rich page as its markup).
// A successful save updates the full-text index, writes the managed images of
// an external page and posts "notifyPageUpdated". A plain file that another
// program changes is read again when the page has no unsaved changes.

#include "kit/model/ZQEditorTypes.h"
#include "kit/storage/ZSAbstractDocument.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>

class QFileSystemWatcher;
class QPrinter;
class ZQPageIndexer;

// Where an external Markdown page reads and writes its images.
struct ZQExternalImageOptions {
    QString loadingImagePath;
    QString assignedURLPrefix;
    qint64 imageLoadOption = 0;
};

class ZQDocument : public ZSAbstractDocument {
public:
    static QString standalonePageType() { return QStringLiteral("com.zolfarin.osx.uti.quorvel.page"); }
    static QString markdownType() { return QStringLiteral("net.daringfireball.markdown"); }
    static QString displayName() { return QStringLiteral("Quorvel"); }
    static QString pageUpdatedNotification() { return QStringLiteral("notifyPageUpdated"); }
    static QString extPageUpdatedNotification() { return QStringLiteral("zqNotifyExtPageUpdated"); }
    static QString mergedConflictNotification() { return QStringLiteral("notifyDocMergedConflict"); }
    static QString cannotOpenMessage() { return QStringLiteral("Quorvel can not open this type of file."); }

    enum class FileForm { Package, StandalonePage, ExternalMarkdown };
    // By the type name or bare extension, in any case.
    static FileForm fileFormOfType(const QString& typeName);

    // The values of the platform's save operations, as "saveOperation" carries them.
    enum class SaveOperation : quint64 { Save = 0, SaveAs = 1, SaveTo = 2, AutosaveElsewhere = 3, AutosaveInPlace = 4 };
    using SaveCompletion = std::function<void(const std::optional<ZQErrorValue>& error)>;

    enum class WindowKind { LibraryWindow, EditorWindow };

    // Configured and empty (storage type -1), with the installed index.
    static std::shared_ptr<ZQDocument> create();
    ~ZQDocument() override;

    // A new page: editor type Markup takes storage (or a new one) as its markup
    // text (type 1 or 0 as the settings' markup type says), any other type as
    // its rich text (type 2).
    void createNewDocument(ZQEditorType editorType, std::shared_ptr<plat::TextStorage> storage,
                           plat::Range selection);

    bool readFromURL(const QUrl& url, const QString& typeName, QString* error = nullptr) override;
    bool writeToURL(const QUrl& url, const QString& typeName, QString* error = nullptr) override;
    // The contents of a plain file of the type; none with the error when the
    // page cannot be made into it.
    std::optional<QByteArray> dataOfType(const QString& typeName, std::optional<ZQErrorValue>* error = nullptr);
    // Fills the document from a stand-alone page file; false, leaving the
    // document as it was, when the data is no page file.
    bool readFromData(const QByteArray& data, const QString& typeName, std::optional<ZQErrorValue>* error = nullptr);

    // Saves, then (on success only) indexes, writes managed external images
    // and posts "notifyPageUpdated" with the operation; completion may be empty.
    void saveToURL(const QUrl& url, const QString& typeName, SaveOperation operation, const SaveCompletion& completion);
    // The platform's saves (autosave included) take the same steps.
    bool saveToURL(const QUrl& url, const QString& typeName, QString* error = nullptr) override;
    bool revertToContentsOfURL(const QUrl& url, const QString& typeName, QString* error = nullptr) override;

    // Received content of this page: replaces the page on disk and in the
    // document, or (asVersion) is kept as an older version of the file.
    void mergeICloudMarkdown(const QString& markdown, const QString& metainfo, bool asVersion) override;

    // Reloads the images of an external page from folder.
    void refreshExternalImage(const QString& folder, const QString& urlPrefix);
    // Which window shows the page; an external page takes its own folder as
    // image folder here, and a plain file is watched from now on. Decided once.
    WindowKind makeWindowControllers();
    bool hasWindowController() const { return m_windowKind.has_value(); }
    bool validateMenuItem(int tag) const;

    // The file changed on disk: read it again when there are no unsaved
    // changes and the disk's copy is newer than the one this document holds.
    void presentedItemDidChange();
    // The file was deleted: the document leaves the document controller.
    void accommodatePresentedItemDeletion(const std::function<void()>& completion);
    // The watched file is gone for good: an unchanged document leaves as for a
    // deletion; one with unsaved changes stays open so that they can be saved.
    void presentedItemWasDeleted();
    // How long a watched file may be missing before it counts as deleted:
    // programs that save by deleting and writing again leave a short gap.
    static constexpr double DeletionGraceSeconds = 0.5;
    // Watches the plain file the document was read from or saved to (packages
    // are changed through the document controller, never behind its back).
    void startWatchingFile();
    void stopWatchingFile();
    void close() override;

    // Asks the print panel, then prints the page on printer; false when
    // declined or when the page cannot be printed (error says why).
    bool printOperationWithSettings(QPrinter& printer, QString* error = nullptr);

    bool isExternalAttachFolderSet() const { return m_externalAttachFolderSet > 0; }
    void setIsExternalAttachFolderSet(qint64 value) { m_externalAttachFolderSet = value; }
    const ZQExternalImageOptions& externalSpaceProperties() const { return m_externalSpaceProperties; }
    void setExternalSpaceProperties(ZQExternalImageOptions options) { m_externalSpaceProperties = std::move(options); }

    QString className() const override { return QStringLiteral("ZQDocument"); }

protected:
    ZQDocument();

private:
    // The archive of a stand-alone page file; none (the error presented) when
    // the text cannot be archived: a partial archive would lose the page.
    std::optional<QByteArray> saveSnapshot(const plat::AttributedString& storage, qint64 storageType,
                                           const std::vector<ZQAttachedStoragePtr>& attached,
                                           std::optional<ZQErrorValue>* error);
    void saveAttachmentAsExternalFile();
    bool readExternalMarkdown(const QUrl& url, QString* error);
    plat::MutableAttributedString currentText() const;
    static bool managedExternalMarkdownImages();

    std::shared_ptr<ZQPageIndexer> m_indexService;
    qint64 m_externalAttachFolderSet = 0;
    ZQExternalImageOptions m_externalSpaceProperties;
    std::optional<WindowKind> m_windowKind;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
    bool m_resolvingConflict = false;
};

using ZQDocumentPtr = std::shared_ptr<ZQDocument>;
