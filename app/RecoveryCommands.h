#pragma once

#include <QObject>
#include <QString>

class CDialogs;
class PlantingSession;
struct JournalSummary;
class QWidget;

// Bringing back what an ended program left unsaved: at start-up the journals of programs that ended
// without saving are offered one by one, newest first (Recover, Later, Discard); "Recover Discarded
// Plants..." brings back what a question's answer gave up.
class RecoveryCommands : public QObject {
    Q_OBJECT

public:
    RecoveryCommands(PlantingSession& session, CDialogs& dialogs, QWidget* window);

    void OfferRecovery();
    void OnRecoverDiscarded();

Q_SIGNALS:
    void Status(const QString& text);
    // A journal was taken into the session: the document stands where the ended program left it.
    void Recovered();

private:
    // Takes one journal into the session; true when it was recovered.
    bool RecoverJournal(const JournalSummary& journal);

    PlantingSession& session;
    CDialogs& dialogs;
    QWidget* window;
};
