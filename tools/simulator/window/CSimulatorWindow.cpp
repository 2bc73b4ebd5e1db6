#include "tools/simulator/window/CSimulatorWindow.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

QString Degrees(double value) {
    return QString::number(value, 'f', 8) + QChar(0x00B0);
}

// A number typed with a point, or with the user's own decimal separator.
bool ReadNumber(const QString& text, double limit, double& value) {
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok) {
        value = QLocale().toDouble(text.trimmed(), &ok);
    }
    return ok && std::isfinite(value) && std::fabs(value) <= limit;
}

}  // namespace

CSimulatorWindow::CSimulatorWindow(double latitude, double longitude, const QString& servingText,
                                   QWidget* parent)
    : QWidget(parent), serving(servingText) {
    setWindowTitle(tr("Grovewright stand-in simulator"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakePositionBox());
    layout->addWidget(MakeSlewBox());
    layout->addWidget(MakeHeadingBox());
    layout->addWidget(MakeGoBox());
    status = new QLabel(serving, this);
    status->setAccessibleName(tr("Status"));
    status->setWordWrap(true);
    layout->addWidget(status);
    installEventFilter(this);
    ShowPosition(latitude, longitude);
    latitudeField->setText(QString::number(latitude, 'f', 8));
    longitudeField->setText(QString::number(longitude, 'f', 8));
}

QWidget* CSimulatorWindow::MakePositionBox() {
    auto* box = new QGroupBox(tr("Aircraft position"), this);
    auto* form = new QFormLayout(box);
    latitudeShown = new QLabel(box);
    longitudeShown = new QLabel(box);
    for (QLabel* shown : {latitudeShown, longitudeShown}) {
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(Degrees(-180.0)) + 8);
    }
    latitudeShown->setAccessibleName(tr("Aircraft latitude"));
    longitudeShown->setAccessibleName(tr("Aircraft longitude"));
    form->addRow(tr("Latitude (north +):"), latitudeShown);
    form->addRow(tr("Longitude (east +):"), longitudeShown);
    return box;
}

QWidget* CSimulatorWindow::MakeSlewBox() {
    auto* box = new QGroupBox(tr("Slew"), this);
    auto* grid = new QGridLayout(box);
    auto* stepLabel = new QLabel(tr("&Step:"), box);
    step = new QDoubleSpinBox(box);
    step->setRange(0.1, 100000.0);
    step->setDecimals(1);
    step->setValue(10.0);
    step->setSuffix(tr(" m"));
    step->setAccessibleName(tr("Slew step in metres"));
    stepLabel->setBuddy(step);
    grid->addWidget(stepLabel, 0, 0);
    grid->addWidget(step, 0, 1, 1, 2);
    QPushButton* north = MakeSlewButton(tr("&North"), tr("Slew north"), 1, 0);
    grid->addWidget(north, 1, 1);
    grid->addWidget(MakeSlewButton(tr("&West"), tr("Slew west"), 0, -1), 2, 0);
    grid->addWidget(MakeSlewButton(tr("&East"), tr("Slew east"), 0, 1), 2, 2);
    grid->addWidget(MakeSlewButton(tr("S&outh"), tr("Slew south"), -1, 0), 3, 1);
    auto* hint = new QLabel(tr("Arrow keys slew too, outside the text fields."), box);
    grid->addWidget(hint, 4, 0, 1, 3);
    north->setFocus();  // so that the arrow keys slew from the start
    return box;
}

QPushButton* CSimulatorWindow::MakeSlewButton(const QString& text, const QString& name, int north, int east) {
    auto* button = new QPushButton(text, this);
    button->setAccessibleName(name);
    button->setAutoDefault(false);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, north, east] { SlewBy(north, east); });
    return button;
}

QWidget* CSimulatorWindow::MakeHeadingBox() {
    auto* box = new QGroupBox(tr("Heading"), this);
    auto* row = new QHBoxLayout(box);
    heading = new QDoubleSpinBox(box);
    heading->setRange(0.0, 359.9);
    heading->setDecimals(1);
    heading->setWrapping(true);
    heading->setSuffix(tr(" degrees"));
    heading->setAccessibleName(tr("Heading"));
    auto* label = new QLabel(tr("&Heading:"), box);
    label->setBuddy(heading);
    row->addWidget(label);
    row->addWidget(heading);
    connect(heading, &QDoubleSpinBox::valueChanged, this, [this](double degrees) {
        emit CommandEntered(QStringLiteral("heading %1").arg(QString::number(degrees, 'f', 3)));
        status->setText(serving);
    });
    return box;
}

QWidget* CSimulatorWindow::MakeGoBox() {
    auto* box = new QGroupBox(tr("Go to position"), this);
    auto* grid = new QGridLayout(box);
    latitudeField = new QLineEdit(box);
    longitudeField = new QLineEdit(box);
    latitudeField->setAccessibleName(tr("Go to latitude"));
    longitudeField->setAccessibleName(tr("Go to longitude"));
    auto* latitudeLabel = new QLabel(tr("L&atitude:"), box);
    auto* longitudeLabel = new QLabel(tr("Longit&ude:"), box);
    latitudeLabel->setBuddy(latitudeField);
    longitudeLabel->setBuddy(longitudeField);
    auto* go = new QPushButton(tr("&Go"), box);
    go->setAccessibleName(tr("Go to position"));
    go->installEventFilter(this);
    grid->addWidget(latitudeLabel, 0, 0);
    grid->addWidget(latitudeField, 0, 1);
    grid->addWidget(longitudeLabel, 1, 0);
    grid->addWidget(longitudeField, 1, 1);
    grid->addWidget(go, 1, 2);
    connect(go, &QPushButton::clicked, this, &CSimulatorWindow::OnGo);
    connect(latitudeField, &QLineEdit::returnPressed, this, &CSimulatorWindow::OnGo);
    connect(longitudeField, &QLineEdit::returnPressed, this, &CSimulatorWindow::OnGo);
    return box;
}

void CSimulatorWindow::ShowPosition(double latitude, double longitude) {
    latitudeShown->setText(Degrees(latitude));
    longitudeShown->setText(Degrees(longitude));
}

void CSimulatorWindow::ShowReply(const QString& line) {
    status->setText(line);
}

void CSimulatorWindow::SlewBy(int north, int east) {
    const double metres = step->value();
    emit CommandEntered(
        QStringLiteral("slew %1 %2")
            .arg(QString::number(north * metres, 'f', 3), QString::number(east * metres, 'f', 3)));
    status->setText(serving);
}

void CSimulatorWindow::OnGo() {
    double latitude = 0.0;
    double longitude = 0.0;
    if (!ReadNumber(latitudeField->text(), 90.0, latitude)) {
        status->setText(tr("The latitude must be a number of degrees from -90 to 90."));
        latitudeField->setFocus();
        return;
    }
    if (!ReadNumber(longitudeField->text(), 180.0, longitude)) {
        status->setText(tr("The longitude must be a number of degrees from -180 to 180."));
        longitudeField->setFocus();
        return;
    }
    emit CommandEntered(QStringLiteral("position %1 %2")
                            .arg(QString::number(latitude, 'f', 12), QString::number(longitude, 'f', 12)));
    status->setText(serving);
}

// The arrow keys slew wherever they do not edit text; buttons would otherwise take them to move the
// focus.
bool CSimulatorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) {
        return QWidget::eventFilter(watched, event);
    }
    switch (key->key()) {
        case Qt::Key_Up:
            SlewBy(1, 0);
            return true;
        case Qt::Key_Down:
            SlewBy(-1, 0);
            return true;
        case Qt::Key_Left:
            SlewBy(0, -1);
            return true;
        case Qt::Key_Right:
            SlewBy(0, 1);
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}
