#include "ocfont.h"

#include <QApplication>

OCFont g_Font;

namespace {
QFont interfaceFont(int pixelSize, int weight)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}
} // namespace

QFont OCFont::GetIFNormal() const
{
    return interfaceFont(12, QFont::Normal);
}

QFont OCFont::GetIFBold() const
{
    return interfaceFont(12, QFont::Bold);
}

QFont OCFont::GetIFPopupBtn() const
{
    return interfaceFont(13, QFont::DemiBold);
}
