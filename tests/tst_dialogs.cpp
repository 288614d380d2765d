// The dialogs on their own, driven as a user drives them: the entry dialogs under their runner,
// the questions that only Yes or No answer, and the file chooser. How the window uses them is
// tst_mainWindow's business.
#include "ModalAnswerer.h"
#include "PlainTextBox.h"
#include "TestFiles.h"
#include "YesNoBox.h"
#include "clsDialog.h"
#include "clsOpenSave.h"
#include "frmDictionary.h"
#include "frmWord.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Answer;
using namespace DialogExchange;
using Action = ModalAnswerer::Action;

namespace {

std::unique_ptr<EntryDialog> makeForm(const QString& name)
{
    if (name == "frmWord")
        return std::make_unique<frmWord>();
    return std::make_unique<frmDictionary>();
}

// An entry dialog's first button confirms it, its last cancels it.
void confirm(QWidget* form) { form->findChildren<QPushButton*>().constFirst()->click(); }
void cancel(QWidget* form) { form->findChildren<QPushButton*>().constLast()->click(); }

const QString kLines = "one\r\ntwo\u00A0three\nfour\rfive";

} // namespace

class tst_dialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    ModalAnswerer answerer;
    QString path(const QString& name) const { return folder.filePath(name); }

    // Runs a form through a runner of its own with the bag; the action answers it once it shows.
    QVariantMap run(QWidget* form, const QVariantMap& bag, const Action& action,
                    const QString& caption = {})
    {
        clsDialog dialog;
        dialog.ReferenceForm = form;
        answerer.on(form->objectName(), action);
        return dialog.ShowDialog(bag, caption);
    }

private slots:
    void cleanup() { answerer.verifyAnswered(); }

    // A run fills every box from the bag, a text of any length too, empties those it does not
    // name and leaves alone keys that name no box; a caption titles the form, an empty one
    // keeps its title. Enter and Escape end nothing; a button, a close by the window manager or
    // the form's end do. The outcome is the Tag upper-cased; only "OK" brings the boxes' texts.
    // A description comes back as given, however its lines break and with its no-break spaces,
    // but for the part the user changed, which comes back as typed, every line break as CR LF;
    // an undone change is none.
    void runsGiveBackTheOutcomeAndTheTexts_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QVariantMap>("bag");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QVariantMap>("result");
        QTest::addColumn<QString>("title");
        const QString word(40000, 'w');
        const QVariantMap cancelled{{Returned, CANCEL}};
        const Action keys = [](QWidget* form) {
            for (QWidget* control : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QTest::keyClick(control, Qt::Key_Return);
                QTest::keyClick(control, Qt::Key_Escape);
            }
            confirm(form);
        };
        const auto row = [](const char* name, const QString& form, const QVariantMap& bag,
                            const Action& action, const QVariantMap& result) {
            QTest::newRow(name) << form << bag << QString() << action << result
                                << (form == "frmWord" ? "Add a word" : "Dictionary properties");
        };
        // Keys typed into the description, then Save.
        const auto described = [](const char* name, const QString& given, const QStringList& keys,
                                  const QString& result) {
            const Action typed = [keys](QWidget* form) {
                for (const QString& key : keys)
                    QTest::keySequence(form->findChild<PlainTextBox*>(), QKeySequence(key));
                confirm(form);
            };
            QTest::newRow(name) << "frmWord" << QVariantMap{{txtDescription, given}} << QString()
                << typed
                << QVariantMap{{Returned, OK}, {txtWord, ""}, {txtDescription, result}}
                << "Add a word";
        };
        row("Save", "frmWord", {{txtWord, word}, {"txtOther", "x"}}, confirm,
            {{Returned, OK}, {txtWord, word}, {txtDescription, ""}});
        row("Ok", "frmDictionary", {{txtName, "n"}}, confirm,
            {{Returned, OK}, {txtName, "n"}, {txtAuthor, ""}, {txtPassword, ""},
             {txtReEnterPassword, ""}});
        row("a Tag of ok", "frmWord", {}, [](QWidget* form) { form->setProperty(Tag, "ok"); },
            {{Returned, OK}, {txtWord, ""}, {txtDescription, ""}});
        row("Cancel", "frmWord", {{txtWord, "w"}}, cancel, cancelled);
        row("closed by the window manager", "frmWord", {}, [](QWidget* f) { f->close(); },
            cancelled);
        row("the form's end", "frmWord", {}, [](QWidget* form) { delete form; }, cancelled);
        row("Enter and Escape in every control", "frmWord", {}, keys,
            {{Returned, OK}, {txtWord, ""}, {txtDescription, "\r\n"}});
        QTest::newRow("a caption titles the form")
            << "frmWord" << QVariantMap() << "Edit word" << Action(cancel) << cancelled
            << "Edit word";
        described("a description left alone", kLines, {}, kLines);
        described("a change undone", kLines, {"Ctrl+End", "Q", "Ctrl+Z"}, kLines);
        described("a line break typed", kLines,
                  {"Ctrl+Home", "Down", "End", "!", "Shift+Return", "X"},
                  "one\r\ntwo\u00A0three!\r\nx\nfour\rfive");
        described("a letter typed beside the same letter", "book",
                  {"Ctrl+Home", "Right", "Right", "o"}, "boook");
        described("a letter deleted beside the same letter", "boook",
                  {"Ctrl+Home", "Right", "Right", "Del"}, "book");
    }

    void runsGiveBackTheOutcomeAndTheTexts()
    {
        QFETCH(QString, form);
        QFETCH(QVariantMap, bag);
        QFETCH(QString, caption);
        QFETCH(Action, action);
        QPointer<QDialog> dialog = makeForm(form).release(); // which the action may delete
        const auto deleted = qScopeGuard([&] { delete dialog; });
        for (QLineEdit* box : dialog->findChildren<QLineEdit*>())
            box->setText("left over");
        QTEST(run(dialog, bag, action, caption), "result");
        if (dialog)
            QTEST(dialog->windowTitle(), "title");
    }

    // Shown again, a dialog has no text selected, so that the first key typed does not replace
    // it; the boxes of both dialogs are alike in this.
    void aDialogShownAgainHasNoTextSelected()
    {
        frmDictionary dialog;
        QString selected = "not shown";
        run(&dialog, {{txtName, "name"}}, cancel);
        run(&dialog, {{txtName, "name"}}, [&](QWidget* shown) {
            selected = shown->findChild<QLineEdit*>()->selectedText();
            cancel(shown);
        });
        QCOMPARE(selected, QString());
    }

    // Save and Ok hand over only texts a file can hold and passwords that match: a text of more
    // than 65,535 bytes as stored, a password with a character the file cannot store, or two
    // passwords that differ at all (in case, by a blank) are refused with an error, the dialog
    // open, active and unchanged, the focus in the box, the passwords as typed and masked. A name
    // may hold characters the file lacks, which the warning at save is about.
    void entryDialogsHandOverOnlyTextsAFileHoldsAndMatchingPasswords_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reEntered"); // the password typed again
        QTest::addColumn<QString>("refusal");   // the error's text; empty: handed over
        const QString longest(65535, 'x');
        const QString tooLong = "This text is too long: a dictionary file holds at most 65,535 "
                                "characters in one text.";
        const QString mismatch = "Password dosen't match. Please try agian";
        for (const QString& box : {txtWord, txtDescription, txtName, txtAuthor, txtPassword}) {
            const bool inWord = box == txtWord || box == txtDescription;
            const QString again = box == txtPassword ? longest + 'x' : "";
            QTest::addRow("%s too long", qPrintable(box))
                << (inWord ? "frmWord" : "frmDictionary") << box << longest + 'x' << again
                << tooLong;
        }
        QTest::newRow("description as long as a text")
            << "frmWord" << txtDescription << longest << "" << "";
        QTest::newRow("an emoji is stored as one '?'")
            << "frmWord" << txtWord << QString("\U0001F600").repeated(65535) << "" << "";
        QTest::newRow("Greek password") << "frmDictionary" << txtPassword << "λόγος" << "λόγος"
            << "The password can only hold characters that a dictionary file can store.";
        QTest::newRow("Greek name") << "frmDictionary" << txtName << "λόγος" << "" << "";
        QTest::newRow("passwords the same")
            << "frmDictionary" << txtPassword << "secret" << "secret" << "";
        QTest::newRow("passwords both empty") << "frmDictionary" << txtPassword << "" << "" << "";
        QTest::newRow("passwords of another case")
            << "frmDictionary" << txtPassword << "secret" << "SECRET" << mismatch;
        QTest::newRow("passwords, a blank more")
            << "frmDictionary" << txtPassword << "secret" << "secret " << mismatch;
    }

    void entryDialogsHandOverOnlyTextsAFileHoldsAndMatchingPasswords()
    {
        QFETCH(QString, form);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, reEntered);
        QFETCH(QString, refusal);
        const auto dialog = makeForm(form);
        QString focused, tag = "confirmed";
        const QVariantMap result = run(dialog.get(), {}, [&](QWidget* shown) {
            if (auto* line = shown->findChild<QLineEdit*>(box))
                line->setText(text);
            if (auto* description = shown->findChild<PlainTextBox*>(box))
                description->setText(text);
            if (auto* again = shown->findChild<QLineEdit*>(txtReEnterPassword))
                again->setText(reEntered);
            if (!refusal.isEmpty())
                answerer.expect({"Error", refusal, {}, "Critical", "Ok"}, press(QMessageBox::Ok));
            confirm(shown);
            if (refusal.isEmpty())
                return;
            const bool active = QTest::qWaitFor([&] { return shown->isActiveWindow(); });
            if (active && QApplication::focusWidget())
                focused = QApplication::focusWidget()->objectName();
            tag = shown->isVisible() ? shown->property(Tag).toString() : "hidden";
            cancel(shown);
        });
        QCOMPARE(isConfirmed(result), refusal.isEmpty());
        QCOMPARE(DialogExchange::text(result, box), refusal.isEmpty() ? text : "");
        QCOMPARE(focused, refusal.isEmpty() ? "" : box);
        QCOMPARE(tag, refusal.isEmpty() ? "confirmed" : "");
        if (auto* again = dialog->findChild<QLineEdit*>(txtReEnterPassword)) {
            QCOMPARE(again->text(), reEntered);
            QCOMPARE(again->echoMode(), QLineEdit::Password);
            QCOMPARE(dialog->findChild<QLineEdit*>(txtPassword)->echoMode(), QLineEdit::Password);
        }
    }

    // File holds the chosen path as it was typed, no extension added, without the blanks around
    // it unless a file has that very name, when it fits in MaxFile - 1 characters (the platform's
    // path limit less one by default); it is empty when the path does not fit, which PathTooLong
    // tells, or when the user cancels. The filter's pairs show as Qt's name filters.
    void chooserGivesThePathWhenItFits_data()
    {
        QTest::addColumn<QString>("typed"); // empty: Cancel
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("tooLong");
        const int maxFile = clsOpenSave().MaxFile();
        QString deep = folder.path();
        while (deep.size() < maxFile - 250)
            deep += '/' + QString(200, 'd');
        QDir().mkpath(deep);
        QFile(path("words.dyb ")).open(QIODevice::WriteOnly);
        const QString fits = deep + '/' + QString(maxFile - 2 - deep.size(), 'f');
        QTest::newRow("Cancel") << "" << "" << false;
        const QString programFolder = QCoreApplication::applicationDirPath();
        QTest::newRow("a name with blanks around it")
            << "mydictionary  " << programFolder + "/mydictionary" << false;
        QTest::newRow("the longest path that fits") << fits << fits << false;
        QTest::newRow("a path one longer") << fits + 'f' << "" << true;
#ifdef Q_OS_UNIX // where "words.dyb " is a name of its own
        QTest::newRow("a file's name that ends in a blank")
            << path("words.dyb ") << path("words.dyb ") << false;
#endif
        QTest::newRow("a new name that ends in a blank")
            << path("other.dyb ") << path("other.dyb") << false;
    }

    void chooserGivesThePathWhenItFits()
    {
        QFETCH(QString, typed);
        if (typed.size() > 4000 && pathsEndAt4096Bytes())
            QSKIP("Wine makes no path past Linux's 4,096 bytes, where Windows goes to 32,767");
        clsOpenSave chooser;
        chooser.setFilter(QString("Dictionary database (*.dyb)|*.dyb|Word lists|*.txt;*.lst")
                              .replace('|', QChar(0)));
        chooser.setFile("/earlier/choice.dyb");
        QStringList filters;
        answerer.expect({"Save dictionary", {}, {}, {}, "Save Cancel"}, [&](QWidget* dialog) {
            filters = qobject_cast<QFileDialog*>(dialog)->nameFilters();
            if (typed.isEmpty())
                press(QDialogButtonBox::Cancel)(dialog);
            else
                type(typed)(dialog);
        });
        QVERIFY(chooser.SaveFile(nullptr, "Save dictionary"));
        QTEST(chooser.File(), "file");
        QTEST(chooser.PathTooLong(), "tooLong");
        QCOMPARE(filters, QStringList({"Dictionary database (*.dyb)", "Word lists (*.txt *.lst)"}));
    }

#ifdef Q_OS_UNIX // where another user is made with Unix calls
    // A run's first choice starts in the program's folder when the user may write there and it
    // is no system folder, else in the documents folder, else at home.
    void chooserStartsInAFolderTheUserMayWriteIn()
    {
        const QString program = QCoreApplication::applicationDirPath(), home = path("home");
        const QFile::Permissions kept = QFile::permissions(program);
        // As root the real user becomes nobody; anyone else sees the folder made read-only.
        const auto asAnotherUser = [&, root = getuid() == 0](bool another) {
            if (root)
                return setresuid(another ? 65534 : 0, -1, -1) == 0;
            return QFile::setPermissions(program, another ? kept & ~0x2222 : kept);
        };
        const auto firstChoice = [this] {
            clsOpenSave chooser;
            answerer.on({}, type("a"));
            chooser.OpenFile(nullptr, "Open dictionary");
            return chooser.File();
        };
        QVERIFY(QDir().mkpath(home) && qputenv("HOME", home.toLocal8Bit()) &&
                QFile::setPermissions(folder.path(), kept) && asAnotherUser(true));
        const QString atHome = firstChoice();
        const QString inDocuments = QDir(home).mkdir("Documents") ? firstChoice() : "";
        QVERIFY(asAnotherUser(false));
        QCOMPARE(atHome, home + "/a");
        QCOMPARE(inDocuments, home + "/Documents/a");
        // A folder the system keeps programs in is none, even for root, who may write there.
        for (const QString system : {"/usr/bin", "/usr/local/bin", "/bin", "/opt"})
            QCOMPARE(clsOpenSave::firstFolder(system), home + "/Documents");
    }
#endif
};

QTEST_MAIN(tst_dialogs)
#include "tst_dialogs.moc"
