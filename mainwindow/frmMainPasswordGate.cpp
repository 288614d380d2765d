#include "frmMain.h"

#include <QInputDialog>
#include <QLineEdit>

#include "LineBox.h"
#include "clsDictionary.h"

namespace {

const QString kApplicationTitle = QStringLiteral("Lexivault");

} // namespace

bool frmMain::IsPassCorrect(QString& sPassword)
{
    const QString password = Dictionary->DictionaryPassword();
    if (password.isEmpty() || sPassword == password)
        return true;

    QInputDialog prompt(this);
    prompt.setWindowTitle(kApplicationTitle);
    prompt.setLabelText(tr("This dictionary is password-protected. Please state the password:"));
    prompt.setTextEchoMode(QLineEdit::Normal);
    prompt.setTextValue(QString());
    LineBox::allowAnyLength(prompt.findChild<QLineEdit*>());
    sPassword = prompt.exec() == QDialog::Accepted ? prompt.textValue() : QString();
    if (sPassword == password)
        return true;
    showError(tr("Wrong password"));
    return false;
}
