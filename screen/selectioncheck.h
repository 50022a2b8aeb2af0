#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QVector>

// One background existence check of the selected rows. The pool job reads
// paths and fills found; the rows are touched on the GUI thread only, after
// the job has ended.
struct SelectionCheck
{
    QStringList paths;
    QList<QPersistentModelIndex> rows;
    QVector<bool> found; // one per path examined, in order
    bool skipped = false; // a delete, listing or transfer ran
};
