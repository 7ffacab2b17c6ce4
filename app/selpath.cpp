#include "app/selpath.h"

#include "platform/fonts.h"

TfSelPath *fSelPath = nullptr;

TfSelPath::TfSelPath(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fSelPath"));
    setWindowTitle(QStringLiteral("Alegere directoriu..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(387, 171);
    setFont(uiFont(Face::MsSansSerif, 11));
}
