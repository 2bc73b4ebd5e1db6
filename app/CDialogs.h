#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

// The one place that shows message boxes and file dialogs, so that every one of them has the
// application's title as caption, OK or Yes/No only, and the planting files' filter and extension.
// Commands are given one; flow tests give a scripted one instead.
class CDialogs {
public:
    virtual ~CDialogs() = default;

    // The executable's base name.
    static QString Title();

    // A message with an OK button; `remedy`, where given, says below it how to mend what went wrong.
    virtual void Message(QWidget* parent, const QString& text, const QString& remedy = {},
                         QMessageBox::Icon icon = QMessageBox::Warning);
    enum class Answer {
        Yes,
        No,
        Dismissed,  // Escape or the close box: the caller changes nothing
    };
    // A question with Yes and No. Escape and the close box give Dismissed, never No, because No
    // may discard objects.
    virtual Answer Ask(QWidget* parent, const QString& text);

    struct ChosenFile {
        std::string fileName;  // with extension, without folder
        std::string folder;    // ends with the separator
    };
    enum class FileChoice {
        OpenOrNew,     // an existing planting file or a new name
        OpenExisting,  // the file must exist
        SaveAs,        // a name to save under; the caller asks before it overwrites
    };
    // A planting file chosen in a file dialog titled `title` after its command; nothing when the user
    // cancels. The dialog starts in the folder of the last choice (of this run or an earlier one), else in
    // the user's documents folder.
    virtual std::optional<ChosenFile> ChooseFile(QWidget* parent, FileChoice choice, const QString& title);
    // An existing KML file (a forest's outline), its full path; nothing when the user cancels.
    virtual std::optional<QString> ChooseKmlFile(QWidget* parent, const QString& title);

    // The question about an ended program's unsaved objects; Escape and the close box mean Later.
    enum class RecoveryAnswer { Recover, Later, Discard };
    virtual RecoveryAnswer AskRecovery(QWidget* parent, const QString& text);
    // One of `items` chosen from a list; nothing when the user cancels.
    virtual std::optional<int> ChooseItem(QWidget* parent, const QString& label, const QStringList& items);
};
