// The user's settings file of the viewer and the render command (~/.config/Orvenna/orvenna.conf).
#pragma once

#include <QSettings>
#include <QString>

class UserSettings : public QSettings {
public:
    UserSettings()
        : QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Orvenna"),
                    QStringLiteral("orvenna")) {}
};
