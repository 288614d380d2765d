#include "frmMain.h"

#include <QFileInfo>
#include <QMessageBox>

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
// Nothing can cancel them, so the only choice is whether to save first. A failed save is
// reported and the question asked again, so that answering Yes never loses the words silently.
void frmMain::Dictionary_Closing()
{
    // A dictionary that never had a file and holds no words has nothing worth keeping; one that
    // belongs to a file has, even emptied: its file still holds what was there before.
    const bool worthKeeping = Dictionary->WordCount() >= 0 || !Dictionary->FileName().isEmpty();
    if (!worthKeeping || !Dictionary->DictionaryChanged())
        return;
    QString target = Dictionary->FileName();
    while (askToSaveChanges()) {
        const SaveOutcome outcome = target.isEmpty() ? saveAs() : saveTo(target);
        if (outcome != SaveOutcome::Failed)
            return;     // saved, or the user cancelled the chooser and so chose not to save
        target.clear(); // another Yes offers the chooser, to pick a place that works
    }
}

bool frmMain::askToSaveChanges()
{
    return QMessageBox::question(this, tr("Save"), tr("Do you want to save the changes"),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

frmMain::SaveOutcome frmMain::saveTo(const QString& sFile)
{
    if (Dictionary->SaveDictionary(sFile) >= 0)
        return SaveOutcome::Saved;
    showError(tr("Could not save dictionary"));
    return SaveOutcome::Failed;
}

frmMain::SaveOutcome frmMain::saveAs()
{
    fileChooser()->SaveFile(this, tr("Save dictionary"));
    QString file = OpenSave->File();
    if (OpenSave->PathTooLong()) {
        showError(tr("Could not save dictionary"));
        return SaveOutcome::Failed;
    }
    if (file.isEmpty())
        return SaveOutcome::Cancelled;
    if (file.right(4).toLower() != QLatin1String(".dyb")) {
        file += QLatin1String(".dyb");
        OpenSave->setFile(file);
    }
    return saveTo(file);
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
        showError(tr("Could not open dictionary"));
    if (file.isEmpty())
        return;
    Dictionary_Closing();
    openFile(file);
}

// Nothing is unsaved when the program starts, so the file it was started with opens at once.
void frmMain::openAtStart(const QString& sFile)
{
    openFile(QFileInfo(sFile).absoluteFilePath());
}

void frmMain::openFile(const QString& sFile)
{
    // A failed open leaves the document as it was, so the current dictionary stays.
    if (Dictionary->OpenDictionary(sFile) < 0)
        showError(tr("Could not open dictionary"));
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
