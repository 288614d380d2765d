#include "frmMain.h"

#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>

#include "RecoveryCopy.h"
#include "YesNoBox.h"
#include "clsDialog.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"
#include "frmDictionary.h"

namespace {

QString dictionaryFilter()
{
    return QStringLiteral("Dictionary database (*.dyb)") + QChar(0) + QStringLiteral("*.dyb");
}

bool isConfirmed(const QVariantMap& result)
{
    return result.value(QStringLiteral("Returned")).toString() == QLatin1String("OK");
}

QString text(const QVariantMap& result, const char* name)
{
    return result.value(QString::fromLatin1(name)).toString();
}

} // namespace

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

void frmMain::offerRecovery()
{
    for (const RecoveryCopy::Leftover& copy : m_recovery->leftovers()) {
        const QString name = copy.fileName.isEmpty() ? tr("a new dictionary")
                                                     : QFileInfo(copy.fileName).fileName();
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

bool frmMain::saveAs()
{
    fileChooser()->SaveFile(this, tr("Save dictionary"));
    QString file = OpenSave->File();
    if (OpenSave->PathTooLong())
        showError(tr("Could not save dictionary"), pathTooLong());
    if (file.isEmpty())
        return false;
    if (file.right(4).toLower() != QLatin1String(".dyb")) {
        file += QLatin1String(".dyb");
        OpenSave->setFile(file);
    }
    if (clsDictionary::IsExistingFile(file) && !Dictionary->IsOwnFile(file) &&
        !confirmSave(
            tr("%1 already exists. Do you want to replace it?").arg(QFileInfo(file).fileName())))
        return false;
    return saveTo(file);
}

QString frmMain::pathTooLong() const
{
    return tr("This path is longer than the file system allows (%1 characters).")
        .arg(QLocale().toString(OpenSave->MaxFile() - 1));
}

clsOpenSave* frmMain::fileChooser()
{
    if (!OpenSave)
        OpenSave = std::make_unique<clsOpenSave>();
    OpenSave->setFilter(dictionaryFilter());
    return OpenSave.get();
}

QVariantMap frmMain::runDictionaryDialog(const QVariantMap& Properties)
{
    if (!Dialog)
        Dialog = std::make_unique<clsDialog>();
    if (!m_dictionaryForm)
        m_dictionaryForm = std::make_unique<frmDictionary>();
    return runDialog(m_dictionaryForm.get(), Properties, QString());
}

void frmMain::mnuNewDictionary_Click()
{
    if (bringWaitingDialogForward())
        return;
    const QVariantMap result = runDictionaryDialog(QVariantMap());
    if (!isConfirmed(result))
        return;
    Dictionary->CreateDictionary(text(result, "txtPassword"), text(result, "txtAuthor"),
                                 text(result, "txtName"));
}

void frmMain::mnuOpenDictionary_Click()
{
    if (bringWaitingDialogForward())
        return;
    fileChooser()->OpenFile(this, tr("Open dictionary"));
    const QString file = OpenSave->File();
    if (OpenSave->PathTooLong())
        showError(tr("Could not open dictionary"), pathTooLong());
    if (file.isEmpty())
        return;
    Dictionary_Closing();
    openFile(file);
}

// Opens a file that the desktop hands over: the one named on the command line, or one that
// Finder sends while the program runs. Unsaved changes are offered for saving first, as Open
// offers them; at start there are none.
void frmMain::openFromDesktop(const QString& sFile)
{
    if (bringWaitingDialogForward())
        return;
    Dictionary_Closing();
    openFile(QFileInfo(sFile).absoluteFilePath());
}

void frmMain::openFile(const QString& sFile)
{
    // A failed open leaves the document as it was, so the current dictionary stays, and so do
    // its unsaved changes, should the user have dropped them for the file that did not open.
    if (Dictionary->OpenDictionary(sFile) < 0) {
        showError(tr("Could not open dictionary"), Dictionary->FailureReason());
        m_recovery->settle();
    } else {
        fileChooser()->setInitialDir(QFileInfo(sFile).absolutePath());
    }
}

void frmMain::mnuSave_Click()
{
    if (Dictionary->FileName().isEmpty())
        saveAs();
    else
        saveTo(Dictionary->FileName());
}

void frmMain::mnuSaveAs_Click()
{
    saveAs();
}

void frmMain::mnuEditDictionary_Click()
{
    if (bringWaitingDialogForward())
        return;
    if (!IsPassCorrect(EnteredPassword))
        return;
    QVariantMap properties;
    properties.insert(QStringLiteral("txtName"), Dictionary->DictionaryName());
    properties.insert(QStringLiteral("txtAuthor"), Dictionary->DictionaryAuthor());
    properties.insert(QStringLiteral("txtPassword"), Dictionary->DictionaryPassword());
    properties.insert(QStringLiteral("txtReEnterPassword"), Dictionary->DictionaryPassword());
    const QVariantMap result = runDictionaryDialog(properties);
    if (!isConfirmed(result))
        return;
    Dictionary->setDictionaryName(text(result, "txtName"));
    Dictionary->setDictionaryAuthor(text(result, "txtAuthor"));
    Dictionary->setDictionaryPassword(text(result, "txtPassword"));
}
