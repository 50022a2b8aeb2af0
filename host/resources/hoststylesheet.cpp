#include "hoststylesheet.h"

#include "host/services/logcategories.h"
#include "host/services/ocsharedvalue.h"

#include <QApplication>
#include <QFile>

QString HostStyleSheet(bool rightToLeft)
{
    QFile file(QStringLiteral(":/style/photohost.qss"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcHost) << "HostStyleSheet"
                          << ": missing resource" << file.fileName();
        return QString();
    }
    QString sheet = QString::fromUtf8(file.readAll());
    sheet.replace(
        QLatin1String("{{prev}}"), rightToLeft ? QLatin1String("next") : QLatin1String("pre"));
    sheet.replace(
        QLatin1String("{{next}}"), rightToLeft ? QLatin1String("pre") : QLatin1String("next"));
    return sheet;
}

void ApplyHostStyleSheet()
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(HostStyleSheet(g_SharedValue.IsRTL()));
}
