// The main window and its dialogs driven as a user drives them, with the real chooser and
// message boxes answered by the modal answerer: the word list, the word and file commands, the
// password gate, the save question, shutdown and the names a screen reader speaks; and the entry
// dialogs under their runner and the file chooser on their own. The rules the document keeps are
// its own tests' business; here each is checked once, as the window uses it.
#include "ModalAnswerer.h"
#include "PlainTextBox.h"
#include "RecoveryCopy.h"
#include "clsDialog.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"
#include "frmDictionary.h"
#include "frmMain.h"
#include "frmWord.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace {

const QString kSaveQuestion = "Save|Do you want to save the changes|Question|Yes No";
const QString kTooLongPath = "This path is longer than the file system allows (4,095 characters).";
// An error box whose informative text says why.
QString cannot(const QString& what, const QString& why)
{
    return "Error|Could not " + what + " dictionary\n" + why + "|Critical|Ok";
}
const QString kChooser = "Save dictionary|||Save Cancel";
const QString kReplace =
    "Save|precious.dyb already exists. Do you want to replace it?|Warning|Yes No";
const QString kLossy =
    "Save|Some characters cannot be stored in a dictionary file and will be saved "
    "as \"?\". Do you want to save anyway?|Warning|Yes No";

// The spoken names of the controls and menu items of a window, in tree order, leaving out Qt's
// inner parts and the separators. A control with a label is spoken by it.
QStringList spokenNames(QAccessibleInterface* node)
{
    const auto labels = node->relations(QAccessible::Label);
    const QString name = node->object() ? node->object()->objectName() : "";
    QStringList names;
    // Screen readers on Linux speak a combo box's current item unless a label names it.
    const QAccessibleInterface* speaker = !labels.isEmpty() ? labels.first().first
                                          : node->role() == QAccessible::ComboBox ? nullptr
                                                                                  : node;
    if (QRegularExpression("^(cmb|txt|cmd|mnu)(?!Line)").match(name).hasMatch())
        names << (speaker ? speaker->text(QAccessible::Name) : "no name");
    for (int i = 0; i < node->childCount(); ++i)
        names << spokenNames(node->child(i));
    return names;
}

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    frmMain* window = nullptr;
    clsDictionary* document = nullptr;
    QComboBox* list = nullptr;
    ModalAnswerer* answerer = nullptr;
    QString path(const QString& name) const { return folder.filePath(name); }
    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }

    // Plays the user's steps: "cmdX" clicks that button, "mnuX" chooses that menu item, a number
    // selects that word.
    void play(const QStringList& steps)
    {
        for (const QString& step : steps)
            step.startsWith("cmd")   ? click(qPrintable(step))
            : step.startsWith("mnu") ? window->findChild<QAction*>(step)->trigger()
                                     : list->setCurrentIndex(step.toInt());
    }

    // Queues answers to the windows the next steps open, in order: "Ok", "Yes", "No" and
    // "Cancel" press that button of the next modal window, "type:TEXT" types into it and accepts
    // it, and "frmWord:WORD|DESCRIPTION|..." or "frmDictionary:NAME|PASSWORD|..." fills that
    // dialog. A question answered Yes or No is given Escape and a close by its title bar first,
    // which must leave it open.
    void answer(const QStringList& answers)
    {
        const auto buttonKeys = QMetaEnum::fromType<QDialogButtonBox::StandardButtons>();
        for (const QString& given : answers) {
            const QString kind = given.section(':', 0, 0), text = given.section(':', 1);
            answerer->on(kind.startsWith("frm") ? kind : "", [=](QWidget* window) {
                if (kind.startsWith("frm"))
                    return fill(window, text.split('|'));
                auto* input = qobject_cast<QInputDialog*>(window);
                auto* fileName = window->findChild<QLineEdit*>("fileNameEdit");
                const int button = buttonKeys.keyToValue(qPrintable(kind));
                QAbstractButton* pressed = window->findChild<QDialogButtonBox*>()->button(
                    QDialogButtonBox::StandardButton(qMax(button, 0)));
                if (kind == "Yes" || kind == "No") {
                    QTest::keyClick(window, Qt::Key_Escape);
                    window->close();
                }
                if (!window->isVisible() || (button != -1 ? !pressed : !input && !fileName))
                    return void(answerer->failures
                                << "cannot " + kind + ": " + window->windowTitle());
                if (pressed)
                    return pressed->click();
                input ? input->setTextValue(text) : fileName->setText(text);
                static_cast<QDialog*>(window)->accept();
            });
        }
    }

    // Fills the word dialog's boxes with a word and a description, or the properties dialog's
    // with a name and a password, typed twice, and confirms, or with a third text "cancel",
    // cancels.
    static void fill(QWidget* form, const QStringList& texts)
    {
        for (QLineEdit* box : form->findChildren<QLineEdit*>())
            box->setText(texts.value(box->objectName().contains("Password") ? 1 : 0));
        if (auto* box = form->findChild<QPlainTextEdit*>())
            box->setPlainText(texts.value(1));
        form->findChildren<QPushButton*>().at(texts.value(2) == "cancel")->click();
    }

    // The document's words as FillComboBox gives them, then the list's, the selected word and
    // the description shown.
    QString shown() const
    {
        QStringList words, items;
        document->FillComboBox(words);
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return words.join(',') + '|' + items.join(',') + '|' + list->currentText() + '|' +
               window->findChild<QPlainTextEdit*>()->toPlainText();
    }

    QString words() const { return shown().section('|', 0, 0); }

    // Words a, b, c described "A", "B" and "C", with the given password and no unsaved changes.
    void fillDictionary(const QString& password = {})
    {
        document->setDictionaryChanged(false);
        document->CreateDictionary(password, "Lab", "Fruit");
        for (const QString word : {"a", "b", "c"})
            document->AddWord(word, word.toUpper());
        document->setDictionaryChanged(false);
    }

    // Runs a form through a runner of its own with the bag; the action answers it once it shows.
    QVariantMap run(QWidget* form, const QVariantMap& bag, const ModalAnswerer::Action& action)
    {
        clsDialog dialog;
        dialog.ReferenceForm = form;
        answerer->on(form->objectName(), action);
        return dialog.ShowDialog(bag, "");
    }

    static QStringList recoveryCopies()
    {
        return QDir(RecoveryCopy::defaultFolder()).entryList({"*.dyb"}, QDir::Files, QDir::Time);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        QVERIFY(QDir(RecoveryCopy::defaultFolder()).removeRecursively());
        // Qt's own dialogs, which the answerer answers, stand in for the platform's.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        window = new frmMain;
        window->show();
        document = window->Dictionary;
        list = window->findChild<QComboBox*>();
        answerer = new ModalAnswerer;
    }

    void cleanup()
    {
        const QString failures = answerer->done() ? "" : "left: " + answerer->failures.join('\n');
        delete answerer;
        document->setDictionaryChanged(false); // no save question on the way out
        delete window;
        // Back to where CTest starts the test: Windows removes no folder that is current.
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QVERIFY2(failures.isEmpty(), qPrintable(failures)); // after the clean-up: nothing spreads
    }

    // The window shows the program's icon. Every control and menu item is spoken by its caption or
    // label. Every change rebuilds the list from the document with the first word selected and
    // shown, a single word too. Add asks for no password; Edit shows the selected word, with no
    // text selected, and writes both texts to it, even after the rebuild the first write makes;
    // Delete removes it; cancelled dialogs and commands with nothing selected change nothing. The
    // gate refuses another case, a blank more or less, and Cancel, and says why; the right answer
    // is remembered. Edit Dictionary, confirmed unchanged, marks a change, which the save
    // question then offers to save. About. The opened list shows a scroll bar when the words
    // outnumber its rows.
    void wordCommandsAndThePasswordGate()
    {
        QCOMPARE(
            spokenNames(QAccessible::queryAccessibleInterface(window)).join(','),
            "Word,Description,Add,Edit,Delete,Exit,File,File,New Dictionary,Open Dictionary,Save "
            "Dictionary,Save Dictionary As,Exit,Edit,Edit,Add Word,Edit Word,Delete Word,Edit "
            "Dictionary,About");
        QVERIFY(!window->windowIcon().pixmap(32).isNull());
        document->AddWord("only", "one");
        QCOMPARE(shown(), "only|only|only|one");
        fillDictionary("Secret ");
        answer({"frmWord:a|again", "frmWord:never|added|cancel", "type:secret ", "Ok",
                "type:Secret", "Ok", "type: Secret ", "Ok", "Cancel", "Ok", "type:Secret "});
        answerer->on("frmWord", [](QWidget* form) {
            const auto* box = form->findChild<QLineEdit*>();
            QCOMPARE(form->windowTitle() + box->text() + box->selectedText(), "Edit wordc");
            fill(form, {"z", "Z"});
        });
        answer({"frmWord:y|Y|cancel"});
        answerer->on("frmDictionary",
                     [](QWidget* form) { form->findChild<QPushButton*>()->click(); });
        play({"cmdAdd", "mnuAddWord", "2", "cmdEdit", "cmdEdit", "cmdEdit", "cmdEdit", "cmdEdit",
              "3"});
        document->setDictionaryChanged(false);
        play({"mnuEditWord"});
        QVERIFY(!document->DictionaryChanged()); // the cancelled edit changed nothing
        play({"mnuEditDictionary"});
        QVERIFY(document->DictionaryChanged() && document->DictionaryPassword() == "Secret ");
        answer({"No"});
        window->Dictionary_Closing();
        QCOMPARE(answerer->seen.mid(2, 2),
                 QStringList({"Lexivault|This dictionary is password-protected. "
                              "Please state the password:||Ok Cancel",
                              "Error|Wrong password|Critical|Ok"}));
        QCOMPARE(shown() + document->WordDescription(2), "a,b,z,a|a,b,z,a|a|AZ");
        answer({"Ok"});
        play({"3", "cmdDelete", "mnuDeleteWord", "-1", "cmdEdit", "cmdDelete", "mnuAbout"});
        QCOMPARE(words() + answerer->seen.mid(answerer->seen.size() - 2).join(','),
                 "b,z" + kSaveQuestion + ",About|This program is made by Quillmark|Information|Ok");
        QString bars; // the opened list shows a scroll bar for more words than its ten rows
        for (int words = 3; words <= 11; ++words, list->hidePopup()) {
            document->AddWord("w", "");
            list->showPopup();
            bars += QString::number(list->view()->verticalScrollBar()->isVisible());
        }
        QCOMPARE(bars, "000000001");
    }

    // Letters typed into the closed list select the next word that begins with them, whatever
    // their case, with its description. The opened list shows the selected word among thousands;
    // keys move through it and Enter picks a word; a click picks the one under the mouse.
    void typingAndTheOpenedList()
    {
        for (int i = 0; i < 3000; ++i)
            document->AddWord(QString("w%1").arg(i, 4, 10, QChar('0')), QString::number(i));
        QTest::keyClicks(list, "W29");
        const QString typed = shown().section('|', 2);
        auto* view = list->view();
        const auto picked = [&](const QList<int>& keys, int click = -1) {
            list->showPopup();
            const QModelIndex current = view->currentIndex();
            QString seen =
                QString::number(current.row()) + ' ' +
                QString::number(view->viewport()->rect().contains(view->visualRect(current)) &&
                                view->indexAt(view->visualRect(current).center()) == current);
            for (const int key : keys)
                QTest::keyClick(view, Qt::Key(key));
            if (click >= 0)
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                                  view->visualRect(view->model()->index(click, 0)).center());
            return seen + ' ' + shown().section('|', 2) + ' ' + QString::number(view->isVisible());
        };
        list->setCurrentIndex(1500);
        const QString byKeys = picked({Qt::Key_End, Qt::Key_Up, Qt::Key_Return});
        QCOMPARE(typed + ' ' + byKeys + ' ' + picked({Qt::Key_PageUp, Qt::Key_Down}, 2990),
                 "w2900|2900 1500 1 w2998|2998 0 2998 1 w2990|2990 0");
    }

    // While a dialog waits, a command that would run a dialog again or change which words
    // there are brings the waiting dialog forward and does nothing else, from a button or a menu.
    void commandsWhileADialogWaitsBringItForward()
    {
        const auto tryEveryCommand = [this](const QString& then) {
            return [this, then](QWidget* form) {
                for (const char* item : {"cmdAdd", "cmdEdit", "cmdDelete", "mnuAddWord",
                                         "mnuEditWord", "mnuDeleteWord", "mnuNewDictionary",
                                         "mnuOpenDictionary", "mnuEditDictionary"}) {
                    window->activateWindow();
                    play({item});
                    QTRY_COMPARE(QApplication::activeWindow(), form);
                }
                for (QWidget* top : QApplication::topLevelWidgets())
                    QVERIFY(top == form || top == window || !top->isVisible());
                fill(form, then.split('|'));
            };
        };
        document->AddWord("apple", "a red fruit");
        document->AddWord("pear", "");
        answerer->on("frmWord", tryEveryCommand("kiwi|a red fruit"));
        play({"cmdEdit"});
        QCOMPARE(shown(), "kiwi,pear|kiwi,pear|kiwi|a red fruit");
        answerer->on("frmDictionary", tryEveryCommand("Fruit|pw"));
        answer({"No"});
        play({"mnuNewDictionary"});
        QCOMPARE(document->DictionaryName() + document->DictionaryPassword() + shown(),
                 "Fruitpw|||");
    }

    // The save question, asked before a dictionary is dropped, comes for one with unsaved
    // changes and words, or of a file even when it has none left, not for one that has no words
    // and no file. Yes saves. Only No drops the changes: a save that fails, or a path longer than
    // the platform allows, is reported and the question comes again, and then Yes asks where to
    // save; a Cancel in the chooser, or a No to replacing another file (named with the ".dyb" it
    // gets) or to saving letters as "?", brings the question back too. Each question of a save
    // comes once, in that order; the dictionary's own file asks for no replacing.
    void theSaveQuestion()
    {
        for (const auto& [ofAFile, words] :
             QList<std::pair<bool, int>>{{false, 0}, {false, 1}, {true, 0}, {true, 3}}) {
            fillDictionary();
            QVERIFY(!ofAFile || document->SaveDictionary(path("old.dyb")) == 0);
            document->setDictionaryAuthor("changed");
            for (int i = words; i < 3; ++i)
                document->DeleteWord(0);
            answer(ofAFile ? QStringList{"Yes"} : words > 0 ? QStringList{"No"} : QStringList{});
            window->Dictionary_Closing();
            clsDictionary old;
            QVERIFY(answerer->done() && (!ofAFile || (old.OpenDictionary(path("old.dyb")) == 0 &&
                                                      old.WordCount() == words - 1)));
        }
        const QString tooLong =
            folder.path() + ("/" + QString(250, 'x')).repeated(clsOpenSave().MaxFile() / 251 + 1);
        QVERIFY(document->SaveDictionary(path("precious.dyb")) == 0);
        document->AddWord("λόγος", "");
        document->setFileName(path("gone/old.dyb"));
        const QString pick = "type:" + path("precious"),
                      gone = "The folder " + path("gone") + " does not exist.";
        answer({"Yes", "Yes", "Ok", "Yes", "Cancel", "Yes", pick, "No", "Yes", "type:" + tooLong,
                "Ok", "Yes", pick, "Yes", "No", "Yes", pick, "Yes", "Yes"});
        answerer->seen.clear();
        window->Dictionary_Closing();
        const QStringList once{kSaveQuestion, kChooser, kReplace};
        QCOMPARE(answerer->seen,
                 QStringList({kSaveQuestion, kLossy, cannot("save", gone), kSaveQuestion, kChooser}) +
                     once + QStringList({kSaveQuestion, kChooser, cannot("save", kTooLongPath)}) + once +
                     QStringList{kLossy} + once + QStringList{kLossy});
        clsDictionary saved;
        QVERIFY(saved.OpenDictionary(path("precious.dyb")) == 0 && !document->DictionaryChanged());
        QCOMPARE(saved.WordName(3), "?????");
    }

    // Save of a dictionary never saved runs Save As, which adds ".dyb" unless the name ends in it,
    // in any case. Save As to the dictionary's own file asks nothing; to another, No to replacing
    // it saves nothing. Save of a file that another program saved since asks first, and so does
    // Yes at the save question, whose next Yes then asks where; two saves in a row ask nothing.
    // A save that fails is reported and keeps the changes.
    void saveAsAndSave()
    {
        for (const QString named :
             {"plain=plain.dyb", "LOUD.DYB=LOUD.DYB", "notes.txt=notes.txt.dyb"}) {
            fillDictionary();
            answer({"type:" + path(named.section('=', 0, 0))});
            play({"mnuSave"});
            QVERIFY(document->FileName() == path(named.section('=', 1)) &&
                    !document->DictionaryChanged());
        }
        document->AddWord("d", "");
        answer({"type:" + path("notes.txt"), "type:" + path("plain"), "No"});
        play({"mnuSaveAs", "mnuSaveAs"});
        QVERIFY(answerer->seen.last() == QString(kReplace).replace("precious", "plain") &&
                QFileInfo(path("plain.dyb")).size() == QFileInfo(path("LOUD.DYB")).size());
        clsDictionary other; // another window of the same file, which it saves first
        QVERIFY(other.SaveDictionary(path("notes.txt.dyb")) == 0);
        document->AddWord("e", "");
        answer({"No", "Yes", "No", "Yes", "Cancel", "No", "Yes"});
        play({"mnuSave"});
        window->Dictionary_Closing();
        play({"mnuSave", "mnuSave"});
        const QString changed = "Save|notes.txt.dyb has been changed by another program. Do you "
                                "want to replace it?|Warning|Yes No";
        QCOMPARE(answerer->seen.mid(6), QStringList({changed, kSaveQuestion, changed, kSaveQuestion,
                                                     kChooser, kSaveQuestion, changed}));
        document->AddWord("f", "");
        document->setFileName(path("gone/notes.dyb")); // its folder since removed
        answer({"Ok"});
        play({"mnuSave"});
        QCOMPARE(answerer->seen.last(),
                 cannot("save", "The folder " + path("gone") + " does not exist."));
        QVERIFY(document->DictionaryChanged());
    }

    // A failed open or save says which file and why below the box's text: a file cut short, one
    // that is no dictionary, a folder or a named pipe in its place, a path or a name too long, a
    // text too long for the file, and, where root can mount them, a full disk and a read-only
    // folder.
    void failuresSayWhichFileAndWhy()
    {
        fillDictionary();
        QVERIFY(document->SaveDictionary(path("cut.dyb")) == 0 &&
                QFile::resize(path("cut.dyb"), 41) && QDir(folder.path()).mkdir("folder.dyb"));
        QFile text(path("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Shopping list\n") == 14 &&
                text.flush());
        QList<std::pair<QString, QString>> opens{
            {"cut.dyb", "cut.dyb is not a dictionary file: it ends after 41 bytes, but its words "
                        "need at least 43."},
            {"notes.txt", "notes.txt is not a dictionary file: it ends after 14 bytes, but its "
                          "header needs at least 26,709."},
            {"folder.dyb", "folder.dyb is a folder, not a file."},
            {QString(250, 'd').repeated(20), kTooLongPath},
            {QString(300, 'n'), "A name in this path is longer than the file system allows (255 "
                                "characters)."}};
        QList<std::pair<QString, QString>> saves{
            {"long.dyb", "long.dyb cannot hold the description of \"long\": it takes 70,000 "
                         "bytes, and a text in a dictionary file takes at most 65,535."}};
#ifdef Q_OS_UNIX
        QVERIFY(mkfifo(QFile::encodeName(path("pipe.dyb")), 0644) == 0);
        opens.emplace_back("pipe.dyb", "pipe.dyb is a named pipe, not a file.");
        saves.emplace_back("pipe.dyb", "pipe.dyb is a named pipe, not a file.");
        const auto mount = [&](const QString& name, const QString& options) {
            return QDir(folder.path()).mkdir(name) &&
                   QProcess::execute("mount", {"-t", "tmpfs", "-o", options, name, path(name)}) == 0;
        };
        if (getuid() == 0 && mount("full", "size=16k") && mount("ro", "ro")) {
            saves.emplace_back("full/full.dyb", "full.dyb: No space left on device.");
            saves.emplace_back("ro/ro.dyb", "The folder " + path("ro") + " is read-only.");
        }
#endif
        QStringList expected;
        for (const auto& [file, why] : opens) {
            answer({"Ok"});
            window->openFromDesktop(path(file));
            expected << cannot("open", why);
        }
        document->AddWord("long", "");
        for (const auto& [file, why] : saves) {
            // Too long for a file, or fits one but not 16 kB.
            document->setWordDescription(3, QString(file == "long.dyb" ? 70000 : 30000, 'x'));
            answer({"type:" + path(file), "Ok"});
            play({"mnuSaveAs"});
            expected << kChooser << cannot("save", why);
        }
        QProcess::execute("umount", {path("full"), path("ro")});
        QCOMPARE(answerer->seen, expected);
    }

    // Open asks the save question after the choice and before the load; a file that cannot be
    // opened is reported and the dictionary stays as it was. The file the program starts with
    // opens as Open opens it, under its full path. Each choice starts in the folder of the file
    // last chosen, opened (at start too) or saved.
    void openReplacesOrReportsAndKeeps()
    {
        fillDictionary();
        document->AddWord("unsaved", "");
        QVERIFY(QDir::setCurrent(folder.path()) && QDir().mkdir("c") &&
                document->SaveDictionary("c/other.dyb") == 0 &&
                document->SaveDictionary(path("other.dyb")) == 0);
        document->setWordName(3, "fig");
        answer({"Cancel", "type:" + path("c/other.dyb"), "No", "No", "Ok"}); // No, Ok: below
        play({"mnuOpenDictionary", "mnuOpenDictionary"});
        QCOMPARE(answerer->seen.mid(1, 2),
                 QStringList({"Open dictionary|||Open Cancel", kSaveQuestion}));
        QCOMPARE(words() + document->FileName(), "a,b,c,unsaved" + path("c/other.dyb"));
        document->setWordName(0, "changed");
        window->openFromDesktop("missing.dyb");
        QCOMPARE(answerer->seen.last() + words() + QString::number(document->DictionaryChanged()),
                 cannot("open", "missing.dyb: No such file or directory.") + "changed,b,c,unsaved1");
        document->setDictionaryChanged(false);
        document->CreateDictionary();
        QFileOpenEvent fromFinder("other.dyb");
        QApplication::sendEvent(qApp, &fromFinder);
        QCOMPARE(words() + document->FileName(), "a,b,c,unsaved" + path("other.dyb"));
        answer({"type:x", "Ok", "type:" + path("c/none"), "Ok", "type:z", "Ok", "type:g"});
        QStringList chosen;
        for (const QString item : {"mnuOpenDictionary", "mnuOpenDictionary", "mnuOpenDictionary",
                                   "mnuSave", "mnuSaveAs"})
            chosen << (play({item}), window->OpenSave->File());
        QCOMPARE(chosen,
                 QStringList({path("x"), path("c/none"), path("c/z"), path("c/z"), path("g.dyb")}));
    }

    // Closing the window while a word dialog waits asks the save question, ends that wait as a
    // cancel and lets the application's event loop end, as it ends the program.
    void shutdownWhileADialogWaits()
    {
        fillDictionary();
        document->setDictionaryChanged(true);
        answerer->on("frmWord", [this](QWidget*) { click("cmdExit"); });
        answer({"No"});
        QTimer watchdog; // should it hang
        watchdog.callOnTimeout(qApp, &QCoreApplication::quit);
        watchdog.start(10000);
        QTimer::singleShot(0, this, [this] { click("cmdAdd"); });
        QApplication::exec();
        QCOMPARE(answerer->seen.at(1) + QString::number(watchdog.isActive()), kSaveQuestion + "1");
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    }

    // Closing the window while the word dialog holds typing brings the dialog forward and the
    // program goes on, by the Exit button or the close button; the dialog's own Save then keeps
    // the word, and the next Exit asks the save question as usual.
    void closingWaitsForADialogWithTyping()
    {
        fillDictionary();
        answerer->on("frmWord", [this](QWidget* form) {
            form->findChild<QLineEdit*>("txtWord")->setText("plum");
            click("cmdExit");
            window->close();
            QVERIFY(window->isVisible() && form->isVisible());
            QTRY_COMPARE(QApplication::activeWindow(), form);
            fill(form, {"plum", "a purple fruit"});
        });
        click("cmdAdd");
        QCOMPARE(words(), "a,b,c,plum");
        answer({"No"});
        click("cmdExit");
        QVERIFY(!window->isVisible());
    }

    // Save and Ok hand over only texts a file can hold, 65,535 bytes each as stored: a longer
    // text is refused with an error, the focus in its box and the dialog open with every text as
    // typed. A password keeps only characters the file stores; a name may hold others, which the
    // warning at save is about.
    void entryDialogsHandOverOnlyTextsAFileHolds_data()
    {
        QTest::addColumn<bool>("wordDialog");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");
        const QString tooLong = "Error|This text is too long: a dictionary file holds at most "
                                "65,535 characters in one text.|Critical|Ok";
        const QString longest(65535, 'x');
        QTest::newRow("word too long") << true << "txtWord" << longest + 'x' << tooLong;
        QTest::newRow("description too long") << true << "txtDescription" << longest + 'x' << tooLong;
        QTest::newRow("description as long as a text") << true << "txtDescription" << longest << "";
        QTest::newRow("an emoji is stored as one '?'")
            << true << "txtWord" << QString("\U0001F600").repeated(65535) << "";
        QTest::newRow("name too long") << false << "txtName" << longest + 'x' << tooLong;
        QTest::newRow("author too long") << false << "txtAuthor" << longest + 'x' << tooLong;
        QTest::newRow("password too long") << false << "txtPassword" << longest + 'x' << tooLong;
        QTest::newRow("Greek password") << false << "txtPassword" << "λόγος"
                                        << "Error|The password can only hold characters that a "
                                           "dictionary file can store.|Critical|Ok";
        QTest::newRow("Greek name") << false << "txtName" << "λόγος" << "";
    }

    void entryDialogsHandOverOnlyTextsAFileHolds()
    {
        QFETCH(bool, wordDialog);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        std::unique_ptr<QDialog> form(wordDialog ? static_cast<QDialog*>(new frmWord)
                                                 : new frmDictionary);
        const auto setText = [&](const QString& name, const QString& value) {
            if (auto* line = form->findChild<QLineEdit*>(name))
                line->setText(value);
            else
                form->findChild<PlainTextBox*>(name)->setPlainText(value);
        };
        QPushButton* confirm = form->findChildren<QPushButton*>().first();
        QString focused;
        const QVariantMap result = run(form.get(), {}, [&](QWidget*) {
            setText(box, text);
            if (box == "txtPassword")
                setText("txtReEnterPassword", text);
            if (refusal.isEmpty())
                return confirm->click();
            answer({"Ok"});
            confirm->click();
            QTRY_VERIFY(QApplication::focusWidget());
            focused = QApplication::focusWidget()->objectName();
            QVERIFY(form->isVisible() && form->property("Tag").toString().isEmpty());
            form->findChildren<QPushButton*>().last()->click();
        });
        if (refusal.isEmpty()) {
            QCOMPARE(result.value("Returned"), "OK");
            QCOMPARE(result.value(box).toString(), text);
        } else {
            QCOMPARE(answerer->seen.value(1), refusal);
            QCOMPARE(focused, box);
        }
    }

    // While the dictionary has unsaved changes, a copy of them stands in the user's own folder
    // (the folder 0700, the copy 0600), written within seconds of a change, or at once for a
    // process about to end. It goes once the changes are saved, or dropped with a No.
    void unsavedChangesHaveARecoveryCopy()
    {
        fillDictionary();
        QVERIFY(document->SaveDictionary(path("plums.dyb")) == 0);
        document->AddWord("plum", "");
        QTRY_COMPARE_WITH_TIMEOUT(recoveryCopies().size(), 1, 10000);
#ifdef Q_OS_UNIX
        const QString copy = RecoveryCopy::defaultFolder() + '/' + recoveryCopies().first();
        QCOMPARE(QFile::permissions(copy) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(RecoveryCopy::defaultFolder()) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
        play({"mnuSave"});
        QTRY_VERIFY(recoveryCopies().isEmpty());
        document->AddWord("fig", "");
        QVERIFY(window->keepUnsavedChanges());
        QCOMPARE(recoveryCopies().size(), 1);
        answer({"No"});
        window->Dictionary_Closing();
        QTRY_VERIFY(recoveryCopies().isEmpty());
    }

    // At start the copies of runs that have ended are offered, oldest first; No deletes one, Yes
    // shows it as unsaved changes of its own file, every text as typed, and the others wait for
    // a later start. A copy whose run is still running is never offered.
    void leftoverCopiesAreOfferedAtStart()
    {
        const QString greek = "λόγος";
        clsDictionary unnamed, ofAFile, later, running;
        unnamed.AddWord("new", "");
        QVERIFY(ofAFile.SaveDictionary(path("plums.dyb")) == 0);
        ofAFile.AddWord(greek, "a word");
        ofAFile.setDictionaryPassword(greek);
        later.AddWord("later", "");
        const auto always = [] { return true; };
        for (clsDictionary* ended : {&unnamed, &ofAFile, &later}) {
            QVERIFY(RecoveryCopy(ended, always, RecoveryCopy::defaultFolder()).writeNow());
            QTest::qWait(20); // for their order by time
        }
        RecoveryCopy stillRunning(&running, always, RecoveryCopy::defaultFolder());
        running.AddWord("running", "");
        QVERIFY(stillRunning.writeNow());
        answer({"No", "Yes"});
        window->offerRecovery();
        const QString question =
            "Recover|Lexivault found unsaved changes to %1. Do you want to recover them?|Question|Yes No";
        QCOMPARE(answerer->seen, QStringList({question.arg("a new dictionary"), question.arg("plums.dyb")}));
        QCOMPARE(words(), greek);
        QCOMPARE(document->DictionaryPassword(), greek);
        QCOMPARE(document->FileName(), path("plums.dyb"));
        QVERIFY(document->DictionaryChanged() && !document->FileChangedOnDisk());
        QCOMPARE(recoveryCopies().size(), 3);
    }

    // A run fills every box from the bag, emptying those it does not name and ignoring keys that
    // name no box, and keeps the title on an empty caption. Enter
    // and Escape end nothing, whichever control has them; a button, a close by the window manager
    // or the form's end do. The outcome is the Tag upper-cased; only "OK" brings the boxes' texts.
    // Texts the user leaves alone come back exactly, however long, whatever their line breaks and
    // no-break spaces; in a changed description only the changed part is new, with every line break
    // in it as CR LF, and an undone change is none.
    void runnerFillsTheBoxesAndReturnsTheOutcome()
    {
        auto* form = new frmWord;
        const QVariantMap bag{{"txtWord", "w"}, {"txtOther", "x"}},
            cancelled{{"Returned", "CANCEL"}};
        form->setWindowTitle("Edit word");
        form->txtDescription->setText("left over");
        const QVariantMap keys = run(form, bag, [form](QWidget*) {
            for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QTest::keyClick(control, Qt::Key_Return);
                QTest::keyClick(control, Qt::Key_Escape);
            }
            form->cmdSave->click();
        });
        QCOMPARE(keys,
                 QVariantMap({{"Returned", "OK"}, {"txtWord", "w"}, {"txtDescription", "\r\n"}}));
        QCOMPARE(run(form, bag, [](QWidget* window) { window->setProperty("Tag", "ok"); }),
                 QVariantMap({{"Returned", "OK"}, {"txtWord", "w"}, {"txtDescription", ""}}));
        QCOMPARE(run(form, {}, [form](QWidget*) { form->cmdCancel->click(); }), cancelled);
        QCOMPARE(run(form, {}, [](QWidget* window) { window->close(); }), cancelled);
        QCOMPARE(form->windowTitle(), "Edit word");
        QVariantMap given{{"txtWord", QString(40000, 'w')},
                          {"txtDescription", "one\r\ntwo\u00A0three\nfour\rfive"}};
        const QVariantMap unchanged = run(form, given, [&](QWidget*) { form->cmdSave->click(); });
        given.insert("Returned", "OK");
        QCOMPARE(unchanged, given);
        const QVariantMap changed = run(form, given, [&](QWidget*) {
            for (const char* keys :
                 {"Ctrl+End", "Q", "Ctrl+Z", "Ctrl+Home", "Down", "End", "!", "Shift+Return", "X"})
                QTest::keySequence(form->txtDescription, QKeySequence(keys));
            form->cmdSave->click();
        });
        QCOMPARE(changed.value("txtDescription"), "one\r\ntwo\u00A0three!\r\nx\nfour\rfive");
        QCOMPARE(run(form, {}, [form](QWidget*) { delete form; }), cancelled);
    }

    // Ok compares the passwords, exactly: a refusal says so and keeps the dialog, active, and its
    // entries until they match, both empty included. Shown again, no box has text selected.
    void propertiesDialogConfirmsOnlyMatchingPasswords()
    {
        frmDictionary form;
        QString kept;
        run(&form, {{"txtName", "n"}}, [&](QWidget*) { fill(&form, {"", ""}); });
        const QVariantMap confirmed = run(&form, {{"txtName", "n"}}, [&](QWidget*) {
            kept += form.txtName->selectedText(); // where the focus comes back
            for (const QString reEntered : {"SECRET", "secret "}) {
                form.txtPassword->setText("secret");
                form.txtReEnterPassword->setText(reEntered);
                answer({"Ok"});
                form.cmdOK->click();
                kept += QString::number(QTest::qWaitFor([&] { return form.isActiveWindow(); }));
            }
            kept += form.txtPassword->displayText() + '|' + form.txtReEnterPassword->text();
            fill(&form, {"", ""});
        });
        QCOMPARE(confirmed.value("Returned").toString() + kept, "OK11******|secret ");
        QCOMPARE(answerer->seen.at(3),
                 "Error|Password dosen't match. Please try agian|Critical|Ok");
    }

    // File holds the chosen path as it was typed, no extension added, without the spaces around
    // it, when it fits in MaxFile - 1 characters (the platform's path limit less one by default);
    // it is empty when the path does not fit, which PathTooLong tells, or on cancel.
    void chooserGivesThePathWhenItFits()
    {
#ifdef Q_OS_WIN
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            QSKIP("Wine makes no path past Linux's 4,096 bytes, where Windows goes to 32,767");
#endif
        clsOpenSave chooser;
        QString folder = this->folder.path();
        while (folder.size() < chooser.MaxFile() - 250)
            folder += '/' + QString(200, 'd');
        QVERIFY(QDir().mkpath(folder));
        const QString fits = folder + '/' + QString(chooser.MaxFile() - 2 - folder.size(), 'f');
        chooser.setFilter(QString("Dictionary database (*.dyb)|*.dyb|Word lists|*.txt;*.lst")
                              .replace('|', QChar(0)));
        answerer->on({}, [](QWidget* window) {
            QCOMPARE(qobject_cast<QFileDialog*>(window)->nameFilters().join('|'),
                     "Dictionary database (*.dyb)|Word lists (*.txt *.lst)");
            static_cast<QDialog*>(window)->reject();
        });
        QVERIFY(QFile(path("words.dyb ")).open(QIODevice::WriteOnly));
        answer({"type:mydictionary  ", "type:" + fits, "type:" + fits + 'f',
                "type:" + path("words.dyb "), "type:" + path("other.dyb ")});
        QStringList files;
        for (int run = 0; run < 6; ++run) {
            chooser.setFile("/earlier/choice.dyb");
            QVERIFY(chooser.SaveFile(nullptr, "Save dictionary"));
            files << chooser.File() + (chooser.PathTooLong() ? "too long" : "");
        }
        QCOMPARE(files, QStringList({"", QCoreApplication::applicationDirPath() + "/mydictionary",
                                     fits, "too long", path("words.dyb "), path("other.dyb")}));
    }

    // A run's first choice starts in the program's folder when the user may write there and it
    // is no system folder, else in the documents folder, else at home.
    void chooserStartsInAFolderTheUserMayWriteIn()
    {
#ifndef Q_OS_UNIX
        QSKIP("Another user is made with Unix calls");
#else
        const QString program = QCoreApplication::applicationDirPath(), home = path("home");
        const QFile::Permissions kept = QFile::permissions(program);
        // As root the real user becomes nobody; anyone else sees the folder made read-only.
        const auto asAnotherUser = [&, root = getuid() == 0](bool another) {
            return root ? setresuid(another ? 65534 : 0, -1, -1) == 0
                        : QFile::setPermissions(program, another ? kept & ~0x2222 : kept);
        };
        const auto firstChoice = [] {
            clsOpenSave chooser;
            chooser.OpenFile(nullptr, "Open dictionary");
            return chooser.File();
        };
        QVERIFY(QDir().mkpath(home) && qputenv("HOME", home.toLocal8Bit()) &&
                QFile::setPermissions(folder.path(), kept) && asAnotherUser(true));
        answer({"type:a", "type:a"});
        const QString atHome = firstChoice(),
                      inDocuments = QDir(home).mkdir("Documents") ? firstChoice() : "";
        QVERIFY(asAnotherUser(false));
        QCOMPARE(atHome + '|' + inDocuments, home + "/a|" + home + "/Documents/a");
        // A folder the system keeps programs in is none, even for root, who may write there.
        for (const QString system : {"/usr/bin", "/usr/local/bin", "/bin", "/opt"})
            QCOMPARE(clsOpenSave::firstFolder(system), home + "/Documents");
#endif
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
