// The main window driven as a user drives it: the word list, the word commands, the password
// gate, About and shutdown, with the real dialogs answered by the modal answerer.
#include "ModalAnswerer.h"
#include "clsDictionary.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kWrongPassword = QStringLiteral("Wrong password");

// Types a word and its description into the word dialog and presses Save, or Cancel.
ModalAnswerer::Action fillWordDialog(const QString& word, const QString& description,
                                     bool save = true)
{
    return [=](QWidget* form) {
        form->findChild<QLineEdit*>("txtWord")->setText(word);
        form->findChild<QPlainTextEdit*>("txtDescription")->setPlainText(description);
        form->findChild<QPushButton*>(save ? "cmdSave" : "cmdCancel")->click();
    };
}

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

    frmMain* window = nullptr;
    QComboBox* list = nullptr;
    QPlainTextEdit* description = nullptr;

    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(name); }
    void choose(const char* name) { window->findChild<QAction*>(name)->trigger(); }

    QStringList shownWords() const
    {
        QStringList words;
        for (int i = 0; i < list->count(); ++i)
            words << list->itemText(i);
        return words;
    }

    // Words a, b, c described "A", "B" and "C".
    void fillThreeWords(const QString& password = {})
    {
        window->Dictionary->CreateDictionary(password);
        for (const QString word : {"a", "b", "c"})
            window->Dictionary->AddWord(word, word.toUpper());
        window->Dictionary->setDictionaryChanged(false);
    }

    QString wordsOfDocument() const
    {
        QStringList words;
        window->Dictionary->FillComboBox(words);
        return words.join(',');
    }

private slots:
    void init()
    {
        window = new frmMain;
        window->show();
        list = window->findChild<QComboBox*>("cmbWord");
        description = window->findChild<QPlainTextEdit*>("txtDescription");
    }

    void cleanup()
    {
        window->Dictionary->setDictionaryChanged(false); // no save question on the way out
        delete window;
    }

    void startsEmpty()
    {
        QCOMPARE(list->count(), 0);
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(description->toPlainText(), QString());
        QCOMPARE(window->windowTitle(), QStringLiteral("Dictionary"));
    }

    // Every change rebuilds the list in document order with the first word selected.
    void listFollowsEveryChange()
    {
        fillThreeWords();
        list->setCurrentIndex(2);
        QCOMPARE(description->toPlainText(), QStringLiteral("C"));
        window->Dictionary->setDictionaryName("renamed");
        QCOMPARE(shownWords(), QStringList({"a", "b", "c"}));
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(description->toPlainText(), QStringLiteral("A"));

        window->Dictionary->setWordDescription(1, "two\nlines");
        list->setCurrentIndex(1);
        QCOMPARE(description->toPlainText(), QStringLiteral("two\nlines"));

        window->Dictionary->setDictionaryChanged(false);
        window->Dictionary->CreateDictionary();
        QCOMPARE(list->count(), 0);
        QCOMPARE(description->toPlainText(), QString());
    }

    void addAppendsFromButtonAndMenu()
    {
        fillThreeWords("secret"); // adding asks for no password
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", fillWordDialog("a", "again"));
        answerer.actOnWindow("frmWord", fillWordDialog("", ""));
        answerer.actOnWindow("frmWord", fillWordDialog("never", "added", false));
        click("cmdAdd");
        choose("mnuAddWord");
        click("cmdAdd");
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("Add word"));
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,c,a,"));
        QCOMPARE(window->Dictionary->WordDescription(3), QStringLiteral("again"));
        QCOMPARE(list->currentIndex(), 0);
    }

    void editWritesBothTextsAtTheSelectedIndex()
    {
        fillThreeWords();
        list->setCurrentIndex(2);
        ModalAnswerer answerer;
        QStringList prefilled;
        answerer.actOnWindow("frmWord", [&](QWidget* form) {
            prefilled << form->windowTitle() << form->findChild<QLineEdit*>("txtWord")->text()
                      << form->findChild<QPlainTextEdit*>("txtDescription")->toPlainText();
            fillWordDialog("z", "Z")(form);
        });
        click("cmdEdit");
        QVERIFY(answerer.done());
        QCOMPARE(prefilled, QStringList({"Edit word", "c", "C"}));
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,z"));
        QCOMPARE(window->Dictionary->WordDescription(2), QStringLiteral("Z"));
        QCOMPARE(window->Dictionary->WordDescription(0), QStringLiteral("A"));

        // Cancelled: nothing changes, not even the changed state.
        window->Dictionary->setDictionaryChanged(false);
        answerer.actOnWindow("frmWord", fillWordDialog("y", "Y", false));
        choose("mnuEditWord");
        QVERIFY(answerer.done());
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,z"));
        QVERIFY(!window->Dictionary->DictionaryChanged());
    }

    void deleteRemovesOnlyTheSelectedWord()
    {
        fillThreeWords();
        window->Dictionary->setWordName(2, "a"); // two equal names
        list->setCurrentIndex(2);
        click("cmdDelete");
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b"));
        choose("mnuDeleteWord");
        choose("mnuDeleteWord");
        QCOMPARE(list->count(), 0);
        QCOMPARE(description->toPlainText(), QString());
    }

    void editAndDeleteNeedASelection()
    {
        window->Dictionary->AddWord("a", "A");
        window->Dictionary->setDictionaryPassword("secret");
        list->setCurrentIndex(-1);
        ModalAnswerer answerer; // any window would be unexpected
        click("cmdEdit");
        click("cmdDelete");
        QTest::qWait(100);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(wordsOfDocument(), QStringLiteral("a"));
    }

    void passwordGate()
    {
        fillThreeWords("Secret");
        ModalAnswerer answerer;
        // Wrong case, a trailing blank and Cancel are all refused; the gate shows why.
        for (const char* answer : {"secret", "Secret "}) {
            answerer.type(answer);
            answerer.press(QMessageBox::Ok);
        }
        answerer.cancel();
        answerer.press(QMessageBox::Ok);
        click("cmdDelete");
        click("cmdDelete");
        choose("mnuDeleteWord");
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,c"));
        QCOMPARE(window->EnteredPassword, QString());
        const ModalAnswerer::Seen prompt = answerer.seen.at(0);
        QCOMPARE(prompt.title, QStringLiteral("Lexivault"));
        QCOMPARE(
            prompt.text,
            QStringLiteral("This dictionary is password-protected. Please state the password:"));
        const ModalAnswerer::Seen refusal = answerer.seen.at(1);
        QCOMPARE(refusal.title + '|' + refusal.text, QStringLiteral("Error|") + kWrongPassword);
        QCOMPARE(refusal.icon, QMessageBox::Critical);
        QCOMPARE(refusal.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        // The right answer is remembered until the password changes.
        answerer.type("Secret");
        click("cmdDelete");
        click("cmdDelete");
        QVERIFY(answerer.done());
        QCOMPARE(wordsOfDocument(), QStringLiteral("c"));
        window->Dictionary->setDictionaryPassword("other");
        answerer.type("Secret");
        answerer.press(QMessageBox::Ok);
        click("cmdDelete");
        QVERIFY(answerer.done());
        QCOMPARE(answerer.seen.last().text, kWrongPassword);
        QCOMPARE(wordsOfDocument(), QStringLiteral("c"));
    }

    // A second Add while the first waits runs the same dialog; both runs see its outcome.
    void secondAddInsideTheFirst()
    {
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [this](QWidget*) { click("cmdAdd"); });
        answerer.actOnWindow("frmWord", fillWordDialog("twice", "T"));
        click("cmdAdd");
        QVERIFY(answerer.done());
        QCOMPARE(wordsOfDocument(), QStringLiteral("twice,twice"));
    }

    void aboutShowsWhoMadeIt()
    {
        fillThreeWords();
        ModalAnswerer answerer;
        answerer.press(QMessageBox::Ok);
        choose("mnuAbout");
        QVERIFY(answerer.done());
        const ModalAnswerer::Seen about = answerer.seen.at(0);
        QCOMPARE(about.title + '|' + about.text,
                 QStringLiteral("About|This program is made by Quillmark"));
        QCOMPARE(about.icon, QMessageBox::Information);
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,c"));
    }

    // Closing the window while a word dialog waits asks the save question, ends that wait as a
    // cancel and leaves no window open.
    void shutdownWhileADialogWaits()
    {
        fillThreeWords();
        window->Dictionary->setDictionaryChanged(true);
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [this](QWidget* form) {
            form->findChild<QLineEdit*>("txtWord")->setText("unsaved");
            click("cmdExit");
        });
        answerer.press(QMessageBox::No);
        // Run as the program runs: the application's event loop must end by itself.
        bool hung = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [&hung] {
            hung = true;
            QCoreApplication::quit();
        });
        watchdog.start(10000);
        QTimer::singleShot(0, this, [this] { click("cmdAdd"); });
        QApplication::exec();
        QVERIFY(!hung);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        const ModalAnswerer::Seen question = answerer.seen.at(1);
        QCOMPARE(question.title + '|' + question.text,
                 QStringLiteral("Save|Do you want to save the changes"));
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(wordsOfDocument(), QStringLiteral("a,b,c"));
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
