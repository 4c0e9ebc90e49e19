#pragma once
// What the document controller asks of the library window: the space shown,
// the import of a page's text into a space, and the commands that belong to
// the space and page lists. The library window implements it and hands itself
// to the document controller when it is made.

#include "kit/foundation/ZQErrorValue.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/text/TextStorage.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class ZQLibraryWindowLink {
public:
    virtual ~ZQLibraryWindowLink() = default;

    virtual bool isKeyWindow() const = 0;
    virtual void makeKeyAndOrderFront() = 0;

    // The folder of the space whose page is open (empty when none), the root
    // folder of the shown space, and the page open in it.
    virtual QString openSpaceFolder() const = 0;
    virtual QString rootSpaceFolder() const = 0;
    virtual QString openPageUuid() const = 0;
    virtual QString firstWritableSpaceFolder() const = 0;
    virtual void openSpace(const QString& spaceFolder) = 0;
    virtual bool isMarkdownEditorVisible() const = 0;

    // A page made in the shown space: the window shows it and gives its editor the focus.
    virtual void showCreatedPage(const QString& pageUuid, const QString& spaceFolder) = 0;
    // The page open in the trash goes back where it came from.
    virtual void putbackPage(const QString& pageUuid) = 0;
    virtual std::optional<ZQErrorValue> createSpace(const QString& title) = 0;
    virtual void linkFolder(const QUrl& folder) = 0;

    struct ImportResult {
        // Image records whose files were not found in scanImagePath.
        std::vector<ZQAttachedStoragePtr> pendingImages;
        // The page's rich text when the rich editor is shown, else none.
        std::shared_ptr<plat::TextStorage> richContent;
    };
    // Imports text as a new page of the space, looking for its images in scanImagePath.
    virtual ImportResult importMarkdown(const QString& markdown, const QString& scanImagePath, const QString& toSpace) = 0;
    // Shows the images found later in the rich text of the imported page.
    virtual void updateImageRichContent(const std::shared_ptr<plat::TextStorage>& richContent,
                                        const QHash<QString, ZQAttachedImageObjectPtr>& updatedImages) = 0;
};
