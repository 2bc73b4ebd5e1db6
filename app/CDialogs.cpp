#include "app/CDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPushButton>

QString CDialogs::Title() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void CDialogs::Message(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, Title(), text, QMessageBox::Ok, parent);
    box.exec();
}

bool CDialogs::Ask(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, Title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<CDialogs::ChosenFile> CDialogs::ChooseFile(QWidget* parent, FileChoice choice) {
    // Qt's own dialog on every platform, so that the choice behaves alike everywhere and tests can drive it.
    QFileDialog dialog(parent, choice == FileChoice::SaveAs ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral(" (*.xml)"));
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setAcceptMode(choice == FileChoice::SaveAs ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(choice == FileChoice::OpenExisting ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo chosen(dialog.selectedFiles().constFirst());
    QString folder = QDir::toNativeSeparators(chosen.absolutePath());
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return ChosenFile{chosen.fileName().toStdString(), folder.toStdString()};
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
