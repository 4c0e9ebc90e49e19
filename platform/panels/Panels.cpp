#include "platform/panels/Panels.h"

#include <algorithm>

namespace plat {

namespace {

std::mutex installedMutex;
std::shared_ptr<Panels> installed;

} // namespace

std::shared_ptr<Panels> Panels::current()
{
    std::lock_guard lock(installedMutex);
    if (!installed)
        installed = std::make_shared<ScriptedPanels>();
    return installed;
}

void Panels::setCurrent(std::shared_ptr<Panels> panels)
{
    std::lock_guard lock(installedMutex);
    installed = std::move(panels);
}

void ScriptedPanels::queueAlertResponse(AlertResponse response)
{
    std::lock_guard lock(m_mutex);
    m_alertResponses.push_back(response);
}

void ScriptedPanels::queueSuppressionButtonOn(bool on)
{
    std::lock_guard lock(m_mutex);
    m_suppressionAnswers.push_back(on);
}

void ScriptedPanels::queueOpenPanelResult(std::optional<OpenPanelResult> result)
{
    std::lock_guard lock(m_mutex);
    m_openResults.push_back(std::move(result));
}

void ScriptedPanels::queuePrintPanelAnswer(bool print)
{
    std::lock_guard lock(m_mutex);
    m_printAnswers.push_back(print);
}

AlertResponse ScriptedPanels::runAlert(const AlertRequest& request)
{
    return runAlert(request, nullptr);
}

AlertResponse ScriptedPanels::runAlert(const AlertRequest& request, bool* suppressionButtonOn)
{
    std::lock_guard lock(m_mutex);
    m_alerts.push_back(request);
    const bool suppressed = !m_suppressionAnswers.empty() && m_suppressionAnswers.front();
    if (!m_suppressionAnswers.empty())
        m_suppressionAnswers.pop_front();
    if (suppressionButtonOn)
        *suppressionButtonOn = request.showsSuppressionButton && suppressed;
    if (m_alertResponses.empty())
        return std::max<AlertResponse>(0, AlertResponse(request.buttons.size()) - 1);
    const AlertResponse response = m_alertResponses.front();
    m_alertResponses.pop_front();
    return response;
}

std::optional<OpenPanelResult> ScriptedPanels::runOpenPanel(const OpenPanelRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_openPanels.push_back(request);
    if (m_openResults.empty())
        return std::nullopt;
    const bool cancelled = !m_openResults.front();
    OpenPanelResult result = cancelled ? OpenPanelResult() : std::move(*m_openResults.front());
    m_openResults.pop_front();
    if (cancelled)
        return std::nullopt;
    return result;
}

bool ScriptedPanels::runPrintPanel(const PrintPanelRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_printPanels.push_back(request);
    if (m_printAnswers.empty())
        return false;
    const bool answer = m_printAnswers.front();
    m_printAnswers.pop_front();
    return answer;
}

void ScriptedPanels::presentError(const QString& description)
{
    std::lock_guard lock(m_mutex);
    m_errors.append(description);
}

std::vector<AlertRequest> ScriptedPanels::alerts() const
{
    std::lock_guard lock(m_mutex);
    return m_alerts;
}

std::vector<OpenPanelRequest> ScriptedPanels::openPanels() const
{
    std::lock_guard lock(m_mutex);
    return m_openPanels;
}

std::vector<PrintPanelRequest> ScriptedPanels::printPanels() const
{
    std::lock_guard lock(m_mutex);
    return m_printPanels;
}

QStringList ScriptedPanels::presentedErrors() const
{
    std::lock_guard lock(m_mutex);
    return m_errors;
}

} // namespace plat
