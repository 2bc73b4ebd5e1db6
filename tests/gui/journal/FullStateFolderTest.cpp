// The real window planting with its journal on a tiny file system that is full: planting goes on, the
// status line says why plants are unprotected after every press, one message box says it for the whole
// session, and once there is room again the journal catches up with every plant.
//
// The file system is a 64 KiB tmpfs mounted by this program in a mount namespace of its own (inside a
// new user namespace where it does not run as root), made in main while the process still has one
// thread: a process with threads cannot change its namespaces.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/CDialogs.h"
#include "app/CTopDialog.h"
#include "app/PlantingSession.h"
#include "document/journal/JournalReader.h"
#include "document/journal/JournalReplay.h"
#include "simlink/IpcLinkMaker.h"
#include "tests/support/MarkedPlantingFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace fs = std::filesystem;

namespace {

fs::path tinyFolder;       // the tmpfs, XDG_STATE_HOME for the window
std::string mountProblem;  // why there is none; empty where it was mounted

std::string Failed(const std::string& what) {
    return what + " (" + std::strerror(errno) + ")";
}

bool WriteProcFile(const char* file, const std::string& text) {
    std::ofstream out(file);
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

// A mount namespace of this process's own, in a user namespace where it is not root; why not, or empty.
std::string EnterOwnMountNamespace() {
    if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0) {
        return {};
    }
    const std::string uid = std::to_string(::geteuid());
    const std::string gid = std::to_string(::getegid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        return Failed("user and mount namespaces are not allowed here");
    }
    if (!WriteProcFile("/proc/self/uid_map", uid + ' ' + uid + " 1\n") ||
        !WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/gid_map", gid + ' ' + gid + " 1\n")) {
        return "the user namespace's identity maps cannot be written";
    }
    return {};
}

std::string MountTinyFileSystem() {
    char pattern[] = "/tmp/grovewright-full-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        return Failed("no temporary folder");
    }
    tinyFolder = pattern;
    if (std::string problem = EnterOwnMountNamespace(); !problem.empty()) {
        return problem;
    }
    // Nothing mounted here reaches the rest of the machine.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return Failed("mounts cannot be made private");
    }
    if (::mount("tmpfs", tinyFolder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0) {
        return Failed("a tmpfs cannot be mounted");
    }
    return {};
}

// Writes a file until the file system has no room left.
void FillUp(const fs::path& file) {
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(descriptor >= 0);
    const std::string page(4096, 'x');
    while (::write(descriptor, page.data(), page.size()) > 0) {
    }
    QCOMPARE(errno, ENOSPC);
    ::close(descriptor);
}

// Keeps the messages the window shows instead of showing them.
class MessageKeepingDialogs : public CDialogs {
public:
    void Message(QWidget*, const QString& text, const QString&, QMessageBox::Icon) override {
        messages << text;
    }
    QStringList messages;
};

}  // namespace

class FullStateFolderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void PlantingGoesOnToldOnceAndTheJournalCatchesUp();

private:
    void Press(int controlId);
    // Plants a tree at a place of its own, the `n`th, through the palette's Plant button.
    void Plant(int n);
    // The session's journal, read and replayed as a recovery would, holds the window's list.
    void ExpectTheJournalHoldsTheList();
    QString LastStatus() { return window->findChild<QLabel*>("statusLine")->text().section('\n', -1); }
    bool Warned() { return LastStatus().startsWith("Unsaved plants are not protected against a crash: "); }

    std::unique_ptr<SimulatorProcess> simulator;
    std::unique_ptr<CTopDialog> window;
};

void FullStateFolderTest::Press(int controlId) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->property("controlId").toInt() == controlId && button->isVisibleTo(window.get())) {
            button->click();
        }
    }
}

void FullStateFolderTest::Plant(int n) {
    const std::size_t before = window->Session().Document().PlantedCount();
    QVERIFY(
        simulator->Command("position " + std::to_string(47.0 + n * 0.01) + " 8.5").starts_with("position"));
    Press(1020);
    QVERIFY(QTest::qWaitFor([&] { return window->Session().Document().PlantedCount() == before + 1; }));
    QCoreApplication::processEvents();  // a message the press queued is shown by now
}

void FullStateFolderTest::ExpectTheJournalHoldsTheList() {
    fs::path journal;
    for (const fs::directory_entry& entry : fs::directory_iterator(tinyFolder / "grovewright" / "journal")) {
        if (entry.path().extension() == ".journal") {
            journal = entry.path();
        }
    }
    const JournalContents contents = JournalReader::ReadFile(journal);
    QCOMPARE(contents.status, JournalReadStatus::Read);
    QCOMPARE(contents.damage, JournalDamage::None);
    JournalReplay replay;
    QCOMPARE(replay.ApplyAll(contents.records), contents.records.size());
    const PlantingList& shown = window->Session().Document().PlantedObjects();
    QCOMPARE(replay.Planted().Count(), shown.Count());
    for (std::size_t i = 0; i < shown.Count(); ++i) {
        QCOMPARE(replay.Planted().LatitudeAt(i), shown.LatitudeAt(i));
        QCOMPARE(replay.Planted().LongitudeAt(i), shown.LongitudeAt(i));
    }
}

void FullStateFolderTest::PlantingGoesOnToldOnceAndTheJournalCatchesUp() {
    if (!mountProblem.empty()) {
        QSKIP(qPrintable("no tiny file system: " + QString::fromStdString(mountProblem)));
    }
    std::setlocale(LC_NUMERIC, "C");  // the positions sent to the simulator
    const ScratchRuntimeFolder runtime;
    const TemporaryFolder user;
    const TemporaryFolder program;  // the window starts only with the compiler in its folder
    fs::copy_file(GROVEWRIGHT_COMPILER, program.Path("bglcomp.exe"));
    fs::current_path(program.Path());
    simulator = std::make_unique<SimulatorProcess>(GROVEWRIGHT_SIMULATOR, std::vector<std::string>{});
    QVERIFY(simulator->IsReady());
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(tinyFolder.string()));
    const fs::path filler = tinyFolder / "filler";
    FillUp(filler);
    MessageKeepingDialogs dialogs;
    window = std::make_unique<CTopDialog>(PlatformIpcLinkMaker(), &dialogs);
    QVERIFY(window->OnInitDialog());
    window->show();
    window->Session().NameNewFile("trees.xml", user.Path().string() + "/");
    Press(1009);  // the tree planted
    const QString reason = QStringLiteral("(%1).").arg(QString::fromLocal8Bit(std::strerror(ENOSPC)));

    // No room for the journal: every press plants and says so.
    int n = 0;
    for (; n < 2; ++n) {
        Plant(n);
        QVERIFY2(Warned() && LastStatus().endsWith(reason), qPrintable(LastStatus()));
    }
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages[0].endsWith(reason + " Planting goes on."), qPrintable(dialogs.messages[0]));

    // Room again: the next press writes the journal with everything before it.
    fs::remove(filler);
    Plant(n++);
    QVERIFY2(!Warned(), qPrintable(LastStatus()));
    ExpectTheJournalHoldsTheList();

    // Full again: an Append From too large for the rest of the journal's page fails, and so does the
    // press after it; the status line says it, but no second message box does.
    std::vector<std::tuple<double, double, std::string>> many;
    for (int i = 0; i < 200; ++i) {
        many.emplace_back(-33.0 - i * 0.01, 151.0, "AAAAAAAA111122223333444444444444");
    }
    user.Write("many.xml", MarkedPlantingFile(many));
    FillUp(filler);
    QVERIFY(window->Session().AppendFrom(user.Path("many.xml")).status == ReadStatus::Read);
    Plant(n++);
    QVERIFY2(Warned() && LastStatus().endsWith(reason), qPrintable(LastStatus()));
    QCOMPARE(dialogs.messages.size(), 1);
    fs::remove(filler);
    Plant(n++);
    QVERIFY2(!Warned(), qPrintable(LastStatus()));
    ExpectTheJournalHoldsTheList();

    window->Session().Close();
    window.reset();
    simulator.reset();
    fs::current_path(fs::temp_directory_path());
}

int main(int argc, char** argv) {
    mountProblem = MountTinyFileSystem();  // before QApplication starts a thread
    int status = 0;
    {
        QApplication application(argc, argv);
        FullStateFolderTest test;
        status = QTest::qExec(&test, argc, argv);
    }
    if (mountProblem.empty()) {
        ::umount2(tinyFolder.c_str(), MNT_DETACH);
    }
    std::error_code ignored;
    fs::remove_all(tinyFolder, ignored);
    return status;
}

#include "FullStateFolderTest.moc"
