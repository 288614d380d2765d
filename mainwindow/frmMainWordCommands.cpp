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

QVariantMap frmMain::runWordDialog(const QVariantMap& Properties, const QString& Caption,
                                   const PendingChange& pendingChange)
{
    if (!Dialog)
        Dialog = std::make_unique<clsDialog>();
    if (!m_wordForm)
        m_wordForm = std::make_unique<frmWord>();
    return runDialog(m_wordForm.get(), Properties, Caption, pendingChange);
}

void frmMain::cmdAdd_Click()
{
    if (bringWaitingDialogForward())
        return;
    const auto add = [this](const QVariantMap& texts) {
        Dictionary->AddWord(text(texts, txtWord), text(texts, DialogExchange::txtDescription));
    };
    const QVariantMap result = runWordDialog(QVariantMap(), tr("Add word"), add);
    if (isConfirmed(result))
        add(result);
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
    // Each write rebuilds the list; both still go to the index taken above.
    const auto edit = [this, Index](const QVariantMap& texts) {
        Dictionary->setWordName(Index, text(texts, txtWord));
        Dictionary->setWordDescription(Index, text(texts, DialogExchange::txtDescription));
    };
    const QVariantMap result = runWordDialog(properties, tr("Edit word"), edit);
    if (isConfirmed(result))
        edit(result);
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
