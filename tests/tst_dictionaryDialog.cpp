#include "ModalAnswerer.h"
#include "clsDialog.h"
#include "frmDictionary.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

frmDictionary* properties(QWidget* window)
{
    return static_cast<frmDictionary*>(window);
}

// Types the two passwords over whatever the boxes hold, then presses a button.
ModalAnswerer::Action typeAndPress(const QString& password, const QString& reEntered, bool ok)
{
    return [=](QWidget* window) {
        frmDictionary* form = properties(window);
        form->txtPassword->clear();
        QTest::keyClicks(form->txtPassword, password);
        form->txtReEnterPassword->clear();
        QTest::keyClicks(form->txtReEnterPassword, reEntered);
        (ok ? form->cmdOK : form->cmdCancel)->click();
    };
}

} // namespace

class tst_dictionaryDialog : public QObject
{
    Q_OBJECT

    frmDictionary form;
    clsDialog dialog;

private slots:
    void initTestCase() { dialog.ReferenceForm = &form; }

    void matchingPasswordsConfirm_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("both empty") << "";
        QTest::newRow("same text") << "Se cret!";
    }

    void matchingPasswordsConfirm()
    {
        QFETCH(QString, password);
        ModalAnswerer answerer;
        answerer.actOnWindow("frmDictionary", typeAndPress(password, password, true));
        const QVariantMap expected{{"Returned", "OK"},
                                   {"txtName", "Fruits"},
                                   {"txtAuthor", ""},
                                   {"txtPassword", password},
                                   {"txtReEnterPassword", password}};
        QCOMPARE(dialog.ShowDialog({{"txtName", "Fruits"}}, ""), expected);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(answerer.seen.constFirst().title, "Dictionary properties");
        QCOMPARE(form.txtReEnterPassword->displayText(), QString(password.size(), '*'));
    }

    void differingPasswordsAreRefused_data()
    {
        QTest::addColumn<QString>("reEntered");
        QTest::newRow("letter case") << "SECRET";
        QTest::newRow("trailing space") << "secret ";
        QTest::newRow("empty") << "";
    }

    void differingPasswordsAreRefused()
    {
        QFETCH(QString, reEntered);
        ModalAnswerer answerer;
        QStringList afterRefusal;
        answerer.actOnWindow("frmDictionary", typeAndPress("secret", reEntered, true));
        answerer.press(QMessageBox::Ok);
        answerer.actOnWindow("frmDictionary", [&afterRefusal](QWidget* window) {
            afterRefusal << window->property("Tag").toString()
                         << properties(window)->txtName->text()
                         << properties(window)->txtReEnterPassword->text();
            typeAndPress("secret", "secret", true)(window);
        });
        const QVariantMap result = dialog.ShowDialog({{"txtName", "Fruits"}}, "");
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));

        const ModalAnswerer::Seen message = answerer.seen.at(1);
        QCOMPARE(message.title, "Error");
        QCOMPARE(message.text, "Password dosen't match. Please try agian");
        QCOMPARE(message.icon, QMessageBox::Critical);
        QCOMPARE(message.buttons, QMessageBox::Ok);
        QCOMPARE(afterRefusal, QStringList({"", "Fruits", reEntered}));
        QCOMPARE(result.value("Returned"), "OK");
        QCOMPARE(result.value("txtReEnterPassword"), "secret");
    }

    void cancelComparesNothing()
    {
        ModalAnswerer answerer; // fails on any message box
        answerer.actOnWindow("frmDictionary", typeAndPress("one", "two", false));
        QCOMPARE(dialog.ShowDialog({}, ""), QVariantMap({{"Returned", "CANCEL"}}));
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QVERIFY(form.isHidden());
    }
};

QTEST_MAIN(tst_dictionaryDialog)
#include "tst_dictionaryDialog.moc"
