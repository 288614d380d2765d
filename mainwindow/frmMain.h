#pragma once

#include <QMainWindow>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class RecoveryCopy;
class WordListModel;
class clsDialog;
class clsDictionary;
class clsOpenSave;
class frmDictionary;
class frmWord;

// The main window: the word list with the selected word's description, the word commands, the
// dictionary file commands and the password gate in front of the guarded ones.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    clsDictionary* Dictionary = nullptr;
    std::unique_ptr<clsDialog> Dialog;     // made on first use
    std::unique_ptr<clsOpenSave> OpenSave; // made on first use
    QString EnteredPassword;               // the answer given at the last password prompt

    void UpdateDictionary();
    bool IsPassCorrect(QString& sPassword);

    // Opens a dictionary the desktop names, on the command line or in a file-open event, as Open
    // Dictionary opens a chosen one.
    void openFromDesktop(const QString& sFile);

    // Offers, one by one, the unsaved changes that runs which have ended left behind; the first
    // one taken shows as this window's dictionary.
    void offerRecovery();
    // Writes the unsaved changes where the next start finds them, for a process about to end
    // without asking; true when they are on disk, or there are none.
    bool keepUnsavedChanges();
    // The same at the end of the session, with what the user has typed in a waiting dialog taken
    // as confirmed, so that it is kept too.
    bool keepUnsavedChangesAndTyping();

public slots:
    void Dictionary_Opened();
    void Dictionary_Renewed();
    void Dictionary_Changed(bool WordAmoutChanged);
    void Dictionary_Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);
    void addSeparator(QMenu* menu, const char* name);

    void cmbWord_Change();
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdExit_Click();
    void mnuAbout_Click();

    // What a waiting dialog's command would do with the texts, were they confirmed.
    using PendingChange = std::function<void(const QVariantMap& texts)>;
    QVariantMap runDialog(QWidget* form, const QVariantMap& Properties, const QString& Caption,
                          const PendingChange& pendingChange = {});
    bool bringWaitingDialogForward();
    QVariantMap runWordDialog(const QVariantMap& Properties, const QString& Caption,
                              const PendingChange& pendingChange);

    void mnuNewDictionary_Click();
    void mnuOpenDictionary_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuEditDictionary_Click();
    void openFile(const QString& sFile);
    bool hasUnsavedWork() const;
    bool askToSaveChanges();
    bool confirmSave(const QString& text);
    bool saveTo(const QString& sFile);
    bool saveAs();
    clsOpenSave* fileChooser();
    QString pathTooLong() const;
    QVariantMap runDictionaryDialog(const QVariantMap& Properties,
                                    const PendingChange& pendingChange);
    void closeOtherWindows();
    // An error box; why, when given, is its informative text below the text.
    void showError(const QString& text, const QString& why = {});

    std::unique_ptr<frmWord> m_wordForm;
    std::unique_ptr<frmDictionary> m_dictionaryForm;
    QWidget* m_waitingForm = nullptr; // the entry dialog a command waits for, if any
    PendingChange m_pendingChange;    // what its command would do, were it confirmed
    RecoveryCopy* m_recovery = nullptr;

    QComboBox* cmbWord = nullptr;
    WordListModel* m_words = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdExit = nullptr;
};
