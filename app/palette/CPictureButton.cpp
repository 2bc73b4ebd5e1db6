#include "app/palette/CPictureButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {

// The accessible face of a picture button: a push button whose press action clicks it (so that a
// screen reader's press runs the page's handler exactly as a mouse click does) and whose pressed
// state follows the page's choice.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(CPictureButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = Button()->IsHeld() || Button()->isDown();
        return state;
    }
    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            Button()->click();
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    CPictureButton* Button() const { return static_cast<CPictureButton*>(widget()); }
};

QAccessibleInterface* PictureButtonAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CPictureButton") && object->isWidgetType()) {
        return new PictureButtonAccessible(static_cast<CPictureButton*>(object));
    }
    return nullptr;
}

}  // namespace

CPictureButton::CPictureButton(QWidget* parent) : QAbstractButton(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(PictureButtonAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;
    setFocusPolicy(Qt::StrongFocus);
}

bool CPictureButton::LoadBitmaps(const QString& name) {
    up.load(QStringLiteral(":/bitmaps/%1U.bmp").arg(name));
    down.load(QStringLiteral(":/bitmaps/%1D.bmp").arg(name));
    update();
    return !up.isNull() && !down.isNull();
}

void CPictureButton::SetHeld(bool newHeld) {
    if (held == newHeld) {
        return;
    }
    held = newHeld;
    update();
    QAccessible::State changed;
    changed.pressed = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QSize CPictureButton::sizeHint() const {
    return up.isNull() ? QSize(64, 64) : up.size() + QSize(2, 2);
}

void CPictureButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& picture = held || isDown() ? down : up;
    const QRect place(QPoint(0, 0), picture.size());
    painter.drawPixmap(place.translated(rect().center() - place.center()), picture);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
