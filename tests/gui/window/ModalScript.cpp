#include "tests/gui/window/ModalScript.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>

namespace {

void Dismiss(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    }
}

}  // namespace

ModalScript::ModalScript(std::vector<Answer> scriptAnswers, int timeoutMs)
    : answers(std::move(scriptAnswers)) {
    connect(&poll, &QTimer::timeout, this, &ModalScript::Poll);
    poll.start(20);
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] {
        failed = failed || next < answers.size();
        if (QWidget* stray = QApplication::activeModalWidget()) {
            failed = true;
            Dismiss(stray);
        }
    });
    deadline.start(timeoutMs);
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == lastAnswered || !modal->isVisible()) {
        return;
    }
    lastAnswered = modal;
    if (next == answers.size()) {
        failed = true;
        Dismiss(modal);
        return;
    }
    Give(answers[next++], modal);
}

void ModalScript::Give(const Answer& answer, QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    auto* fileDialog = qobject_cast<QFileDialog*>(modal);
    if (box != nullptr && answer.dismissal != Dismissal::None) {
        messages << box->text();
        if (answer.dismissal == Dismissal::EscapeKey) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(box, &escape);
        } else {
            box->close();
        }
    } else if (box != nullptr && box->button(answer.button) != nullptr) {
        messages << box->text();
        box->button(answer.button)->click();
    } else if (fileDialog != nullptr && !answer.path.isEmpty()) {
        fileDialogs << fileDialog->windowTitle() + QStringLiteral(" in ") +
                           fileDialog->directory().absolutePath();
        // Typed as a user would: selectFile leaves the name box alone while it has the focus.
        fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(answer.path);
        if (answer.afterChoice) {
            connect(fileDialog, &QDialog::accepted, this, answer.afterChoice, Qt::SingleShotConnection);
        }
        // Queued, so that a question the dialog asks on accepting is answered by this timer too.
        QMetaObject::invokeMethod(fileDialog, &QDialog::accept, Qt::QueuedConnection);
    } else if (answer.cancel) {
        Dismiss(modal);
    } else {
        failed = true;
        Dismiss(modal);
    }
}
