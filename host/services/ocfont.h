#pragma once

#include <QFont>

// The host's interface fonts, shared by every plug-in.
class OCFont
{
public:
    QFont GetIFNormal() const;
    QFont GetIFBold() const;
    QFont GetIFPopupBtn() const;
};

extern OCFont g_Font;
