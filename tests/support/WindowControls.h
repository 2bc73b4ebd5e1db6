#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QVariant>
#include <QWidget>

// The window's visible control of the given control id: the dialog templates' numbers name the controls.
template <typename T = QWidget>
T* Control(QWidget* window, int controlId) {
    for (T* widget : window->findChildren<T*>()) {
        if (widget->property("controlId").toInt() == controlId && widget->isVisibleTo(window)) {
            return widget;
        }
    }
    return nullptr;
}

// A click, and the handler it queues.
inline void Press(QAbstractButton* button) {
    button->click();
    QCoreApplication::processEvents();
}

inline void Press(QWidget* window, int controlId) {
    Press(Control<QAbstractButton>(window, controlId));
}
