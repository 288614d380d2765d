#pragma once

#include <QPlainTextEdit>

// A multi-line text box that gives back exactly the text it was given while the user leaves it
// alone. Qt's own box hands back its normalised text: CR LF and lone CRs become LF, no-break
// spaces become spaces. Once the user has changed the text, every character comes back as
// typed or kept, and every line break as CR LF, the form the dictionaries' files use.
class PlainTextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit PlainTextBox(QWidget* parent = nullptr);
    PlainTextBox(const QString& text, QWidget* parent);

    QString text() const;
    void setText(const QString& text);

private:
    QString m_given;
    bool m_changed = false;
};
