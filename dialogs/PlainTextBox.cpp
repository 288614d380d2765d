#include "PlainTextBox.h"

#include "FrameOverlay.h"

#include <QTextDocument>

#include <algorithm>

PlainTextBox::PlainTextBox(QWidget* parent) : PlainTextBox(QString(), parent) {}

PlainTextBox::PlainTextBox(const QString& text, QWidget* parent) : QPlainTextEdit(parent)
{
    setText(text);
    new FrameOverlay(this);
}

void PlainTextBox::setText(const QString& text)
{
    setPlainText(text);
    m_given = text;
    // The raw text keeps no-break spaces; its paragraph and line separators are the breaks.
    m_givenShown = document()->toRawText();
}

QString PlainTextBox::text() const
{
    const QString shown = document()->toRawText();
    if (shown == m_givenShown)
        return m_given;
    const qsizetype most = std::min(shown.size(), m_givenShown.size());
    qsizetype head = 0;
    while (head < most && shown.at(head) == m_givenShown.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < most - head &&
           shown.at(shown.size() - 1 - tail) == m_givenShown.at(m_givenShown.size() - 1 - tail))
        ++tail;
    QString changed = shown.mid(head, shown.size() - head - tail);
    changed.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    changed.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return m_given.left(givenOffset(head)) + changed +
           m_given.mid(givenOffset(m_givenShown.size() - tail));
}

// Where the given text's character that the box shows at shownIndex begins in the given text:
// the box holds a CR LF as one separator, and every other character as itself.
qsizetype PlainTextBox::givenOffset(qsizetype shownIndex) const
{
    qsizetype given = 0;
    for (qsizetype shown = 0; shown < shownIndex && given < m_given.size(); ++shown) {
        const bool crLf = m_given.at(given) == u'\r' && given + 1 < m_given.size() &&
                          m_given.at(given + 1) == u'\n';
        given += crLf ? 2 : 1;
    }
    return given;
}
