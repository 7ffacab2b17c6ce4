#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

struct StandIn
{
    const char *family;
    // Horizontal stretch, in percent, that brings the stand-in to the width of the face it replaces,
    // so that texts fit the space the window description gives them.
    int stretch;
};

struct FaceInfo
{
    Face face;
    const char *family;
    bool heavy;              // a face whose only weight is heavy: take the bold of the stand-in
    QList<StandIn> standIns; // in order of preference
};

const QList<FaceInfo> &faces()
{
    static const QList<FaceInfo> list = {
        {Face::MsSansSerif, "MS Sans Serif", false, {{"Liberation Sans", 96}, {"DejaVu Sans", 86}}},
        {Face::Verdana, "Verdana", false, {{"DejaVu Sans", 100}, {"Liberation Sans", 108}}},
        {Face::Tahoma, "Tahoma", false, {{"DejaVu Sans", 92}, {"Liberation Sans", 100}}},
        {Face::Impact, "Impact", true, {{"Liberation Sans", 80}, {"DejaVu Sans", 72}}},
        {Face::Arial, "Arial", false, {{"Liberation Sans", 100}, {"DejaVu Sans", 90}}},
        {Face::CourierNew, "Courier New", false, {{"Liberation Mono", 100}, {"DejaVu Sans Mono", 100}}},
    };
    return list;
}

const FaceInfo &info(Face face)
{
    for (const FaceInfo &i : faces())
        if (i.face == face)
            return i;
    return faces().front();
}

bool isInstalled(const QString &family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

// The stand-in that will be used for a missing face, or null when the face is installed.
const StandIn *standInFor(const FaceInfo &face)
{
    if (isInstalled(QLatin1String(face.family)))
        return nullptr;
    for (const StandIn &s : face.standIns)
        if (isInstalled(QLatin1String(s.family)))
            return &s;
    return nullptr;
}

} // namespace

QFont uiFont(Face face, int pixelSize, bool bold)
{
    const FaceInfo &f = info(face);
    QFont font(QLatin1String(f.family));
    font.setPixelSize(pixelSize);
    font.setBold(bold || f.heavy);
    if (const StandIn *s = standInFor(f))
        font.setStretch(s->stretch);
    return font;
}

void installFontSubstitutes()
{
    for (const FaceInfo &face : faces()) {
        if (const StandIn *s = standInFor(face))
            QFont::insertSubstitution(QLatin1String(face.family), QLatin1String(s->family));
    }
}
