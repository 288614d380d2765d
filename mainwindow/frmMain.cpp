#include "frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDirIterator>
#include <QFileOpenEvent>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "FrameOverlay.h"
#include "RecoveryCopy.h"
#include "Twips.h"
#include "WordListModel.h"
#include "WordListView.h"
#include "clsDialog.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"
#include "frmDictionary.h"
#include "frmWord.h"

namespace {

QRect twips(int left, int top, int width, int height)
{
    return fromTwips(QRect(left, top, width, height));
}

// The installed theme's icon, else the renditions built into the program.
QIcon programIcon()
{
    QIcon builtIn;
    QDirIterator files(QStringLiteral(":/icons"), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        builtIn.addFile(files.next());
    return QIcon::fromTheme(QStringLiteral("lexivault"), builtIn);
}

} // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    // The document announces its start-up Closing and Renewed before anyone listens.
    Dictionary = new clsDictionary(this);
    connect(Dictionary, &clsDictionary::Opened, this, &frmMain::Dictionary_Opened);
    connect(Dictionary, &clsDictionary::Renewed, this, &frmMain::Dictionary_Renewed);
    connect(Dictionary, &clsDictionary::Changed, this, &frmMain::Dictionary_Changed);
    connect(Dictionary, &clsDictionary::Closing, this, &frmMain::Dictionary_Closing);
    m_recovery = new RecoveryCopy(
        Dictionary, [this] { return hasUnsavedWork(); }, RecoveryCopy::defaultFolder(), this);

    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Dictionary"));
    setWindowIcon(programIcon());
    createControls();
    createMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    qApp->installEventFilter(this); // for the files Finder opens
}

frmMain::~frmMain()
{
    // The document's farewell Closing must not ask the save question a second time.
    disconnect(Dictionary, nullptr, this, nullptr);
}

void frmMain::createControls()
{
    auto* client = new QWidget(this);
    client->setFixedSize(twips(0, 0, 6105, 4920).size());
    setCentralWidget(client);

    cmbWord = new QComboBox(client);
    cmbWord->setObjectName(QStringLiteral("cmbWord"));
    cmbWord->setGeometry(twips(240, 240, 5655, 315));
    // Neither box has a caption of its own, so screen readers are told what each holds. On
    // Linux Qt names a combo box after its current item and takes the list's own name from a
    // label whose buddy it is, so a hidden label gives it there.
    cmbWord->setAccessibleName(tr("Word"));
    auto* wordLabel = new QLabel(tr("Word"), client);
    wordLabel->setBuddy(cmbWord);
    wordLabel->hide();
    // Millions of words must neither be measured for the width nor laid out one by one. A
    // drop-down shown as a menu is as wide as its widest word, so it is shown as a list, one
    // that places its rows by arithmetic.
    cmbWord->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbWord->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    cmbWord->setView(new WordListView);
    m_words = new WordListModel(Dictionary, cmbWord);
    cmbWord->setModel(m_words); // after the view, so that the combo box follows its selection
    // A list shows where it is in its scroll bar, whose thumb the user drags, where a drop-down
    // shown as a menu scrolls by arrows at its ends.
    cmbWord->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The list cannot be typed into, so its text changes only with the selection.
    connect(cmbWord, &QComboBox::currentIndexChanged, this, &frmMain::cmbWord_Change);

    txtDescription = new QPlainTextEdit(client);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setGeometry(twips(240, 600, 5655, 3375));
    txtDescription->setAccessibleName(tr("Description"));
    txtDescription->setReadOnly(true);
    txtDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    new FrameOverlay(txtDescription);

    const auto addButton = [client](const char* name, const QString& caption, int left) {
        auto* button = new QPushButton(caption, client);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(twips(left, 4320, 1335, 375));
        button->setAutoDefault(false);
        return button;
    };
    cmdAdd = addButton("cmdAdd", tr("&Add"), 240);
    cmdEdit = addButton("cmdEdit", tr("&Edit"), 1680);
    cmdDelete = addButton("cmdDelete", tr("&Delete"), 3120);
    cmdExit = addButton("cmdExit", tr("&Exit"), 4560);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmMain::cmdEdit_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);

    setTabOrder(cmbWord, txtDescription);
    setTabOrder(txtDescription, cmdAdd);
    setTabOrder(cmdAdd, cmdEdit);
    setTabOrder(cmdEdit, cmdDelete);
    setTabOrder(cmdDelete, cmdExit);
}

void frmMain::createMenus()
{
    QMenu* mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setAccessibleName(tr("File")); // the opened menu, named like its menu bar item
    connect(addMenuItem(mnuFile, "mnuNewDictionary", tr("&New Dictionary")), &QAction::triggered,
            this, &frmMain::mnuNewDictionary_Click);
    connect(addMenuItem(mnuFile, "mnuOpenDictionary", tr("&Open Dictionary")), &QAction::triggered,
            this, &frmMain::mnuOpenDictionary_Click);
    addSeparator(mnuFile, "mnuLine");
    connect(addMenuItem(mnuFile, "mnuSave", tr("&Save Dictionary")), &QAction::triggered, this,
            &frmMain::mnuSave_Click);
    connect(addMenuItem(mnuFile, "mnuSaveAs", tr("S&ave Dictionary As")), &QAction::triggered, this,
            &frmMain::mnuSaveAs_Click);
    addSeparator(mnuFile, "mnuLine2");
    connect(addMenuItem(mnuFile, "mnuExit", tr("&Exit")), &QAction::triggered, this,
            &frmMain::cmdExit_Click);

    QMenu* mnuEdit = menuBar()->addMenu(tr("&Edit"));
    mnuEdit->menuAction()->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->setAccessibleName(tr("Edit"));
    connect(addMenuItem(mnuEdit, "mnuAddWord", tr("&Add Word")), &QAction::triggered, this,
            &frmMain::cmdAdd_Click);
    connect(addMenuItem(mnuEdit, "mnuEditWord", tr("&Edit Word")), &QAction::triggered, this,
            &frmMain::cmdEdit_Click);
    connect(addMenuItem(mnuEdit, "mnuDeleteWord", tr("&Delete Word")), &QAction::triggered, this,
            &frmMain::cmdDelete_Click);
    addSeparator(mnuEdit, "mnuLine3");
    connect(addMenuItem(mnuEdit, "mnuEditDictionary", tr("&Edit Dictionary")), &QAction::triggered,
            this, &frmMain::mnuEditDictionary_Click);

    QAction* mnuAbout = menuBar()->addAction(tr("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

QAction* frmMain::addMenuItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

void frmMain::addSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

void frmMain::Dictionary_Opened()
{
    UpdateDictionary();
    m_recovery->settle();
}

void frmMain::Dictionary_Renewed()
{
    UpdateDictionary();
    m_recovery->settle();
}

void frmMain::Dictionary_Changed(bool WordAmoutChanged)
{
    Q_UNUSED(WordAmoutChanged) // any change may rename a word, so the list is always rebuilt
    UpdateDictionary();
    m_recovery->schedule();
}

// Rebuilds the word list: its model reads the words from the document, so the list is emptied
// and refilled by one reset, however many words there are.
void frmMain::UpdateDictionary()
{
    {
        // The reset and the selection each announce a change; the description is shown once.
        const QSignalBlocker quiet(cmbWord);
        m_words->reload();
        cmbWord->setCurrentIndex(Dictionary->WordCount() >= 0 ? 0 : -1);
    }
    cmbWord_Change();
}

// Runs an entry dialog through the one runner. The window stays usable while it waits, but only
// for reading and saving: see bringWaitingDialogForward.
QVariantMap frmMain::runDialog(QWidget* form, const QVariantMap& Properties, const QString& Caption,
                               const PendingChange& pendingChange)
{
    Dialog->ReferenceForm = form;
    m_waitingForm = form;
    m_pendingChange = pendingChange;
    const QVariantMap result = Dialog->ShowDialog(Properties, Caption);
    m_waitingForm = nullptr;
    m_pendingChange = nullptr;
    return result;
}

// A command that would start a second run of a dialog, or change which words there are, while a
// dialog waits would have the waiting command's texts land on the wrong word or dictionary, or
// one confirmation taken by two commands. Such a command brings the waiting dialog forward
// instead; true when it did.
bool frmMain::bringWaitingDialogForward()
{
    if (!m_waitingForm)
        return false;
    m_waitingForm->raise();
    m_waitingForm->activateWindow();
    return true;
}

void frmMain::cmbWord_Change()
{
    txtDescription->setPlainText(Dictionary->WordDescription(cmbWord->currentIndex()));
}

// Finder does not name the files to open on the command line: it sends them to the application,
// at start and while it runs.
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != qApp || event->type() != QEvent::FileOpen)
        return QMainWindow::eventFilter(watched, event);
    openFromDesktop(static_cast<QFileOpenEvent*>(event)->file());
    return true;
}

// Typing in an entry dialog is for the dialog's own buttons to keep or drop: the dialog comes
// forward, and the program goes on until the user has answered it and closes again.
void frmMain::closeEvent(QCloseEvent* event)
{
    if (Dialog && m_waitingForm && Dialog->ShowsChanges()) {
        event->ignore();
        bringWaitingDialogForward();
        return;
    }
    Dictionary_Closing();
    closeOtherWindows();
    m_recovery->discard(); // saved, or dropped with a No
    event->accept();
}

// Closing a dialog that a command still waits for ends that wait as a cancel.
void frmMain::closeOtherWindows()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::mnuAbout_Click()
{
    QMessageBox::information(this, tr("About"), tr("This program is made by Quillmark"));
}

void frmMain::showError(const QString& text, const QString& why)
{
    QMessageBox box(QMessageBox::Critical, tr("Error"), text, QMessageBox::Ok, this);
    box.setInformativeText(why);
    // Qt makes the box as wide as its short text, which would wrap the reason after a few words.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        const QFontMetrics metrics = label->fontMetrics();
        label->setMinimumWidth(
            qMin(metrics.horizontalAdvance(why) + 1, 50 * metrics.averageCharWidth()));
    }
    box.exec();
}
