#include "ModalAnswerer.h"
#include "clsDialog.h"
#include "frmWord.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <utility>

namespace {

QVariantMap bag(const QString& word, const QString& description, const QString& returned = {})
{
    QVariantMap result{{"txtWord", word}, {"txtDescription", description}};
    if (!returned.isEmpty())
        result.insert("Returned", returned);
    return result;
}

const QVariantMap cancelled{{"Returned", "CANCEL"}};

frmWord* word(QWidget* window)
{
    return static_cast<frmWord*>(window);
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

    void confirmReturnsEveryText()
    {
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [](QWidget* window) {
            QTest::keyClicks(word(window)->txtDescription, "a fruit");
            QTest::keyClick(word(window)->txtDescription, Qt::Key_Return);
            QTest::keyClicks(word(window)->txtDescription, "red");
            word(window)->cmdSave->click();
        });
        QCOMPARE(dialog.ShowDialog({}, "Add word"), bag("", "a fruit\nred", "OK"));
        QVERIFY(answerer.done());
        QVERIFY(form->isHidden());
    }

    void eachRunRewritesEveryBoxAndEmptyCaptionKeepsTitle()
    {
        ModalAnswerer answerer;
        QStringList shown;
        auto noteAndCancel = [&shown](QWidget* window) {
            shown << window->windowTitle() << word(window)->txtWord->text()
                  << word(window)->txtDescription->toPlainText();
            word(window)->cmdCancel->click();
        };
        for (int run = 0; run < 3; ++run)
            answerer.actOnWindow("frmWord", noteAndCancel);
        QCOMPARE(dialog.ShowDialog(bag("old", "text"), ""), cancelled);
        QCOMPARE(dialog.ShowDialog({{"txtWord", "new"}, {"txtOther", "x"}}, "Edit word"),
                 cancelled);
        QCOMPARE(dialog.ShowDialog({}, ""), cancelled);
        QCOMPARE(shown, QStringList({"Add a word", "old", "text", "Edit word", "new", "",
                                     "Edit word", "", ""}));
        QVERIFY(answerer.done());
    }

    void outcomeWordIsUpperCased_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("ok") << "ok" << bag("w", "d", "OK");
        QTest::newRow("other word") << "later" << QVariantMap{{"Returned", "LATER"}};
        QTest::newRow("nothing trimmed") << "ok " << QVariantMap{{"Returned", "OK "}};
    }

    void outcomeWordIsUpperCased()
    {
        QFETCH(QString, tag);
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord",
                             [tag](QWidget* window) { window->setProperty("Tag", tag); });
        QTEST(dialog.ShowDialog(bag("w", "d"), "Edit word"), "expected");
    }

    void closingWithoutButtonsCancels_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("window manager") << "close";
        QTest::newRow("every window closed at shutdown") << "closeAll";
        QTest::newRow("form destroyed") << "delete";
    }

    void closingWithoutButtonsCancels()
    {
        QFETCH(QString, how);
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [this, how](QWidget* window) {
            QTest::keyClicks(word(window)->txtWord, "typed");
            if (how == "close")
                window->close();
            else if (how == "closeAll")
                QApplication::closeAllWindows();
            else
                delete std::exchange(form, nullptr);
        });
        QCOMPARE(dialog.ShowDialog({}, "Add word"), cancelled);
    }

    void enterAndEscapeDoNotClose()
    {
        ModalAnswerer answerer;
        bool stayedOpen = false;
        answerer.actOnWindow("frmWord", [&stayedOpen](QWidget* window) {
            frmWord* form = word(window);
            for (QWidget* control : QList<QWidget*>{form->txtWord, form->txtDescription,
                                                    form->cmdSave, form->cmdCancel}) {
                QTest::keyClick(control, Qt::Key_Return);
                QTest::keyClick(control, Qt::Key_Escape);
            }
            stayedOpen = window->isVisible() && window->property("Tag").toString().isEmpty();
            word(window)->cmdSave->click();
        });
        QCOMPARE(dialog.ShowDialog({}, "Add word").value("txtDescription"), "\n");
        QVERIFY(stayedOpen);
    }

    // A command of the main window may run the same dialog again while the first run waits.
    void nestedRunSharesTheOutcome()
    {
        ModalAnswerer answerer;
        QVariantMap inner;
        answerer.actOnWindow("frmWord",
                             [&](QWidget*) { inner = dialog.ShowDialog(bag("second", ""), ""); });
        answerer.actOnWindow("frmWord", [](QWidget* window) { word(window)->cmdSave->click(); });
        const QVariantMap outer = dialog.ShowDialog(bag("first", ""), "Add word");
        QCOMPARE(inner, bag("second", "", "OK"));
        QCOMPARE(outer, inner);
        QVERIFY(answerer.done());
    }
};

QTEST_MAIN(tst_dialogRunner)
#include "tst_dialogRunner.moc"
