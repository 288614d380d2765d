// The main window driven as a user drives it, with the real chooser and message boxes answered by
// the modal answerer: the word list, the word and file commands, the password gate, the save
// question and the warnings of a save, the reasons of failures, shutdown, the recovery copies and
// the names a screen reader speaks. The dialogs on their own are tst_dialogs' business and the
// document's rules tst_dictionary's; here each is checked as the window uses it.
#include "DialogExchange.h"
#include "ModalAnswerer.h"
#include "RecoveryCopy.h"
#include "TestFiles.h"
#include "clsDictionary.h"
#include "clsOpenSave.h"
#include "frmMain.h"

#include <filesystem>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Answer;
using Action = ModalAnswerer::Action;
using Setup = std::function<void()>;

// One window that a scenario expects, and its answer.
using Step = std::pair<SeenWindow, Action>;
using Script = QList<Step>;
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Script)

namespace {

const SeenWindow kCharacters{"Save", "Some characters cannot be stored in a dictionary file and "
                             "will be saved as \"?\". Do you want to save anyway?", {}, "Warning",
                             "Yes No"};
const SeenWindow kPasswordPrompt{"Lexivault", "This dictionary is password-protected. Please "
                                 "state the password:", {}, {}, "Ok Cancel"};

const Action yes = press(QMessageBox::Yes), no = press(QMessageBox::No),
             ok = press(QMessageBox::Ok), cancel = press(QDialogButtonBox::Cancel);

// The save question, asked before a dictionary is dropped: Yes to save the words, No to drop them.
const SeenWindow kSaveQuestion{"Save", "Do you want to save the changes", {}, "Question", "Yes No"};
const Step question{kSaveQuestion, yes}, drop{kSaveQuestion, no};

// Escape and a close by the title bar leave a question open; Enter then answers it.
const Action enter = [](QWidget* question) {
    QTest::keyClick(question, Qt::Key_Escape);
    question->close();
    QVERIFY2(question->isVisible(), "Escape or a close answered the question");
    QTest::keyClick(question, Qt::Key_Return);
};

// The error of a failed open or save, which says why below its text.
const auto cannot = [](const QString& what, const QString& why) -> Step {
    return {{"Error", "Could not " + what + " dictionary", why, "Critical", "Ok"}, ok};
};

// The chooser of a save, which starts in the test's folder, given a name there, or cancelled when
// the name is empty.
const auto saveAs = [](const QString& name) -> Step {
    return {{"Save dictionary", {}, {}, {}, "Save Cancel"}, name.isEmpty() ? cancel : type(name)};
};

// The question whether to replace a file that exists, or the dictionary's own file that another
// program has changed.
const QString kExists = " already exists.", kChanged = " has been changed by another program.";
const auto replacing = [](const QString& name, const QString& why, const Action& answer) -> Step {
    return {{"Save", name + why + " Do you want to replace it?", {}, "Warning", "Yes No"}, answer};
};

const auto pathTooLong = [](int limit) {
    return "This path is longer than the file system allows (" + QLocale().toString(limit) +
           " characters).";
};

// The spoken names of the controls and menu items of a window, in tree order, leaving out Qt's
// inner parts and the separators. A control with a label is spoken by it; screen readers on Linux
// speak a combo box's current item unless a label names it.
QStringList spokenNames(QAccessibleInterface* node)
{
    const auto labels = node->relations(QAccessible::Label);
    const QString name = node->object() ? node->object()->objectName() : "";
    QStringList names;
    if (QRegularExpression("^(cmb|txt|cmd|mnu)(?!Line)").match(name).hasMatch()) {
        if (!labels.isEmpty())
            names << labels.first().first->text(QAccessible::Name);
        else
            names << (node->role() == QAccessible::ComboBox ? "" : node->text(QAccessible::Name));
    }
    for (int i = 0; i < node->childCount(); ++i)
        names << spokenNames(node->child(i));
    return names;
}

const Action cancelForm = [](QWidget* form) {
    form->findChild<QPushButton*>("cmdCancel")->click();
};

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir folder; // emptied before each test
    QTemporaryDir home;
    frmMain* window = nullptr;
    clsDictionary* document = nullptr;
    QComboBox* list = nullptr;
    ModalAnswerer answerer;
    bool m_mounted = false; // the small disks of the failed saves

    QString path(const QString& name) const { return folder.filePath(name); }
    void expect(const Step& step) { answerer.expect(step.first, step.second); }
    QString shownDescription() const { return window->findChild<QPlainTextEdit*>()->toPlainText(); }

    // Clicks the button, or chooses the menu item, of that name; "close" is what drops a
    // dictionary, and a name with a dot a file in the test's folder that the desktop hands over.
    void use(const QString& name)
    {
        QFileOpenEvent fromDesktop(name);
        if (name == "close")
            window->Dictionary_Closing();
        else if (name == "the close button")
            window->close();
        else if (name.contains('.'))
            QApplication::sendEvent(qApp, &fromDesktop);
        else if (auto* button = window->findChild<QPushButton*>(name))
            button->click();
        else
            window->findChild<QAction*>(name)->trigger();
    }

    QStringList words() const
    {
        QStringList words;
        document->FillComboBox(words);
        return words;
    }

    // Words a, b, c described "A", "B" and "C", with the given password and no unsaved changes.
    void fillDictionary(const QString& password = {})
    {
        document->setDictionaryChanged(false);
        document->CreateDictionary(password, "Lab", "Fruit");
        for (const QString word : {"a", "b", "c"})
            document->AddWord(word, word.toUpper());
        document->setDictionaryChanged(false);
    }

    // The three words saved to own.dyb and a fourth, fig, added since with that description.
    // Since then, own.dyb has been given another name, link.dyb, by a hard link ("linked"), and
    // been "changed" in place by another program; or it has been replaced by a "folder"; or
    // every word has been deleted, "emptied"; or its folder has "gone".
    void own(const QString& since = {}, const QString& description = {})
    {
        fillDictionary();
        QVERIFY(document->SaveDictionary(path("own.dyb")) == 0);
        document->AddWord("fig", description);
        for (int word = 0; since == "emptied" && word < 4; ++word)
            document->DeleteWord(0);
        if (since.startsWith("linked"))
            std::filesystem::create_hard_link(path("own.dyb").toStdWString(),
                                              path("link.dyb").toStdWString());
        QVERIFY(!since.endsWith("changed") || writeBytes("own.dyb", "another program's"));
        QVERIFY(since != "folder" || (QFile::remove("own.dyb") && QDir().mkdir("own.dyb")));
        if (since == "gone")
            document->setFileName(path("gone/own.dyb"));
    }

    // The set-ups of the scenarios: own(), and a new dictionary of a word, or of a word in
    // letters that a file stores as "?".
    Setup owned(QString since = {}, QString text = {}) { return [=] { own(since, text); }; }
    const Setup fig = [this] { document->AddWord("fig", ""); };
    const Setup greek = [this] { document->AddWord("λόγος", ""); };

    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir().entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readBytes(name));
        return files;
    }

    void addNumberedWords() // w0000 to w2999, each described by its number
    {
        for (int i = 0; i < 3000; ++i)
            document->AddWord(QString("w%1").arg(i, 4, 10, QChar('0')), QString::number(i));
    }

    static QStringList recoveryCopies()
    {
        return QDir(RecoveryCopy::defaultFolder()).entryList({"*.dyb"}, QDir::Files, QDir::Time);
    }

    // A scenario: what the dictionary is, a command, the file that then holds the dictionary's
    // words (none when nothing was saved), and the windows the command shows, in order, with
    // their answers. The command is a button or a menu item, "close" for what drops a
    // dictionary, or a file in the test's folder that the desktop hands over, by its name there.
    static void scenarioColumns()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Script>("script");
    }

    static void scenario(const char* name, const Setup& setup, const QString& command,
                         const QString& file, const Script& script)
    {
        QTest::newRow(name) << setup << command << file << script;
    }

    // Plays a scenario beside another file, other.dyb, a dictionary of no words, empty.dyb, one
    // cut short, cut.dyb, a folder, folder.dyb and, where one can be made, a named pipe,
    // pipe.dyb. A dictionary left clean belongs to the file, which opens
    // with its words; one that saved nothing keeps its words, its changes and the file it had,
    // and no file has changed.
    void playScenario()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, command);
        QFETCH(QString, file);
        QFETCH(Script, script);
        QVERIFY(writeBytes("other.dyb", "another file") && writeBytes("cut.dyb", kOld.left(30)) &&
                QDir().mkdir("folder.dyb"));
        QVERIFY(clsDictionary().SaveDictionary(path("empty.dyb")) == 0);
#ifdef Q_OS_UNIX
        QVERIFY(mkfifo("pipe.dyb", 0644) == 0);
#endif
        setup();
        const bool changedBefore = document->DictionaryChanged();
        const QString fileBefore = document->FileName();
        const QStringList wordsBefore = words();
        const QMap<QString, QByteArray> filesBefore = files();
        for (const Step& step : script)
            expect(step);
        use(command);
        QCOMPARE(document->DictionaryChanged(), file.isEmpty() && changedBefore);
        QCOMPARE(document->FileName(), file.isEmpty() ? fileBefore : path(file));
        clsDictionary saved;
        if (!file.isEmpty()) {
            QCOMPARE(saved.OpenDictionary(path(file)), 0);
            QCOMPARE(saved.WordCount(), document->WordCount());
        } else {
            QCOMPARE(words(), wordsBefore);
            QCOMPARE(files().keys(), filesBefore.keys());
            QCOMPARE(files().values(), filesBefore.values());
        }
    }

private slots:
    // The recovery copies in a home of this run's own, apart from the user's and from those of
    // other runs of these tests.
    void initTestCase()
    {
        QVERIFY(qputenv("HOME", QFile::encodeName(home.path())));
        QStandardPaths::setTestModeEnabled(true);
    }

    void cleanupTestCase()
    {
        if (m_mounted)
            QProcess::execute("umount", {path("full"), path("ro")});
    }

    void init()
    {
        QDir(folder.path()).removeRecursively(); // all but the disks mounted there
        QVERIFY(QDir().mkpath(folder.path()) && QDir::setCurrent(folder.path()) &&
                QDir(RecoveryCopy::defaultFolder()).removeRecursively());
        window = new frmMain;
        window->show();
        document = window->Dictionary;
        list = window->findChild<QComboBox*>();
        // Names typed into the chooser are in the test's folder, where its choices start.
        window->OpenSave = std::make_unique<clsOpenSave>();
        window->OpenSave->setInitialDir(folder.path());
    }

    void cleanup()
    {
        document->setDictionaryChanged(false); // no save question on the way out
        delete window;
        // Back to where CTest starts the test: Windows removes no folder that is current.
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        answerer.verifyAnswered();
    }

    void everyControlIsSpokenByItsCaptionOrLabel()
    {
        QCOMPARE(spokenNames(QAccessible::queryAccessibleInterface(window)),
                 QStringList({"Word", "Description", "Add", "Edit", "Delete", "Exit", "File",
                              "File", "New Dictionary", "Open Dictionary", "Save Dictionary",
                              "Save Dictionary As", "Exit", "Edit", "Edit", "Add Word", "Edit Word",
                              "Delete Word", "Edit Dictionary", "About"}));
    }

    // Every change rebuilds the list from the document, with the first word selected and its
    // description shown, a single word too.
    void everyChangeRebuildsTheListWithTheFirstWordSelected()
    {
        document->AddWord("only", "one");
        QCOMPARE(list->count(), 1);
        QCOMPARE(shownDescription(), "one");
        fillDictionary();
        list->setCurrentIndex(2);
        document->setWordName(2, "z");
        QCOMPARE(list->itemText(2), "z");
        QCOMPARE(list->currentText(), "a");
        QCOMPARE(shownDescription(), "A");
        document->setDictionaryChanged(false);
        document->CreateDictionary();
        QCOMPARE(list->count(), 0);
        QCOMPARE(shownDescription(), "");
    }

    // Add puts the typed word last; Edit shows the selected word and writes both texts to it,
    // although the first write rebuilds the list; Delete removes the selected word. A cancelled
    // dialog, or a command with no word selected, changes nothing.
    void wordCommandsChangeTheWords_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("selected");
        QTest::addColumn<Action>("answer"); // in the dialog the command shows
        QTest::addColumn<QStringList>("words");
        const QStringList added{"a", "b", "c", "d"}, edited{"a", "d", "c"}, same{"a", "b", "c"};
        const Action saved = [](QWidget* form) { // the word d, described "D"
            form->findChild<QLineEdit*>(DialogExchange::txtWord)->setText("d");
            form->findChild<QPlainTextEdit*>(DialogExchange::txtDescription)->setPlainText("D");
            form->findChild<QPushButton*>("cmdSave")->click();
        };
        // The word dialog's title and word, as Edit shows them, then a Cancel.
        const Action showsB = [](QWidget* form) {
            const auto* box = form->findChild<QLineEdit*>();
            const QString title = form->windowTitle(), word = box->text();
            cancelForm(form);
            QCOMPARE(title, "Edit word");
            QCOMPARE(word, "b");
        };
        QTest::newRow("Add") << "cmdAdd" << 1 << saved << added;
        QTest::newRow("Add Word") << "mnuAddWord" << 1 << saved << added;
        QTest::newRow("Edit") << "cmdEdit" << 1 << saved << edited;
        QTest::newRow("Edit Word") << "mnuEditWord" << 1 << saved << edited;
        QTest::newRow("Delete") << "cmdDelete" << 1 << Action() << QStringList{"a", "c"};
        QTest::newRow("Delete Word") << "mnuDeleteWord" << 1 << Action() << QStringList{"a", "c"};
        QTest::newRow("Add cancelled") << "cmdAdd" << 1 << cancelForm << same;
        QTest::newRow("Edit cancelled") << "cmdEdit" << 1 << showsB << same;
        QTest::newRow("Edit Dictionary cancelled")
            << "mnuEditDictionary" << 1 << cancelForm << same;
        QTest::newRow("Edit, no word selected") << "cmdEdit" << -1 << Action() << same;
        QTest::newRow("Delete, no word selected") << "cmdDelete" << -1 << Action() << same;
    }

    void wordCommandsChangeTheWords()
    {
        QFETCH(QString, command);
        QFETCH(int, selected);
        QFETCH(Action, answer);
        QFETCH(QStringList, words);
        fillDictionary();
        list->setCurrentIndex(selected);
        if (answer)
            answerer.on(command == "mnuEditDictionary" ? "frmDictionary" : "frmWord", answer);
        use(command);
        QCOMPARE(this->words(), words);
        QCOMPARE(document->WordDescription(words.indexOf("d")), words.contains("d") ? "D" : "");
        QCOMPARE(document->DictionaryChanged(), words != QStringList({"a", "b", "c"}));
    }

    // Edit, Delete and Edit Dictionary ask for the password first. Anything but the exact
    // password, another case, a blank more or less, or Cancel, is refused with an error, and the
    // command does nothing.
    void passwordGateRefusesAllButTheExactPassword_data()
    {
        scenarioColumns();
        const Setup locked = [this] { fillDictionary("Secret "); };
        const Step wrong{{"Error", "Wrong password", {}, "Critical", "Ok"}, ok};
        const auto refused = [&](const char* name, const QString& command, const Action& answer) {
            scenario(name, locked, command, "", {{kPasswordPrompt, answer}, wrong});
        };
        refused("Edit, another case", "cmdEdit", type("secret "));
        refused("Edit Word, a blank more", "mnuEditWord", type(" Secret "));
        refused("Delete, a blank less", "cmdDelete", type("Secret"));
        refused("Delete Word, Cancel", "mnuDeleteWord", cancel);
        refused("Edit Dictionary, another case", "mnuEditDictionary", type("SECRET "));
    }

    void passwordGateRefusesAllButTheExactPassword() { playScenario(); }

    // Add asks for no password, and the right one is asked for once. Edit Dictionary confirmed
    // unchanged marks a change.
    void passwordGateAsksOnceAndNotForAdd()
    {
        fillDictionary("Secret ");
        answerer.on("frmWord", cancelForm);
        use("cmdAdd");
        expect({kPasswordPrompt, type("Secret ")});
        answerer.on("frmDictionary", [](QWidget* f) { f->findChild<QPushButton*>()->click(); });
        use("mnuEditDictionary");
        QVERIFY(document->DictionaryChanged());
        use("cmdDelete");
        QCOMPARE(words(), QStringList({"b", "c"}));
        QCOMPARE(document->DictionaryPassword(), "Secret ");
    }

    // Letters typed into the closed list select the next word that begins with them, whatever
    // their case, and show its description.
    void typingIntoTheClosedListSelectsTheWordThatBeginsSo()
    {
        addNumberedWords();
        QTest::keyClicks(list, "W29");
        QCOMPARE(list->currentText(), "w2900");
        QCOMPARE(shownDescription(), "2900");
    }

    // The opened list shows the selected word among thousands, and a scroll bar; keys move
    // through it and Enter picks a word, or a click picks the one under the mouse, which closes
    // the list.
    void theOpenedListPicksAWord_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("clicked"); // the row clicked after the keys; -1: none
        QTest::addColumn<QString>("picked");
        QTest::newRow("End, Up, Enter") << 1500 << QKeySequence("End,Up,Return") << -1 << "w2998";
        QTest::newRow("a click") << 2998 << QKeySequence("PgUp,Down") << 2990 << "w2990";
    }

    void theOpenedListPicksAWord()
    {
        QFETCH(int, selected);
        QFETCH(QKeySequence, keys);
        QFETCH(int, clicked);
        addNumberedWords();
        list->setCurrentIndex(selected);
        list->showPopup();
        QAbstractItemView* view = list->view();
        const QRect current = view->visualRect(view->currentIndex());
        QCOMPARE(view->currentIndex().row(), selected);
        QVERIFY(view->viewport()->rect().contains(current));
        QCOMPARE(view->indexAt(current.center()), view->currentIndex());
        QVERIFY(view->verticalScrollBar()->isVisible());
        QTest::keySequence(view, keys);
        if (clicked >= 0)
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              view->visualRect(view->model()->index(clicked, 0)).center());
        QTEST(list->currentText(), "picked");
        QCOMPARE(shownDescription(), list->currentText().mid(1));
        QVERIFY(!view->isVisible());
    }

    // While a dialog waits with typing in it, a command that would run a dialog again, change
    // which words there are or end the program, from a button, a menu, the window's close button
    // or the desktop handing over a file, brings the waiting dialog forward, alone with the
    // window, and does nothing else; the dialog's texts then go where they were meant to.
    void commandsWhileADialogWaitsBringItForward_data()
    {
        QTest::addColumn<QString>("waiting"); // the command whose dialog waits
        QTest::newRow("Edit") << "cmdEdit";
        QTest::newRow("New Dictionary") << "mnuNewDictionary";
    }

    void commandsWhileADialogWaitsBringItForward()
    {
        QFETCH(QString, waiting);
        QVERIFY(clsDictionary().SaveDictionary(path("other.dyb")) == 0);
        fillDictionary();
        const bool editing = waiting == "cmdEdit";
        QStringList notForward; // the commands after which the dialog was not in front, or alone
        answerer.on(editing ? "frmWord" : "frmDictionary", [&](QWidget* form) {
            form->findChild<QLineEdit*>()->setText("kiwi");
            for (const QString command :
                 {"cmdAdd", "cmdEdit", "cmdDelete", "mnuAddWord", "mnuEditWord", "mnuDeleteWord",
                  "mnuNewDictionary", "mnuOpenDictionary", "mnuEditDictionary", "other.dyb",
                  "cmdExit", "mnuExit", "the close button"}) {
                window->activateWindow();
                use(command);
                const QWidgetList all = QApplication::topLevelWidgets();
                if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == form; }) ||
                    std::count_if(all.begin(), all.end(), std::mem_fn(&QWidget::isVisible)) != 2)
                    notForward << command;
            }
            form->findChildren<QPushButton*>().constFirst()->click();
        });
        use(waiting);
        QCOMPARE(notForward, QStringList());
        QCOMPARE(document->FileName(), QString());
        QCOMPARE(words(), editing ? QStringList({"kiwi", "b", "c"}) : QStringList());
        QCOMPARE(document->DictionaryName(), editing ? "Fruit" : "kiwi");
    }

    // The save question, asked before a dictionary is dropped, comes for one with unsaved changes
    // and words, or of a file even when it has none left; not for one that has no words and no
    // file. Only No drops the words: a save that fails, or a path longer than the platform
    // allows, is reported and the question comes again, and so does it after a Cancel in the
    // chooser or a No to one of the save's warnings; Yes then asks where to save.
    void theSaveQuestionComesUntilTheWordsAreSavedOrDropped_data()
    {
        scenarioColumns();
        const QString tooLong =
            folder.path() + ("/" + QString(250, 'x')).repeated(clsOpenSave().MaxFile() / 251 + 1);
        const Setup noWords = [this] { document->setDictionaryName("x"); };
        scenario("no words and no file", noWords, "close", "", {});
        scenario("a new dictionary, No", fig, "close", "", {drop});
        scenario("an emptied file, Yes", owned("emptied"), "close", "own.dyb", {question});
        const QString gone = QDir::toNativeSeparators(path("gone"));
        scenario("its folder since removed", owned("gone"), "close", "fruit.dyb",
                 {question, cannot("save", "The folder " + gone + " does not exist."), question,
                  saveAs("fruit")});
        scenario("a path too long", fig, "close", "",
                 {question, saveAs(tooLong),
                  cannot("save", pathTooLong(clsOpenSave().MaxFile() - 1)), drop});
        scenario("Cancel in the chooser", fig, "close", "", {question, saveAs(""), drop});
        scenario("No to replacing another file", fig, "close", "",
                 {question, saveAs("other"), replacing("other.dyb", kExists, no), drop});
        scenario("No to the characters warning", greek, "close", "",
                 {question, saveAs("new"), {kCharacters, no}, drop});
        scenario("No to another program's changes", owned("changed"), "close", "mine.dyb",
                 {question, replacing("own.dyb", kChanged, no), question, saveAs("mine")});
    }

    void theSaveQuestionComesUntilTheWordsAreSavedOrDropped() { playScenario(); }

    // Save of a dictionary never saved runs Save As, which adds ".dyb" unless the name ends in it,
    // in any case. A save asks, each once and in this order, whether to replace another file,
    // whether to replace another program's changes to the dictionary's own file, known by any of
    // its names, and whether to save letters as "?"; it asks nothing else. No saves nothing (and
    // Enter answers No: see questionsTakeEnterAsTheirSafeAnswer).
    void savesAskOnlyWhatTheyMust_data()
    {
        scenarioColumns();
        scenario("Save, new, .DYB", fig, "mnuSave", "LOUD.DYB", {saveAs("LOUD.DYB")});
        scenario("Save, new, .txt", fig, "mnuSave", "notes.txt.dyb", {saveAs("notes.txt")});
        scenario("Save", owned(), "mnuSave", "own.dyb", {});
        scenario("Save, changed by another program, Yes", owned("changed"), "mnuSave", "own.dyb",
                 {replacing("own.dyb", kChanged, yes)});
        scenario("Save As, new, its own changed", owned("changed"), "mnuSaveAs", "new.dyb",
                 {saveAs("new")});
        scenario("Save As, another file, letters it lacks", greek, "mnuSaveAs", "other.dyb",
                 {saveAs("other"), replacing("other.dyb", kExists, yes), {kCharacters, yes}});
        scenario("Save As, its own", owned(), "mnuSaveAs", "own.dyb", {saveAs("own.dyb")});
        scenario("Save As, its own, changed, No", owned("changed"), "mnuSaveAs", "",
                 {saveAs("own.dyb"), replacing("own.dyb", kChanged, no)});
        scenario("Save As, its own by another name", owned("linked"), "mnuSaveAs", "link.dyb",
                 {saveAs("link.dyb")});
        scenario("Save As, its own by another name, changed, No", owned("linked, changed"),
                 "mnuSaveAs", "", {saveAs("link.dyb"), replacing("link.dyb", kChanged, no)});
    }

    void savesAskOnlyWhatTheyMust() { playScenario(); }

    // The save question and the three warnings of a save stay open on Escape and on a close by
    // their title bar. Enter answers the save question Yes, which saves, and each warning No,
    // which saves nothing: a key pressed in passing neither drops the words nor replaces a file.
    void questionsTakeEnterAsTheirSafeAnswer_data()
    {
        scenarioColumns();
        scenario("the save question", owned(), "close", "own.dyb", {{kSaveQuestion, enter}});
        scenario("replacing another file", owned(), "mnuSaveAs", "",
                 {saveAs("other"), replacing("other.dyb", kExists, enter)});
        scenario("another program's changes", owned("changed"), "mnuSave", "",
                 {replacing("own.dyb", kChanged, enter)});
        scenario("letters the file lacks", owned({}, "λόγος"), "mnuSave", "",
                 {{kCharacters, enter}});
    }

    void questionsTakeEnterAsTheirSafeAnswer() { playScenario(); }

    // Open asks the save question after the choice, before the load; a cancelled choice asks
    // nothing. A file the desktop hands over opens as Open opens it, under its full path.
    void opensAskTheSaveQuestionAfterTheChoice_data()
    {
        scenarioColumns();
        const SeenWindow chooser{"Open dictionary", {}, {}, {}, "Open Cancel"};
        scenario("Open, cancelled", owned(), "mnuOpenDictionary", "", {{chooser, cancel}});
        scenario("Open", owned(), "mnuOpenDictionary", "empty.dyb",
                 {{chooser, type("empty.dyb")}, drop});
        scenario("a file from the desktop", owned(), "empty.dyb", "empty.dyb", {drop});
    }

    void opensAskTheSaveQuestionAfterTheChoice() { playScenario(); }

    // A failed open or save says which file and why below the box's text, and the dictionary
    // stays as it was, its changes unsaved, even after No to saving them before an open: the
    // file is missing, a folder, cut short, no dictionary or a named pipe; its path is too long;
    // a text is too long for it; or,
    // where root can mount them, its disk is full or its folder read-only. A save over a file
    // that is no longer the one the dictionary saved asks first.
    void failuresSayWhichFileAndWhy_data()
    {
        scenarioColumns();
#ifdef Q_OS_WIN
        const int longestPath = 32767;
#else
        const int longestPath = PATH_MAX - 1;
#endif
        const auto opening = [this](const char* name, const QString& file, const QString& why) {
            scenario(name, owned(), file, "", {drop, cannot("open", why)});
        };
        QFile missing("missing.dyb");
        QVERIFY(!missing.open(QIODevice::ReadOnly)); // for the reason in the system's own words
        const QString why = QString(missing.errorString().trimmed() + '.').replace("..", ".");
        opening("open: a missing file", "missing.dyb", "missing.dyb: " + why);
        opening("open: a folder", "folder.dyb", "folder.dyb is a folder, not a file.");
        opening("open: a file cut short", "cut.dyb",
                "cut.dyb is not a dictionary file: it ends after 30 bytes, but its words need at "
                "least 34.");
        opening("open: a file that is no dictionary", "other.dyb",
                "other.dyb is not a dictionary file: it ends after 12 bytes, but its header needs "
                "at least 28,259.");
        if (!pathsEndAt4096Bytes())
            opening("open: a path too long", QString("d/").repeated(longestPath / 2) + "x.dyb",
                    pathTooLong(longestPath));
        scenario("save: a folder in the file's place", owned("folder"), "mnuSave", "",
                 {replacing("own.dyb", kChanged, yes),
                  cannot("save", "own.dyb is a folder, not a file.")});
        scenario("save: a description too long for the file", owned({}, QString(70000, 'x')),
                 "mnuSave", "",
                 {cannot("save", "own.dyb cannot hold the description of \"fig\": it takes "
                                 "70,000 bytes, and a text in a dictionary file takes at most "
                                 "65,535.")});
#ifdef Q_OS_UNIX
        opening("open: a named pipe", "pipe.dyb", "pipe.dyb is a named pipe, not a file.");
        const auto mount = [this](const QString& name, const QString& options) {
            const QStringList arguments{"-t", "tmpfs", "-o", options, name, path(name)};
            return QDir().mkpath(path(name)) && QProcess::execute("mount", arguments) == 0;
        };
        m_mounted = getuid() == 0 && mount("full", "size=16k") && mount("ro", "ro");
        const Setup large = owned({}, QString(30000, 'x')); // fits a file, not 16 kB
        if (m_mounted) {
            scenario("save: a full disk", large, "mnuSaveAs", "",
                     {saveAs("full/full.dyb"),
                      cannot("save", "full.dyb: No space left on device.")});
            scenario("save: a read-only folder", large, "mnuSaveAs", "",
                     {saveAs("ro/ro.dyb"),
                      cannot("save", "The folder " + path("ro") + " is read-only.")});
        }
#endif
    }

    void failuresSayWhichFileAndWhy() { playScenario(); }

    // Each choice starts in the folder of the file last chosen, opened (at start too) or saved.
    void eachChoiceStartsInTheFolderOfTheLastFile()
    {
        QVERIFY(QDir().mkdir("c") && clsDictionary().SaveDictionary(path("own.dyb")) == 0);
        window->OpenSave.reset();
        window->openFromDesktop(path("own.dyb"));
        const auto chooseToOpen = [&](const QString& typed) {
            answerer.on({}, type(typed));
            answerer.on({}, ok); // it does not open
            use("mnuOpenDictionary");
            return window->OpenSave->File();
        };
        QCOMPARE(chooseToOpen("x"), path("x"));
        chooseToOpen(path("c/none"));
        QCOMPARE(chooseToOpen("z"), path("c/z"));
        use("mnuSave"); // to own.dyb
        answerer.on({}, type("g"));
        use("mnuSaveAs");
        QCOMPARE(window->OpenSave->File(), path("g.dyb"));
    }

    // Closing the window while a word dialog waits asks the save question, ends that wait as a
    // cancel and lets the application's event loop end, as it ends the program.
    void shutdownWhileADialogWaits()
    {
        own();
        answerer.on("frmWord", [this](QWidget*) { use("cmdExit"); });
        expect(drop);
        QTimer watchdog; // should it hang
        watchdog.callOnTimeout(qApp, &QCoreApplication::quit);
        watchdog.start(10000);
        QTimer::singleShot(0, this, [this] { use("cmdAdd"); });
        QApplication::exec();
        QVERIFY(watchdog.isActive());
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    }

    // While the dictionary has unsaved changes, a copy of them stands in the user's own folder
    // (the folder 0700, the copy 0600), written within seconds of a change, or at once for a
    // process about to end. It goes once the changes are saved, or dropped with a No.
    void unsavedChangesHaveARecoveryCopyUntilSavedOrDropped()
    {
        own();
        QTRY_COMPARE_WITH_TIMEOUT(recoveryCopies().size(), 1, 10000);
#ifdef Q_OS_UNIX
        const QString copy = RecoveryCopy::defaultFolder() + '/' + recoveryCopies().first();
        QCOMPARE(QFile::permissions(copy) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(QFile::permissions(RecoveryCopy::defaultFolder()) & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
        use("mnuSave");
        QTRY_VERIFY(recoveryCopies().isEmpty());
        document->AddWord("plum", "");
        QVERIFY(window->keepUnsavedChanges());
        QCOMPARE(recoveryCopies().size(), 1);
        expect(drop);
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
        QVERIFY(ofAFile.SaveDictionary(path("plums.dyb")) == 0);
        ofAFile.AddWord(greek, "a word");
        ofAFile.setDictionaryPassword(greek);
        later.setFileName(path("later.dyb")); // offered unlike the oldest
        const auto always = [] { return true; };
        RecoveryCopy stillRunning(&running, always, RecoveryCopy::defaultFolder());
        QVERIFY(stillRunning.writeNow()); // the oldest
        for (clsDictionary* ended : {&unnamed, &ofAFile, &later}) {
            QTest::qWait(20); // for their order by time
            QVERIFY(RecoveryCopy(ended, always, RecoveryCopy::defaultFolder()).writeNow());
        }
        const QString offer = "Lexivault found unsaved changes to %1. Do you want to recover them?";
        answerer.expect({"Recover", offer.arg("a new dictionary"), {}, "Question", "Yes No"}, no);
        answerer.expect({"Recover", offer.arg("plums.dyb"), {}, "Question", "Yes No"}, yes);
        window->offerRecovery();
        QCOMPARE(words(), QStringList{greek});
        QCOMPARE(document->DictionaryPassword(), greek);
        QCOMPARE(document->FileName(), path("plums.dyb"));
        QVERIFY(document->DictionaryChanged() && !document->FileChangedOnDisk());
        QCOMPARE(recoveryCopies().size(), 3);
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
