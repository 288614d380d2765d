#include "frmMain.h"

#include <QFileInfo>
#include <QMessageBox>

#include "RecoveryCopy.h"
#include "YesNoBox.h"
#include "clsDialog.h"
#include "clsDictionary.h"

#include <algorithm>

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

// Texts the file cannot hold are left out, since a copy that holds them could not be written.
bool frmMain::keepUnsavedChangesAndTyping()
{
    if (m_pendingChange && Dialog->ShowsChanges()) {
        const QVariantMap texts = Dialog->ShownTexts();
        const bool fit = std::all_of(texts.cbegin(), texts.cend(), [](const QVariant& text) {
            return clsDictionary::TextFits(text.toString());
        });
        if (fit)
            m_pendingChange(texts);
    }
    return keepUnsavedChanges();
}
