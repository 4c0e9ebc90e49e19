#pragma once
// The panels the program shows on screen: message boxes for alerts and
// errors, the file dialog for open panels and the print dialog.

#include "platform/panels/Panels.h"

class ZQWidgetPanels final : public plat::Panels {
public:
    plat::AlertResponse runAlert(const plat::AlertRequest& request) override;
    plat::AlertResponse runAlert(const plat::AlertRequest& request, bool* suppressionButtonOn) override;
    std::optional<plat::OpenPanelResult> runOpenPanel(const plat::OpenPanelRequest& request) override;
    bool runPrintPanel(const plat::PrintPanelRequest& request) override;
    void presentError(const QString& description) override;
};
