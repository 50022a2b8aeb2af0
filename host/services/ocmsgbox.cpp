#include "ocmsgbox.h"

#include "host/contract/errorboxcode.h"
#include "host/contract/ideviceagent.h"
#include "textutils.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "logcategories.h"

namespace {

QMutex g_responderMutex;
OCMsgBox::Responder g_responder;
QList<QPointer<QDialog>> g_openBoxes;

QList<MSGBoxOptions::Button> buttonsFor(quint32 flags, const MSGBoxOptions* options)
{
    if (options && !options->buttons.isEmpty())
        return options->buttons;
    QList<MSGBoxOptions::Button> buttons;
    if (flags & MsgBoxFlag::Ok)
        buttons.append({ MsgBoxFlag::Ok, GetQString(QObject::tr("OK")) });
    if (flags & MsgBoxFlag::Cancel)
        buttons.append({ MsgBoxFlag::Cancel, GetQString(QObject::tr("Cancel")) });
    if (buttons.isEmpty())
        buttons.append({ MsgBoxFlag::Ok, GetQString(QObject::tr("OK")) });
    return buttons;
}

quint32 cancelAnswer(quint32 flags)
{
    return (flags & MsgBoxFlag::Cancel) ? quint32(MsgBoxFlag::Cancel) : 0;
}

quint32 runDialog(QWidget* parent, const MessageBoxRequest& request,
    const QList<MSGBoxOptions::Button>& buttons, quint32 defaultButton)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("oc_message_box"));
    dialog.setWindowTitle(request.title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QLabel(request.text, &dialog);
    text->setWordWrap(true);
    text->setMinimumWidth(320);
    row->addWidget(text, 1);
    layout->addLayout(row);
    QCheckBox* check = nullptr;
    if (!request.checkBoxText.isEmpty()) {
        check = new QCheckBox(request.checkBoxText, &dialog);
        layout->addWidget(check);
    }
    auto* box = new QDialogButtonBox(&dialog);
    quint32 answer = cancelAnswer(request.buttons);
    for (const MSGBoxOptions::Button& button : buttons) {
        QPushButton* push = box->addButton(button.text, QDialogButtonBox::ActionRole);
        if (button.flag == defaultButton
            || (defaultButton == 0 && button.flag == buttons.first().flag))
            push->setDefault(true);
        QObject::connect(
            push, &QPushButton::clicked, &dialog, [&dialog, &answer, flag = button.flag] {
                answer = flag;
                dialog.accept();
            });
    }
    layout->addWidget(box);
    g_openBoxes.append(QPointer<QDialog>(&dialog));
    dialog.exec();
    g_openBoxes.removeAll(QPointer<QDialog>(&dialog));
    if (check && check->isChecked())
        answer |= MsgBoxFlag::Checked;
    return answer;
}

} // namespace

quint32 OCMsgBox::ShowOCMessageBox(QWidget* parent, const QString& title, const QString& text,
    int icon, quint32 buttons, MSGBoxOptions* options, bool flag)
{
    Q_UNUSED(flag);
    MessageBoxRequest request;
    request.title = title;
    request.text = text;
    request.icon = icon;
    request.buttons = buttons;
    const QList<MSGBoxOptions::Button> shown = buttonsFor(buttons, options);
    for (const MSGBoxOptions::Button& button : shown)
        request.buttonTexts.append(button.text);
    if (options)
        request.checkBoxText = options->checkBoxText;
    qCDebug(lcHost) << "OCMsgBox::ShowOCMessageBox"
                    << ":" << title << text;

    Responder responder;
    {
        QMutexLocker lock(&g_responderMutex);
        responder = g_responder;
    }
    if (responder)
        return responder(request);
    return runDialog(parent, request, shown, options ? options->defaultButton : 0);
}

QString OCMsgBox::ErrorText(int code)
{
    switch (code) {
    case AgentResult::Ok:
        return QString();
    case AgentResult::Busy:
        return QObject::tr("The phone is busy. Please try again later.");
    case AgentResult::AccessDenied:
        return QObject::tr("The phone denied access to the file.");
    case ErrorBoxCode::DeleteRefused:
        return QObject::tr("The phone refused to delete the selected files.");
    case ErrorBoxCode::PhoneBusy:
        return QObject::tr("The phone is busy with another task. Please try again later.");
    case AgentResult::Disconnected:
        return QObject::tr("The phone was disconnected. Connect it again, unlock it and choose "
                           "it in the list.");
    case AgentResult::SizeMismatch:
        return QObject::tr("A file arrived incomplete from the phone and was not kept. Please "
                           "try again.");
    case ErrorBoxCode::RenameFailed:
        return QObject::tr(
            "The file could not be renamed. A file with this name may already exist.");
    case ErrorBoxCode::OutOfMemory:
        return QObject::tr("There is not enough memory to list every file. Close other programs "
                           "and connect the phone again.");
    case ErrorBoxCode::StorageNotOpened:
        return QObject::tr("The phone's storage could not be opened. Check that the phone is "
                           "unlocked and allows file access.");
    default:
        return QObject::tr("The operation could not be completed (error %1).").arg(code);
    }
}

void OCMsgBox::OCErrorMessageBox(QWidget* parent, const QString& title, int code)
{
    const QString text = ErrorText(code);
    qCWarning(lcHost) << "OCMsgBox::OCErrorMessageBox"
                      << ": code" << code;
    Responder responder;
    {
        QMutexLocker lock(&g_responderMutex);
        responder = g_responder;
    }
    MessageBoxRequest request;
    request.title = title;
    request.text = GetQString(text);
    request.buttons = MsgBoxFlag::Ok;
    request.errorCode = code;
    if (responder) {
        responder(request);
        return;
    }
    if (text.isEmpty())
        return; // success needs no box
    runDialog(parent, request, buttonsFor(MsgBoxFlag::Ok, nullptr), MsgBoxFlag::Ok);
}

void OCMsgBox::CloseAll()
{
    const QList<QPointer<QDialog>> boxes = g_openBoxes;
    for (const QPointer<QDialog>& box : boxes) {
        if (box)
            box->reject();
    }
}

void OCMsgBox::SetAutomationResponder(Responder responder)
{
    QMutexLocker lock(&g_responderMutex);
    g_responder = std::move(responder);
}

bool OCMsgBox::HasAutomationResponder()
{
    QMutexLocker lock(&g_responderMutex);
    return bool(g_responder);
}
