#include "tutorialbubble.h"

#include "host/services/logcategories.h"
#include "host/services/registry.h"

#include <QMouseEvent>

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Orvane\\Orvane Suite\\1.0\\PhotoHost");
const QString kShown = QStringLiteral("TransferTipShown");

} // namespace

TutorialBubble::TutorialBubble(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("tutorialHint"));
    setText(tr("Selected photos can be copied to this computer with Transfer to PC. "
               "Click to dismiss."));
    setWordWrap(true);
    setFixedWidth(240);
    setCursor(Qt::PointingHandCursor);
    m_dismissed = GetRegstryInt(1, kKey, kShown) == 1;
    hide();
}

void TutorialBubble::showAt(const QPoint& at)
{
    if (m_dismissed || !parentWidget())
        return;
    adjustSize();
    const QRect area = parentWidget()->rect().adjusted(8, 8, -8, -8);
    QPoint topLeft = at;
    topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - width())));
    topLeft.setY(qBound(area.top(), topLeft.y(), qMax(area.top(), area.bottom() - height())));
    move(topLeft);
    raise();
    show();
    if (GetRegstryInt(1, kKey, kShown) != 1) {
        SetRegstryInt(1, kKey, kShown, 1);
        qCDebug(lcHostApp) << "TutorialBubble::showAt : shown, not again in later runs";
    }
}

void TutorialBubble::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    m_dismissed = true;
    hide();
    qCDebug(lcHostApp) << "TutorialBubble::mousePressEvent"
                       << ": dismissed";
}
