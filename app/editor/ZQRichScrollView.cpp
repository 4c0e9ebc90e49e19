#include "app/editor/ZQRichScrollView.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/TextViewWidget.h"

#include <QEvent>
#include <algorithm>

ZQRichScrollView::ZQRichScrollView(plat::TextViewWidget* editor, bool markup)
    : m_editor(editor), m_markup(markup), m_settings(ZSSettings::sharedSettings())
{
    // The viewport is resized after the editor has laid out its scroll bars.
    if (editor)
        editor->viewport()->installEventFilter(this);
}

double ZQRichScrollView::columnWidth(double documentWidth, double lineWidth, double scrollWidth)
{
    const double room = scrollWidth - Margin;
    if (documentWidth + Margin > scrollWidth)
        return room;
    // No line width yet (settings not measured): the whole room.
    return lineWidth > 0 ? std::min(lineWidth, room) : room;
}

void ZQRichScrollView::viewFrameChanged()
{
    if (!m_editor)
        return;
    const double lineWidth =
        !m_settings ? 0 : m_markup ? m_settings->editorMarkdownLineWidth() : m_settings->editorRichLineWidth();
    const double width = std::max(0.0, columnWidth(m_documentWidth, lineWidth, m_editor->width()));
    // The inset centres the column in what the scroll bar leaves of the editor.
    const double visible = m_editor->viewport()->width() / m_editor->scaleFactor();
    const QSizeF inset = m_editor->textContainerInset();
    const double side = std::max(0.0, (visible - width) / 2);
    if (side != inset.width())
        m_editor->setTextContainerInset(QSizeF(side, inset.height()));
    if (width == m_documentWidth)
        return;
    m_documentWidth = width;
    plat::NotificationCenter::defaultCenter().post(widthChangedNotification(), shared_from_this(),
                                                   {{QStringLiteral("width"), plat::Value(width)}});
}

bool ZQRichScrollView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_editor && watched == m_editor->viewport() && event->type() == QEvent::Resize)
        viewFrameChanged();
    return QObject::eventFilter(watched, event);
}
