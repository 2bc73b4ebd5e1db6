#include "app/CDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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
