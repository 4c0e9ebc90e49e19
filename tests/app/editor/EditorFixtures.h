#pragma once
// Editors on pages made by the engine, for the editor tests.

#include "app/editor/ZQAbstractEditor.h"
#include "app/editor/ZQEditorTypeSetting.h"
#include "app/editor/ZQLayoutManager.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/UserDefaults.h"

#include "support/InstalledSettings.h"

namespace editortest {

// An editor of one type with its layout manager and typesetter, as the page
// editors set themselves up.
struct EditorStage {
    std::shared_ptr<ZSSettings> settings = installedSettings();
    ZQRender render;
    std::unique_ptr<ZQAbstractEditor> editor;
    std::shared_ptr<ZQLayoutManager> manager;

    explicit EditorStage(ZQEditorType type, QSize size = QSize(600, 400))
    {
        settings->setScaleFactor(1.0);
        editor = std::make_unique<ZQAbstractEditor>();
        editor->setEditorType(storedValue(type));
        manager = std::make_shared<ZQLayoutManager>(type);
        manager->setTypesetter(std::make_shared<ZQEditorTypeSetting>(type));
        editor->setLayoutManager(manager);
        editor->resize(size);
    }

    // The page's markup as the rich editor shows it.
    void showRich(const QString& markup)
    {
        editor->textStorage()->setAttributedString(
            render.renderMarkupToRich(plat::AttributedString(markup), false, ZQMarkupType::Markdown));
        editor->setSelectedRange(plat::Range(0, 0));
    }
    // The page's markup as the markup editor shows it.
    void showMarkup(const QString& markup)
    {
        plat::MutableAttributedString styled{plat::AttributedString(markup)};
        render.highlightMarkdown(styled);
        editor->textStorage()->setAttributedString(styled);
        editor->setSelectedRange(plat::Range(0, 0));
    }
    const QString& text() const { return editor->textStorage()->string(); }
    qsizetype indexOf(const QString& what, qsizetype from = 0) const { return text().indexOf(what, from); }
};

} // namespace editortest
