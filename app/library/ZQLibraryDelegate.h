#pragma once
// What the library controller and its page lists ask of the library window.
// The window overrides what it shows; every call has a default that does
// nothing, so the headless controller runs without a window.

#include "platform/document/Document.h"
#include "platform/foundation/Range.h"
#include "platform/store/ManagedObject.h"
#include "platform/text/TextStorage.h"

#include <QString>
#include <memory>

class ZQLibraryDelegate {
public:
    virtual ~ZQLibraryDelegate() = default;

    // The editor shows no page any more.
    virtual void cleanEditor() {}
    virtual void setMessageBar(const QString& message) { (void)message; }
    // The space list: select a space and start editing its title; select the row above the selection.
    virtual void selectSpace(const QString& spaceFolder, bool editTitle) { (void)spaceFolder, (void)editTitle; }
    virtual void selectPreviousSpace() {}
    // The page list's rows changed: show them again.
    virtual void reloadPageList() {}
    // A row of the page list was selected; the window opens its page.
    virtual void pageSelected(const plat::ManagedObjectPtr& page) { (void)page; }

    // The document the window's editor shows, if any; a new page may take it
    // over while it has no file yet.
    virtual plat::DocumentPtr currentDocument() const { return nullptr; }
    // The editor shown now: the markup editor or the rich one, its text and selection.
    virtual bool isMarkdownEditorVisible() const { return false; }
    virtual std::shared_ptr<plat::TextStorage> visibleEditorText() const { return nullptr; }
    virtual plat::Range visibleEditorSelection() const { return plat::Range(0, 0); }
};

using ZQLibraryDelegatePtr = std::shared_ptr<ZQLibraryDelegate>;
