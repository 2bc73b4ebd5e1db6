#include "app/CTopDialog.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <filesystem>

#include "app/CBusyCursor.h"
#include "app/CDialogs.h"
#include "app/FilenameBoxText.h"
#include "app/GrovewrightResources.h"
#include "app/OutcomeTexts.h"
#include "trees/CPlaceTreesDlg.h"
#include "trees/CVorlsTrees.h"
#include "ui_CTopDialog.h"

namespace {

constexpr std::uint32_t fs2004 = 7;

// The working folder at start-up, where files are written and the compiler runs.
std::string WorkingFolder() {
    std::error_code failure;
    std::string folder = std::filesystem::current_path(failure).string();
    folder += static_cast<char>(std::filesystem::path::preferred_separator);
    return folder;
}

}  // namespace

CTopDialog::CTopDialog(IpcLinkMaker linkMaker, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::CTopDialog>()),
      makeLink(std::move(linkMaker)),
      document(WorkingFolder()) {
    LoadGrovewrightResources();
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/grovewright.png")));

    defaultPage = new CPlaceTreesDlg(this);
    vorlsPage = new CVorlsTrees(this);
    const QPoint pagePlace(ui->tabBar->x() - 8, ui->statusLine->geometry().bottom() + 4);
    for (QWidget* page : {static_cast<QWidget*>(defaultPage), static_cast<QWidget*>(vorlsPage)}) {
        ui->tabBar->addTab(page->windowTitle());
        page->move(pagePlace);
    }
    connect(ui->tabBar, &QTabBar::currentChanged, this, &CTopDialog::ShowSelectedPage);
    ShowSelectedPage();

    BuildFileMenu();
    ShowStatus(QString());
    setFixedSize(size());
}

CTopDialog::~CTopDialog() = default;

void CTopDialog::BuildFileMenu() {
    auto* menuBar = new QMenuBar(this);
    QMenu* fileMenu = menuBar->addMenu(QStringLiteral("&File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->menuAction()->setProperty("controlId", 170);
    struct Item {
        const char* text;
        const char* name;
        int id;
        void (CTopDialog::*handler)();
    };
    const Item items[] = {
        {"New", "newAction", 57600, &CTopDialog::OnNew},
        {"Open", "openAction", 57601, &CTopDialog::OnOpen},
        {"Append From", "appendFromAction", 3273, &CTopDialog::OnAppendFrom},
        {"Close", "closeAction", 32777, &CTopDialog::OnClose},
        {nullptr, nullptr, 0, nullptr},
        {"Save", "saveAction", 57603, &CTopDialog::OnSave},
        {"Save As", "saveAsAction", 32775, &CTopDialog::OnSaveAs},
        {"Exit", "exitAction", 32776, &CTopDialog::OnExit},
    };
    for (const Item& item : items) {
        if (item.text == nullptr) {
            fileMenu->addSeparator();
            continue;
        }
        QAction* action = fileMenu->addAction(QString::fromLatin1(item.text));
        action->setObjectName(QString::fromLatin1(item.name));
        action->setProperty("controlId", item.id);
        // Queued, so that the menu's own event (an accessibility tool's action among them) has returned
        // before the command's modal dialog opens.
        connect(action, &QAction::triggered, this, item.handler, Qt::QueuedConnection);
    }
    // The menu sits above the template's controls.
    const int menuHeight = menuBar->sizeHint().height();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != menuBar) {
            child->move(child->pos() + QPoint(0, menuHeight));
        }
    }
    menuBar->setGeometry(0, 0, width(), menuHeight);
    AddFileShortcuts();
    resize(width(), height() + menuHeight);
}

bool CTopDialog::OnInitDialog() {
    {
        std::unique_ptr<IpcLink> link;
        {
            const CBusyCursor busy;
            link = makeLink(0);
        }
        if (link == nullptr || link->GetResult() != IpcResult::Okay) {
            CDialogs::Message(nullptr, QStringLiteral("No connection to FS2004"));
            return false;
        }
        if (link->GetSimulatorVersion() != fs2004) {
            CDialogs::Message(nullptr, QStringLiteral("This program works only with FS2004"));
            return false;
        }
    }
    const QStringList missing = DefaultPage().MissingBitmaps() + SecondPage().MissingBitmaps();
    if (!missing.isEmpty()) {
        CDialogs::Message(nullptr, QStringLiteral("The palette pictures %1 are missing.\n Please re-install Grovewright")
                                       .arg(missing.join(QStringLiteral(", "))));
        return false;
    }
    if (!QFile(QStringLiteral("bglcomp.exe")).open(QIODevice::ReadOnly)) {
        CDialogs::Message(nullptr,
                          QStringLiteral("BGLComp is not present in the Grovewright folder.\n Please re-install Grovewright"));
        return false;
    }
    return true;
}

void CTopDialog::ShowSelectedPage() {
    defaultPage->setVisible(ui->tabBar->currentIndex() == 0);
    vorlsPage->setVisible(ui->tabBar->currentIndex() == 1);
}

void CTopDialog::ShowStatus(const QString& lastEvent) {
    const QString count = PlantedCountText(document.PlantedCount());
    const QString text = lastEvent.isEmpty() ? count : count + QLatin1Char('\n') + lastEvent;
    ui->statusLine->setText(text);
    // The line keeps its name "Status" for screen readers and tools; what it says is its description.
    ui->statusLine->setAccessibleDescription(text);
}

void CTopDialog::keyPressEvent(QKeyEvent* event) {
    // Escape closes the window as its close button does, with the same question about unsaved objects.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTopDialog::OnNew() {
    if (document.fileOpen) {
        CDialogs::Message(this, QStringLiteral("File is currently open"));
        return;
    }
    const auto chosen = CDialogs::ChooseFile(this, CDialogs::FileChoice::OpenOrNew);
    if (!chosen) {
        return;
    }
    document.fileName = chosen->fileName;
    document.folder = chosen->folder;
    if (QFileInfo::exists(QString::fromStdString(document.folder + document.fileName)) &&
        !CDialogs::Ask(this, QString::fromStdString(document.fileName) +
                                 QStringLiteral(" exists.\nDo you wish to overwrite it?"))) {
        return;
    }
    document.fileOpen = true;
    // Objects planted while no file was open belong to the new file: they stay and are saved with it.
    document.copsePattern.Clear();
    ui->filenameBox->setText(FilenameBoxText(document.fileName));
    const std::size_t kept = document.PlantedCount();
    ShowStatus(kept == 0 ? QString() : QStringLiteral("%1 kept").arg(PlantedCountText(kept)));
}
