// The File commands and the Copse buttons through the real window, file dialogs and message boxes,
// against the stand-in simulator and the stand-in compiler as "bglcomp.exe" in the program's folder.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <clocale>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>

#include "app/CTopDialog.h"
#include "app/FileCommands.h"
#include "app/PlantCommands.h"
#include "app/PlantingSession.h"
#include "app/RecoveryCommands.h"
#include "app/palette/CPlaceTreesDlg.h"
#include "app/palette/CVorlsTrees.h"
#include "tests/gui/window/ModalScript.h"
#include "tests/support/MarkedPlantingFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/WindowControls.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"
#include "trees/TreeCatalogue.h"

namespace fs = std::filesystem;
using Answer = ModalScript::Answer;

namespace {

const std::string guidA = "AAAAAAAA111122223333444444444444";
const std::string guidB = "BBBBBBBB111122223333444444444444";

// Keeps the messages the window shows instead of showing them, and answers the recovery question with
// Recover, keeping its text.
class KeepingDialogs : public CDialogs {
public:
    void Message(QWidget*, const QString& text, const QString&, QMessageBox::Icon) override {
        messages << text;
    }
    RecoveryAnswer AskRecovery(QWidget*, const QString& text) override {
        questions << text;
        return RecoveryAnswer::Recover;
    }
    QStringList messages;
    QStringList questions;
};

QString Text(const fs::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace

class FilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void SaveAsThatSavedNothingKeepsTheDocument();
    void CloseAndWindowCloseGoAheadOnlyAfterTheAskedSave();
    void SaveWithNoFileOpenAsksForAName();
    void NewRefusesAFolderThatCannotBeWritten();
    void FileDialogsAreTitledAndStartInTheFolderLastChosen();
    void SaveTellsEveryFailedStepInOneMessage();
    void SaveKeepsTheWindowPaintedAndClosedToInput();
    void RefusedAndEmptyFilesChangeNothing();
    void CopsePatternIsSharedAndASecondLoadAddsNothing();
    void WholePlantingJob();
    void RecoveryBringsBackTheSessionAndItsHistory();
    void AJournalThatCannotBeWrittenIsToldWhilePlantingGoesOn();

private:
    // Runs a command with its dialogs answered in turn; the texts of the message boxes answered, with
    // "(unfinished)" after them when a dialog went unanswered or came uninvited.
    QStringList Dialogue(const std::function<void()>& command, std::vector<Answer> answers,
                         QStringList* fileDialogs = nullptr);
    void InstallCompiler(const std::string& script);
    // A file open in the user's folder with objects planted into it.
    void OpenWithObjects(std::size_t count, const std::string& name = "open.xml");
    const PlantingDocument& Document() { return window->Session().Document(); }
    bool FileOpen() { return Document().FileOpen(); }
    FileCommands& Files() { return window->Files(); }
    void Press(int controlId) { ::Press(window.get(), controlId); }
    QString FilenameBox() { return window->findChild<QLineEdit*>("filenameBox")->text(); }
    // The status line's last line: what the last command did.
    QString LastStatus() { return window->findChild<QLabel*>("statusLine")->text().section('\n', -1); }
    QString User(const std::string& name) { return Text(user->Path(name)); }

    ScratchRuntimeFolder runtime;
    std::unique_ptr<TemporaryFolder> program;
    std::unique_ptr<TemporaryFolder> user;
    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<CTopDialog> window;
};

void FilesTest::init() {
    std::setlocale(LC_NUMERIC, "C");  // the test's own expected texts
    program = std::make_unique<TemporaryFolder>();
    user = std::make_unique<TemporaryFolder>();
    fs::copy_file(GROVEWRIGHT_COMPILER, program->Path("bglcomp.exe"));
    fs::current_path(program->Path());
    simulator = std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{});
    QVERIFY(simulator->IsReady());
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker());
    QVERIFY(window->OnInitDialog());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void FilesTest::cleanup() {
    window.reset();
    simulator.reset();
    fs::current_path(fs::temp_directory_path());
    program.reset();
    user.reset();
}

QStringList FilesTest::Dialogue(const std::function<void()>& command, std::vector<Answer> answers,
                                QStringList* fileDialogs) {
    const ModalScript script(std::move(answers));
    command();
    // A command run from a key is queued: its dialogs come after the key has returned.
    const bool finished = QTest::qWaitFor([&script] { return script.Finished(); });
    if (fileDialogs != nullptr) {
        *fileDialogs << script.FileDialogs();
    }
    QStringList messages = script.Messages();
    if (!finished || !script.Finished()) {
        messages << "(unfinished)";
    }
    return messages;
}

void FilesTest::InstallCompiler(const std::string& script) {
    fs::remove(program->Path("bglcomp.exe"));
    program->Write("bglcomp.exe", "#!/bin/sh\n" + script + "\n");
    fs::permissions(program->Path("bglcomp.exe"), fs::perms::owner_all);
}

void FilesTest::OpenWithObjects(std::size_t count, const std::string& name) {
    window->Session().Close();
    std::vector<std::tuple<double, double, std::string>> objects;
    for (std::size_t i = 0; i < count; ++i) {
        objects.emplace_back(50.0 + static_cast<double>(i), 8.0, guidA);
    }
    user->Write(name, MarkedPlantingFile(objects));
    QCOMPARE(Dialogue([this] { Files().OnOpen(); }, {ModalScript::Choose(User(name))}), QStringList{});
    QVERIFY(FileOpen());
    QCOMPARE(Document().PlantedCount(), count);
}

void FilesTest::SaveAsThatSavedNothingKeepsTheDocument() {
    user->Write("taken.xml", "older planting");
    fs::create_directory(program->Path("blocked.xml"));  // the XML file cannot be written over a folder
    const QString overwrite = "taken.xml exists.\nDo you wish to overwrite it?";
    const QString unwritable = Text(program->Path("blocked.xml")) +
                               " could not be written. Nothing was saved; your planted objects are kept.";
    const struct {
        const char* what;
        std::vector<Answer> answers;
        QString lastMessage;
    } rows[] = {
        {"cancelled", {ModalScript::Cancel()}, {}},
        // The program's question is the only one: the file dialog asks none of its own.
        {"overwrite answered No",
         {ModalScript::Choose(User("taken.xml")), ModalScript::Press(QMessageBox::No)},
         overwrite},
        {"overwrite escaped",
         {ModalScript::Choose(User("taken.xml")),
          ModalScript::LeaveUnanswered(ModalScript::Dismissal::EscapeKey)},
         overwrite},
        {"not writable",
         {ModalScript::Choose(User("blocked.xml")), ModalScript::Press(QMessageBox::Ok)},
         unwritable},
    };
    OpenWithObjects(2);
    for (const auto& row : rows) {
        const QStringList messages = Dialogue([this] { Files().OnSaveAs(); }, row.answers);
        QVERIFY2(!messages.contains("(unfinished)"), row.what);
        QCOMPARE(
            messages.isEmpty() ? QString() : messages.last().section('\n', 0, row.lastMessage.count('\n')),
            row.lastMessage);
        QCOMPARE(Document().PlantedCount(), std::size_t{2});
        QVERIFY(FileOpen());
        QCOMPARE(Document().FileName(), "open.xml");
        QCOMPARE(FilenameBox(), "open");
        QCOMPARE(user->Read("taken.xml"), "older planting");
    }
}

void FilesTest::CloseAndWindowCloseGoAheadOnlyAfterTheAskedSave() {
    const QString saveNow = "You have not saved.\nDo you wish to save now?";
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"Close", [this] { Files().OnClose(); }},
        {"close button", [this] { window->close(); }},
        {"Escape", [this] { QTest::keyClick(window.get(), Qt::Key_Escape); }},
        {"Close key",
         [this] {
             window->activateWindow();
             QVERIFY(QTest::qWaitForWindowActive(window.get()));
             QTest::keySequence(window.get(), QKeySequence::Close);
         }},
    };
    int saved = 0;
    for (const auto& [what, closing] : closings) {
        const bool closesWindow = !std::string(what).starts_with("Close");
        window->show();
        OpenWithObjects(2);
        // Yes, then no save: nothing is discarded.
        QCOMPARE(Dialogue(closing, {ModalScript::Press(QMessageBox::Yes), ModalScript::Cancel()}),
                 QStringList{saveNow});
        QVERIFY2(window->isVisible() && FileOpen(), what);
        QCOMPARE(Document().PlantedCount(), std::size_t{2});
        // Escape and the close box answer nothing: the window and the objects stay.
        for (const auto how : {ModalScript::Dismissal::EscapeKey, ModalScript::Dismissal::CloseBox}) {
            QCOMPARE(Dialogue(closing, {ModalScript::LeaveUnanswered(how)}), QStringList{saveNow});
            QVERIFY2(window->isVisible() && FileOpen(), what);
            QCOMPARE(Document().PlantedCount(), std::size_t{2});
        }
        // Yes and a save: the objects are in the file, and the close goes ahead.
        const std::string name = "saved" + std::to_string(++saved) + ".xml";
        QCOMPARE(Dialogue(closing, {ModalScript::Press(QMessageBox::Yes), ModalScript::Choose(User(name))}),
                 QStringList{saveNow});
        QVERIFY2(user->Read(name).find(guidA) != std::string::npos, what);
        QCOMPARE(window->isVisible(), !closesWindow);
        QCOMPARE(Document().PlantedCount(), std::size_t{0});
        // No: discarded on purpose.
        window->show();
        OpenWithObjects(1);
        QCOMPARE(Dialogue(closing, {ModalScript::Press(QMessageBox::No)}), QStringList{saveNow});
        QCOMPARE(window->isVisible(), !closesWindow);
        if (!closesWindow) {
            QVERIFY(!FileOpen());
            QCOMPARE(Document().PlantedCount(), std::size_t{0});
        }
    }
    // Exit never saves: No keeps everything, Yes ends without a save.
    OpenWithObjects(1);
    QCOMPARE(Dialogue([this] { Files().OnExit(); }, {ModalScript::Press(QMessageBox::No)}),
             QStringList{"You have not saved.\nAre you sure you wish to exit?"});
    QVERIFY(window->isVisible() && Document().PlantedCount() == 1);
    const std::vector<std::string> before = user->FileNames();
    Dialogue([this] { Files().OnExit(); }, {ModalScript::Press(QMessageBox::Yes)});
    QVERIFY(!window->isVisible());
    QCOMPARE(user->FileNames(), before);
    QCOMPARE(program->FileNames(), (std::vector<std::string>{"bglcomp.exe", "t.txt"}));
}

void FilesTest::SaveWithNoFileOpenAsksForAName() {
    // After a save of earlier.xml the palette keeps its choice, and a press plants with no file open.
    OpenWithObjects(1, "earlier.xml");
    Press(1009);
    QCOMPARE(Dialogue([this] { Files().OnSave(); }, {}), QStringList{});
    user->Write("earlier.xml", "an earlier save");
    Press(1020);
    QCOMPARE(Document().PlantedCount(), std::size_t{1});
    QCOMPARE(Dialogue([this] { Files().OnSave(); }, {ModalScript::Cancel()}), QStringList{});
    QCOMPARE(user->Read("earlier.xml"), "an earlier save");
    QCOMPARE(Document().PlantedCount(), std::size_t{1});
    // Nothing to save and no file: no dialog at all.
    window->Session().Close();
    QCOMPARE(Dialogue([this] { Files().OnSave(); }, {}), QStringList{});
}

void FilesTest::NewRefusesAFolderThatCannotBeWritten() {
    // A folder no user can write, root included: one under a regular file.
    user->Write("plain", "a file, not a folder");
    const QString folder = User("plain");
    window->Session().Close();
    const QStringList messages =
        Dialogue([this] { Files().OnNew(); },
                 {ModalScript::Choose(folder + "/new.xml"), ModalScript::Press(QMessageBox::Ok)});
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.front().startsWith(folder + " cannot be written: "), qPrintable(messages.front()));
    QVERIFY2(messages.front().endsWith(". Choose another folder."), qPrintable(messages.front()));
    QVERIFY(!FileOpen());
    QCOMPARE(FilenameBox(), " ");
    // A folder that can be written is taken, and the check leaves nothing behind in it.
    QCOMPARE(Dialogue([this] { Files().OnNew(); }, {ModalScript::Choose(User("new.xml"))}), QStringList{});
    QVERIFY(FileOpen());
    QCOMPARE(user->FileNames(), std::vector<std::string>{"plain"});
}

void FilesTest::FileDialogsAreTitledAndStartInTheFolderLastChosen() {
    QSettings().remove("files/lastFolder");
    QStringList dialogs;
    QCOMPARE(Dialogue([this] { Files().OnNew(); }, {ModalScript::Choose(User("first.xml"))}, &dialogs),
             QStringList{});
    window->Session().Close();
    QCOMPARE(
        Dialogue([this] { Files().OnOpen(); },
                 {ModalScript::Choose(User("first.xml")), ModalScript::Press(QMessageBox::Yes)}, &dialogs)
            .size(),
        1);
    // The documents folder where the user has one, else the home folder.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    documents = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    const QString chosen = QFileInfo(User("")).absoluteFilePath().chopped(1);
    QCOMPARE(dialogs, (QStringList{"New planting file in " + QDir(documents).absolutePath(),
                                   "Open planting file in " + chosen}));
}

void FilesTest::SaveTellsEveryFailedStepInOneMessage() {
    // Both streams, interleaved and longer than the message shows: the report keeps their order.
    InstallCompiler("for i in 1 2 3 4 5 6; do echo out $i; echo err $i >&2; done\nexit 3");
    fs::create_directory(user->Path("gone"));
    OpenWithObjects(1, "gone/open.xml");
    fs::remove_all(user->Path("gone"));
    user->Write("gone", "a file where the folder was");
    const QStringList messages =
        Dialogue([this] { Files().OnSave(); }, {ModalScript::Press(QMessageBox::Ok)});
    QCOMPARE(messages.size(), 1);
    const QStringList lines = messages.front().split('\n');
    QCOMPARE(lines.size(), 15);
    QCOMPARE(lines[0],
             "The scenery was not compiled. The compiler's report is in " + Text(program->Path("t.txt")));
    QCOMPARE(lines[1], "The compiler ended with status 3.");
    QCOMPARE(lines[2], "open.xml could not be moved to " + Text(user->Path("gone")) + "/; it is in " +
                           Text(program->Path()) + "/");
    QCOMPARE(lines.mid(4),
             QString("|out 2|err 2|out 3|err 3|out 4|err 4|out 5|err 5|out 6|err 6").split('|'));
    // The XML file was written, so the document is closed; the file waits in the program's folder.
    QVERIFY(program->Exists("open.xml"));
    QVERIFY(program->Read("t.txt").starts_with("out 1\nerr 1\nout 2\n"));
    QCOMPARE(LastStatus(), "Not compiled: open.xml kept in " + Text(program->Path()) +
                               "/; the report is t.txt in " + Text(program->Path()) + "/");
    QVERIFY(!FileOpen());
    QCOMPARE(Document().PlantedCount(), std::size_t{0});
    QCOMPARE(FilenameBox(), " ");
}

void FilesTest::SaveKeepsTheWindowPaintedAndClosedToInput() {
    InstallCompiler(std::string("sleep 2\nexec '") + GROVEWRIGHT_COMPILER + "' \"$@\"");
    OpenWithObjects(1);
    int blockedTicks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        const bool closed =
            window->Session().IsBusy() && !window->findChild<QAction*>("newAction")->isEnabled();
        blockedTicks += closed && cursor != nullptr && cursor->shape() == Qt::WaitCursor ? 1 : 0;
        // A Plant press, an Undo and a second Save meanwhile are refused and change nothing.
        Q_EMIT window->DefaultPage().PlantRequested(window->DefaultPage().Selection());
        window->Session().Undo();
        Files().OnSave();
    });
    Press(1009);
    tick.start(50);
    QCOMPARE(Dialogue([this] { Files().OnSave(); }, {}), QStringList{});
    tick.stop();
    QVERIFY2(blockedTicks >= 20, qPrintable(QString::number(blockedTicks)));
    QVERIFY(!window->Session().IsBusy() && QApplication::overrideCursor() == nullptr);
    QVERIFY(user->Exists("open.bgl"));
    QCOMPARE(Document().PlantedCount(), std::size_t{0});
    QVERIFY(window->findChild<QAction*>("newAction")->isEnabled());
}

void FilesTest::RefusedAndEmptyFilesChangeNothing() {
    const std::string marked = MarkedPlantingFile({{1.0, 2.0, guidB}});
    user->Write("other.xml",
                "<FSData><SceneryObject lat=\"1.0\" lon=\"2.0\"><LibraryObject name=\"" + guidB + "\"/>");
    user->Write("empty.xml", "");
    // Passes the dialog and the existence test, then stands as a folder that cannot be read as a file.
    const auto folderAfterChoice = [this, marked](const std::string& name) {
        user->Write(name, marked);
        return ModalScript::ChooseThen(User(name), [this, name] {
            fs::remove(user->Path(name));
            fs::create_directory(user->Path(name));
        });
    };
    CPalettePage& page = window->DefaultPage();
    const struct {
        const char* command;
        std::function<void()> run;
    } commands[] = {
        {"Open", [this] { Files().OnOpen(); }},
        {"Append From", [this] { Files().OnAppendFrom(); }},
        {"Copse", [this, &page] { window->Planting().OnCopse(page); }},
    };
    for (const auto& [command, run] : commands) {
        const bool open = std::string(command) == "Open";
        const struct {
            Answer choice;
            QStringList messages;
        } files[] = {
            {ModalScript::Choose(User("other.xml")), {"other.xml was not created by Grovewright"}},
            {folderAfterChoice(std::string(command).substr(0, 4) + ".xml"),
             {QString::fromStdString(std::string(command).substr(0, 4) + ".xml could not be read.")}},
            {ModalScript::Choose(User("empty.xml")), {}},
        };
        for (const auto& file : files) {
            // A tree chosen on the page; for Open no file open, otherwise one holding one object.
            OpenWithObjects(1, "base.xml");
            Press(1000);
            const std::size_t before = open ? 0 : 1;
            if (open) {
                window->Session().Close();
            }
            std::vector<Answer> answers{file.choice};
            if (!file.messages.isEmpty()) {
                answers.push_back(ModalScript::Press(QMessageBox::Ok));
            }
            QCOMPARE(Dialogue(run, answers), file.messages);
            QCOMPARE(Document().PlantedCount(), before);
            QCOMPARE(Document().CopseCount(), std::size_t{0});
            QVERIFY2(page.Selection().choice == PaletteSelection::Choice::Tree, command);
            // Only Open takes an empty file, as a new planting file.
            QCOMPARE(FileOpen(), !open || file.messages.isEmpty());
            QCOMPARE(FilenameBox(), FileOpen() ? (open ? "empty" : "base") : " ");
        }
    }
}

void FilesTest::CopsePatternIsSharedAndASecondLoadAddsNothing() {
    user->Write("copse.xml",
                MarkedPlantingFile({{50.0, 8.0, guidA}, {50.001, 8.002, guidB}, {49.999, 8.0, guidA}}));
    OpenWithObjects(0);
    for (CPalettePage* page :
         std::initializer_list<CPalettePage*>{&window->DefaultPage(), &window->SecondPage()}) {
        QCOMPARE(Dialogue([this, page] { window->Planting().OnCopse(*page); },
                          {ModalScript::Choose(User("copse.xml"))}),
                 QStringList{});
        QVERIFY(page->Selection().choice == PaletteSelection::Choice::Copse);
        QCOMPARE(Document().CopseCount(), std::size_t{3});
    }
    for (QLineEdit* treeType : window->findChildren<QLineEdit*>("treeTypeBox")) {
        QCOMPARE(treeType->text(), "Copse");
    }
}

void FilesTest::WholePlantingJob() {
    // New in the user's folder: a name with capitals, kept as chosen where case matters.
    QCOMPARE(Dialogue([this] { Files().OnNew(); }, {ModalScript::Choose(User("Forest.xml"))}), QStringList{});
    Press(1009);  // Conifer 3, its first height
    for (const char* position : {"position 47.1 -122.1", "position 47.3 -122.3"}) {
        QVERIFY(simulator->Command(position).starts_with("position"));
        Press(1020);
    }
    user->Write("earlier.xml", MarkedPlantingFile({{10.0, 20.0, guidA}, {10.001, 20.002, guidB}}));
    QCOMPARE(Dialogue([this] { Press(1025); }, {ModalScript::Choose(User("earlier.xml"))}), QStringList{});
    QCOMPARE(LastStatus(), "Copse pattern of 2 objects loaded from earlier.xml");
    QVERIFY(simulator->Command("position 47.4 -122.4").starts_with("position"));
    Press(1020);
    QCOMPARE(LastStatus(), "Planted 2 at 47.4000000, -122.4000000");
    QCOMPARE(window->findChild<QAction*>("undoAction")->text(), "Undo Plant copse of 2");

    // The chosen tree where the aircraft stood, then every copse member at its offset, in order.
    const PlantingList planted = Document().PlantedObjects();
    const std::string conifer = TreeCatalogue().GuidForEntry(56, 0);
    const std::tuple<double, double, std::string> intended[] = {
        {47.1, -122.1, conifer}, {47.3, -122.3, conifer}, {47.4, -122.4, guidA}, {47.401, -122.398, guidB}};
    QCOMPARE(planted.Count(), std::size_t{4});
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& [latitude, longitude, guid] = intended[i];
        QVERIFY(qAbs(planted.LatitudeAt(i) - latitude) < 1e-6 &&
                qAbs(planted.LongitudeAt(i) - longitude) < 1e-6);
        QCOMPARE(planted.GuidAt(i), guid);
    }

    QCOMPARE(Dialogue([this] { Files().OnSave(); }, {}), QStringList{});
    QCOMPARE(program->FileNames(), (std::vector<std::string>{"bglcomp.exe", "t.txt"}));
    QVERIFY(fs::file_size(user->Path("Forest.bgl")) > 0);
    QCOMPARE(LastStatus(), "Saved Forest.xml and Forest.bgl in " + User(""));
    // The save emptied the copse pattern: no page names it any more.
    for (QLineEdit* treeType : window->findChildren<QLineEdit*>("treeTypeBox")) {
        QCOMPARE(treeType->text().trimmed(), "");
    }

    // Open brings the same objects back, in order, under the name as chosen.
    QCOMPARE(Dialogue([this] { Files().OnOpen(); }, {ModalScript::Choose(User("Forest.xml"))}),
             QStringList{});
    QCOMPARE(Document().FileName(), "Forest.xml");
    QCOMPARE(FilenameBox(), "Forest");
    const PlantingList& read = Document().PlantedObjects();
    QCOMPARE(read.Count(), std::size_t{4});
    for (std::size_t i = 0; i < 4; ++i) {
        QVERIFY(qAbs(read.LatitudeAt(i) - planted.LatitudeAt(i)) < 1e-13);
        QVERIFY(qAbs(read.LongitudeAt(i) - planted.LongitudeAt(i)) < 1e-13);
        QCOMPARE(read.GuidAt(i), planted.GuidAt(i));
    }
    // Append From adds the earlier file's objects behind them; the open file stays the same.
    QCOMPARE(Dialogue([this] { Files().OnAppendFrom(); }, {ModalScript::Choose(User("earlier.xml"))}),
             QStringList{});
    QCOMPARE(read.Count(), std::size_t{6});
    QCOMPARE(read.GuidAt(5), guidB);
    QCOMPARE(Document().FileName(), "Forest.xml");
    QCOMPARE(LastStatus(), "Appended 2 objects from earlier.xml");
}

void FilesTest::RecoveryBringsBackTheSessionAndItsHistory() {
    // A journal folder of this test's own, so that no other test's session is offered.
    window.reset();
    const TemporaryFolder state;
    const QByteArray stateBefore = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.Path().string()));
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker());
    window->show();
    // A session that ends without a save: an Open, a copse load, a plant, an Append From, a delete and
    // an Undo.
    OpenWithObjects(2, "forest.xml");
    user->Write("copse.xml", MarkedPlantingFile({{50.0, 8.0, guidA}, {50.001, 8.002, guidB}}));
    QCOMPARE(window->Session().LoadCopsePattern(user->Path("copse.xml")).objectsAdded, std::size_t{2});
    Press(1009);
    QVERIFY(simulator->Command("position 47.1 -122.1").starts_with("position"));
    Press(1020);
    user->Write("more.xml", MarkedPlantingFile({{10.0, 20.0, guidB}, {10.001, 20.002, guidB}}));
    QCOMPARE(window->Session().AppendFrom(user->Path("more.xml")).objectsAdded, std::size_t{2});
    window->Session().KeepRows({0, 2, 4});
    window->Session().KeepRows({0});
    window->Session().Undo();
    const QString undoBefore = window->Session().UndoStack().undoText();
    const QString redoBefore = window->Session().UndoStack().redoText();
    window.reset();  // the program ends: its journal stays, unlocked

    KeepingDialogs dialogs;
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker(), &dialogs);
    window->Recovery().OfferRecovery();
    QCOMPARE(dialogs.questions.size(), 1);
    QVERIFY2(
        dialogs.questions[0].contains(" with 3 unsaved planted objects in forest.xml (" + User("") + ")"),
        qPrintable(dialogs.questions[0]));
    QCOMPARE(Document().PlantedCount(), std::size_t{3});
    QCOMPARE(window->Session().UndoStack().undoText(), undoBefore);
    QCOMPARE(window->Session().UndoStack().redoText(), redoBefore);
    QVERIFY(window->findChild<QLabel*>("statusLine")->text().contains("Recovered 3 planted objects"));
    // The recovered copse pattern is what Plant plants, as after loading it.
    for (const CPalettePage* page :
         std::initializer_list<const CPalettePage*>{&window->DefaultPage(), &window->SecondPage()}) {
        QVERIFY(page->Selection().choice == PaletteSelection::Choice::Copse);
    }
    // The history works on: the delete done again, then everything undone to the opened file.
    window->Session().Redo();
    QCOMPARE(Document().PlantedCount(), std::size_t{1});
    for (int step = 0; step < 4; ++step) {
        window->Session().Undo();
    }
    QCOMPARE(Document().PlantedCount(), std::size_t{2});
    // The journal it recovered from is gone: the next start offers only this session's own.
    window.reset();
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker(), &dialogs);
    window->Recovery().OfferRecovery();
    QCOMPARE(dialogs.questions.size(), 2);
    QVERIFY2(dialogs.questions[1].contains(" with 2 unsaved planted objects in forest.xml"),
             qPrintable(dialogs.questions[1]));
    QCOMPARE(dialogs.messages, QStringList{});
    window->Session().Close();
    window.reset();
    qputenv("XDG_STATE_HOME", stateBefore);
}

void FilesTest::AJournalThatCannotBeWrittenIsToldWhilePlantingGoesOn() {
    // The journal folder's place is taken by a regular file: no journal can be made there.
    window.reset();
    const TemporaryFolder state;
    state.Write("grovewright", "not a folder");
    const QByteArray stateBefore = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.Path().string()));
    KeepingDialogs dialogs;
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker(), &dialogs);
    QVERIFY(window->OnInitDialog());
    window->show();
    const QString warning = "Unsaved plants are not protected against a crash: the journal in " +
                            Text(state.Path("grovewright") / "journal") + " cannot be written (";
    window->Session().NameNewFile("trees.xml", User("").toStdString());
    Press(1009);
    for (const char* position : {"position 47.1 -122.1", "position 47.2 -122.2"}) {
        QVERIFY(simulator->Command(position).starts_with("position"));
        Press(1020);
        QTRY_VERIFY2(LastStatus().startsWith(warning), qPrintable(LastStatus()));
    }
    QCOMPARE(Document().PlantedCount(), std::size_t{2});
    // Told once in a message, and the status line keeps saying it after every press.
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages[0].startsWith(warning), qPrintable(dialogs.messages[0]));
    QVERIFY(!fs::is_directory(state.Path("grovewright")));
    window->Session().Close();
    window.reset();
    qputenv("XDG_STATE_HOME", stateBefore);
}

QTEST_MAIN(FilesTest)
#include "FilesTest.moc"
