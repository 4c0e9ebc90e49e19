#include "app/shell/ZQModalWindows.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ZQQuitNowWindow::ZQQuitNowWindow(const QString& title, const QString& message, const QString& detail)
    : m_quitButton(new QPushButton(QStringLiteral("Quit Now"), this)), m_message(message)
{
    setWindowTitle(title);
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* headline = new QLabel(message, this);
    QFont font = headline->font();
    font.setBold(true);
    headline->setFont(font);
    headline->setWordWrap(true);
    auto* body = new QLabel(detail, this);
    body->setWordWrap(true);
    column->addWidget(headline);
    column->addWidget(body);
    column->addWidget(m_quitButton, 0, Qt::AlignRight);
    m_quitButton->setDefault(true);
    connect(m_quitButton, &QPushButton::clicked, this, [this] { quitNow(); });
    setMinimumWidth(420);
}

QString ZQQuitNowWindow::message() const
{
    return m_message;
}

void ZQQuitNowWindow::quitNow()
{
    done(QDialog::Accepted);
    if (m_quitAction)
        m_quitAction();
    else
        QCoreApplication::quit();
}

ZQIncompatibleLibraryWindowController::ZQIncompatibleLibraryWindowController()
    : ZQQuitNowWindow(QStringLiteral("Quorvel"), QStringLiteral("This library was written by a newer Quorvel."),
                      QStringLiteral("Please install the latest version of Quorvel to open it. Nothing in the library has been changed."))
{
}

ZQTermiateWindowController::ZQTermiateWindowController()
    : ZQQuitNowWindow(QStringLiteral("Quorvel"), QStringLiteral("Quorvel is sending your latest changes."),
                      QStringLiteral("The program quits as soon as the changes are sent. Quit now to send them at the next start."))
{
}
