#include "app/shell/ZQStatusViews.h"

#include "platform/foundation/NotificationCenter.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QMetaObject>
#include <QPainter>

ZQIndicatorLabel::ZQIndicatorLabel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QString ZQIndicatorLabel::indicatorText(const QString& words, const QString& characters, const QString& editorType)
{
    return QStringLiteral("W %1\u30FBC %2\u30FB%3").arg(words, characters, editorType);
}

void ZQIndicatorLabel::setWordCount(qint64 words, qint64 characters)
{
    QMetaObject::invokeMethod(this, [this, words, characters] { applyWordCount(words, characters); }, Qt::AutoConnection);
}

void ZQIndicatorLabel::hideWordCount()
{
    QMetaObject::invokeMethod(this, [this] { setText(m_editorType); }, Qt::AutoConnection);
}

void ZQIndicatorLabel::setEditorType(const QString& editorType)
{
    QMetaObject::invokeMethod(this, [this, editorType] { applyEditorType(editorType); }, Qt::AutoConnection);
}

void ZQIndicatorLabel::applyWordCount(qint64 words, qint64 characters)
{
    m_wordCount = m_formatter.toString(words);
    m_charCount = m_formatter.toString(characters);
    setText(indicatorText(m_wordCount, m_charCount, m_editorType));
}

void ZQIndicatorLabel::applyEditorType(const QString& editorType)
{
    m_editorType = editorType;
    setText(indicatorText(m_wordCount, m_charCount, m_editorType));
}

ZQMessageBarView::ZQMessageBarView(QWidget* parent) : QWidget(parent), m_messageLabel(new QLabel(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_messageLabel);
    QFont font(QStringLiteral("Menlo"), 14);
    font.setWeight(QFont::Thin);
    m_messageLabel->setFont(font);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    QPalette palette = m_messageLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(133, 133, 133));
    m_messageLabel->setPalette(palette);
}

void ZQMessageBarView::setMessage(const QString& message)
{
    m_messageLabel->setText(message);
}

QString ZQMessageBarView::message() const
{
    return m_messageLabel->text();
}

void ZQMessageBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(246, 246, 246, qRound(0.5 * 255)));
    painter.fillRect(QRect(0, 0, width(), 1), QColor(231, 231, 231));
}

void ZQAntiAliasField::setTag(qint64 tag)
{
    m_tag = tag;
    if (tag != 0)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void ZQAntiAliasField::mousePressEvent(QMouseEvent* event)
{
    // The click is the label's alone.
    event->accept();
    plat::NotificationCenter::defaultCenter().post(clickedNotification(), nullptr,
                                                   {{QStringLiteral("tag"), plat::Value(m_tag)}});
}
