#pragma once

#include <QList>
#include <QString>

class QWidget;

// The checks an entry dialog makes before it confirms, so that it never hands over a text that a
// dictionary file cannot keep. A refusal shows an error over the dialog, which stays open and
// unchanged, with the focus in the box to correct.
namespace TextChecks {

// A text box and its text as the dialog would hand it over.
struct BoxText
{
    QWidget* box;
    QString text;
};

// True when every text fits a file's text (65,535 bytes as stored); otherwise refuses, with the
// focus in the first box whose text does not fit.
bool everyTextFits(QWidget* form, const QList<BoxText>& texts);

// True when the file stores every character of the text as it is; otherwise refuses with
// message, the focus in the text's box.
bool storesExactly(QWidget* form, const BoxText& text, const QString& message);

// Shows message as an error over form and gives the focus back to box.
void refuse(QWidget* form, QWidget* box, const QString& message);

} // namespace TextChecks
