#include "frmMain.h"

#include <QComboBox>

#include "DialogExchange.h"
#include "clsDialog.h"
#include "clsDictionary.h"
#include "frmWord.h"

// The main window has a txtDescription of its own: the dialog's is named in full.
using DialogExchange::isConfirmed;
using DialogExchange::text;
using DialogExchange::txtWord;

QVariantMap frmMain::runWordDialog(const QVariantMap& Properties, const QString& Caption)
{
    if (!Dialog)
        Dialog = std::make_unique<clsDialog>();
    if (!m_wordForm)
        m_wordForm = std::make_unique<frmWord>();
    return runDialog(m_wordForm.get(), Properties, Caption);
}

void frmMain::cmdAdd_Click()
{
    if (bringWaitingDialogForward())
        return;
    const QVariantMap result = runWordDialog(QVariantMap(), tr("Add word"));
    if (!isConfirmed(result))
        return;
    Dictionary->AddWord(text(result, txtWord), text(result, DialogExchange::txtDescription));
}

void frmMain::cmdEdit_Click()
{
    if (bringWaitingDialogForward())
        return;
    const qint32 Index = cmbWord->currentIndex();
    if (Index < 0 || !IsPassCorrect(EnteredPassword))
        return;
    const QVariantMap properties{
        {txtWord, Dictionary->WordName(Index)},
        {DialogExchange::txtDescription, Dictionary->WordDescription(Index)}};
    const QVariantMap result = runWordDialog(properties, tr("Edit word"));
    if (!isConfirmed(result))
        return;
    // Each write rebuilds the list; both still go to the index taken above.
    Dictionary->setWordName(Index, text(result, txtWord));
    Dictionary->setWordDescription(Index, text(result, DialogExchange::txtDescription));
}

void frmMain::cmdDelete_Click()
{
    if (bringWaitingDialogForward())
        return;
    const qint32 Index = cmbWord->currentIndex();
    if (Index < 0 || !IsPassCorrect(EnteredPassword))
        return;
    Dictionary->DeleteWord(Index);
}
