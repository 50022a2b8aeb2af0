#include "thumbview/albumviewwidget.h"

#include "host/services/logcategories.h"
#include "host/services/ocfont.h"
#include "host/services/ocsharedvalue.h"
#include "host/services/textutils.h"
#include "host/sortsearch/ocsortfilterproxymodel.h"
#include "host/widgets/octhumnailsortbutton.h"
#include "thumbview/thumbnailgroupview.h"

#include "ui_albumviewwidget.h"

#include <QAbstractProxyModel>
#include <QDebug>
#include <QItemSelectionModel>

namespace {

struct SizeStep
{
    QSize grid;
    QSize icon;
    double spacing;
};

// Thumbnail sizes of the slider's four steps.
const SizeStep SizeSteps[] = {
    { QSize(156, 142), QSize(131, 107), 14.5 },
    { QSize(186, 162), QSize(161, 127), 14.5 },
    { QSize(216, 192), QSize(191, 157), 14.5 },
    { QSize(256, 232), QSize(231, 197), 14.5 },
};
const int StepCount = int(sizeof(SizeSteps) / sizeof(SizeSteps[0]));

const int PathColumn = 11;
const int NewFirstColumn = 13;

} // namespace

AlbumViewWidget::AlbumViewWidget(QWidget* parent)
    : QWidget(parent)
    , m_ui(new Ui::AlbumViewWidget)
{
    m_ui->setupUi(this);
    setWindowTitle(GetQString(tr("Form")));
    m_ui->btn_photo_day->setText(GetQString(tr("Day")));
    m_ui->btn_photo_name->setText(GetQString(tr("Name")));
    m_ui->btn_photo_album->setText(GetQString(tr("Folder")));
    m_ui->checkAll->setText(GetQString(tr("All")));

    m_sortButtons.insert(DayMode, m_ui->btn_photo_day);
    m_sortButtons.insert(NameMode, m_ui->btn_photo_name);
    m_sortButtons.insert(FolderMode, m_ui->btn_photo_album);
    for (int mode = 0; mode < ModeCount; ++mode) {
        auto* view = new ThumbnailGroupView(this);
        view->SetGroupColumn(GroupColumn(mode));
        m_ui->ThumbView->insertWidget(mode, view);
        m_views.insert(mode, view);
        connect(this, SIGNAL(on_signal_update_item_position(bool)), view,
            SLOT(on_update_item_position(bool)));
        connect(view, &CThumbnailView::on_signal_drop_event, this, &AlbumViewWidget::on_drop_event);
        OCThumnailSortButton* button = m_sortButtons.value(mode);
        connect(button, SIGNAL(clicked()), this, SLOT(on_clicked_sort()));
        button->setMinimumWidth(59);
        button->setMaximumWidth(200);
    }
    connect(m_ui->btn_photo_minus, SIGNAL(clicked()), this, SLOT(OnDecreaseThumbSize()));
    connect(m_ui->btn_photo_plus, SIGNAL(clicked()), this, SLOT(OnIncreaseThumbSize()));
    connect(m_ui->thumbsize_bar, SIGNAL(valueChanged(int)), this, SLOT(OnChangedThumbSize(int)));
    connect(m_ui->checkAll, SIGNAL(clicked(bool)), this, SLOT(on_clicked_allcheck(bool)));

    // The host's style sheet selects these widgets by name.
    m_ui->checkAll->setObjectName(QStringLiteral("phone_checkAll"));
    m_ui->photo_widget_control->setObjectName(QStringLiteral("phone_photo_widget_control"));
    m_ui->thumbsize_bar->setObjectName(g_SharedValue.IsRTL()
            ? QStringLiteral("rtl_phone_thumbsize_bar")
            : QStringLiteral("phone_thumbsize_bar"));
    setObjectName(QStringLiteral("device_photo"));
    setBackgroundRole(QPalette::Light);
    setAutoFillBackground(true);
    m_ui->checkAll->setFont(g_Font.GetIFNormal());
    m_ui->btn_photo_album->setVisible(true);

    m_mode = DayMode;
    m_ascending = true;
    m_sortClicked = false;
    UpdateSortButtons(DayMode);
    m_ui->ThumbView->setCurrentIndex(DayMode);
}

AlbumViewWidget::~AlbumViewWidget()
{
    delete m_ui;
}

int AlbumViewWidget::GroupColumn(int mode)
{
    switch (mode) {
    case NameMode:
        return 2;
    case FolderMode:
        return 9;
    default:
        return 7;
    }
}

ThumbnailGroupView* AlbumViewWidget::View(int mode) const
{
    return m_views.value(mode, nullptr);
}

void AlbumViewWidget::SetModel(QAbstractItemModel* model)
{
    for (int mode = 0; mode < ModeCount; ++mode) {
        ThumbnailGroupView* view = m_views.value(mode);
        view->setModel(model);
        view->ConnectModelSignals();
        if (view->selectionModel()) {
            connect(view->selectionModel(),
                SIGNAL(selectionChanged(const QItemSelection&, const QItemSelection&)), this,
                SLOT(on_selection_Changed(const QItemSelection&, const QItemSelection&)),
                Qt::UniqueConnection);
        }
    }
}

void AlbumViewWidget::SetSortState(int column, int order)
{
    int mode = DayMode;
    if (column == 9)
        mode = FolderMode;
    else if (column == 2)
        mode = NameMode;
    m_ascending = (order == 0);
    UpdateSortButtons(mode);
    SetViewMode(mode);
}

void AlbumViewWidget::SetThumbSize(int step)
{
    QSlider* slider = m_ui->thumbsize_bar;
    if (step != slider->value()) {
        // The slider clamps the step and comes back through OnChangedThumbSize.
        slider->setValue(step);
        return;
    }
    if (step < 0 || step >= StepCount) {
        qCDebug(lcThumbView) << "AlbumViewWidget::SetThumbSize : no such step" << step;
        return;
    }
    const SizeStep& size = SizeSteps[step];
    QAbstractItemModel* shown = m_views.value(DayMode)->model();
    auto* proxy = qobject_cast<QAbstractProxyModel*>(shown);
    QAbstractItemModel* source = proxy ? proxy->sourceModel() : shown;
    if (source)
        source->setData(QModelIndex(), size.icon, Qt::SizeHintRole);
    for (int mode = 0; mode < ModeCount; ++mode) {
        ThumbnailGroupView* view = m_views.value(mode);
        view->setGridSize(size.grid);
        view->setIconSize(size.icon);
        view->setSpacing(int(size.spacing));
    }
    m_thumbSize = step;
    qCDebug(lcThumbView) << "AlbumViewWidget::SetThumbSize : step" << step;
    emit on_signal_update_item_position(false);
}

void AlbumViewWidget::SetControlsEnabled(bool enable)
{
    QSlider* slider = m_ui->thumbsize_bar;
    m_ui->checkAll->setEnabled(enable);
    slider->setEnabled(enable);
    m_ui->btn_photo_minus->setEnabled(enable && slider->value() > slider->minimum());
    m_ui->btn_photo_plus->setEnabled(enable && slider->value() < slider->maximum());
}

void AlbumViewWidget::RefreshItemPositions()
{
    emit on_signal_update_item_position(true);
}

void AlbumViewWidget::OnChangedThumbSize(int value)
{
    SetThumbSize(value);
    QSlider* slider = m_ui->thumbsize_bar;
    m_ui->btn_photo_plus->setEnabled(value < slider->maximum());
    m_ui->btn_photo_minus->setEnabled(value > slider->minimum());
}

void AlbumViewWidget::OnIncreaseThumbSize()
{
    QSlider* slider = m_ui->thumbsize_bar;
    slider->setValue(qMin(slider->value() + 1, slider->maximum()));
}

void AlbumViewWidget::OnDecreaseThumbSize()
{
    QSlider* slider = m_ui->thumbsize_bar;
    slider->setValue(qMax(slider->value() - 1, slider->minimum()));
}

void AlbumViewWidget::on_clicked_sort()
{
    const QString name = sender() ? sender()->objectName() : QString();
    int mode = DayMode;
    if (name == QLatin1String("btn_photo_name"))
        mode = NameMode;
    else if (name == QLatin1String("btn_photo_album"))
        mode = FolderMode;
    SortBy(mode);
}

void AlbumViewWidget::SortBy(int mode)
{
    m_sortClicked = true;
    if (mode != m_mode)
        m_ascending = true;
    else
        m_ascending = !m_ascending;
    UpdateSortButtons(mode);
    SetViewMode(mode);
}

void AlbumViewWidget::UpdateSortButtons(int mode)
{
    for (OCThumnailSortButton* button : qAsConst(m_sortButtons))
        button->SetButtonType(OCThumnailSortButton::NotSelected);
    if (OCThumnailSortButton* button = m_sortButtons.value(mode))
        button->SetButtonType(m_ascending ? OCThumnailSortButton::SelectedAscending
                                          : OCThumnailSortButton::SelectedDescending);
}

void AlbumViewWidget::SetViewMode(int mode)
{
    const int column = GroupColumn(mode);
    const Qt::SortOrder order = m_ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    emit on_signal_sort_changed(column, order);
    qCDebug(lcThumbView) << "AlbumViewWidget::SetViewMode prev  col :" << PathColumn
                         << " order : " << 0 << "current col : " << column
                         << " order : " << int(order);

    // Successive stable sorts: the last one is the primary key.
    QVector<QPair<int, Qt::SortOrder>> sorts { { PathColumn, Qt::AscendingOrder } };
    if (!g_SharedValue.IsDisplayNewIcon()) {
        sorts.append({ column, order });
    } else if (mode != NameMode) {
        sorts.append({ { NewFirstColumn, Qt::AscendingOrder }, { column, order } });
    } else {
        // New photos first in the Name view.
        sorts.append({ { column, order }, { NewFirstColumn, Qt::AscendingOrder } });
    }
    if (QAbstractItemModel* model = m_views.value(mode)->model()) {
        // The host's proxy does them in one pass.
        if (auto* proxy = qobject_cast<OCSortFilterProxyModel*>(model)) {
            proxy->sortSuccessively(sorts);
        } else {
            for (const auto& [sortColumn, sortOrder] : qAsConst(sorts))
                model->sort(sortColumn, sortOrder);
        }
    }
    m_ui->ThumbView->setCurrentIndex(mode);
    emit on_signal_update_item_position(false);
    if (mode != m_mode || m_sortClicked)
        emit on_signal_view_changed(mode);
    if (mode != m_mode) {
        m_mode = mode;
        RefreshCheckAll();
    }
    m_sortClicked = false;
}

void AlbumViewWidget::on_clicked_allcheck(bool checked)
{
    ThumbnailGroupView* view = m_views.value(m_mode);
    if (checked)
        view->selectAll();
    else
        view->clearSelection();
}

void AlbumViewWidget::on_selection_Changed(const QItemSelection&, const QItemSelection&)
{
    RefreshCheckAll();
}

void AlbumViewWidget::RefreshCheckAll()
{
    ThumbnailGroupView* view = m_views.value(m_mode);
    QItemSelectionModel* selection = view->selectionModel();
    // Checked when every row of the model has its first column selected.
    const bool all = selection && view->model() && view->model()->rowCount(view->rootIndex()) > 0
        && selection->isColumnSelected(0, view->rootIndex());
    m_ui->checkAll->setChecked(all);
    for (int mode = 0; mode < ModeCount; ++mode)
        m_views.value(mode)->UpdateSelectedCounts();
}

void AlbumViewWidget::on_drop_event(QDropEvent* event)
{
    emit on_signal_drop_event(event);
}
