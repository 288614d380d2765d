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

// The spoken names of the controls and menu items under the node, in tree order, leaving out Qt's
// inner parts and the separators. A control with a label is spoken by it, as a combo box is.
QStringList spokenNames(QAccessibleInterface* node)
{
    static const QRegularExpression control(QStringLiteral("^(cmb|txt|cmd|mnu)(?!Line)"));
    const auto labels = node->relations(QAccessible::Label);
    QStringList names;
    if (node->object() && control.match(node->object()->objectName()).hasMatch())
        names << (labels.isEmpty() ? node : labels.first().first)->text(QAccessible::Name);
    for (int i = 0; i < node->childCount(); ++i)
        names << spokenNames(node->child(i));
    return names;
}

} // namespace

class tst_accessibility : public QObject
{
    Q_OBJECT

private slots:
    void everyControlIsNamedAfterItsCaptionOrLabel()
    {
        const auto names = [](QWidget* form) {
            return spokenNames(QAccessible::queryAccessibleInterface(form)).join(", ");
        };
        QCOMPARE(
            names(std::make_unique<frmMain>().get()),
            "Word, Description, Add, Edit, Delete, Exit, File, File, New Dictionary, "
            "Open Dictionary, Save Dictionary, Save Dictionary As, Exit, Edit, Edit, Add Word, "
            "Edit Word, Delete Word, Edit Dictionary, About");
        QCOMPARE(names(std::make_unique<frmWord>().get()), "Word, Description, Save, Cancel");
        QCOMPARE(names(std::make_unique<frmDictionary>().get()),
                 "Name, Author, Password, Re-enter password, Ok, Cancel");
    }

    // A key of one caption acts at once; a shared key moves among its owners and presses nothing,
    // so Add, which shares Alt+A with About, is reached first and then pressed with Space.
    void accessKeysActOrMoveAmongTheirOwners()
    {
        frmMain window;
        window.Dictionary->AddWord("a", "A");
        window.Dictionary->AddWord("b", "B");
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // The open menu, else the focused control, " pressed" while it is a button being pressed.
        const auto alt = [&window](Qt::Key key) {
            QTest::keyClick(&window, key, Qt::AltModifier);
            QWidget* menu = QApplication::activePopupWidget();
            QWidget* target = menu ? menu : QApplication::focusWidget();
            const auto* button = qobject_cast<QAbstractButton*>(target);
            return target->objectName() + (button && button->isDown() ? " pressed" : "");
        };

        alt(Qt::Key_D);
        QTRY_COMPARE(window.Dictionary->WordName(0), "b");
        QCOMPARE(alt(Qt::Key_E), "cmdEdit");
        QCOMPARE(alt(Qt::Key_E), "cmdExit");
        QCOMPARE(alt(Qt::Key_E), "mnuEdit");
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(alt(Qt::Key_F), "mnuFile");
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);

        QCOMPARE(alt(Qt::Key_A), "cmdAdd");
        ModalAnswerer answerer;
        answerer.actOnWindow("frmWord", [](QWidget* form) {
            form->findChild<QLineEdit*>("txtWord")->setText("c");
            QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
        });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY2(answerer.done(), qPrintable(answerer.failures.join('\n')));
        QCOMPARE(window.Dictionary->WordName(1), "c");
    }
};

QTEST_MAIN(tst_accessibility)
#include "tst_accessibility.moc"
