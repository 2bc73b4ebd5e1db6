#include "app/CMyEditDialog.h"

#include <algorithm>

#include <QAction>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QResizeEvent>
#include <QStyle>
#include <QRect>

#include "app/PlantedObjectsModel.h"
#include "ui_CMyEditDialog.h"

namespace {

// Maps a rectangle in dialog units to pixels as the template's system does: a horizontal unit is a
// quarter of the font's average letter width, a vertical unit an eighth of its height, so the
// arrangement keeps its proportions and its texts fit whatever the font.
QRect DialogUnitsToPixels(const QRect& units, const QFontMetrics& metrics) {
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseWidth = (metrics.horizontalAdvance(letters) + 26) / 52;
    const int baseHeight = metrics.height();
    auto across = [&](int value) { return (value * baseWidth + 2) / 4; };
    auto down = [&](int value) { return (value * baseHeight + 4) / 8; };
    return QRect(across(units.x()), down(units.y()), across(units.width()), down(units.height()));
}

}  // namespace

CMyEditDialog::CMyEditDialog(const PlantingList& list, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CMyEditDialog>()), model(new PlantedObjectsModel(list, this)) {
    ui->setupUi(this);
    // Above an always-on-top main window, so the modal dialog cannot open hidden behind it.
    if (parent != nullptr && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    LayOutInDialogUnits();

    // The rows' columns have fixed widths: they line up only in a fixed-pitch font.
    ui->plantedObjectsList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    AddColumnHeading();
    ui->plantedObjectsList->setModel(model);
    // The count follows the deletions; the user cannot type one.
    ui->numberOfTreesBox->setReadOnly(true);
    auto* deleteKey = new QAction(ui->plantedObjectsList);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    ui->plantedObjectsList->addAction(deleteKey);

    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->deleteButton, &QPushButton::clicked, this, &CMyEditDialog::OnDelete);
    connect(deleteKey, &QAction::triggered, this, &CMyEditDialog::OnDelete);

    ShowCount();
    ui->plantedObjectsList->setFocus();
    // The newest row is the one the user most likely came for.
    if (model->rowCount() > 0) {
        ui->plantedObjectsList->scrollTo(model->index(model->rowCount() - 1));
    }
}

CMyEditDialog::~CMyEditDialog() = default;

std::vector<std::size_t> CMyEditDialog::KeptIndices() const {
    return model->KeptIndices();
}

void CMyEditDialog::reject() {
    model->RestoreAll();
    ShowCount();
    QDialog::reject();
}

void CMyEditDialog::OnDelete() {
    QListView* view = ui->plantedObjectsList;
    const int firstRemoved = model->RemoveRows(view->selectionModel()->selection());
    // The row that followed the deleted ones takes the caret, unselected, so that the next press of
    // Delete cannot remove a row the user did not pick.
    if (firstRemoved >= 0 && model->rowCount() > 0) {
        const QModelIndex next = model->index(std::min(firstRemoved, model->rowCount() - 1));
        view->selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
        view->scrollTo(next);
    }
    ShowCount();
}

void CMyEditDialog::ShowCount() {
    ui->numberOfTreesBox->setText(QString::number(model->rowCount()));
}

void CMyEditDialog::LayOutInDialogUnits() {
    const QFontMetrics metrics(font());
    laidOutSize = DialogUnitsToPixels(property("dialogUnits").toRect(), metrics).size();
    setMinimumSize(laidOutSize);
    resize(laidOutSize);
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QVariant units = control->property("dialogUnits");
        if (!units.isValid()) {
            continue;
        }
        QRect place = DialogUnitsToPixels(units.toRect(), metrics);
        // A label is never cut short: a font with wide letters may need more than its units give.
        if (qobject_cast<QLabel*>(control) != nullptr) {
            place.setWidth(std::max(place.width(), control->sizeHint().width()));
        }
        control->setGeometry(place);
        laidOut[control] = place;
    }
}

void CMyEditDialog::AddColumnHeading() {
    QListView* rows = ui->plantedObjectsList;
    auto* heading = new QLabel(QStringLiteral("   # %1 %2 Tree")
                                   .arg(QStringLiteral("Latitude"), 11)
                                   .arg(QStringLiteral("Longitude"), 11),
                               this);
    heading->setObjectName(QStringLiteral("columnsHeading"));
    heading->setFont(rows->font());
    // Aligned with the rows' text: past the list's frame and its items' margin.
    const int indent = rows->frameWidth() + rows->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, rows) + 1;
    const int height = heading->sizeHint().height();
    QRect place = laidOut[rows];
    heading->setGeometry(place.x() + indent, std::max(0, place.y() - height - 2), place.width() - indent, height);
    heading->setAccessibleName(QStringLiteral("Columns"));
    laidOut[heading] = heading->geometry();
}

void CMyEditDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (laidOutSize.isEmpty()) {
        return;
    }
    const int wider = width() - laidOutSize.width();
    const int taller = height() - laidOutSize.height();
    const QRect rows = laidOut[ui->plantedObjectsList];
    for (const auto& [control, place] : laidOut) {
        if (control == ui->plantedObjectsList) {
            control->setGeometry(place.adjusted(0, 0, wider, taller));
        } else if (place.top() >= rows.bottom()) {
            control->setGeometry(place.translated(wider / 2, taller));
        } else {
            control->setGeometry(place.adjusted(0, 0, wider, 0));
        }
    }
}
