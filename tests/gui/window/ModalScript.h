#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

// Answers the modal dialogs a command opens, one scripted answer per dialog, from a polling timer, so
// that a test drives the real message boxes and file dialogs. A dialog the script does not expect, or
// an answer whose dialog never comes, is closed or given up after the time-out instead of hanging.
class ModalScript : public QObject {
public:
    struct Answer {
        QMessageBox::StandardButton button = QMessageBox::NoButton;  // for a message box
        QString path;                                                // for a file dialog
        bool cancel = false;                                         // for any dialog: Cancel
        std::function<void()> afterChoice;  // for a file dialog: run once it accepted
        enum class Dismissal { None, EscapeKey, CloseBox } dismissal = Dismissal::None;  // for a message box
    };
    using Dismissal = Answer::Dismissal;
    static Answer Press(QMessageBox::StandardButton button) {
        return {button, {}, false, {}, Dismissal::None};
    }
    static Answer Choose(const QString& path) {
        return {QMessageBox::NoButton, path, false, {}, Dismissal::None};
    }
    static Answer Cancel() { return {QMessageBox::NoButton, {}, true, {}, Dismissal::None}; }
    static Answer ChooseThen(const QString& path, std::function<void()> then) {
        return {QMessageBox::NoButton, path, false, std::move(then), Dismissal::None};
    }
    // A message box left as a user leaves it without an answer: Escape, or the title bar's close box.
    static Answer LeaveUnanswered(Dismissal how) { return {QMessageBox::NoButton, {}, false, {}, how}; }

    explicit ModalScript(std::vector<Answer> answers, int timeoutMs = 10000);

    // Every answer was given to a dialog of its kind, and no dialog came uninvited.
    bool Finished() const { return next == answers.size() && !failed; }
    // The texts of the message boxes answered, in order.
    const QStringList& Messages() const { return messages; }
    // The file dialogs answered, each as "<title> in <the folder it started in>".
    const QStringList& FileDialogs() const { return fileDialogs; }

private:
    void Poll();
    void Give(const Answer& answer, QWidget* modal);

    std::vector<Answer> answers;
    std::size_t next = 0;
    bool failed = false;
    QStringList messages;
    QStringList fileDialogs;
    QPointer<QWidget> lastAnswered;
    QTimer poll;
    QTimer deadline;
};
