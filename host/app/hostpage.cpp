#include "hostpage.h"

#include "host/services/fileutils.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

HostPage::HostPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("hostPage"));
    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("hostPageIcon"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("hostPageTitle"));
    m_subtitle = new QLabel(this);
    m_subtitle->setObjectName(QStringLiteral("hostPageSubtitle"));
    m_subtitle->setWordWrap(true);
    m_subtitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("hostPageList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_empty = new QLabel(this);
    m_empty->setObjectName(QStringLiteral("hostPageEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);

    auto* heading = new QHBoxLayout;
    heading->setSpacing(12);
    heading->addWidget(m_icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    heading->addLayout(texts, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 16);
    layout->setSpacing(16);
    layout->addLayout(heading);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_empty, 1);
}

void HostPage::showContent(const QIcon& icon, const QString& title, const QString& subtitle,
    const QStringList& items, ItemKind kind, const QString& emptyText)
{
    m_icon->setPixmap(icon.pixmap(QSize(32, 32)));
    m_title->setText(title);
    m_subtitle->setText(subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
    m_list->clear();
    for (const QString& text : items) {
        // Stored paths use backslashes; show the name as the file system has it.
        const QString name = kind == Files ? QFileInfo(toFileSystemPath(text)).fileName() : text;
        auto* item = new QListWidgetItem(name.isEmpty() ? text : name, m_list);
        item->setToolTip(text);
    }
    m_list->setVisible(!items.isEmpty());
    m_empty->setText(emptyText);
    m_empty->setVisible(items.isEmpty());
}

QString HostPage::title() const
{
    return m_title->text();
}

QStringList HostPage::items() const
{
    QStringList texts;
    for (int row = 0; row < m_list->count(); ++row)
        texts.append(m_list->item(row)->toolTip());
    return texts;
}
