#include "TextChecks.h"

#include "clsDictionary.h"

#include <QMessageBox>
#include <QWidget>

namespace TextChecks {

bool everyTextFits(QWidget* form, const QList<BoxText>& texts)
{
    for (const BoxText& text : texts) {
        if (!clsDictionary::TextFits(text.text)) {
            refuse(form, text.box,
                   QObject::tr("This text is too long: a dictionary file holds at most 65,535 "
                               "characters in one text."));
            return false;
        }
    }
    return true;
}

bool storesExactly(QWidget* form, const BoxText& text, const QString& message)
{
    if (clsDictionary::TextStoresExactly(text.text))
        return true;
    refuse(form, text.box, message);
    return false;
}

void refuse(QWidget* form, QWidget* box, const QString& message)
{
    QMessageBox::critical(form, QObject::tr("Error"), message);
    // The window system would give the focus to another window; the user corrects the text here.
    form->activateWindow();
    box->setFocus();
}

} // namespace TextChecks
