#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace MsgBoxFlag {
enum : quint32 { Checked = 0x80, Ok = 0x400, Cancel = 0x400000 };
}

// Extra choices of a message box: a check box and labelled buttons.
struct MSGBoxOptions
{
    struct Button
    {
        quint32 flag = 0;
        QString text;
    };
    QString checkBoxText;  // empty: no check box
    QList<Button> buttons;
    quint32 defaultButton = 0;
};

// What a message box asked; handed to the automation responder.
struct MessageBoxRequest
{
    QString title;
    QString text;
    int icon = 0;
    quint32 buttons = 0;
    QString checkBoxText;
    QStringList buttonTexts;
    int errorCode = -1;  // set for error boxes
};

// The host's message boxes. They are modal and return the flags of the answer:
// the pressed button, plus Checked when the check box was ticked.
class OCMsgBox
{
public:
    using Responder = std::function<quint32(const MessageBoxRequest&)>;

    static quint32 ShowOCMessageBox(QWidget* parent, const QString& title, const QString& text,
                                    int icon, quint32 buttons, MSGBoxOptions* options = nullptr,
                                    bool flag = false);
    static void OCErrorMessageBox(QWidget* parent, const QString& title, int code);
    static QString ErrorText(int code);

    // Closes every open box as if cancelled (the phone went away).
    static void CloseAll();

    // With a responder set, no window opens: the responder sees the request
    // and its result is the answer. Tests and scripted runs use it.
    static void SetAutomationResponder(Responder responder);
    static bool HasAutomationResponder();
};
