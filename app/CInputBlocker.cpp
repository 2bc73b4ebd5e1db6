#include "app/CInputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool IsInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

}  // namespace

CInputBlocker::CInputBlocker(QWidget* window_) : QObject(window_), window(window_) {}

void CInputBlocker::SetBlocking(bool block) {
    if (blocking == block) {
        return;
    }
    blocking = block;
    if (blocking) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool CInputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!IsInput(event->type())) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    // The menus are windows of their own whose parent chain leads to the main window.
    while (widget != nullptr && widget != window) {
        widget = widget->parentWidget();
    }
    return widget == window;
}
