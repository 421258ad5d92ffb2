#pragma once
// MaterialSpeeds: the speed each material plays at, kept in the settings ("profile.ini")
// under the group "MaterialSpeed", one key per material path (percent-encoded, since a
// path's slashes would make groups), the value the factor as text ("0.7"). A material at
// its own pace has no key. GUI thread only; the settings object is not owned.
#include <QString>

class QSettings;

class MaterialSpeeds {
public:
    explicit MaterialSpeeds(QSettings* store) : settings(store) {}

    // Speed in tenths (see playspeed); the normal one when none is kept or the kept one is
    // not a number.
    int speedOf(const QString& material) const;
    void remember(const QString& material, int tenths);

private:
    static QString keyOf(const QString& material);
    QSettings* settings;
};
