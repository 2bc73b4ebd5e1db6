#include "app/PlantCommands.h"

#include <QApplication>

#include "app/CDialogs.h"
#include "app/CMyEditDialog.h"
#include "app/FileCommands.h"
#include "app/OutcomeTexts.h"
#include "app/PlantingSession.h"
#include "app/palette/CPalettePage.h"
#include "trees/TreeCatalogue.h"

PlantCommands::PlantCommands(PlantingSession& session_, CDialogs& dialogs_, FileCommands& fileCommands_,
                             QWidget* window_)
    : QObject(window_), session(session_), dialogs(dialogs_), fileCommands(fileCommands_), window(window_) {}

void PlantCommands::OnPlantTree(const PaletteSelection& selection) {
    if (session.IsBusy()) {
        return;
    }
    if (selection.choice == PaletteSelection::Choice::Nothing) {
        dialogs.Message(window, QStringLiteral("No tree selected"));
        return;
    }
    const PlantOutcome outcome =
        selection.choice == PaletteSelection::Choice::Tree
            ? session.PlantTree(TreeCatalogue().GuidForEntry(selection.baseIndex, selection.heightIndex),
                                selection.model)
            : session.PlantCopse();
    // Every press beeps, also one the simulator did not answer; what it planted is in the journal by now.
    QApplication::beep();
    Q_EMIT Status(PlantOutcomeText(outcome));
}

void PlantCommands::OnCopse(CPalettePage& page) {
    if (session.IsBusy()) {
        return;
    }
    if (!session.Document().FileOpen()) {
        dialogs.Message(&page, QStringLiteral("No files open"));
        return;
    }
    const auto chosen =
        dialogs.ChooseFile(&page, CDialogs::FileChoice::OpenExisting, QStringLiteral("Load copse pattern"));
    if (!chosen) {
        return;
    }
    // The page shows no choice until a pattern is loaded; its selection stays for a refused file.
    page.ResetPalette();
    const ReadOutcome outcome = fileCommands.ReadChosenFile(&page, *chosen, true);
    if (outcome.status == ReadStatus::Read && !outcome.emptyFile) {
        page.ShowCopseLoaded();
    }
}

void PlantCommands::OnEdit() {
    if (session.IsBusy()) {
        return;
    }
    CMyEditDialog dialog(session.Document().PlantedObjects(), window);
    if (dialog.exec() == QDialog::Accepted) {
        const std::size_t before = session.Document().PlantedCount();
        session.KeepRows(dialog.KeptIndices());
        Q_EMIT Status(DeletedText(before - session.Document().PlantedCount()));
    }
}
