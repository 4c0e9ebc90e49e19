#pragma once
// Reads a page that is not open straight from disk for preview and export:
// its Markdown text and the image storages a render context can be built
// over. A library page gives "main.md" and the images its "main.json"
// describes; a linked-folder page gives its file and the images its links
// name, loaded relative to the space's image folder.

#include "kit/model/ZQAttachedStorage.h"
#include "platform/store/ManagedObject.h"

#include <QString>
#include <optional>
#include <vector>

class ZQRender;

struct ZQLinkedImageOptions {
    // Empty: the folder of the page's file.
    QString loadingImagePath;
    QString assignedURLPrefix;
};

class ZQPageExportReader {
public:
    ZQPageExportReader() = delete;

    // The text, none when it cannot be read; the images found are appended
    // either way. markupRender finds a linked page's image links.
    static std::optional<QString> readMarkdown(const plat::ManagedObjectPtr& page,
                                               std::vector<ZQAttachedStoragePtr>& attachedStorages,
                                               ZQRender& markupRender, const ZQLinkedImageOptions& linkedOptions = {});
};
