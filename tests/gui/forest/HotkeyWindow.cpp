#include "tests/gui/forest/HotkeyWindow.h"

#include <QAbstractButton>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QTest>

#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "app/forest/CForestPanel.h"

HotkeyWindow::HotkeyWindow() : simulator(GROVEWRIGHT_SIMULATOR, {"--headless"}) {}

HotkeyWindow::~HotkeyWindow() {
    Close();
}

void HotkeyWindow::Open() {
    Close();
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker());
    window->show();
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->property("controlId").toInt() == 1009 && button->isVisibleTo(window.get())) {
            button->click();
        }
    }
    window->Session().NameNewFile("trees.xml", workingFolder.Path().string() + "/");
    // The keys work without the Forest window ever shown.
    QTRY_VERIFY(window->ForestPanel() != nullptr);
    forest = window->ForestPanel();
    QVERIFY(!forest->isVisible());
}

void HotkeyWindow::Close() {
    if (window) {
        window->Session().DiscardUnsaved();
    }
    window.reset();
    forest = nullptr;
}

std::size_t HotkeyWindow::Planted() const {
    return window->Session().Document().PlantedCount();
}

QString HotkeyWindow::KeysText() const {
    return forest->findChild<QLabel*>("hotkeyLabel")->text();
}

QKeySequence HotkeyWindow::Shown(const char* editor) const {
    return forest->findChild<QKeySequenceEdit*>(editor)->keySequence();
}
