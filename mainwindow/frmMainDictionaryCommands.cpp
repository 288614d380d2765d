#include "frmMain.h"

#include "DialogExchange.h"
#include "clsDialog.h"
#include "clsDictionary.h"
#include "frmDictionary.h"

using namespace DialogExchange;

QVariantMap frmMain::runDictionaryDialog(const QVariantMap& Properties,
                                         const PendingChange& pendingChange)
{
    if (!Dialog)
        Dialog = std::make_unique<clsDialog>();
    if (!m_dictionaryForm)
        m_dictionaryForm = std::make_unique<frmDictionary>();
    return runDialog(m_dictionaryForm.get(), Properties, QString(), pendingChange);
}

void frmMain::mnuEditDictionary_Click()
{
    if (bringWaitingDialogForward())
        return;
    if (!IsPassCorrect(EnteredPassword))
        return;
    const QVariantMap properties{{txtName, Dictionary->DictionaryName()},
                                 {txtAuthor, Dictionary->DictionaryAuthor()},
                                 {txtPassword, Dictionary->DictionaryPassword()},
                                 {txtReEnterPassword, Dictionary->DictionaryPassword()}};
    const QVariantMap result = runDictionaryDialog(properties, [this](const QVariantMap& texts) {
        Dictionary->setDictionaryName(text(texts, txtName));
        Dictionary->setDictionaryAuthor(text(texts, txtAuthor));
        // A password is kept only as the dialog would confirm it: typed twice alike, and in
        // letters the file stores.
        const QString password = text(texts, txtPassword);
        if (password == text(texts, txtReEnterPassword) &&
            clsDictionary::TextStoresExactly(password))
            Dictionary->setDictionaryPassword(password);
    });
    if (!isConfirmed(result))
        return;
    Dictionary->setDictionaryName(text(result, txtName));
    Dictionary->setDictionaryAuthor(text(result, txtAuthor));
    Dictionary->setDictionaryPassword(text(result, txtPassword));
}
