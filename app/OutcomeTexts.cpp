#include "app/OutcomeTexts.h"

#include <QStringList>

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
        return outcome.objectsLeftOut == 0 ? QStringLiteral("Nothing planted: the copse pattern is empty")
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

QString CompileFailureText(const CompileOutcome& compile) {
    const QString line = QStringLiteral("The scenery was not compiled. The compiler's report is in ") +
                         QString::fromStdString(compile.path);
    switch (compile.status) {
        case CompileStatus::Compiled:
        case CompileStatus::NotRun: return {};
        case CompileStatus::CompilerMissing: return line + QStringLiteral("\nbglcomp.exe is missing.");
        case CompileStatus::CannotRunWindowsProgram:
            return line + QStringLiteral("\nbglcomp.exe is a Windows program and wine is not installed.");
        case CompileStatus::CompilerFailed:
            return line + QStringLiteral("\nThe compiler ended with status %1.").arg(compile.code);
        case CompileStatus::NoBglProduced: return line + QStringLiteral("\nThe compiler wrote no .bgl file.");
        case CompileStatus::CannotStart: break;
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
        return WithReason(QString::fromStdString(outcome.xml.path) +
                              QStringLiteral(" could not be written. Nothing was saved; your planted objects are kept."),
                          outcome.xml.error);
    }
    QStringList lines{CompileFailureText(outcome.compile), MoveFailureText(outcome.xmlMove, programFolder),
                      MoveFailureText(outcome.bglMove, programFolder)};
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

QString ReadRefusalText(const ReadOutcome& outcome, const QString& name) {
    switch (outcome.status) {
        case ReadStatus::Read: return {};
        case ReadStatus::MarkerMissing: return name + QStringLiteral(" was not created by Grovewright");
        case ReadStatus::NotFound:
        case ReadStatus::CannotOpen:
        case ReadStatus::ReadError:
        case ReadStatus::TooLarge: break;
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
