#include "listtabledump.h"

#include "host/widgets/cexttabledelegate.h"
#include "host/widgets/cexttableview.h"

#include <QHeaderView>
#include <QSaveFile>
#include <QTextStream>
#include <QWidget>

namespace {

// A tab or line break inside a cell would break the line structure.
QString flat(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

bool ListTableDump::write(QWidget* pluginWidget, const QString& file, QString* error)
{
    // The detailed list is the screen's first table.
    CExtTableView* table = pluginWidget ? pluginWidget->findChild<CExtTableView*>() : nullptr;
    const QAbstractItemModel* model = table ? table->model() : nullptr;
    if (!model) {
        *error = QStringLiteral("the screen has no list table");
        return false;
    }
    const QHeaderView* header = table->horizontalHeader();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || header->isSectionHidden(logical) || logical == table->CheckColumn()
            || logical == table->ThumbnailColumn())
            continue;
        columns.append(logical);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    QTextStream stream(&out);
    stream.setCodec("UTF-8");
    QStringList cells;
    for (int column : qAsConst(columns))
        cells.append(flat(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
    stream << cells.join(QLatin1Char('\t')) << '\n';
    for (int row = 0; row < model->rowCount(); ++row) {
        cells.clear();
        for (int column : qAsConst(columns))
            cells.append(flat(CExtTableDelegate::CellText(model->index(row, column))));
        stream << cells.join(QLatin1Char('\t')) << '\n';
    }
    stream.flush();
    if (!out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}
