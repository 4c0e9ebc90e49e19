#pragma once
// What an editor asks of the window that shows it: whether it is a
// stand-alone editor window (an external file, no page title), where a new
// page title goes, how a tags-page link opens its page, where the
// selection is recorded and which style popover shows at a selection. The window's
// controller implements it and hands itself to its editors.

#include "platform/text/AttributedString.h"

#include <QString>

class ZQStyleContextPopover;

class ZQEditorWindowLink {
public:
    virtual ~ZQEditorWindowLink() = default;

    virtual bool isEditorWindow() const = 0;
    // Only the library window takes page titles and opens pages.
    virtual void updateCurrentPageTitle(const plat::AttributedString&) {}
    virtual void openPage(const QString& /*pageUuid*/, const QString& /*spaceFolder*/) {}
    // The page shown records where its selection is.
    virtual void recordSelection(plat::Range /*range*/) {}
    // The window's style popover; none when the window shows none.
    virtual ZQStyleContextPopover* stylePopoverController() { return nullptr; }
};
