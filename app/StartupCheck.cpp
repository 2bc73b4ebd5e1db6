#include "app/StartupCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "app/CBusyCursor.h"
#include "app/CDialogs.h"

namespace {

constexpr int noticeAfterMs = 300;

StartupLink OpenStartupLink(const IpcLinkMaker& makeLink) {
    StartupLink link;
    const std::unique_ptr<IpcLink> opened = makeLink ? makeLink(0) : nullptr;
    if (opened != nullptr && opened->GetResult() == IpcResult::Okay) {
        link.connected = true;
        link.simulatorVersion = opened->GetSimulatorVersion();
    }
    return link;
}

// The small window that says what the program waits for.
std::unique_ptr<QWidget> ConnectingNotice(QWidget* parent) {
    auto notice =
        std::make_unique<QWidget>(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    notice->setObjectName(QStringLiteral("connectingNotice"));
    notice->setWindowTitle(CDialogs::Title());
    auto* layout = new QVBoxLayout(notice.get());
    auto* text = new QLabel(QStringLiteral("Connecting to the simulator..."), notice.get());
    text->setObjectName(QStringLiteral("connectingText"));
    layout->addWidget(text);
    notice->setAccessibleName(text->text());
    return notice;
}

}  // namespace

StartupLink CheckSimulatorLink(const IpcLinkMaker& makeLink, QWidget* parent) {
    const CBusyCursor busy;
    QFutureWatcher<StartupLink> watcher;
    QEventLoop waiting;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &waiting, &QEventLoop::quit);
    std::unique_ptr<QWidget> notice;
    QTimer noticeTimer;
    noticeTimer.setSingleShot(true);
    QObject::connect(&noticeTimer, &QTimer::timeout, &waiting, [&notice, parent] {
        notice = ConnectingNotice(parent);
        notice->show();
    });
    noticeTimer.start(noticeAfterMs);
    watcher.setFuture(QtConcurrent::run([makeLink] { return OpenStartupLink(makeLink); }));
    if (!watcher.isFinished()) {
        waiting.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return watcher.result();
}

namespace {

// The relay's address as the command line gives it (--relay HOST:PORT or --relay=HOST:PORT).
QString RelayAddressOnCommandLine() {
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--relay") && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
        if (arguments[i].startsWith(QLatin1String("--relay="))) {
            return arguments[i].mid(8);
        }
    }
    return {};
}

}  // namespace

QString NoConnectionRemedy() {
    const QString relay = RelayAddressOnCommandLine();
    if (!relay.isEmpty()) {
        return QStringLiteral(
                   "Tried the relay at %1. Start grovewright-relay beside the simulator, check that "
                   "this address reaches it, then start Grovewright again.")
            .arg(relay);
    }
    return QStringLiteral(
        "Tried the simulator's link on this machine. Start FS2004 with FSUIPC (or the stand-in "
        "simulator, grovewright-sim) first, then start Grovewright again; for a simulator on "
        "another machine, start Grovewright with --relay HOST:PORT.");
}

QString CompilerMissingRemedy(const std::string& programFolder) {
    return QStringLiteral(
               "Looked in %1. Put the scenery compiler bglcomp.exe there, then start Grovewright again.")
        .arg(QDir::toNativeSeparators(QString::fromStdString(programFolder)));
}
