#include "MaterialSpeeds.h"

#include "PlaybackSpeed.h"

#include <QSettings>
#include <QUrl>
#include <cmath>

QString MaterialSpeeds::keyOf(const QString& material)
{
    return QStringLiteral("MaterialSpeed/") +
           QString::fromLatin1(QUrl::toPercentEncoding(material));
}

int MaterialSpeeds::speedOf(const QString& material) const
{
    if (!settings || material.isEmpty())
        return playspeed::kNormal;
    bool ok = false;
    const double factor = settings->value(keyOf(material)).toString().toDouble(&ok);
    if (!ok || !std::isfinite(factor))
        return playspeed::kNormal;
    return playspeed::clamp(int(std::lround(factor * playspeed::kNormal)));
}

void MaterialSpeeds::remember(const QString& material, int tenths)
{
    if (!settings || material.isEmpty())
        return;
    const int speed = playspeed::clamp(tenths);
    if (speed == playspeed::kNormal)
        settings->remove(keyOf(material));
    else
        settings->setValue(keyOf(material), QString::number(playspeed::factor(speed), 'f', 1));
}
