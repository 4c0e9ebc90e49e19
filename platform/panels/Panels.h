#pragma once
// Every alert, open panel, print panel and presented error of the program goes
// through the installed Panels object. The program installs one that shows
// widgets; tests install ScriptedPanels, which answers from a queue and records
// what was asked, so every dialog's logic runs without a person.

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace plat {

struct AlertRequest {
    enum class Style { Warning, Informational, Critical };
    QString messageText;
    QString informativeText;
    QStringList buttons; // left to right as added; the first is the default
    Style style = Style::Warning;
    QString iconName;
    // A "Do not show this message again" check box under the text.
    bool showsSuppressionButton = false;
};

// The answer of an alert: the index of the pressed button in AlertRequest::buttons.
using AlertResponse = int;

struct OpenPanelRequest {
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool canCreateDirectories = false;
    bool allowsMultipleSelection = false;
    QString prompt;
    QStringList allowedFileTypes; // extensions without the dot; empty allows any
    QUrl directoryURL;
    // A check box below the file list (empty title: none) and its state when shown.
    QString accessoryCheckBoxTitle;
    bool accessoryCheckBoxOn = false;
};

struct OpenPanelResult {
    QList<QUrl> urls;
    bool accessoryCheckBoxOn = false;
};

struct PrintPanelRequest {
    QString jobTitle;
    bool showsPaperSize = false;
    bool showsOrientation = false;
};

class Panels {
public:
    virtual ~Panels() = default;

    virtual AlertResponse runAlert(const AlertRequest& request) = 0;
    // The same, also telling whether the suppression check box was ticked
    // (never, for panels without one).
    virtual AlertResponse runAlert(const AlertRequest& request, bool* suppressionButtonOn)
    {
        if (suppressionButtonOn)
            *suppressionButtonOn = false;
        return runAlert(request);
    }
    // None when the panel was cancelled.
    virtual std::optional<OpenPanelResult> runOpenPanel(const OpenPanelRequest& request) = 0;
    // True when the user chose to print.
    virtual bool runPrintPanel(const PrintPanelRequest& request) = 0;
    // An error shown to the user on the application (no choice to make).
    virtual void presentError(const QString& description) = 0;

    // The installed panels; a ScriptedPanels that cancels everything until one is installed.
    static std::shared_ptr<Panels> current();
    // nullptr puts the cancelling default back.
    static void setCurrent(std::shared_ptr<Panels> panels);
};

// Answers from queues filled beforehand; an empty queue cancels (alerts answer
// their last button, panels are cancelled, print panels declined). Everything
// asked is recorded in order.
class ScriptedPanels final : public Panels {
public:
    void queueAlertResponse(AlertResponse response);
    // Whether the next alert's suppression check box is ticked (not ticked once the queue is empty).
    void queueSuppressionButtonOn(bool on);
    void queueOpenPanelResult(std::optional<OpenPanelResult> result);
    void queuePrintPanelAnswer(bool print);

    AlertResponse runAlert(const AlertRequest& request) override;
    AlertResponse runAlert(const AlertRequest& request, bool* suppressionButtonOn) override;
    std::optional<OpenPanelResult> runOpenPanel(const OpenPanelRequest& request) override;
    bool runPrintPanel(const PrintPanelRequest& request) override;
    void presentError(const QString& description) override;

    std::vector<AlertRequest> alerts() const;
    std::vector<OpenPanelRequest> openPanels() const;
    std::vector<PrintPanelRequest> printPanels() const;
    QStringList presentedErrors() const;

private:
    mutable std::mutex m_mutex;
    std::deque<AlertResponse> m_alertResponses;
    std::deque<bool> m_suppressionAnswers;
    std::deque<std::optional<OpenPanelResult>> m_openResults;
    std::deque<bool> m_printAnswers;
    std::vector<AlertRequest> m_alerts;
    std::vector<OpenPanelRequest> m_openPanels;
    std::vector<PrintPanelRequest> m_printPanels;
    QStringList m_errors;
};

} // namespace plat
