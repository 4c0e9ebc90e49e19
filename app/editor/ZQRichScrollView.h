#pragma once
// Keeps an editor's text column no wider than the line-width setting and
// centred in the editor, and announces each change of the column width. The
// editor is its own scroll view, so the column is set through its horizontal
// text inset.

#include "kit/model/ZSSettings.h"
#include "platform/foundation/Object.h"

#include <QObject>
#include <QPointer>

namespace plat {
class TextViewWidget;
}

class ZQRichScrollView : public QObject, public plat::Object {
    Q_OBJECT
public:
    static QString widthChangedNotification() { return QStringLiteral("ZQNotificationEditorWidthChanged"); }
    // The margin the column keeps from the editor's edges together.
    static constexpr double Margin = 64.0;

    // Follows the editor's size from now on; markup: the markup editor's line width applies.
    ZQRichScrollView(plat::TextViewWidget* editor, bool markup);

    // The column for document width d, line width w and scroll view width s.
    static double columnWidth(double documentWidth, double lineWidth, double scrollWidth);
    // Fits the column to the editor's width now (also after a line-width change).
    void viewFrameChanged();
    double documentWidth() const { return m_documentWidth; }

    // Room for the image panel below the text: 205 points while it shows.
    void imagePanelToShow(bool show) { m_imagePanelHeight = show ? 205 : 0; }
    quint64 imagePanelHeight() const { return m_imagePanelHeight; }

    QString className() const override { return QStringLiteral("ZQRichScrollView"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<plat::TextViewWidget> m_editor;
    bool m_markup;
    ZSSettingsPtr m_settings;
    double m_documentWidth = 0;
    quint64 m_imagePanelHeight = 0;
};
