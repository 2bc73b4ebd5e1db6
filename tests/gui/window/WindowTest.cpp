// The main window and its palettes driven through their real widgets, against the stand-in simulator.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <memory>

#include "app/CMyEditDialog.h"
#include "app/CTopDialog.h"
#include "app/FileCommands.h"
#include "app/PlantingSession.h"
#include "app/palette/CPictureButton.h"
#include "app/palette/CPlaceTreesDlg.h"
#include "app/palette/CVorlsTrees.h"
#include "tests/gui/window/ModalScript.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/WindowControls.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace {

constexpr int conifer3 = 1009;

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void KeysCloseNothingAndPagesKeepTheirChoice();
    void TreeButtonRefusedWhileNoFileOpen();
    void NewAsksBeforeTakingAnExistingFileAndKeepsPlantedObjects();
    void PlantsTheChosenHeightOnceAtTheAircraft();
    void HeightBoxShowsOnlyItsEntries();
    void EditDeleteIsOneStepOfTheHistory();
    void AccessibleNamesAndPressAction();
    void LayoutShowsEveryTextAndPicture();

private:
    void ChooseConifer3Height(int index);
    QString Status() const { return window->findChild<QLabel*>("statusLine")->text(); }
    const PlantingDocument& Document() { return window->Session().Document(); }
    void OpenNewFile() { window->Session().NameNewFile("first.xml", workingFolder.Path().string() + "/"); }
    void New(const QString& path, QMessageBox::StandardButton answer);

    ScratchRuntimeFolder runtime;
    TemporaryFolder workingFolder;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<CTopDialog> window;
};

void WindowTest::initTestCase() {
    workingFolder.Write("bglcomp.exe", "stand-in");
    std::filesystem::current_path(workingFolder.Path());
}

void WindowTest::init() {
    simulator = std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{});
    QVERIFY(simulator->IsReady());
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker());
    QVERIFY(window->OnInitDialog());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void WindowTest::cleanup() {
    window.reset();
    simulator.reset();
}

void WindowTest::ChooseConifer3Height(int index) {
    if (!Document().FileOpen()) {
        OpenNewFile();
    }
    Press(window.get(), conifer3);
    auto* heights = Control<QComboBox>(window.get(), 1016);
    QCOMPARE(heights->count(), 7);
    heights->setCurrentIndex(index);
}

void WindowTest::KeysCloseNothingAndPagesKeepTheirChoice() {
    window->findChild<QTabBar*>()->setCurrentIndex(1);
    QVERIFY(!window->DefaultPage().isVisible() && window->SecondPage().isVisible());

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(window.get(), key);
        QVERIFY(window->isVisible());
    }
    // Each page keeps its own choice: nothing is chosen on the second page yet.
    const ModalScript script({ModalScript::Press(QMessageBox::Ok)});
    Press(window.get(), 1050);
    QVERIFY(script.Finished());
    QCOMPARE(script.Messages(), QStringList{"No tree selected"});
}

void WindowTest::TreeButtonRefusedWhileNoFileOpen() {
    ChooseConifer3Height(3);
    window->Session().Close();
    const ModalScript script({ModalScript::Press(QMessageBox::Ok)});
    Press(window.get(), 1000);
    QVERIFY(script.Finished());
    QCOMPARE(script.Messages(), QStringList{"No file open"});
    QVERIFY(!Control<CPictureButton>(window.get(), conifer3)->IsHeld());
    QVERIFY(!Control<CPictureButton>(window.get(), 1000)->IsHeld());
    QCOMPARE(Control<QLineEdit>(window.get(), 1017)->text(), " ");
    // The selection stays: Plant still plants Conifer 3 in its fourth height.
    const PaletteSelection& selection = window->DefaultPage().Selection();
    QVERIFY(selection.choice == PaletteSelection::Choice::Tree);
    QCOMPARE(selection.baseIndex + selection.heightIndex, 56 + 3);
}

void WindowTest::NewAsksBeforeTakingAnExistingFileAndKeepsPlantedObjects() {
    // One object planted while no file is open, as after a save with the selection kept.
    ChooseConifer3Height(0);
    window->Session().Close();
    Press(window.get(), 1020);
    QCOMPARE(Document().PlantedCount(), std::size_t{1});

    workingFolder.Write("trees.xml", "older planting");
    const QString trees = QString::fromStdString(workingFolder.Path("trees.xml").string());
    New(trees, QMessageBox::No);
    // No names nothing: the document is as it was.
    QVERIFY(!Document().FileOpen());
    QCOMPARE(QString::fromStdString(Document().FileName()), "first.xml");
    QCOMPARE(Control<QLineEdit>(window.get(), 1026)->text(), " ");
    New(trees, QMessageBox::Yes);
    QVERIFY(Document().FileOpen());
    QCOMPARE(Document().FileName(), "trees.xml");
    QCOMPARE(Document().Folder(), workingFolder.Path().string() + "/");
    QCOMPARE(Control<QLineEdit>(window.get(), 1026)->text(), "trees");
    // Display only, yet reached by Tab: typing changes nothing.
    auto* filenameBox = Control<QLineEdit>(window.get(), 1026);
    QVERIFY(filenameBox->isReadOnly() && filenameBox->focusPolicy() & Qt::TabFocus);
    QTest::keyClicks(filenameBox, "other");
    QCOMPARE(filenameBox->text(), "trees");
    QCOMPARE(Document().PlantedCount(), std::size_t{1});
    QVERIFY(Status().contains("1 planted object kept"));
}

void WindowTest::New(const QString& path, QMessageBox::StandardButton answer) {
    const ModalScript script({ModalScript::Choose(path), ModalScript::Press(answer)});
    window->findChild<QAction*>("newAction")->trigger();
    QTRY_VERIFY(script.Finished());
    QCOMPARE(script.Messages(), QStringList{"trees.xml exists.\nDo you wish to overwrite it?"});
}

void WindowTest::PlantsTheChosenHeightOnceAtTheAircraft() {
    QCOMPARE(simulator->Command("position 47.25 -122.5"), "position 47.250000000000 -122.500000000000");
    ChooseConifer3Height(6);
    QCOMPARE(Control<QComboBox>(window.get(), 1016)->currentText(), "30 Slim");
    auto* plant = Control<QPushButton>(window.get(), 1020);
    QVERIFY(plant->hasFocus());
    Press(plant);
    Press(plant);

    const PlantingList& list = Document().PlantedObjects();
    QCOMPARE(list.Count(), std::size_t{1});
    QVERIFY(list.GuidAt(0).ends_with("E330"));
    QVERIFY(qAbs(list.LatitudeAt(0) - 47.25) < 1e-9 && qAbs(list.LongitudeAt(0) + 122.5) < 1e-9);
    QCOMPARE(Status(), "1 planted object\nNothing planted: an object already stands there");
}

void WindowTest::HeightBoxShowsOnlyItsEntries() {
    ChooseConifer3Height(6);
    auto* heights = Control<QComboBox>(window.get(), 1016);
    const int wanted = 2;
    // The shortest prefix that completes to the wanted entry and to no earlier one.
    QString prefix;
    for (int length = 1; length <= heights->itemText(wanted).size(); ++length) {
        prefix = heights->itemText(wanted).left(length);
        bool earlier = false;
        for (int i = 0; i < wanted; ++i) {
            earlier = earlier || heights->itemText(i).startsWith(prefix, Qt::CaseInsensitive);
        }
        if (!earlier) {
            break;
        }
    }
    const struct {
        QString typed;
        int planted;
    } rows[] = {
        {prefix, wanted},            // completes to the entry
        {"no such height", wanted},  // names no entry: back to the chosen one
        {"", wanted},
    };
    for (const auto& row : rows) {
        heights->setFocus();
        heights->lineEdit()->selectAll();
        QTest::keyClick(heights->lineEdit(), Qt::Key_Delete);
        QTest::keyClicks(heights->lineEdit(), row.typed);
        QTest::keyClick(heights->lineEdit(), Qt::Key_Return);
        QCOMPARE(heights->currentText(), heights->itemText(row.planted));
        QCOMPARE(window->DefaultPage().Selection().heightIndex, row.planted);
    }
}

void WindowTest::EditDeleteIsOneStepOfTheHistory() {
    ChooseConifer3Height(0);
    for (const char* position : {"position 10 20", "position 11 21", "position 12 22"}) {
        QVERIFY(simulator->Command(position).starts_with("position"));
        Press(window.get(), 1020);
    }
    auto* undo = window->findChild<QAction*>("undoAction");
    auto* redo = window->findChild<QAction*>("redoAction");
    QCOMPARE(undo->text(), "Undo Plant Conifer 3");
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    // Rows 1 and 3 deleted in the Edit dialog: the second object stays.
    bool answered = false;
    QTimer::singleShot(200, this, [&answered] {
        auto* dialog = qobject_cast<CMyEditDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        auto* rows = dialog->findChild<QListView*>("plantedObjectsList");
        for (const int row : {0, 2}) {
            rows->selectionModel()->select(rows->model()->index(row, 0), QItemSelectionModel::Select);
        }
        dialog->findChild<QPushButton*>("deleteButton")->click();
        dialog->findChild<QPushButton*>("okButton")->click();
        answered = true;
    });
    Press(window.get(), 1022);
    QTRY_VERIFY(answered);
    QCoreApplication::processEvents();
    const PlantingList& list = Document().PlantedObjects();
    QCOMPARE(list.Count(), std::size_t{1});
    QCOMPARE(list.LatitudeAt(0), 11.0);
    QCOMPARE(undo->text(), "Undo Delete 2 objects");
    // Undo puts both back in their places; Redo deletes them again.
    undo->trigger();
    QCOMPARE(list.Count(), std::size_t{3});
    QCOMPARE(list.LatitudeAt(0) + list.LatitudeAt(2), 22.0);
    QCOMPARE(Status(), "3 planted objects\nUndone: Delete 2 objects");
    QCOMPARE(redo->text(), "Redo Delete 2 objects");
    redo->trigger();
    QCOMPARE(list.Count(), std::size_t{1});
    // Close ends the history.
    window->Session().Close();
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
}

// Every control is named, each picture button by its model; a label names the control it stands for.
void WindowTest::AccessibleNamesAndPressAction() {
    std::map<int, QString> treeTypes;
    for (const PaletteTable* table : {&CPlaceTreesDlg::Table(), &CVorlsTrees::Table()}) {
        for (const TreeButtonRow& row : table->buttons) {
            treeTypes[row.controlId] = row.model;
        }
    }
    int controls = 0;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const int id = control->property("controlId").toInt();
        if (id == 0 || id == 1028) {
            continue;
        }
        ++controls;
        const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(id)));
        QVERIFY(!treeTypes.contains(id) || name == treeTypes.at(id));
    }
    QCOMPARE(controls, 11 + 16 + 20);
    int buddies = 0;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->window() == window.get() && label->buddy() != nullptr && ++buddies) {
            QCOMPARE(label->text(),
                     QAccessible::queryAccessibleInterface(label->buddy())->text(QAccessible::Name));
        }
    }
    QCOMPARE(buddies, 5);

    OpenNewFile();
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(Control(window.get(), conifer3));
    QVERIFY(!button->state().pressed);
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    QCOMPARE(window->DefaultPage().Selection().baseIndex, 56);
    QVERIFY(button->state().pressed);
}

void WindowTest::LayoutShowsEveryTextAndPicture() {
    ChooseConifer3Height(2);
    for (CPalettePage* page : {static_cast<CPalettePage*>(&window->DefaultPage()),
                               static_cast<CPalettePage*>(&window->SecondPage())}) {
        QVERIFY(window->rect().contains(page->geometry()));
        QVERIFY(page->MissingBitmaps().isEmpty());
        // Every model name shows whole in the Tree type box.
        auto* treeType = page->findChild<QLineEdit*>("treeTypeBox");
        const QMargins margins = treeType->textMargins();
        for (CPictureButton* button : page->findChildren<CPictureButton*>()) {
            button->click();
            QCoreApplication::processEvents();
            QVERIFY2(treeType->fontMetrics().horizontalAdvance(treeType->text()) + 4 + margins.left() +
                             margins.right() <=
                         treeType->contentsRect().width(),
                     qPrintable(treeType->text()));
        }
        QVERIFY(page->rect().contains(treeType->geometry()));
    }
    QVERIFY(!window->windowIcon().isNull());
    // The main window's own; the Forest window, its child, is laid out when shown.
    for (QLabel* label : window->findChildren<QLabel*>()) {
        QVERIFY2(label->window() != window.get() || label->sizeHint().width() <= label->width(),
                 qPrintable(label->text()));
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->window() != window.get()) {
            continue;
        }
        const int textWidth = button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&'));
        QVERIFY2(textWidth + 8 <= button->width(), qPrintable(button->text()));
    }
    for (CPictureButton* button : window->findChildren<CPictureButton*>()) {
        QVERIFY2(button->sizeHint().width() - 2 <= button->width() &&
                     button->sizeHint().height() - 2 <= button->height(),
                 qPrintable(button->objectName()));
    }
    // Pictures of each page for the README, when asked for.
    const QString screenshots = qEnvironmentVariable("GROVEWRIGHT_SCREENSHOTS");
    if (!screenshots.isEmpty()) {
        window->findChild<QTabBar*>()->setCurrentIndex(1);
        QVERIFY(window->grab().save(screenshots + "/vorls-texures.png"));
        window->findChild<QTabBar*>()->setCurrentIndex(0);
        QVERIFY(window->grab().save(screenshots + "/default-textures.png"));
    }
}

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
