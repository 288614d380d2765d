// The entry dialogs run by clsDialog: how a run fills the text boxes and reads the outcome, and
// what closes the word and properties dialogs.
#include "ModalAnswerer.h"
#include "PlainTextBox.h"
#include "clsDialog.h"
#include "frmDictionary.h"
#include "frmWord.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <utility>

namespace {

const QVariantMap cancelled{{"Returned", "CANCEL"}};

// Neither key may close an entry dialog, whichever of its controls has it.
void pressEnterAndEscapeEverywhere(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Escape);
    }
}

} // namespace

class tst_dialogRunner : public QObject
{
    Q_OBJECT

    frmWord* form = nullptr;
    clsDialog dialog;

private slots:
    void init()
    {
        form = new frmWord;
        dialog.ReferenceForm = form;
    }
    void cleanup() { delete form; }

    // A run fills every box from the bag, emptying those it does not name and ignoring keys
    // that name no box, and keeps the form's title on an empty caption. The outcome is the Tag
    // upper-cased, nothing trimmed; only "OK" brings the boxes' texts.
    void runFillsTheBoxesAndReturnsTheTagUpperCased()
    {
        const QList<std::pair<QString, QVariantMap>> cases{
            {"ok", {{"Returned", "OK"}, {"txtWord", "w"}, {"txtDescription", ""}}},
            {"later", {{"Returned", "LATER"}}},
            {"ok ", {{"Returned", "OK "}}}};
        form->setWindowTitle("Edit word");
        for (const auto& [tag, expected] : cases) {
            form->txtDescription->setPlainText("left over");
            ModalAnswerer answerer;
            answerer.actOnWindow("frmWord",
                                 [tag = tag](QWidget* window) { window->setProperty("Tag", tag); });
            QCOMPARE(dialog.ShowDialog({{"txtWord", "w"}, {"txtOther", "x"}}, ""), expected);
        }
        QCOMPARE(form->windowTitle(), "Edit word");
    }

    // A run ends on a button, on closing the form through the window manager, or when the form
    // is destroyed; Enter and Escape end nothing, whichever control has them.
    void onlyButtonsClosingOrDestroyingEndARun()
    {
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [this](QWidget* window) {
            pressEnterAndEscapeEverywhere(window);
            QVERIFY(window->isVisible());
            form->cmdSave->click();
        });
        answerer.actOnWindow("frmWord", [](QWidget* window) { window->close(); });
        answerer.actOnWindow("frmWord", [this](QWidget*) { delete std::exchange(form, nullptr); });
        QCOMPARE(dialog.ShowDialog({}, "").value("txtDescription"), "\r\n");
        QCOMPARE(dialog.ShowDialog({}, ""), cancelled);
        QCOMPARE(dialog.ShowDialog({}, ""), cancelled);
        QVERIFY(answerer.done());
    }

    // Only Ok compares the passwords, exactly: a refusal says so and keeps the dialog and its
    // entries until they match, both empty included. Cancel compares nothing.
    void propertiesDialogConfirmsOnlyMatchingPasswords()
    {
        frmDictionary properties;
        dialog.ReferenceForm = &properties;
        ModalAnswerer answerer; // fails on a message box nobody expects
        QString kept;
        answerer.actOnWindow("frmDictionary", [&answerer, &kept](QWidget* window) {
            auto* form = static_cast<frmDictionary*>(window);
            pressEnterAndEscapeEverywhere(form);
            for (const QString reEntered : {"SECRET", "secret "}) {
                form->txtPassword->setText("secret");
                form->txtReEnterPassword->setText(reEntered);
                answerer.press(QMessageBox::Ok);
                form->cmdOK->click();
                QVERIFY(form->isVisible());
            }
            kept = form->txtPassword->displayText() + '|' + form->txtReEnterPassword->text();
            form->txtPassword->clear();
            form->txtReEnterPassword->clear();
            form->cmdOK->click();
            form->close(); // ends the run, should Ok have refused
        });
        QCOMPARE(dialog.ShowDialog({}, "").value("Returned"), "OK");
        QCOMPARE(kept, "******|secret ");
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        const ModalAnswerer::Seen refusal = answerer.seen.at(1);
        QCOMPARE(refusal.title + '|' + refusal.text,
                 "Error|Password dosen't match. Please try agian");
        QCOMPARE(refusal.icon, QMessageBox::Critical);

        answerer.actOnWindow("frmDictionary", [](QWidget* window) {
            static_cast<frmDictionary*>(window)->cmdCancel->click();
        });
        QCOMPARE(dialog.ShowDialog({{"txtPassword", "one"}, {"txtReEnterPassword", "two"}}, ""),
                 cancelled);
        QVERIFY(answerer.done());
    }
};

QTEST_MAIN(tst_dialogRunner)
#include "tst_dialogRunner.moc"
