#include "frmMain.h"

#include <QFileInfo>
#include <QLocale>

#include "DialogExchange.h"
#include "RecoveryCopy.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"

using namespace DialogExchange;

namespace {

QString dictionaryFilter()
{
    return QStringLiteral("Dictionary database (*.dyb)") + QChar(0) + QStringLiteral("*.dyb");
}

} // namespace

void frmMain::mnuNewDictionary_Click()
{
    if (bringWaitingDialogForward())
        return;
    // The texts of a dictionary that is not made yet are no words to keep at the session's end.
    const QVariantMap result = runDictionaryDialog(QVariantMap(), {});
    if (!isConfirmed(result))
        return;
    Dictionary->CreateDictionary(text(result, txtPassword), text(result, txtAuthor),
                                 text(result, txtName));
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
