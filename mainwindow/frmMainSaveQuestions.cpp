#include "frmMain.h"

#include <QFileInfo>
#include <QMessageBox>

#include "RecoveryCopy.h"
#include "YesNoBox.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"

// Every path that drops the content comes through here: New, Open and the window's close.
// Nothing can cancel them, so the only choice is whether to save first, and only No drops the
// words: a save that fails, or that the user calls off in the chooser or at one of its
// questions, brings the question back.
void frmMain::Dictionary_Closing()
{
    if (!hasUnsavedWork())
        return;
    QString target = Dictionary->FileName();
    while (askToSaveChanges()) {
        if (target.isEmpty() ? saveAs() : saveTo(target))
            return;
        // The next Yes asks where, so that the words can go to a place that works, or to another
        // file than the one another program has changed.
        target.clear();
    }
    m_recovery->discard();
}

// A dictionary that never had a file and holds no words has nothing worth keeping; one that
// belongs to a file has, even emptied: its file still holds what was there before.
bool frmMain::hasUnsavedWork() const
{
    const bool worthKeeping = Dictionary->WordCount() >= 0 || !Dictionary->FileName().isEmpty();
    return worthKeeping && Dictionary->DictionaryChanged();
}

bool frmMain::askToSaveChanges()
{
    return YesNoBox::ask(this, QMessageBox::Question, tr("Save"),
                         tr("Do you want to save the changes"));
}

// A warning before a save that the user may still call off; No is the default, so that Enter
// pressed in passing changes nothing.
bool frmMain::confirmSave(const QString& text)
{
    return YesNoBox::ask(this, QMessageBox::Warning, tr("Save"), text, QMessageBox::No);
}

// Saves to sFile once the user has agreed to what the save would lose: another program's changes
// to the dictionary's own file, or letters the file cannot hold. True when it saved.
bool frmMain::saveTo(const QString& sFile)
{
    if (Dictionary->IsOwnFile(sFile) && Dictionary->FileChangedOnDisk() &&
        !confirmSave(tr("%1 has been changed by another program. Do you want to replace it?")
                         .arg(QFileInfo(sFile).fileName())))
        return false;
    if (!Dictionary->CanStoreEveryText() &&
        !confirmSave(tr("Some characters cannot be stored in a dictionary file and will be "
                        "saved as \"?\". Do you want to save anyway?")))
        return false;
    if (Dictionary->SaveDictionary(sFile) >= 0) {
        fileChooser()->setInitialDir(QFileInfo(sFile).absolutePath());
        m_recovery->settle();
        return true;
    }
    showError(tr("Could not save dictionary"), Dictionary->FailureReason());
    return false;
}
