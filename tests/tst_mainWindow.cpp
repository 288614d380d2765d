// The main window driven as a user drives it, with the real dialogs, chooser and message boxes
// answered by the modal answerer: the word list, the word and file commands, the password gate
// and shutdown.
#include "FileSizeLimit.h"
#include "ModalAnswerer.h"
#include "clsDictionary.h"
#include "frmDictionary.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>

namespace {

const QString kSaveQuestion = QStringLiteral("Do you want to save the changes");

// Types into the word dialog and presses Save, or Cancel.
ModalAnswerer::Action fillWord(const QString& word, const QString& description, bool save = true)
{
    return [=](QWidget* form) {
        form->findChild<QLineEdit*>("txtWord")->setText(word);
        form->findChild<QPlainTextEdit*>("txtDescription")->setPlainText(description);
        form->findChild<QPushButton*>(save ? "cmdSave" : "cmdCancel")->click();
    };
}

// Types into the properties dialog and presses Ok, or Cancel.
ModalAnswerer::Action fillProperties(const QString& name, const QString& author,
                                     const QString& password, bool confirm = true)
{
    return [=](QWidget* window) {
        auto* form = static_cast<frmDictionary*>(window);
        form->txtName->setText(name);
        form->txtAuthor->setText(author);
        form->txtPassword->setText(password);
        form->txtReEnterPassword->setText(password);
        (confirm ? form->cmdOK : form->cmdCancel)->click();
    };
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString titleAndText(const ModalAnswerer::Seen& seen)
{
    return seen.title + '|' + seen.text;
}

} // namespace

class tst_mainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    frmMain* window = nullptr;
    clsDictionary* document = nullptr;
    QComboBox* list = nullptr;
    QPlainTextEdit* description = nullptr;
    ModalAnswerer* answerer = nullptr;

    QString path(const QString& name) const { return folder.filePath(name); }
    void click(const char* name)
    {
        QTest::mouseClick(window->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    void choose(const char* name) { window->findChild<QAction*>(name)->trigger(); }
    bool answered() const { return answerer->done(); }

    // The list's items, the selected one and the description shown.
    QString shown() const
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items.join(',') + '|' + list->currentText() + '|' + description->toPlainText();
    }

    QString words() const
    {
        QStringList names;
        document->FillComboBox(names);
        return names.join(',');
    }

    // Words a, b, c described "A", "B" and "C", with no unsaved changes.
    void fill(const QString& password = {})
    {
        document->CreateDictionary(password);
        for (const QString word : {"a", "b", "c"})
            document->AddWord(word, word.toUpper());
        document->setDictionaryChanged(false);
    }

private slots:
    void init()
    {
        window = new frmMain;
        window->show();
        document = window->Dictionary;
        list = window->findChild<QComboBox*>("cmbWord");
        description = window->findChild<QPlainTextEdit*>("txtDescription");
        answerer = new ModalAnswerer;
    }

    void cleanup()
    {
        const bool done = answerer->done();
        const QString failures = answerer->failures.join('\n');
        delete answerer;
        document->setDictionaryChanged(false); // no save question on the way out
        delete window;
        QVERIFY2(done, qPrintable(failures)); // after the clean-up, so that no failure spreads
    }

    // Every change rebuilds the list in document order with the first word selected.
    void listFollowsEveryChange()
    {
        QCOMPARE(list->count() + list->currentIndex(), -1);
        fill();
        list->setCurrentIndex(2);
        QCOMPARE(description->toPlainText(), "C");
        document->setDictionaryName("renamed");
        QCOMPARE(shown(), "a,b,c|a|A");
        document->setWordDescription(1, "two\nlines");
        list->setCurrentIndex(1);
        QCOMPARE(description->toPlainText(), "two\nlines");
        document->setWordName(2, "z");
        document->DeleteWord(0);
        QCOMPARE(shown(), words() + "|b|two\nlines");
        document->setDictionaryChanged(false);
        document->CreateDictionary();
        QCOMPARE(shown(), "||");
    }

    // The drop-down opens on the selected word; End, and Page Down pressed often enough, reach
    // the last word, and Enter picks it. Typing a word's first letters into the closed list
    // selects that word.
    void dropDownAndTyping()
    {
        for (int i = 0; i < 40; ++i)
            document->AddWord(QString("w%1").arg(i, 2, 10, QChar('0')), QString::number(i));
        list->setCurrentIndex(5);
        list->showPopup();
        QAbstractItemView* view = list->view();
        QVERIFY(view->isVisible());
        QCOMPARE(view->currentIndex().row(), 5);
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(view->currentIndex().row(), 39);
        QTest::keyClick(view, Qt::Key_Home);
        for (int page = 0; page < 10; ++page)
            QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(view->currentIndex().row(), 39);
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!view->isVisible());
        QCOMPARE(list->currentText() + '|' + description->toPlainText(), "w39|39");
        QTest::keyClicks(list, "w12");
        QCOMPARE(list->currentText() + '|' + description->toPlainText(), "w12|12");
    }

    void wordCommands()
    {
        fill("secret"); // adding asks for no password
        answerer->actOnWindow("frmWord", fillWord("a", "again"));
        answerer->actOnWindow("frmWord", fillWord("", ""));
        answerer->actOnWindow("frmWord", fillWord("never", "added", false));
        click("cmdAdd");
        choose("mnuAddWord");
        click("cmdAdd");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.at(0).title, "Add word");
        QCOMPARE(words(), "a,b,c,a,");
        QCOMPARE(list->currentIndex(), 0);

        document->setDictionaryPassword({});
        QStringList shown;
        list->setCurrentIndex(2);
        answerer->actOnWindow("frmWord", [&shown](QWidget* form) {
            shown << form->windowTitle() << form->findChild<QLineEdit*>("txtWord")->text();
            fillWord("z", "Z")(form);
        });
        answerer->actOnWindow("frmWord", fillWord("y", "Y", false));
        click("cmdEdit");
        document->setDictionaryChanged(false);
        choose("mnuEditWord");
        QVERIFY(answered());
        QCOMPARE(shown, QStringList({"Edit word", "c"}));
        QCOMPARE(words() + document->WordDescription(2), "a,b,z,a,Z");
        QVERIFY(!document->DictionaryChanged()); // the cancelled edit changed nothing

        list->setCurrentIndex(3); // the second "a"
        click("cmdDelete");
        choose("mnuDeleteWord");
        QCOMPARE(words(), "b,z,");
        list->setCurrentIndex(-1);
        click("cmdEdit");
        click("cmdDelete");
        QCOMPARE(words(), "b,z,"); // nothing selected: nothing happens
    }

    void passwordGate()
    {
        fill("Secret");
        // Wrong case, a trailing blank and Cancel are all refused; the gate says why.
        for (const char* answer : {"secret", "Secret "}) {
            answerer->type(answer);
            answerer->press(QMessageBox::Ok);
        }
        answerer->cancel();
        answerer->press(QMessageBox::Ok);
        click("cmdDelete");
        click("cmdDelete");
        choose("mnuDeleteWord");
        QVERIFY(answered());
        QCOMPARE(words(), "a,b,c");
        QCOMPARE(window->EnteredPassword, QString());
        QCOMPARE(titleAndText(answerer->seen.at(0)),
                 "Lexivault|This dictionary is password-protected. Please state the password:");
        QCOMPARE(titleAndText(answerer->seen.at(1)), "Error|Wrong password");
        QCOMPARE(answerer->seen.at(1).icon, QMessageBox::Critical);

        // The right answer is remembered until the password changes.
        answerer->type("Secret");
        click("cmdDelete");
        click("cmdDelete");
        document->setDictionaryPassword("other");
        answerer->type("Secret");
        answerer->press(QMessageBox::Ok);
        click("cmdDelete");
        QVERIFY(answered());
        QCOMPARE(words(), "c");
    }

    // While a dialog waits, a command that would run a dialog again or change which words
    // there are brings the waiting dialog forward and does nothing else, from a button or a menu.
    void commandsWhileADialogWaitsBringItForward()
    {
        const auto tryEveryCommand = [this](QWidget* form) {
            click("cmdAdd");
            click("cmdEdit");
            click("cmdDelete");
            for (const char* item : {"mnuAddWord", "mnuEditWord", "mnuDeleteWord",
                                     "mnuNewDictionary", "mnuOpenDictionary", "mnuEditDictionary"}) {
                QApplication::setActiveWindow(window);
                choose(item);
                QTRY_COMPARE(QApplication::activeWindow(), form);
            }
            for (QWidget* top : QApplication::topLevelWidgets())
                QVERIFY2(top == form || top == window || !top->isVisible(),
                         qPrintable(top->objectName()));
        };
        document->AddWord("apple", "a red fruit");
        document->AddWord("pear", "");
        answerer->actOnWindow("frmWord", [&](QWidget* form) {
            tryEveryCommand(form);
            QCOMPARE(form->windowTitle() + form->findChild<QLineEdit*>("txtWord")->text(),
                     "Edit wordapple");
            fillWord("kiwi", "a red fruit")(form);
        });
        click("cmdEdit");
        QVERIFY(answered());
        QCOMPARE(shown(), "kiwi,pear|kiwi|a red fruit");

        answerer->actOnWindow("frmDictionary", [&](QWidget* form) {
            tryEveryCommand(form);
            fillProperties("Fruit", "", "")(form);
        });
        answerer->press(QMessageBox::No);
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.size(), 3);
        QCOMPARE(document->DictionaryName() + shown(), "Fruit||");
    }

    void about()
    {
        answerer->press(QMessageBox::Ok);
        choose("mnuAbout");
        QVERIFY(answered());
        QCOMPARE(titleAndText(answerer->seen.at(0)), "About|This program is made by Quillmark");
        QCOMPARE(answerer->seen.at(0).icon, QMessageBox::Information);
    }

    void newAsksBeforeReplacing()
    {
        fill();
        QCOMPARE(document->SaveDictionary(path("old.dyb")), 0);
        document->AddWord("d", "");
        answerer->actOnWindow("frmDictionary", fillProperties("x", "x", "x", false));
        choose("mnuNewDictionary"); // cancelled: nothing changes, nothing is asked
        answerer->actOnWindow("frmDictionary", fillProperties("Fruit", "Lab", "pw"));
        answerer->press(QMessageBox::Yes);
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QCOMPARE(titleAndText(answerer->seen.last()), "Save|" + kSaveQuestion);
        QCOMPARE(answerer->seen.last().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(document->DictionaryName() + document->DictionaryAuthor() +
                     document->DictionaryPassword() + words() + document->FileName(),
                 "FruitLabpw");
        QCOMPARE(document->OpenDictionary(path("old.dyb")), 0); // Yes saved the old words
        QCOMPARE(words(), "a,b,c,d");
    }

    // A failed open says so and keeps the current dictionary, unsaved changes and all.
    void openReplacesOrReportsAndKeeps()
    {
        fill();
        document->AddWord("unsaved", "");
        clsDictionary other;
        other.AddWord("fig", "");
        QCOMPARE(other.SaveDictionary(path("other.dyb")), 0);
        QFile hostile(path("hostile.dyb")); // announces more words than it holds
        QVERIFY(hostile.open(QIODevice::WriteOnly) && hostile.write(QByteArray(14, 0)) == 14 &&
                hostile.write("\xff\xff\xff\x7f") == 4 && hostile.flush());
        answerer->cancel();
        answerer->type(path("hostile.dyb"));
        answerer->press(QMessageBox::No); // asked before the load
        answerer->press(QMessageBox::Ok);
        for (int i = 0; i < 2; ++i)
            choose("mnuOpenDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.at(1).title, "Open dictionary");
        QCOMPARE(answerer->seen.at(2).text, kSaveQuestion);
        QCOMPARE(titleAndText(answerer->seen.at(3)), "Error|Could not open dictionary");
        QCOMPARE(words() + document->FileName(), "a,b,c,unsaved");
        QVERIFY(document->DictionaryChanged());

        answerer->type(path("other.dyb"));
        answerer->press(QMessageBox::No);
        choose("mnuOpenDictionary");
        QVERIFY(answered());
        QCOMPARE(list->currentText() + document->FileName(), "fig" + path("other.dyb"));
    }

    // The file the program starts with opens as Open Dictionary opens it, under its full path;
    // one that cannot be opened is reported and the empty dictionary stays.
    void openAtStart()
    {
        clsDictionary other;
        other.AddWord("fig", "F");
        QCOMPARE(other.SaveDictionary(path("start.dyb")), 0);
        QVERIFY(QDir::setCurrent(folder.path()));
        answerer->press(QMessageBox::Ok);
        window->openAtStart("missing.dyb");
        QVERIFY(answered());
        QCOMPARE(titleAndText(answerer->seen.at(0)), "Error|Could not open dictionary");
        QCOMPARE(shown() + document->FileName(), "||");
        window->openAtStart("start.dyb");
        QCOMPARE(shown() + document->FileName(), "fig|fig|F" + path("start.dyb"));
    }

    void saveAsAddsTheExtensionOnlyWhenMissing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("none") << "plain"
                              << "plain.dyb";
        QTest::newRow("capitals") << "LOUD.DYB"
                                  << "LOUD.DYB";
        QTest::newRow("other") << "notes.txt"
                               << "notes.txt.dyb";
        QTest::newRow("earlier") << "a.dyb.txt"
                                 << "a.dyb.txt.dyb";
    }

    void saveAsAddsTheExtensionOnlyWhenMissing()
    {
        QFETCH(QString, typed);
        fill();
        document->AddWord("d", "");
        answerer->type(path(typed));
        choose("mnuSave"); // never saved: Save runs Save As
        QVERIFY(answered());
        QCOMPARE(answerer->seen.at(0).title, "Save dictionary");
        QFETCH(QString, saved);
        QCOMPARE(document->FileName(), path(saved));
        QVERIFY(QFile::exists(document->FileName()) && !document->DictionaryChanged());
    }

    // Yes for a dictionary without a file asks where to save; a failed save is reported and
    // the question comes again, so the words are never lost unless the user says No.
    void failedSavesAreReported()
    {
        fill();
        document->AddWord("d", "");
        answerer->actOnWindow("frmDictionary", fillProperties("", "", ""));
        answerer->press(QMessageBox::Yes);
        answerer->type(path("no folder/first.dyb"));
        answerer->press(QMessageBox::Ok);
        answerer->press(QMessageBox::Yes);
        answerer->type(path("kept"));
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QStringList titles;
        for (const ModalAnswerer::Seen& seen : answerer->seen)
            titles << seen.title;
        QCOMPARE(titles.join(','), "Dictionary properties,Save,Save dictionary,Error,Save,"
                                   "Save dictionary");
        clsDictionary kept;
        QCOMPARE(kept.OpenDictionary(path("kept.dyb")), 0);
        QCOMPARE(kept.WordCount(), 3);

        // Save on a disk that fills up at the last bytes reports the failure and keeps the
        // changes and the old file.
        QCOMPARE(document->OpenDictionary(path("kept.dyb")), 0);
        document->AddWord("e", "");
        answerer->press(QMessageBox::Ok);
        {
            const FileSizeLimit full(QFileInfo(path("kept.dyb")).size());
            choose("mnuSave");
            QVERIFY(answered());
        }
        QCOMPARE(titleAndText(answerer->seen.last()), "Error|Could not save dictionary");
        QVERIFY(document->DictionaryChanged());
        QCOMPARE(kept.OpenDictionary(path("kept.dyb")), 0);
        QCOMPARE(kept.WordCount(), 3);
    }

    // The save question comes for a changed dictionary with one word or more, and not for one
    // that has no words and no file.
    void saveQuestionComesForAnyWord_data()
    {
        QTest::addColumn<int>("words");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("several") << 3;
    }

    void saveQuestionComesForAnyWord()
    {
        QFETCH(int, words);
        for (int i = 0; i < words; ++i)
            document->AddWord("w", "");
        document->setDictionaryName("changed");
        answerer->actOnWindow("frmDictionary", fillProperties("", "", ""));
        if (words > 0)
            answerer->press(QMessageBox::No);
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.size(), words > 0 ? 2 : 1);
    }

    // The texts are longer than Qt's one-line boxes keep by default; they come back whole.
    void editDictionaryIsGuardedAndAlwaysMarksChanged()
    {
        const QString name(40000, 'n'), password(40000, 'p');
        document->CreateDictionary(password, "Lab", name);
        answerer->type("wrong");
        answerer->press(QMessageBox::Ok);
        choose("mnuEditDictionary");
        QStringList shown;
        answerer->type(password);
        answerer->actOnWindow("frmDictionary", [&shown](QWidget* window) {
            auto* form = static_cast<frmDictionary*>(window);
            shown << form->txtName->text() << form->txtAuthor->text() << form->txtPassword->text()
                  << form->txtReEnterPassword->text();
            form->cmdOK->click(); // unchanged
        });
        choose("mnuEditDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.at(1).text, "Wrong password");
        QCOMPARE(shown, QStringList({name, "Lab", password, password}));
        QVERIFY(document->DictionaryName() == name && document->DictionaryPassword() == password);
        QVERIFY(document->DictionaryChanged());

        answerer->actOnWindow("frmDictionary", fillProperties("Fruit", "", ""));
        choose("mnuEditDictionary"); // the right password is remembered
        const qsizetype shownBefore = answerer->seen.size();
        answerer->actOnWindow("frmDictionary", fillProperties("", "", "", false));
        choose("mnuEditDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.size(), shownBefore + 1); // no password left: no prompt
    }

    // Edit confirmed without a change gives the texts back exactly, so the saved file keeps
    // its line breaks, no-break spaces and a 40,000-character word byte for byte. A changed
    // description keeps every character, with every line break, typed or kept, as CR LF.
    void editGivesBackWhatTheUserLeftAlone()
    {
        const QString breaks = QString("one\r\ntwo") + QChar(0xA0) + "three\nfour\rfive";
        clsDictionary source;
        source.AddWord(QString(40000, 'w'), breaks);
        QCOMPARE(source.SaveDictionary(path("exact.dyb")), 0);
        const QByteArray bytes = readBytes(path("exact.dyb"));
        QCOMPARE(document->OpenDictionary(path("exact.dyb")), 0);
        answerer->actOnWindow("frmWord", [](QWidget* form) {
            form->findChild<QPushButton*>("cmdSave")->click();
        });
        click("cmdEdit");
        QVERIFY(answered());
        choose("mnuSave");
        QCOMPARE(readBytes(path("exact.dyb")), bytes);

        answerer->actOnWindow("frmWord", [](QWidget* form) {
            auto* box = form->findChild<QPlainTextEdit*>("txtDescription");
            QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(box, "!");
            QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier); // a line separator
            QTest::keyClicks(box, "x");
            form->findChild<QPushButton*>("cmdSave")->click();
        });
        click("cmdEdit");
        QVERIFY(answered());
        QCOMPARE(document->WordDescription(0),
                 QString("one\r\ntwo") + QChar(0xA0) + "three\r\nfour\r\nfive!\r\nx");
    }

    // A chosen path longer than the platform allows is reported as the failed save or open it
    // is, and the save question then comes again. Spaces after a typed name are dropped.
    void pathsThatDoNotFitOrEndInSpaces()
    {
        QString tooLong = folder.path();
        while (tooLong.size() <= PATH_MAX)
            tooLong += '/' + QString(250, 'x');
        fill();
        answerer->type(tooLong);
        answerer->press(QMessageBox::Ok);
        answerer->type(tooLong);
        answerer->press(QMessageBox::Ok);
        answerer->type(path("spaced.dyb "));
        choose("mnuSaveAs");
        choose("mnuOpenDictionary");
        choose("mnuSaveAs");
        QVERIFY(answered());
        QCOMPARE(titleAndText(answerer->seen.at(1)), "Error|Could not save dictionary");
        QCOMPARE(titleAndText(answerer->seen.at(3)), "Error|Could not open dictionary");
        QCOMPARE(document->FileName(), path("spaced.dyb"));

        document->AddWord("d", "");
        document->setFileName({});
        answerer->actOnWindow("frmDictionary", fillProperties("", "", ""));
        for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
            answerer->press(answer);
            if (answer == QMessageBox::Yes) {
                answerer->type(tooLong);
                answerer->press(QMessageBox::Ok);
            }
        }
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.size(), 10);
    }

    // The changes of a dictionary that belongs to a file are not dropped unasked, even when it
    // has no words left or only its properties changed while it has none.
    void emptiedDictionaryOfAFileAsksBeforeItGoes()
    {
        fill();
        QCOMPARE(document->SaveDictionary(path("emptied.dyb")), 0);
        for (int word = 0; word < 3; ++word)
            document->DeleteWord(0);
        answerer->type(path("emptied.dyb"));
        answerer->press(QMessageBox::Yes);
        choose("mnuOpenDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.last().text, kSaveQuestion);
        QCOMPARE(document->WordCount(), -1); // the emptied dictionary was saved, then opened

        document->setDictionaryAuthor("new author");
        answerer->actOnWindow("frmDictionary", fillProperties("", "", ""));
        answerer->press(QMessageBox::No);
        choose("mnuNewDictionary");
        QVERIFY(answered());
        QCOMPARE(answerer->seen.last().text, kSaveQuestion);
    }

    // Closing the window while a word dialog waits asks the save question, ends that wait as a
    // cancel and lets the application's event loop end, as it ends the program.
    void shutdownWhileADialogWaits()
    {
        fill();
        document->setDictionaryChanged(true);
        answerer->actOnWindow("frmWord", [this](QWidget* form) {
            form->findChild<QLineEdit*>("txtWord")->setText("unsaved");
            click("cmdExit");
        });
        answerer->press(QMessageBox::No);
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
        QVERIFY(answered());
        QCOMPARE(titleAndText(answerer->seen.at(1)), "Save|" + kSaveQuestion);
        QCOMPARE(words(), "a,b,c");
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    }
};

QTEST_MAIN(tst_mainWindow)
#include "tst_mainWindow.moc"
