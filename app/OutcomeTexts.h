#pragma once

#include <QString>
#include <cstddef>
#include <string>

#include "document/DocumentOutcomes.h"

// What a Plant press did, for the status line: where it planted, or why nothing was added.
QString PlantOutcomeText(const PlantOutcome& outcome);

// The status line's count of the objects the next save writes.
QString PlantedCountText(std::size_t count);

// The one message a save needs, a line for each step that failed (the system's reason on a line of
// its own after it); empty when every step went well. `programFolder` is where unmoved files stay.
// After a failed compile the last lines of the compiler's report (at most 10) follow a blank line.
QString SaveOutcomeText(const SaveOutcome& outcome, const std::string& programFolder);

// What a save did, for the status line: where both files now stand, or the first step that failed and
// where its files wait. Empty when there was nothing to save.
QString SaveStatusText(const SaveOutcome& outcome, const std::string& programFolder);

// Why a planting file was not taken, naming it as `name`; empty when it was read.
QString ReadRefusalText(const ReadOutcome& outcome, const QString& name);

// What reading a planting file added, for the status line: after Open, after Append From, and after
// loading a copse pattern.
QString ReadOutcomeText(const ReadOutcome& outcome, const QString& name);
QString AppendOutcomeText(const ReadOutcome& outcome, const QString& name);
QString CopseLoadOutcomeText(const ReadOutcome& outcome, const QString& name);

// What the Edit dialog's OK deleted, for the status line; empty when it deleted nothing.
QString DeletedText(std::size_t count);
