// What a screen reader or keyboard user meets: the accessible name of every control and menu
// item, and the commands reached through the access keys of the captions alone.
#include "ModalAnswerer.h"
#include "clsDictionary.h"
#include "frmDictionary.h"
#include "frmMain.h"
#include "frmWord.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

namespace {

// A screen reader names a control after its label where it has one (Qt's way for a combo box on
// Linux), else by the control's own name.
QString spokenName(QAccessibleInterface* node)
{
    const auto labels = node->relations(QAccessible::Label);
    return (labels.isEmpty() ? node : labels.first().first)->text(QAccessible::Name);
}

// "objectName=spoken name" of every control and menu item under the widget, in tree order.
// Qt's inner parts (scroll bars, viewports, the list's popup) and the separators are left out.
QString accessibleNames(QWidget* widget)
{
    static const QRegularExpression control(QStringLiteral("^(cmb|txt|cmd|mnu)(?!Line)"));
    QStringList names;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        const QString objectName = node->object() ? node->object()->objectName() : QString();
        if (control.match(objectName).hasMatch())
            names << objectName + '=' + spokenName(node);
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(widget));
    return names.join(QStringLiteral(", "));
}

void altKey(QWidget* widget, Qt::Key key)
{
    QTest::keyClick(widget, key, Qt::AltModifier);
}

// The focused control's name, with " pressed" when it is a button that is being pressed.
QString focused()
{
    QWidget* widget = QApplication::focusWidget();
    if (!widget)
        return {};
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    return widget->objectName() + (button && button->isDown() ? " pressed" : "");
}

QString openMenu()
{
    QWidget* popup = QApplication::activePopupWidget();
    return popup ? popup->objectName() : QString();
}

// Dialogs answer their own access keys only while they are the active window.
void activate(QWidget* form)
{
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
}

// Types the word into the word dialog and saves it with Alt+S.
ModalAnswerer::Action saveWord(const QString& word)
{
    return [word](QWidget* form) {
        activate(form);
        form->findChild<QLineEdit*>("txtWord")->setText(word);
        altKey(form, Qt::Key_S);
    };
}

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT

    frmMain* window = nullptr;

    QString words() const
    {
        QStringList words;
        window->Dictionary->FillComboBox(words);
        return words.join(',');
    }

private slots:
    void init()
    {
        window = new frmMain;
        for (const QString word : {"a", "b", "c"})
            window->Dictionary->AddWord(word, word.toUpper());
        window->Dictionary->setDictionaryChanged(false);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    void cleanup()
    {
        window->Dictionary->setDictionaryChanged(false); // no save question on the way out
        delete window;
    }

    void everyControlIsNamedAfterItsCaptionOrLabel()
    {
        QCOMPARE(accessibleNames(window),
                 "cmbWord=Word, txtDescription=Description, cmdAdd=Add, cmdEdit=Edit, "
                 "cmdDelete=Delete, cmdExit=Exit, mnuFile=File, mnuFile=File, "
                 "mnuNewDictionary=New Dictionary, mnuOpenDictionary=Open Dictionary, "
                 "mnuSave=Save Dictionary, mnuSaveAs=Save Dictionary As, mnuExit=Exit, "
                 "mnuEdit=Edit, mnuEdit=Edit, mnuAddWord=Add Word, mnuEditWord=Edit Word, "
                 "mnuDeleteWord=Delete Word, mnuEditDictionary=Edit Dictionary, mnuAbout=About");
        frmWord word;
        QCOMPARE(accessibleNames(&word),
                 "txtWord=Word, txtDescription=Description, cmdSave=Save, cmdCancel=Cancel");
        frmDictionary dictionary;
        QCOMPARE(accessibleNames(&dictionary),
                 "txtName=Name, txtAuthor=Author, txtPassword=Password, "
                 "txtReEnterPassword=Re-enter password, cmdOK=Ok, cmdCancel=Cancel");
    }

    // A key that one caption owns acts at once: Alt+D deletes, Alt+F opens the File menu.
    void aKeyOfItsOwnActs()
    {
        altKey(window, Qt::Key_D);
        QVERIFY(window->findChild<QAbstractButton*>("cmdDelete")->isDown()); // then clicked
        QTRY_COMPARE(words(), QStringLiteral("b,c"));
        altKey(window, Qt::Key_F);
        QCOMPARE(openMenu(), QStringLiteral("mnuFile"));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(openMenu(), QString());
    }

    // A shared key moves among its owners at each press and presses no button: Alt+E goes to the
    // Edit button, the Exit button, then opens the Edit menu, where E moves between its two
    // items and Enter runs the chosen one. The word dialog saves on Alt+S.
    void aSharedKeyCyclesAmongItsOwners()
    {
        altKey(window, Qt::Key_E);
        QCOMPARE(focused(), QStringLiteral("cmdEdit"));
        altKey(window, Qt::Key_E);
        QCOMPARE(focused(), QStringLiteral("cmdExit"));
        altKey(window, Qt::Key_E);
        QCOMPARE(openMenu(), QStringLiteral("mnuEdit"));

        QWidget* menu = QApplication::activePopupWidget();
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(menu, Qt::Key_E); // Edit Word, Edit Dictionary, Edit Word
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", saveWord("z"));
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("Edit word"));
        QCOMPARE(words(), QStringLiteral("z,b,c"));
    }

    // Alt+A is shared by the Add button and About: the first press focuses Add, the second
    // opens About, the third comes back to Add, which Space presses.
    void addAndAboutShareTheirKey()
    {
        ModalAnswerer answerer;
        altKey(window, Qt::Key_A);
        QCOMPARE(focused(), QStringLiteral("cmdAdd"));
        answerer.press(QMessageBox::Ok);
        altKey(window, Qt::Key_A);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("About"));

        activate(window);
        altKey(window, Qt::Key_A);
        QCOMPARE(focused(), QStringLiteral("cmdAdd"));
        answerer.actOnWindow("frmWord", saveWord("d"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(words(), QStringLiteral("a,b,c,d"));
    }
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
