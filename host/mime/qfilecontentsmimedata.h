#pragma once

#include "host/contract/ocglobal.h"

#include <QDateTime>
#include <QList>
#include <QMimeData>
#include <QSet>
#include <QString>
#include <QUrl>

// Asked for the contents of one dragged file that exists only on the phone:
// copy srcPath to tarPath, then call the function whose address is pFunc
// (a PFN_FileContentsDelivered) with tarPath and the result.
typedef void(OC_STDCALL* PFN_FileContentsCallback)(
    QString srcPath, QString tarPath, qint64 size, quintptr pFunc);
typedef void(OC_STDCALL* PFN_FileContentsDelivered)(QString tarPath, bool ok);

// Drag data of files that may live only on the phone. Kind 0: the URLs are
// files of this computer. Kinds 1 and 2: the URLs name files on the phone;
// a drop target that asks for "text/uri-list" gets files of a drag folder of
// this computer, fetched through the callback when they are first asked for.
class QFileContentsMimeData : public QMimeData
{
    Q_OBJECT

public:
    QFileContentsMimeData();
    ~QFileContentsMimeData() override;

    // One entry per URL, in the same order.
    void setFileContentsInfo(const QString& name, const QDateTime& time, qint64 size);
    void setUrls(int kind, const QList<QUrl>& urls);
    void setFileContentsCallback(PFN_FileContentsCallback callback);

    int urlKind() const { return m_kind; }
    QList<QUrl> phoneUrls() const { return m_phoneUrls; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    // How long a drop waits for one file to arrive.
    static void setDeliveryTimeout(int milliseconds);
    // The pFunc handed to the callback: reports a file as written (any thread).
    static void OC_STDCALL FileContentsDelivered(QString tarPath, bool ok);

protected:
    QVariant retrieveData(const QString& mimeType, QVariant::Type type) const override;

private:
    struct FileContents
    {
        QString name;
        QDateTime time;
        qint64 size = 0;
    };

    QList<QUrl> fetchPhoneFiles() const;
    QString targetPathFor(int index, const QString& folder, QSet<QString>& used) const;

    QList<FileContents> m_files;
    int m_kind = 0;
    QList<QUrl> m_phoneUrls;
    PFN_FileContentsCallback m_callback = nullptr;
    mutable bool m_fetched = false;
    mutable QList<QUrl> m_localUrls;
};
