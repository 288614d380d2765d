#include "frmMain.h"

#include <QFileInfo>
#include <QMessageBox>

#include "RecoveryCopy.h"
#include "YesNoBox.h"

void frmMain::offerRecovery()
{
    for (const RecoveryCopy::Leftover& copy : m_recovery->leftovers()) {
        const QString name =
            copy.fileName.isEmpty() ? tr("a new dictionary") : QFileInfo(copy.fileName).fileName();
        if (!YesNoBox::ask(this, QMessageBox::Question, tr("Recover"),
                           tr("Lexivault found unsaved changes to %1. Do you want to recover "
                              "them?")
                               .arg(name))) {
            if (!RecoveryCopy::drop(copy))
                qWarning("Lexivault: cannot delete %s", qPrintable(copy.path));
            continue;
        }
        if (m_recovery->recover(copy))
            return; // the others wait for a later start
        showError(tr("Could not open dictionary"), m_recovery->failure());
    }
}

bool frmMain::keepUnsavedChanges()
{
    return m_recovery->writeNow();
}
