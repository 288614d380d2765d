#pragma once

#include <QPlainTextEdit>

// A multi-line text box that gives back exactly the text it was given, but for what the user
// changed. Qt's own box hands back its normalised text: CR LF and lone CRs become LF, no-break
// spaces become spaces. Here the given text's own head and tail, as far as the box still holds
// them, come back untouched around the part the user changed, in which every character comes
// back as typed or kept and every line break as CR LF, the form the dictionaries' files use.
class PlainTextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PlainTextBox(QWidget* parent = nullptr);
    PlainTextBox(const QString& text, QWidget* parent);

    QString text() const;
    void setText(const QString& text);

private:
    qsizetype givenOffset(qsizetype shownIndex) const;

    QString m_given;
    QString m_givenShown; // the given text as the box holds it, one separator for each line break
};
