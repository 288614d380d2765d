// The File menu and Edit Dictionary driven through the real chooser, properties dialog and
// message boxes: what is saved, what is kept, and that answering Yes never loses the words.
#include "ModalAnswerer.h"
#include "clsDictionary.h"
#include "frmDictionary.h"
#include "frmMain.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kSaveQuestion = QStringLiteral("Do you want to save the changes");
const QString kCouldNotSave = QStringLiteral("Could not save dictionary");
const QString kCouldNotOpen = QStringLiteral("Could not open dictionary");

// Fills the properties dialog and presses Ok, or Cancel.
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

} // namespace

class tst_fileCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    frmMain* window = nullptr;
    clsDictionary* document = nullptr;

    QString path(const QString& name) const { return folder.filePath(name); }
    void choose(const char* name) { window->findChild<QAction*>(name)->trigger(); }

    QString words() const
    {
        QStringList list;
        document->FillComboBox(list);
        return list.join(',');
    }

    // An unsaved dictionary with two words and no file.
    void fillUnsaved()
    {
        document->AddWord("apple", "a red fruit");
        document->AddWord("pear", "");
    }

    // Saves a dictionary holding the given words to a file, without the window seeing it.
    QString savedDictionary(const QString& name, const QStringList& wordList)
    {
        clsDictionary other;
        for (const QString& word : wordList)
            other.AddWord(word, word.toUpper());
        other.SaveDictionary(path(name));
        return path(name);
    }

    static QString report(const ModalAnswerer& answerer) { return answerer.failures.join('\n'); }

private slots:
    void init()
    {
        window = new frmMain;
        window->show();
        document = window->Dictionary;
    }

    void cleanup()
    {
        document->setDictionaryChanged(false);
        delete window;
    }

    void newAsksBeforeReplacingAndTakesTheProperties()
    {
        fillUnsaved();
        document->SaveDictionary(path("old.dyb"));
        document->AddWord("plum", "");
        ModalAnswerer answerer;
        answerer.actOnWindow("frmDictionary", fillProperties("x", "x", "x", false));
        choose("mnuNewDictionary"); // cancelled: nothing changes, nothing asked
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(words(), QStringLiteral("apple,pear,plum"));

        answerer.actOnWindow("frmDictionary", fillProperties("Fruit", "Lab", "pw"));
        answerer.press(QMessageBox::Yes);
        choose("mnuNewDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.last().text, kSaveQuestion);
        QCOMPARE(words(), QString());
        QCOMPARE(document->DictionaryName() + '|' + document->DictionaryAuthor() + '|' +
                     document->DictionaryPassword() + '|' + document->FileName(),
                 QStringLiteral("Fruit|Lab|pw|"));
        QVERIFY(!document->DictionaryChanged());
        QCOMPARE(document->OpenDictionary(path("old.dyb")), 0); // Yes saved the old words
        QCOMPARE(words(), QStringLiteral("apple,pear,plum"));
    }

    void openReplacesOrReportsAndKeeps()
    {
        fillUnsaved();
        QFile notADictionary(path("notes.dyb"));
        QVERIFY(notADictionary.open(QIODevice::WriteOnly));
        notADictionary.write("just some notes, not a dictionary");
        notADictionary.close();

        ModalAnswerer answerer;
        answerer.cancel();
        choose("mnuOpenDictionary");
        for (const QString& bad : {path("missing.dyb"), path("notes.dyb")}) {
            answerer.type(bad);
            answerer.press(QMessageBox::No); // unsaved changes: asked before the load
            answerer.press(QMessageBox::Ok);
            choose("mnuOpenDictionary");
        }
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.at(1).title, QStringLiteral("Open dictionary"));
        QCOMPARE(answerer.seen.at(2).text, kSaveQuestion);
        const ModalAnswerer::Seen failure = answerer.seen.at(3);
        QCOMPARE(failure.title + '|' + failure.text, "Error|" + kCouldNotOpen);
        QCOMPARE(failure.icon, QMessageBox::Critical);
        // A failed open keeps the current dictionary as it was.
        QCOMPARE(words(), QStringLiteral("apple,pear"));
        QVERIFY(document->DictionaryChanged());
        QCOMPARE(document->FileName(), QString());

        answerer.type(savedDictionary("other.dyb", {"fig", "kiwi"}));
        answerer.press(QMessageBox::No);
        choose("mnuOpenDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(window->findChild<QComboBox*>("cmbWord")->currentText(), QStringLiteral("fig"));
        QCOMPARE(words(), QStringLiteral("fig,kiwi"));
        QCOMPARE(document->FileName(), path("other.dyb"));
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
        QFETCH(QString, saved);
        fillUnsaved();
        ModalAnswerer answerer;
        answerer.type(path(typed));
        choose("mnuSave"); // never saved: Save runs Save As
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("Save dictionary"));
        QCOMPARE(document->FileName(), path(saved));
        QVERIFY(QFile::exists(path(saved)));
        QVERIFY(!document->DictionaryChanged());
    }

    void saveWritesToItsFileAndReportsFailure()
    {
        fillUnsaved();
        ModalAnswerer answerer;
        answerer.type(path("fruit.dyb"));
        choose("mnuSaveAs");
        document->AddWord("plum", "");
        choose("mnuSave"); // asks nothing now
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        clsDictionary reread;
        QCOMPARE(reread.OpenDictionary(path("fruit.dyb")), 0);
        QCOMPARE(reread.WordCount(), 2);

        document->AddWord("lost?", "");
        document->setFileName(path("no folder/fruit.dyb"));
        answerer.press(QMessageBox::Ok);
        choose("mnuSave");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.last().title + '|' + answerer.seen.last().text,
                 "Error|" + kCouldNotSave);
        QVERIFY(document->DictionaryChanged());
        QCOMPARE(document->FileName(), path("no folder/fruit.dyb"));
    }

    // Yes for a dictionary without a file asks where to save; a failed save is reported and
    // the question comes again, so the words are never lost without the user saying No.
    void saveQuestionNeverLosesWordsSilently()
    {
        fillUnsaved();
        ModalAnswerer answerer;
        answerer.actOnWindow("frmDictionary", fillProperties("", "", ""));
        answerer.press(QMessageBox::Yes);
        answerer.type(path("no folder/first.dyb")); // fails
        answerer.press(QMessageBox::Ok);
        answerer.press(QMessageBox::Yes); // asked again: pick a place that works
        answerer.type(path("kept"));
        choose("mnuNewDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QStringList texts;
        for (const ModalAnswerer::Seen& seen : answerer.seen)
            texts << seen.title;
        QCOMPARE(texts, QStringList({"Dictionary properties", "Save", "Save dictionary", "Error",
                                     "Save", "Save dictionary"}));
        clsDictionary saved;
        QCOMPARE(saved.OpenDictionary(path("kept.dyb")), 0);
        QCOMPARE(saved.WordCount(), 1);

        // Cancelling the chooser means not saving; the new dictionary still comes.
        fillUnsaved();
        answerer.actOnWindow("frmDictionary", fillProperties("", "", ""));
        answerer.press(QMessageBox::Yes);
        answerer.cancel();
        choose("mnuNewDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(words(), QString());
    }

    void editDictionaryIsGuardedAndAlwaysMarksChanged()
    {
        document->CreateDictionary("pw", "Lab", "Fruit");
        ModalAnswerer answerer;
        answerer.type("wrong");
        answerer.press(QMessageBox::Ok);
        choose("mnuEditDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.last().text, QStringLiteral("Wrong password"));

        QStringList shown;
        answerer.type("pw");
        answerer.actOnWindow("frmDictionary", [&shown](QWidget* window) {
            auto* form = static_cast<frmDictionary*>(window);
            shown << form->txtName->text() << form->txtAuthor->text() << form->txtPassword->text()
                  << form->txtReEnterPassword->text();
            form->cmdOK->click(); // unchanged
        });
        choose("mnuEditDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(shown, QStringList({"Fruit", "Lab", "pw", "pw"}));
        QVERIFY(document->DictionaryChanged());

        // A mismatch keeps the dialog open with its entries; correcting it confirms.
        answerer.actOnWindow("frmDictionary", [&answerer](QWidget* window) {
            auto* form = static_cast<frmDictionary*>(window);
            form->txtPassword->clear();
            answerer.press(QMessageBox::Ok);
            form->cmdOK->click();
            QCOMPARE(answerer.seen.last().text,
                     QStringLiteral("Password dosen't match. Please try agian"));
            QVERIFY(form->isVisible());
            QCOMPARE(form->txtReEnterPassword->text(), QStringLiteral("pw"));
            form->txtReEnterPassword->clear();
            form->cmdOK->click();
        });
        choose("mnuEditDictionary"); // the right password is remembered
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(document->DictionaryPassword(), QString());
        QCOMPARE(document->DictionaryName(), QStringLiteral("Fruit"));

        const qsizetype shownBefore = answerer.seen.size();
        answerer.actOnWindow("frmDictionary", fillProperties("", "", "", false));
        choose("mnuEditDictionary");
        QVERIFY2(answerer.done(), qPrintable(report(answerer)));
        QCOMPARE(answerer.seen.size(), shownBefore + 1); // no password left: no prompt
    }
};

QTEST_MAIN(tst_fileCommands)
#include "tst_fileCommands.moc"
