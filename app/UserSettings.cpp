#include "app/UserSettings.h"

std::unique_ptr<QSettings> UserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("grovewright"), QStringLiteral("grovewright"));
}
