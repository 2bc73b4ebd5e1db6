// A session killed with SIGKILL at random moments after acknowledged operations (plants, a copse, an
// Append From, an Edit delete, an Undo) and recovered from its journal by a new session: the list is the
// one acknowledged before the kill, and a save writes the bytes of an uninterrupted run of the same
// operations. The killed session runs in a child process: this program started again with --journal-child,
// taking one operation per line of its input and answering each with the state it acknowledged.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QtTest>
#include <cstdio>
#include <iostream>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "app/PlantingSession.h"
#include "document/SharedRandom.h"
#include "simlink/IpcLinkMaker.h"
#include "tests/support/MarkedPlantingFile.h"
#include "tests/support/TemporaryFolder.h"
#include "tools/simulator/ScratchRuntimeFolder.h"
#include "tools/simulator/SimulatorProcess.h"

namespace fs = std::filesystem;

namespace {

const std::string guidA = "AAAAAAAA111122223333444444444444";
const std::string guidB = "BBBBBBBB111122223333444444444444";

// One operation, and where the simulator's aircraft stands for it (empty: where it is).
struct Step {
    std::string operation;
    std::string position;
};

const std::vector<Step> steps = {
    {"new", ""},
    {"plant", "position 47.5 8.25"},
    {"plant", "position 47.501 8.252"},
    {"copseload", ""},
    {"copse", "position 47.6 8.3"},
    {"append", ""},
    {"delete", ""},
    {"undo", ""},
    {"plant", "position 47.7 8.4"},
};

// The files the operations read, in the user's folder.
void WriteInputs(const TemporaryFolder& user) {
    user.Write("copse.xml",
               MarkedPlantingFile({{10.0, 20.0, guidA}, {10.0001, 20.0002, guidB}, {10.0003, 20.0, guidA}}));
    user.Write("more.xml", MarkedPlantingFile({{-33.5, 151.25, guidB}, {-33.501, 151.252, guidA}}));
}

void Perform(PlantingSession& session, const std::string& operation, const fs::path& user) {
    if (operation == "new") {
        session.NameNewFile("trees.xml", user.string() + "/");
    } else if (operation == "plant") {
        session.PlantTree(guidA, QStringLiteral("tree"));
    } else if (operation == "copseload") {
        session.LoadCopsePattern(user / "copse.xml");
    } else if (operation == "copse") {
        session.PlantCopse();
    } else if (operation == "append") {
        session.AppendFrom(user / "more.xml");
    } else if (operation == "delete") {
        std::vector<std::size_t> kept;
        for (std::size_t i = 0; i < session.Document().PlantedCount(); ++i) {
            if (i != 1) {
                kept.push_back(i);
            }
        }
        session.KeepRows(kept);
    } else if (operation == "undo") {
        session.Undo();
    }
}

// The planted list, exactly: each position's bits and GUID on a line.
std::string ListText(const PlantingList& list) {
    std::string text;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        char line[200];
        std::snprintf(line, sizeof line, "%a %a %s;", list.LatitudeAt(i), list.LongitudeAt(i),
                      std::string(list.GuidViewAt(i)).c_str());
        text += line;
    }
    return text;
}

// The child: performs each operation named on its input and acknowledges it with a line holding the
// generator's state and the list, as the program acknowledges a press once its record is durable.
int RunSession(int argc, char** argv) {
    const fs::path user = argv[2];
    const std::string program = std::string(argv[3]) + "/";
    QApplication application(argc, argv);
    PlantingSession session(program, PlatformIpcLinkMaker());
    std::string operation;
    while (std::getline(std::cin, operation)) {
        Perform(session, operation, user);
        std::cout << "ack " << SharedRandom::State() << ' ' << ListText(session.Document().PlantedObjects())
                  << std::endl;
    }
    return 0;
}

// The XML a save wrote, without its timestamp line (as "Sat Dec 05 13:38:33 2026").
std::string SavedXml(const fs::path& file) {
    const std::regex stamp(R"(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\r?\n)");
    return std::regex_replace(ReadBytes(file), stamp, "");
}

}  // namespace

class KillRecoverTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void KilledAfterAnyAcknowledgedStepRecoversItsListAndSave();
};

void KillRecoverTest::KilledAfterAnyAcknowledgedStepRecoversItsListAndSave() {
    std::setlocale(LC_NUMERIC, "C");
    const ScratchRuntimeFolder runtime;
    const TemporaryFolder program;
    fs::copy_file(GROVEWRIGHT_COMPILER, program.Path("bglcomp.exe"));
    fs::current_path(program.Path());
    SimulatorProcess simulator(GROVEWRIGHT_SIMULATOR, {});
    QVERIFY(simulator.IsReady());
    const unsigned seed = std::random_device()();
    qInfo("random seed %u", seed);
    std::mt19937 random(seed);

    // Each kill point after the first plant: step `last` acknowledged, then the kill a moment later.
    for (std::size_t last = 1; last < steps.size(); ++last) {
        const TemporaryFolder state;
        const TemporaryFolder user;
        WriteInputs(user);
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.Path().string()));

        int toChild[2];
        int fromChild[2];
        QVERIFY(::pipe(toChild) == 0 && ::pipe(fromChild) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(toChild[0], 0);
            ::dup2(fromChild[1], 1);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            const std::string self = fs::read_symlink("/proc/self/exe").string();
            ::execl(self.c_str(), self.c_str(), "--journal-child", user.Path().c_str(),
                    program.Path().c_str(), nullptr);
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        std::FILE* answers = ::fdopen(fromChild[0], "r");
        std::string acknowledged;
        std::uint32_t generatorAcknowledged = 0;
        for (std::size_t i = 0; i <= last; ++i) {
            if (!steps[i].position.empty()) {
                QVERIFY(simulator.Command(steps[i].position).starts_with("position"));
            }
            const std::string line = steps[i].operation + "\n";
            QVERIFY(::write(toChild[1], line.data(), line.size()) == static_cast<ssize_t>(line.size()));
            char buffer[8192];
            QVERIFY2(std::fgets(buffer, sizeof buffer, answers) != nullptr, steps[i].operation.c_str());
            std::string answer(buffer);
            QVERIFY(answer.starts_with("ack "));
            answer.pop_back();
            const std::size_t space = answer.find(' ', 4);
            generatorAcknowledged = static_cast<std::uint32_t>(std::stoul(answer.substr(4, space - 4)));
            acknowledged = answer.substr(space + 1);
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<>(0, 20000)(random)));
        QVERIFY(::kill(child, SIGKILL) == 0);
        int status = 0;
        QVERIFY(::waitpid(child, &status, 0) == child && WIFSIGNALED(status));
        std::fclose(answers);
        ::close(toChild[1]);

        // A new start recovers the ended session's journal.
        PlantingSession recovered(program.Path().string() + "/", PlatformIpcLinkMaker());
        const std::vector<JournalSummary> ended = recovered.Journal().Folder().ListUnlocked();
        QCOMPARE(ended.size(), std::size_t{1});
        QString problem;
        std::size_t dropped = 0;
        QVERIFY(recovered.Recover(ended[0].file, problem, dropped));
        QCOMPARE(dropped, std::size_t{0});
        QCOMPARE(ListText(recovered.Document().PlantedObjects()), acknowledged);
        QCOMPARE(SharedRandom::State(), generatorAcknowledged);
        const SaveOutcome saved = recovered.Save();
        QVERIFY2(saved.Written(),
                 qPrintable(QString::number(static_cast<int>(saved.xml.status)) +
                            QString::fromStdString(" " + recovered.Document().File().fileName + " " +
                                                   recovered.Document().File().folder)));

        // The same operations uninterrupted, the generator where the killed session's stood (its
        // presses were seeded by the clock), saved to a folder of its own.
        const TemporaryFolder otherState;
        const TemporaryFolder reference;
        WriteInputs(reference);
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(otherState.Path().string()));
        PlantingSession uninterrupted(program.Path().string() + "/", PlatformIpcLinkMaker());
        SharedRandom::Seed(1);
        for (std::size_t i = 0; i <= last; ++i) {
            if (!steps[i].position.empty()) {
                QVERIFY(simulator.Command(steps[i].position).starts_with("position"));
            }
            Perform(uninterrupted, steps[i].operation, reference.Path());
        }
        QCOMPARE(ListText(uninterrupted.Document().PlantedObjects()), acknowledged);
        SharedRandom::Seed(generatorAcknowledged);
        QVERIFY(uninterrupted.Save().Written());
        QCOMPARE(SavedXml(user.Path("trees.xml")), SavedXml(reference.Path("trees.xml")));
        fs::current_path(program.Path());
    }
    fs::current_path(fs::temp_directory_path());
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--journal-child") {
        return RunSession(argc, argv);
    }
    QApplication application(argc, argv);
    KillRecoverTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "KillRecoverTest.moc"
