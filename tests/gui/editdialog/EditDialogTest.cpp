// The Edit dialog driven through its real widgets: row texts, deleting selections by button and key,
// OK handing back the kept positions and every way of cancelling dropping the deletions. With
// GROVEWRIGHT_SCREENSHOT_DIR set, SaveScreenshot writes the README's picture there.
#include "document/PlantingList.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <clocale>
#include <string>
#include <vector>

#include "app/CMyEditDialog.h"
#include "app/PlantedObjectsModel.h"
#include "trees/TreeCatalogue.h"

using Rows = std::vector<int>;
using Indices = std::vector<std::size_t>;

namespace {

// Objects 0 to count - 1, each with entry i of the catalogue (entry 199 and on: no catalogue GUID).
PlantingList ListOf(int count) {
    PlantingList list;
    for (int i = 0; i < count; ++i) {
        list.AppendUnchecked(47.3769 + i * 1.7e-4, 8.5417 + (i % 3) * 2.1e-4, TreeCatalogue().GuidAt(i * 23));
    }
    return list;
}

QListView* ListBox(QDialog& dialog) {
    return dialog.findChild<QListView*>("plantedObjectsList");
}
QString Count(QDialog& dialog) {
    return dialog.findChild<QLineEdit*>("numberOfTreesBox")->text();
}

void ShowAndCtrlClick(QDialog& dialog, const Rows& rows) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QListView* view = ListBox(dialog);
    for (int row : rows) {
        const QPoint place = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, place);
    }
}

}  // namespace

class EditDialogTest : public QObject {
    Q_OBJECT
private slots:
    void RowTextsUseAPointWhateverTheLocale();
    void DeleteThenEnd_data();
    void DeleteThenEnd();
    void StaysOnTopOfItsWindow();
    void SaveScreenshot();
};

void EditDialogTest::RowTextsUseAPointWhateverTheLocale() {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        QSKIP("the de_DE.UTF-8 locale is not installed (make deps generates it)");
    }
    const TreeCatalogue catalogue;
    PlantingList list;
    list.AppendUnchecked(47.5, 8.25, catalogue.GuidAt(0));
    // The catalogue matches GUIDs exactly, so one in lower case has no name.
    list.AppendUnchecked(-33.86, 151.2, QString::fromStdString(catalogue.GuidAt(0)).toLower().toStdString());
    CMyEditDialog dialog(list);
    const QAbstractItemModel* model = ListBox(dialog)->model();
    QCOMPARE(model->index(0, 0).data().toString(),
             QString::fromStdString("   1  47.5000000   8.2500000 " + catalogue.NameAt(0)));
    QCOMPARE(model->index(1, 0).data().toString(), QString("   2 -33.8600000 151.2000000 "));
    QCOMPARE(PlantedObjectsModel::RowText(99999, -0.5, 1e-8, "X"),
             std::string("100000  -0.5000000   0.0000000 X"));
    std::setlocale(LC_ALL, "C");
}

void EditDialogTest::DeleteThenEnd_data() {
    QTest::addColumn<Rows>("firstPick");
    QTest::addColumn<Rows>("secondPick");
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("end");
    QTest::addColumn<Indices>("kept");
    const Indices all{0, 1, 2, 3, 4};
    QTest::newRow("button, OK") << Rows{1, 3} << Rows{} << false << "okButton" << Indices{0, 2, 4};
    QTest::newRow("Delete key, Enter") << Rows{1, 3} << Rows{} << true << "Enter" << Indices{0, 2, 4};
    // The second press works on the rows the first left: row 1 is then the third object.
    QTest::newRow("two presses, OK") << Rows{0, 4} << Rows{1} << false << "okButton" << Indices{1, 3};
    QTest::newRow("Cancel") << Rows{1, 3} << Rows{} << false << "cancelButton" << all;
    QTest::newRow("Escape") << Rows{1, 3} << Rows{} << true << "Escape" << all;
    QTest::newRow("close box") << Rows{1, 3} << Rows{} << true << "close" << all;
}

void EditDialogTest::DeleteThenEnd() {
    QFETCH(Rows, firstPick);
    QFETCH(Rows, secondPick);
    QFETCH(bool, byKey);
    QFETCH(QString, end);
    QFETCH(Indices, kept);
    const PlantingList list = ListOf(5);
    CMyEditDialog dialog(list);
    for (const Rows& pick : {firstPick, secondPick}) {
        ShowAndCtrlClick(dialog, pick);
        if (byKey) {
            QTest::keyClick(ListBox(dialog), Qt::Key_Delete);
        } else {
            dialog.findChild<QPushButton*>("deleteButton")->click();
        }
    }
    if (end == "Enter" || end == "Escape") {
        QTest::keyClick(ListBox(dialog), end == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
    } else if (end == "close") {
        dialog.close();
    } else {
        dialog.findChild<QPushButton*>(end)->click();
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(),
             int(end == "okButton" || end == "Enter" ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(dialog.KeptIndices(), kept);
    QCOMPARE(Count(dialog), QString::number(kept.size()));
    for (std::size_t row = 0; row < kept.size(); ++row) {  // not renumbered
        const QString text = ListBox(dialog)->model()->index(static_cast<int>(row), 0).data().toString();
        QVERIFY2(text.startsWith(QString("%1 ").arg(kept[row] + 1, 4)), qPrintable(text));
    }
}

// Over a window kept on top, the dialog is kept on top too, or it would open behind it.
void EditDialogTest::StaysOnTopOfItsWindow() {
    QWidget alwaysOnTop(nullptr, Qt::WindowStaysOnTopHint);
    const PlantingList list;
    CMyEditDialog dialog(list, &alwaysOnTop);
    QVERIFY(dialog.isWindow() && dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(Count(dialog), QString("0"));
}

void EditDialogTest::SaveScreenshot() {
    const QString folder = qEnvironmentVariable("GROVEWRIGHT_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        QSKIP("GROVEWRIGHT_SCREENSHOT_DIR is not set");
    }
    const PlantingList list = ListOf(8);
    CMyEditDialog dialog(list);
    ShowAndCtrlClick(dialog, {2, 5});
    QVERIFY(dialog.grab().save(folder + "/edit-dialog.png"));
}

QTEST_MAIN(EditDialogTest)
#include "EditDialogTest.moc"
