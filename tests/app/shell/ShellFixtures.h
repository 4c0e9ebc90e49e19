#pragma once
// Scripted panels, a recording index and pages for the shell's tests.

#include "app/shell/ZQDocument.h"
#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQPageIndexer.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/panels/Panels.h"

#include "support/InstalledSettings.h"

#include <QFile>
#include <vector>

namespace shell {

class RecordingIndexer final : public ZQPageIndexer {
public:
    struct Entry {
        QUrl url;
        QString title;
        QString text;
    };
    void updatePage(const QUrl& fileUrl, const QString& title, const QString& text) override
    {
        updated.push_back({fileUrl, title, text});
    }
    void removePage(const QUrl& fileUrl) override { removed.push_back(fileUrl); }
    std::vector<Entry> updated;
    std::vector<QUrl> removed;
};

// Installs settings, scripted panels (errors presented through them) and a
// recording index for one test.
struct ShellEnvironment {
    std::shared_ptr<plat::ScriptedPanels> panels = std::make_shared<plat::ScriptedPanels>();
    std::shared_ptr<RecordingIndexer> index = std::make_shared<RecordingIndexer>();
    ShellEnvironment()
    {
        installedSettings();
        plat::Panels::setCurrent(panels);
        ZQPageIndexer::setShared(index);
        ZQDocumentController::installPanelErrorPresentation();
    }
    ~ShellEnvironment()
    {
        plat::Panels::setCurrent(nullptr);
        ZQPageIndexer::setShared(nullptr);
    }
};

// Sets a boolean default for the scope and puts the old value back.
class ScopedBoolDefault {
public:
    ScopedBoolDefault(const QString& key, bool value) : m_key(key)
    {
        const auto defaults = plat::UserDefaults::standardUserDefaults();
        m_old = defaults->boolForKey(key);
        defaults->setBool(value, key);
    }
    ~ScopedBoolDefault() { plat::UserDefaults::standardUserDefaults()->setBool(m_old, m_key); }

private:
    QString m_key;
    bool m_old = false;
};

inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

// A new page as the library makes one: markup (type 0) or rich (type 2) from
// markup text, its records in the page's own render context.
inline ZQDocumentPtr newPage(bool rich, const QString& markup)
{
    ZQDocumentPtr doc = ZQDocument::create();
    doc->createNewDocument(rich ? ZQEditorType::Rich : ZQEditorType::Markup, nullptr, plat::Range(2, 3));
    if (rich) {
        doc->richTextStorage()->setAttributedString(doc->markupRender()->renderMarkupToRich(plat::AttributedString(markup)));
    } else {
        plat::MutableAttributedString styled{plat::AttributedString(markup)};
        doc->markupRender()->highlightMarkdown(styled);
        doc->markupTextStorage()->setAttributedString(styled);
    }
    return doc;
}

inline QString pageText(const ZQDocument& doc)
{
    return doc.storageType() == 2 ? doc.richTextStorage()->string() : doc.markupTextStorage()->string();
}

} // namespace shell
