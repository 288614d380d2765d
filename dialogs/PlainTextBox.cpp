#include "PlainTextBox.h"

#include <QTextDocument>

PlainTextBox::PlainTextBox(QWidget* parent) : PlainTextBox(QString(), parent) {}

PlainTextBox::PlainTextBox(const QString& text, QWidget* parent) : QPlainTextEdit(parent)
{
    setText(text);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { m_changed = true; });
}

void PlainTextBox::setText(const QString& text)
{
    setPlainText(text);
    m_given = text;
    m_changed = false;
}

QString PlainTextBox::text() const
{
    if (!m_changed)
        return m_given;
    // The raw text keeps no-break spaces; its paragraph and line separators are the breaks.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}
