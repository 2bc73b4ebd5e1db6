#include "app/CDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStandardPaths>

QString CDialogs::Title() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

namespace {

// A box is as wide as its text needs; a short text would cut the caption short, so the box is made
// wide enough for the caption and the title bar's buttons too.
void KeepCaptionWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 12 * metrics.height();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

constexpr char lastFolderKey[] = "files/lastFolder";

// File dialogs start in the folder last chosen, in this run or an earlier one, else in the user's
// documents folder (the home folder where there is none); never in the working folder, the program's
// folder, where the user's files do not belong.
void StartInFolderLastChosen(QFileDialog& dialog) {
    const QString lastFolder = QSettings().value(QLatin1String(lastFolderKey)).toString();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(QFileInfo(lastFolder).isDir()  ? lastFolder
                        : QFileInfo(documents).isDir() ? documents
                                                       : QDir::homePath());
}

void RememberFolder(const QString& folder) {
    QSettings().setValue(QLatin1String(lastFolderKey), folder);
}

}  // namespace

void CDialogs::Message(QWidget* parent, const QString& text, const QString& remedy, QMessageBox::Icon icon) {
    QMessageBox box(icon, Title(), text, QMessageBox::Ok, parent);
    // The message itself stays as it is; how to mend it goes below, in the box's second text.
    box.setInformativeText(remedy);
    KeepCaptionWhole(box);
    box.exec();
}

CDialogs::Answer CDialogs::Ask(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    // Without an escape button of its own the box would take No for Escape and the close box; a
    // hidden Cancel button takes both instead, while only Yes and No are shown.
    QAbstractButton* dismiss = box.addButton(QMessageBox::Cancel);
    dismiss->hide();
    box.setEscapeButton(dismiss);
    KeepCaptionWhole(box);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes)) {
        return Answer::Yes;
    }
    return box.clickedButton() == box.button(QMessageBox::No) ? Answer::No : Answer::Dismissed;
}

std::optional<CDialogs::ChosenFile> CDialogs::ChooseFile(QWidget* parent, FileChoice choice,
                                                         const QString& title) {
    // Qt's own dialog on every platform, so that the choice behaves alike everywhere and tests can drive it.
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The command asks its own overwrite question; the dialog's would ask it a second time.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(QStringLiteral("Planting files (*.xml)"));
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setAcceptMode(choice == FileChoice::SaveAs ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice == FileChoice::OpenExisting ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setViewMode(QFileDialog::Detail);
    StartInFolderLastChosen(dialog);
    // Wide enough for the name, size, type and date columns side by side.
    const QFontMetrics metrics(dialog.font());
    dialog.resize(metrics.averageCharWidth() * 110, metrics.height() * 28);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    RememberFolder(chosen.absolutePath());
    QString folder = QDir::toNativeSeparators(chosen.absolutePath());
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return ChosenFile{chosen.fileName().toStdString(), folder.toStdString()};
}

std::optional<QString> CDialogs::ChooseKmlFile(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({QStringLiteral("KML files (*.kml)"), QStringLiteral("All files (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    StartInFolderLastChosen(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    RememberFolder(QFileInfo(chosen).absolutePath());
    return chosen;
}

CDialogs::RecoveryAnswer CDialogs::AskRecovery(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::NoButton, parent);
    QPushButton* recover = box.addButton(QStringLiteral("&Recover"), QMessageBox::AcceptRole);
    QPushButton* later = box.addButton(QStringLiteral("&Later"), QMessageBox::RejectRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == recover) {
        return RecoveryAnswer::Recover;
    }
    return box.clickedButton() == discard ? RecoveryAnswer::Discard : RecoveryAnswer::Later;
}

std::optional<int> CDialogs::ChooseItem(QWidget* parent, const QString& label, const QStringList& items) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(Title());
    dialog.setLabelText(label);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const int index = static_cast<int>(items.indexOf(dialog.textValue()));
    return index < 0 ? std::nullopt : std::optional<int>(index);
}
