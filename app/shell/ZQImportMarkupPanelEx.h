#pragma once
// The check box shown below the Markdown import panel: whether the images a
// page uses are imported with it. It shows the choice stored at the last
// confirmed import and stores the new one when the import is confirmed.

#include <QString>

class ZQImportMarkupPanelEx {
public:
    static QString defaultsKey() { return QStringLiteral("com.zolfarin.quorvel.ImportMDWithImages"); }
    static QString checkBoxTitle() { return QStringLiteral("Import images used in the Markdown"); }

    // Reads the stored choice from the standard user defaults.
    ZQImportMarkupPanelEx();

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked) { m_checked = checked; }
    // Stores the current state (1 or 0) and returns whether it is on.
    bool importImage();

private:
    bool m_checked = false;
};
