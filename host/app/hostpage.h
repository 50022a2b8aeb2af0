#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;

// The host's own page for navigation entries that have no plug-in screen in
// photo-host: a title, a line about it and a list of what it holds, or a
// note when it holds nothing.
class HostPage : public QWidget
{
    Q_OBJECT

public:
    explicit HostPage(QWidget* parent = nullptr);

    enum ItemKind { Texts, Files };

    // Files are shown by name, with the whole path as their tool tip.
    void showContent(const QIcon& icon, const QString& title, const QString& subtitle,
        const QStringList& items, ItemKind kind, const QString& emptyText);
    QString title() const;
    QStringList items() const;

private:
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_empty = nullptr;
};
