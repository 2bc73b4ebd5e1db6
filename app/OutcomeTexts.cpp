#include "app/OutcomeTexts.h"

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
