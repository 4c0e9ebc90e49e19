#include "app/shell/ZQWidgetPanels.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

plat::AlertResponse ZQWidgetPanels::runAlert(const plat::AlertRequest& request)
{
    return runAlert(request, nullptr);
}

plat::AlertResponse ZQWidgetPanels::runAlert(const plat::AlertRequest& request, bool* suppressionButtonOn)
{
    QMessageBox box(QApplication::activeWindow());
    if (request.showsSuppressionButton)
        box.setCheckBox(new QCheckBox(QStringLiteral("Do not show this message again")));
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    switch (request.style) {
    case plat::AlertRequest::Style::Warning: box.setIcon(QMessageBox::Warning); break;
    case plat::AlertRequest::Style::Informational: box.setIcon(QMessageBox::Information); break;
    case plat::AlertRequest::Style::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    QList<QPushButton*> buttons;
    for (const QString& title : request.buttons)
        buttons << box.addButton(title, buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    if (buttons.isEmpty())
        buttons << box.addButton(QMessageBox::Ok);
    box.setDefaultButton(buttons.first());
    box.exec();
    if (suppressionButtonOn)
        *suppressionButtonOn = box.checkBox() && box.checkBox()->isChecked();
    const int index = static_cast<int>(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return index < 0 ? static_cast<int>(buttons.size()) - 1 : index;
}

std::optional<plat::OpenPanelResult> ZQWidgetPanels::runOpenPanel(const plat::OpenPanelRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(request.canChooseDirectories && !request.canChooseFiles ? QFileDialog::Directory
                       : request.allowsMultipleSelection                       ? QFileDialog::ExistingFiles
                                                                               : QFileDialog::ExistingFile);
    if (!request.prompt.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (!request.allowedFileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString& type : request.allowedFileTypes)
            patterns << QStringLiteral("*.%1").arg(type);
        dialog.setNameFilter(patterns.join(u' '));
    }
    if (request.directoryURL.isValid())
        dialog.setDirectoryUrl(request.directoryURL);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    plat::OpenPanelResult result;
    result.urls = dialog.selectedUrls();
    result.accessoryCheckBoxOn = request.accessoryCheckBoxOn;
    return result;
}

bool ZQWidgetPanels::runPrintPanel(const plat::PrintPanelRequest& request)
{
    QPrinter printer;
    printer.setDocName(request.jobTitle);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

void ZQWidgetPanels::presentError(const QString& description)
{
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Quorvel"), description);
}
