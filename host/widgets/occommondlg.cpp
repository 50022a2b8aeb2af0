#include "occommondlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "host/services/logcategories.h"
#include "host/services/ocfont.h"

OCCommonDlg::OCCommonDlg(QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags | Qt::Dialog | Qt::FramelessWindowHint)
{
    m_titleBar = new QWidget(this);
    m_titleBar->setObjectName(QStringLiteral("oc_common_dlg_title"));
    m_titleBar->setFixedHeight(kTitleHeight);
    m_titleBar->installEventFilter(this);
    m_title = new QLabel(m_titleBar);
    m_title->setFont(g_Font.GetIFBold());
    m_title->setStyleSheet(QStringLiteral("color: white;"));
    m_close = new QToolButton(m_titleBar);
    m_close->setObjectName(QStringLiteral("oc_common_dlg_close"));
    m_close->setText(QStringLiteral("\u2715"));
    m_close->setAutoRaise(true);
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setStyleSheet(
        QStringLiteral("QToolButton { color: white; border: none; }"
                       "QToolButton:hover { background: rgba(255,255,255,40); }"));
    connect(m_close, &QToolButton::clicked, this, &OCCommonDlg::OnClickClose);

    auto* titleLayout = new QHBoxLayout(m_titleBar);
    titleLayout->setContentsMargins(12, 0, 6, 0);
    titleLayout->addWidget(m_title, 1);
    titleLayout->addWidget(m_close);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(0);
    m_layout->addWidget(m_titleBar);
}

void OCCommonDlg::setBasicInfo(QWidget* body, const QSize& size, const QString& title)
{
    if (m_body)
        m_layout->removeWidget(m_body);
    m_body = body;
    if (body) {
        body->setParent(this);
        m_layout->addWidget(body, 1);
        body->show();
    }
    setWindowTitle(title);
    m_title->setText(title);
    setSize(size);
}

void OCCommonDlg::setSize(const QSize& size)
{
    setFixedSize(size);
}

void OCCommonDlg::OnClickClose()
{
    reject();
}

void OCCommonDlg::OnClickHelp()
{
    qCDebug(lcHost) << "OCCommonDlg::OnClickHelp"
                    << ": no help for" << windowTitle();
}

void OCCommonDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xf4, 0xf5, 0xf7));
    QLinearGradient title(0, 0, 0, kTitleHeight);
    title.setColorAt(0, QColor(0x4a, 0x50, 0x5c));
    title.setColorAt(1, QColor(0x36, 0x3b, 0x45));
    painter.fillRect(QRect(0, 0, width(), kTitleHeight + 1), title);
    painter.setPen(QColor(0x2c, 0x30, 0x38));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool OCCommonDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_titleBar)
        return QDialog::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = mouse->globalPos() - frameGeometry().topLeft();
    } else if (type == QEvent::MouseMove && m_dragging && (mouse->buttons() & Qt::LeftButton)) {
        move(mouse->globalPos() - m_dragOffset);
    } else if (type == QEvent::MouseButtonRelease) {
        m_dragging = false;
    }
    return QDialog::eventFilter(watched, event);
}
