#include "app/RecoveryCommands.h"

#include <QDateTime>
#include <QStringList>
#include <ctime>

#include "app/CBusyCursor.h"
#include "app/CDialogs.h"
#include "app/PlantingSession.h"
#include "document/journal/JournalFolder.h"

namespace {

QString WhenText(std::int64_t secondsSince1970) {
    return QDateTime::fromSecsSinceEpoch(secondsSince1970).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString FileText(const JournalSummary& journal) {
    if (journal.fileName.empty()) {
        return QStringLiteral("no named file");
    }
    return QString::fromStdString(journal.fileName) + QStringLiteral(" (") +
           QString::fromStdString(journal.folder) + QLatin1Char(')');
}

QString ObjectsText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 unsaved planted object")
                      : QStringLiteral("%1 unsaved planted objects").arg(count);
}

QString DroppedText(std::size_t records) {
    if (records == 0) {
        return {};
    }
    return QStringLiteral(
               "\nThe journal was damaged at its end (the program or the machine stopped while writing): "
               "%1 of its last records cannot be recovered.")
        .arg(records);
}

// Reading a long journal takes a moment before the first question.
std::vector<JournalSummary> EndedJournals(const JournalFolder& folder) {
    const CBusyCursor busy;
    return folder.Tidy(static_cast<std::int64_t>(std::time(nullptr)));
}

}  // namespace

RecoveryCommands::RecoveryCommands(PlantingSession& session_, CDialogs& dialogs_, QWidget* window_)
    : QObject(window_), session(session_), dialogs(dialogs_), window(window_) {}

void RecoveryCommands::OfferRecovery() {
    const JournalFolder& folder = session.Journal().Folder();
    if (folder.Path().empty()) {
        return;
    }
    for (const JournalSummary& journal : EndedJournals(folder)) {
        if (journal.status != JournalReadStatus::Read || journal.unsavedObjects == 0) {
            continue;
        }
        const QString question =
            QStringLiteral("Grovewright ended on %1 with %2 in %3. Recover them?")
                .arg(WhenText(journal.lastWritten), ObjectsText(journal.unsavedObjects), FileText(journal)) +
            DroppedText(journal.recordsDropped);
        switch (dialogs.AskRecovery(window, question)) {
            case CDialogs::RecoveryAnswer::Recover:
                if (RecoverJournal(journal)) {
                    return;  // the document holds one session; the others wait for the next start
                }
                break;
            case CDialogs::RecoveryAnswer::Discard:
                folder.Discard(journal.file, static_cast<std::int64_t>(std::time(nullptr)));
                break;
            case CDialogs::RecoveryAnswer::Later:
                break;
        }
    }
}

bool RecoveryCommands::RecoverJournal(const JournalSummary& journal) {
    QString problem;
    std::size_t dropped = 0;
    bool recovered = false;
    {
        const CBusyCursor busy;
        recovered = session.Recover(journal.file, problem, dropped);
    }
    if (!recovered) {
        dialogs.Message(window, problem);
        return false;
    }
    QString text = QStringLiteral("Recovered %1 planted objects").arg(session.Document().PlantedCount());
    if (dropped > 0) {
        text += QStringLiteral(" (%1 damaged records dropped)").arg(dropped);
    }
    Q_EMIT Recovered();
    Q_EMIT Status(text);
    return true;
}

void RecoveryCommands::OnRecoverDiscarded() {
    if (session.IsBusy()) {
        return;
    }
    if (session.Document().PlantedCount() > 0 || session.Document().FileOpen()) {
        dialogs.Message(
            window,
            QStringLiteral("Save or close the open work first: recovered objects need an empty list."));
        return;
    }
    const std::vector<JournalSummary> discarded = session.Journal().Folder().ListDiscarded();
    QStringList items;
    std::vector<const JournalSummary*> offered;
    for (const JournalSummary& journal : discarded) {
        if (journal.status == JournalReadStatus::Read && journal.unsavedObjects > 0) {
            items << QStringLiteral("%1  %2  %3")
                         .arg(WhenText(journal.discardedAt), FileText(journal),
                              ObjectsText(journal.unsavedObjects));
            offered.push_back(&journal);
        }
    }
    if (offered.empty()) {
        dialogs.Message(window, QStringLiteral("There are no discarded plants to recover."), {},
                        QMessageBox::Information);
        return;
    }
    if (const auto chosen = dialogs.ChooseItem(
            window, QStringLiteral("Discarded plants (discarded on, file, objects):"), items)) {
        RecoverJournal(*offered[static_cast<std::size_t>(*chosen)]);
    }
}
