#include "app/OutcomeTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace {

QString Degrees(double value) {
    return QString::number(value, 'f', 7);
}

}  // namespace

QString PlantOutcomeText(const PlantOutcome& outcome) {
    if (outcome.status == PlantStatus::LinkFailed) {
        return QStringLiteral("Nothing planted: no connection to the simulator");
    }
    if (outcome.objectsAdded == 0) {
        return outcome.objectsLeftOut == 0
                   ? QStringLiteral("Nothing planted: the copse pattern is empty")
                   : QStringLiteral("Nothing planted: an object already stands there");
    }
    QString text = QStringLiteral("Planted %1 at %2, %3")
                       .arg(outcome.objectsAdded)
                       .arg(Degrees(outcome.latitude), Degrees(outcome.longitude));
    if (outcome.objectsLeftOut > 0) {
        text += QStringLiteral("; %1 left out where objects already stand").arg(outcome.objectsLeftOut);
    }
    return text;
}

QString PlantedCountText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 planted object") : QStringLiteral("%1 planted objects").arg(count);
}

namespace {

// A failed step's line, with the system's reason below it where there is one.
QString WithReason(const QString& line, const std::error_code& error) {
    return error ? line + QLatin1Char('\n') + QString::fromLocal8Bit(error.message()) : line;
}

constexpr int reportLinesShown = 10;

// The end of the compiler's report: where a compiler says why it failed. Empty when it cannot be read.
QString ReportTail(const std::string& reportPath) {
    QFile report(QString::fromStdString(reportPath));
    if (!report.open(QIODevice::ReadOnly)) {
        return {};
    }
    // The tail of a long report is enough; reading it all could hold the window up.
    constexpr qint64 tailBytes = 16 * 1024;
    if (report.size() > tailBytes) {
        report.seek(report.size() - tailBytes);
    }
    QStringList lines = QString::fromLocal8Bit(report.readAll()).split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
    }
    while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty()) {
        lines.removeLast();
    }
    return lines.mid(std::max<qsizetype>(0, lines.size() - reportLinesShown)).join(QLatin1Char('\n'));
}

QString CompileFailureText(const CompileOutcome& compile) {
    const QString line = QStringLiteral("The scenery was not compiled. The compiler's report is in ") +
                         QString::fromStdString(compile.path);
    switch (compile.status) {
        case CompileStatus::Compiled:
        case CompileStatus::NotRun:
            return {};
        case CompileStatus::CompilerMissing:
            return line + QStringLiteral("\nbglcomp.exe is missing.");
        case CompileStatus::CannotRunWindowsProgram:
            return line + QStringLiteral("\nbglcomp.exe is a Windows program and wine is not installed.");
        case CompileStatus::CompilerFailed:
            return line + QStringLiteral("\nThe compiler ended with status %1.").arg(compile.code);
        case CompileStatus::NoBglProduced:
            return line + QStringLiteral("\nThe compiler wrote no .bgl file.");
        case CompileStatus::CannotStart:
            break;
    }
    return WithReason(line, compile.error);
}

QString MoveFailureText(const MoveOutcome& move, const std::string& programFolder) {
    if (move.status != MoveStatus::Failed) {
        return {};
    }
    return WithReason(QString::fromStdString(move.path) + QStringLiteral(" could not be moved to ") +
                          QString::fromStdString(move.destination) + QStringLiteral("; it is in ") +
                          QString::fromStdString(programFolder),
                      move.error);
}

}  // namespace

QString SaveOutcomeText(const SaveOutcome& outcome, const std::string& programFolder) {
    if (outcome.xml.status == WriteStatus::CannotCreate || outcome.xml.status == WriteStatus::WriteFailed) {
        return WithReason(
            QString::fromStdString(outcome.xml.path) +
                QStringLiteral(" could not be written. Nothing was saved; your planted objects are kept."),
            outcome.xml.error);
    }
    QStringList lines{CompileFailureText(outcome.compile), MoveFailureText(outcome.xmlMove, programFolder),
                      MoveFailureText(outcome.bglMove, programFolder)};
    lines.removeAll(QString());
    QString text = lines.join(QLatin1Char('\n'));
    // The report's end, after every step's line, where the compiler says why it failed.
    const CompileStatus compiled = outcome.compile.status;
    if (compiled == CompileStatus::CompilerFailed || compiled == CompileStatus::NoBglProduced) {
        if (const QString tail = ReportTail(outcome.compile.path); !tail.isEmpty()) {
            text += QStringLiteral("\n\n") + tail;
        }
    }
    return text;
}

namespace {

QString Name(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

QString Folder(const std::string& folder) {
    return QString::fromStdString(folder);
}

// Where a file of the save now stands.
QString WhereItStands(const MoveOutcome& move, const std::string& programFolder) {
    return move.status == MoveStatus::Moved ? QStringLiteral("saved in ") + Folder(move.destination)
                                            : QStringLiteral("kept in ") + Folder(programFolder);
}

}  // namespace

QString SaveStatusText(const SaveOutcome& outcome, const std::string& programFolder) {
    const QString xmlName = Name(outcome.xmlMove.path);
    const QString bglName = Name(outcome.bglMove.path);
    if (outcome.xml.status == WriteStatus::NothingToWrite) {
        return {};
    }
    if (!outcome.Written()) {
        return QStringLiteral("Not saved: %1 could not be written in %2").arg(xmlName, Folder(programFolder));
    }
    if (outcome.compile.status != CompileStatus::Compiled) {
        return QStringLiteral("Not compiled: %1 %2; the report is %3 in %4")
            .arg(xmlName, WhereItStands(outcome.xmlMove, programFolder), Name(outcome.compile.path),
                 Folder(programFolder));
    }
    const bool xmlFailed = outcome.xmlMove.status == MoveStatus::Failed;
    const bool bglFailed = outcome.bglMove.status == MoveStatus::Failed;
    if (xmlFailed || bglFailed) {
        const QString unmoved = xmlFailed && bglFailed ? xmlName + QStringLiteral(" and ") + bglName
                                                       : (xmlFailed ? xmlName : bglName);
        return QStringLiteral("Not moved to %1: %2 kept in %3")
            .arg(Folder(outcome.xmlMove.destination), unmoved, Folder(programFolder));
    }
    const std::string& folder =
        outcome.xmlMove.status == MoveStatus::Moved ? outcome.xmlMove.destination : programFolder;
    return QStringLiteral("Saved %1 and %2 in %3").arg(xmlName, bglName, Folder(folder));
}

QString ReadRefusalText(const ReadOutcome& outcome, const QString& name) {
    switch (outcome.status) {
        case ReadStatus::Read:
            return {};
        case ReadStatus::MarkerMissing:
            return name + QStringLiteral(" was not created by Grovewright");
        case ReadStatus::NotFound:
        case ReadStatus::CannotOpen:
        case ReadStatus::ReadError:
        case ReadStatus::TooLarge:
            break;
    }
    return name + QStringLiteral(" could not be read.");
}

QString ReadOutcomeText(const ReadOutcome& outcome, const QString& name) {
    QString text = QStringLiteral("Read %1 from %2").arg(outcome.objectsAdded).arg(name);
    if (outcome.objectsLeftOut > 0) {
        text += QStringLiteral("; %1 left out where objects already stand").arg(outcome.objectsLeftOut);
    }
    return text;
}

namespace {

QString Objects(std::size_t count) {
    return count == 1 ? QStringLiteral("1 object") : QStringLiteral("%1 objects").arg(count);
}

}  // namespace

QString AppendOutcomeText(const ReadOutcome& outcome, const QString& name) {
    QString text = QStringLiteral("Appended %1 from %2").arg(Objects(outcome.objectsAdded), name);
    if (outcome.objectsLeftOut > 0) {
        text += outcome.objectsLeftOut == 1
                    ? QStringLiteral(" (1 left out: near an existing object)")
                    : QStringLiteral(" (%1 left out: near existing objects)").arg(outcome.objectsLeftOut);
    }
    return text;
}

QString CopseLoadOutcomeText(const ReadOutcome& outcome, const QString& name) {
    return QStringLiteral("Copse pattern of %1 loaded from %2").arg(Objects(outcome.objectsAdded), name);
}

QString DeletedText(std::size_t count) {
    return count == 0 ? QString() : QStringLiteral("Deleted ") + Objects(count);
}
