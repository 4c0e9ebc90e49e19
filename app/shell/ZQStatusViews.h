#pragma once
// The indicator label under the editor (word and character counts and the
// editor kind) and the message bar above it.

#include <QLabel>
#include <QLocale>
#include <QWidget>

class ZQIndicatorLabel : public QLabel {
    Q_OBJECT
public:
    explicit ZQIndicatorLabel(QWidget* parent = nullptr);

    // Callable from any thread: the text changes on the main thread, without waiting.
    void setWordCount(qint64 words, qint64 characters);
    void hideWordCount();
    void setEditorType(const QString& editorType);

    QString editorType() const { return m_editorType; }
    // "W 12,345・C 67,890・Rich", counts grouped as the locale does.
    static QString indicatorText(const QString& words, const QString& characters, const QString& editorType);

private:
    void applyWordCount(qint64 words, qint64 characters);
    void applyEditorType(const QString& editorType);

    QString m_editorType;
    QString m_wordCount = QStringLiteral("0");
    QString m_charCount = QStringLiteral("0");
    QLocale m_formatter;
};

class ZQMessageBarView : public QWidget {
    Q_OBJECT
public:
    explicit ZQMessageBarView(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_messageLabel;
};

// A help label that stands for the help item of its tag: a click posts
// "zqNotifyHLC" with the tag; a tag other than 0 shows the pointing hand.
class ZQAntiAliasField : public QLabel {
    Q_OBJECT
public:
    static QString clickedNotification() { return QStringLiteral("zqNotifyHLC"); }

    explicit ZQAntiAliasField(QWidget* parent = nullptr) : QLabel(parent) {}

    qint64 tag() const { return m_tag; }
    void setTag(qint64 tag);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    qint64 m_tag = 0;
};
