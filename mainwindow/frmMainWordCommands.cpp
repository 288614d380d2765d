#include "frmMain.h"

#include <QComboBox>

#include "clsDialog.h"
#include "clsDictionary.h"
#include "frmWord.h"

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
    if (result.value(QStringLiteral("Returned")).toString() != QLatin1String("OK"))
        return;
    Dictionary->AddWord(result.value(QStringLiteral("txtWord")).toString(),
                        result.value(QStringLiteral("txtDescription")).toString());
}

void frmMain::cmdEdit_Click()
{
    if (bringWaitingDialogForward())
        return;
    const qint32 Index = cmbWord->currentIndex();
    if (Index < 0 || !IsPassCorrect(EnteredPassword))
        return;
    QVariantMap properties;
    properties.insert(QStringLiteral("txtWord"), Dictionary->WordName(Index));
    properties.insert(QStringLiteral("txtDescription"), Dictionary->WordDescription(Index));
    const QVariantMap result = runWordDialog(properties, tr("Edit word"));
    if (result.value(QStringLiteral("Returned")).toString() != QLatin1String("OK"))
        return;
    // Each write rebuilds the list; both still go to the index taken above.
    Dictionary->setWordName(Index, result.value(QStringLiteral("txtWord")).toString());
    Dictionary->setWordDescription(Index,
                                   result.value(QStringLiteral("txtDescription")).toString());
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
