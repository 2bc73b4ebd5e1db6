// Loaded into the real grovewright executable by the start-up tests (LD_PRELOAD): prints the text of
// every message box the program shows on standard output, one "message: " line each, and presses
// its OK button; ends the program's event loops if it is still running after a few seconds, so that
// a program that shows its window instead of refusing to start does not hang the test.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {

void AnswerMessageBoxes() {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible() && box->property("answered").isNull()) {
            box->setProperty("answered", true);
            std::printf("message: %s\n", box->text().toUtf8().replace('\n', "\\n").constData());
            std::fflush(stdout);
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                ok->click();
            } else {
                box->reject();
            }
        }
    });
    poll->start(20);
    QTimer::singleShot(8000, qApp, [] { QCoreApplication::exit(99); });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(AnswerMessageBoxes)
