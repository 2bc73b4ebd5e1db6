// The Edit dialog driven through its real widgets: row texts, deleting selections by button and key,
// OK handing back the kept positions and every way of cancelling dropping the deletions.
// Before any Qt header, which defines `slots` as a macro.
#include "document/PlantingList.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <clocale>
#include <cstddef>
#include <string>
#include <vector>

#include "app/CMyEditDialog.h"
#include "app/PlantedObjectsModel.h"
#include "trees/TreeCatalogue.h"

using Indices = std::vector<std::size_t>;
Q_DECLARE_METATYPE(Indices)

namespace {

const std::string unknownGuid = "0123456789ABCDEF0123456789ABCDEF";

PlantingList ListOf(std::size_t count) {
    PlantingList list;
    for (std::size_t i = 0; i < count; ++i) {
        list.AppendUnchecked(47.0 + static_cast<double>(i) * 0.001, 8.0, unknownGuid);
    }
    return list;
}

QListView* ListBox(CMyEditDialog& dialog) { return dialog.findChild<QListView*>("plantedObjectsList"); }
QPushButton* Button(CMyEditDialog& dialog, const char* name) { return dialog.findChild<QPushButton*>(name); }
QString Count(CMyEditDialog& dialog) { return dialog.findChild<QLineEdit*>("numberOfTreesBox")->text(); }

void CtrlClickRows(QListView* view, const std::vector<int>& rows) {
    for (int row : rows) {
        const QRect rect = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    }
}

}  // namespace

class EditDialogTest : public QObject {
    Q_OBJECT
private slots:
    void RowTextsUseAPointWhateverTheLocale();
    void DeletingRemovesEverySelectedRowAndKeepsTheRestInOrder_data();
    void DeletingRemovesEverySelectedRowAndKeepsTheRestInOrder();
    void OnlyOkKeepsTheDeletions_data();
    void OnlyOkKeepsTheDeletions();
    void ControlsCarryTheirIdsAndAccessibleNames();
    void OpensAboveAnAlwaysOnTopParent();
    void SaveScreenshot();
};

void EditDialogTest::RowTextsUseAPointWhateverTheLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        QSKIP("the de_DE.UTF-8 locale is not installed (make deps generates it)");
    }
    const TreeCatalogue catalogue;
    PlantingList list = ListOf(12);
    PlantingList rows;
    rows.AppendUnchecked(47.5, 8.25, catalogue.GuidAt(0));
    for (std::size_t i = 1; i < 11; ++i) {
        rows.AppendUnchecked(0.0, 0.0, catalogue.GuidAt(1));
    }
    rows.AppendUnchecked(-33.86, 151.2, QString::fromStdString(catalogue.GuidAt(2)).toLower().toStdString());
    CMyEditDialog dialog(rows);
    const QAbstractItemModel* model = ListBox(dialog)->model();
    QCOMPARE(model->index(0, 0).data().toString(),
             QString::fromStdString("   1  47.5000000   8.2500000 " + catalogue.NameAt(0)));
    // A GUID the catalogue does not hold exactly (here in lower case) shows no name.
    QCOMPARE(model->index(11, 0).data().toString(), QString("  12 -33.8600000 151.2000000 "));
    QCOMPARE(PlantedObjectsModel::RowText(99999, -0.5, 1e-8, "X"), std::string("100000  -0.5000000   0.0000000 X"));
    std::setlocale(LC_ALL, "C");
}

void EditDialogTest::DeletingRemovesEverySelectedRowAndKeepsTheRestInOrder_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<std::vector<int>>("firstPick");
    QTest::addColumn<std::vector<int>>("secondPick");
    QTest::addColumn<Indices>("kept");
    QTest::addColumn<QString>("count");
    QTest::newRow("button, rows 1 and 3") << false << std::vector<int>{1, 3} << std::vector<int>{} << Indices{0, 2, 4} << "3";
    QTest::newRow("key, rows 1 and 3") << true << std::vector<int>{1, 3} << std::vector<int>{} << Indices{0, 2, 4} << "3";
    // The second press works on the rows left by the first: row 1 is then the original third.
    QTest::newRow("two presses") << false << std::vector<int>{0, 4} << std::vector<int>{1} << Indices{1, 3} << "2";
    QTest::newRow("nothing selected") << false << std::vector<int>{} << std::vector<int>{} << Indices{0, 1, 2, 3, 4} << "5";
}

void EditDialogTest::DeletingRemovesEverySelectedRowAndKeepsTheRestInOrder() {
    QFETCH(bool, byKey);
    QFETCH(std::vector<int>, firstPick);
    QFETCH(std::vector<int>, secondPick);
    QFETCH(Indices, kept);
    QFETCH(QString, count);
    const PlantingList list = ListOf(5);
    CMyEditDialog dialog(list);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListView* view = ListBox(dialog);
    for (const std::vector<int>& pick : {firstPick, secondPick}) {
        CtrlClickRows(view, pick);
        if (byKey) {
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Delete);
        } else {
            QTest::mouseClick(Button(dialog, "deleteButton"), Qt::LeftButton);
        }
    }
    QCOMPARE(dialog.KeptIndices(), kept);
    QCOMPARE(Count(dialog), count);
    // The rows left keep their original numbers.
    for (int row = 0; row < static_cast<int>(kept.size()); ++row) {
        QVERIFY(view->model()->index(row, 0).data().toString().startsWith(
            QString("%1 ").arg(kept[static_cast<std::size_t>(row)] + 1, 4)));
    }
}

void EditDialogTest::OnlyOkKeepsTheDeletions_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::addColumn<Indices>("kept");
    QTest::newRow("OK") << "okButton" << int(QDialog::Accepted) << Indices{0, 2};
    QTest::newRow("Enter") << "Enter" << int(QDialog::Accepted) << Indices{0, 2};
    QTest::newRow("Cancel") << "cancelButton" << int(QDialog::Rejected) << Indices{0, 1, 2};
    QTest::newRow("Escape") << "Escape" << int(QDialog::Rejected) << Indices{0, 1, 2};
    QTest::newRow("close box") << "close" << int(QDialog::Rejected) << Indices{0, 1, 2};
}

void EditDialogTest::OnlyOkKeepsTheDeletions() {
    QFETCH(QString, how);
    QFETCH(int, result);
    QFETCH(Indices, kept);
    const PlantingList list = ListOf(3);
    CMyEditDialog dialog(list);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    CtrlClickRows(ListBox(dialog), {1});
    QTest::keyClick(ListBox(dialog), Qt::Key_Delete);
    if (how == "Enter") {
        QTest::keyClick(ListBox(dialog), Qt::Key_Return);
    } else if (how == "Escape") {
        QTest::keyClick(ListBox(dialog), Qt::Key_Escape);
    } else if (how == "close") {
        dialog.close();
    } else {
        QTest::mouseClick(Button(dialog, how.toLatin1().constData()), Qt::LeftButton);
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.KeptIndices(), kept);
}

void EditDialogTest::ControlsCarryTheirIdsAndAccessibleNames() {
    const PlantingList list;
    CMyEditDialog dialog(list);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(Count(dialog), QString("0"));
    const struct {
        const char* objectName;
        int controlId;
        const char* accessibleName;
    } controls[] = {
        {"okButton", 1, "OK"},
        {"cancelButton", 2, "Cancel"},
        {"plantedObjectsList", 1023, "Planted objects"},
        {"deleteButton", 1024, "Delete"},
        {"numberOfTreesBox", 1027, "Number of trees"},
    };
    for (const auto& control : controls) {
        QWidget* widget = dialog.findChild<QWidget*>(control.objectName);
        QVERIFY2(widget != nullptr, control.objectName);
        QCOMPARE(widget->property("controlId").toInt(), control.controlId);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY2(accessible != nullptr, control.objectName);
        QCOMPARE(accessible->text(QAccessible::Name), QString(control.accessibleName));
    }
}

void EditDialogTest::OpensAboveAnAlwaysOnTopParent() {
    QWidget mainWindow(nullptr, Qt::WindowStaysOnTopHint);
    const PlantingList list;
    CMyEditDialog dialog(list, &mainWindow);
    QCOMPARE(dialog.parentWidget(), &mainWindow);
    QVERIFY(dialog.isWindow());
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// Writes the README's picture when GROVEWRIGHT_SCREENSHOT_DIR names a folder.
void EditDialogTest::SaveScreenshot() {
    const QString folder = qEnvironmentVariable("GROVEWRIGHT_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        QSKIP("GROVEWRIGHT_SCREENSHOT_DIR is not set");
    }
    const TreeCatalogue catalogue;
    PlantingList list;
    const double positions[][2] = {{47.3769, 8.5417}, {47.37702, 8.54188}, {47.37715, 8.54163}, {47.37731, 8.54201},
                                   {47.37748, 8.54177}, {-33.86, 151.2}, {47.37762, 8.54215}, {47.37779, 8.54192}};
    int entry = 0;
    for (const auto& p : positions) {
        list.AppendUnchecked(p[0], p[1], catalogue.GuidAt(entry));
        entry += 23;
    }
    CMyEditDialog dialog(list);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    CtrlClickRows(ListBox(dialog), {2, 5});
    QVERIFY(dialog.grab().save(folder + "/edit-dialog.png"));
}

QTEST_MAIN(EditDialogTest)
#include "EditDialogTest.moc"
