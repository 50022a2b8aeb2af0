#include "registry.h"

#include "logcategories.h"
#include "safefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <QTextCodec>

#include <map>
#include <memory>

namespace {

QMutex g_registryMutex;
QString g_folder;
std::map<int, std::unique_ptr<QSettings>> g_roots;

QString defaultFolder()
{
    const QString fromEnv = qEnvironmentVariable("PHOTOHOST_CONFIG_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

constexpr qint64 kMaxSettingsBytes = 16 * 1024 * 1024;

// QSettings reads almost anything as INI; a file with binary bytes or lines
// of no INI shape is damaged, and rewriting it would drop what it holds. So
// is anything that is not a regular file (QSettings would hang on a FIFO),
// or larger than any settings file.
bool looksDamaged(const QString& file)
{
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink())
        return false;
    QByteArray bytes;
    if (!SafeFile::readAll(file, &bytes, kMaxSettingsBytes))
        return true;
    if (bytes.contains('\0'))
        return true;
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0)
        return true;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        const bool section = line.startsWith('[') && line.endsWith(']') && line.count('[') == 1;
        if (!section && line.indexOf('=') <= 0)
            return true;
    }
    return false;
}

QString fileForRoot(int root)
{
    return QDir(g_folder).filePath(root == 1 ? QStringLiteral("registry.ini")
                                             : QStringLiteral("registry-%1.ini").arg(root));
}

// A QSettings must not outlive the application object (its destructor
// needs state that goes with it), so the files are written and closed then.
void closeRootsAtExit()
{
    QMutexLocker lock(&g_registryMutex);
    for (auto& entry : g_roots)
        entry.second->sync();
    g_roots.clear();
}

// Caller holds g_registryMutex.
QSettings* settingsFor(int root)
{
    static bool closesAtExit = false;
    if (!closesAtExit && QCoreApplication::instance()) {
        qAddPostRoutine(closeRootsAtExit);
        closesAtExit = true;
    }
    if (g_folder.isEmpty())
        g_folder = defaultFolder();
    auto it = g_roots.find(root);
    if (it != g_roots.end())
        return it->second.get();
    QDir().mkpath(g_folder);
    const QString file = fileForRoot(root);
    auto open = [](const QString& path) {
        auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
        settings->setIniCodec("UTF-8");
        return settings;
    };
    // Checked before QSettings reads it: a FIFO would block the read.
    const bool damaged = looksDamaged(file);
    std::unique_ptr<QSettings> settings = damaged ? nullptr : open(file);
    if (damaged || settings->status() == QSettings::FormatError) {
        // A damaged file is moved aside, never overwritten, so nothing in it is lost.
        settings.reset();
        const QString aside = file + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
        const bool moved = QDir().rename(file, aside);
        qCWarning(lcHost) << "Registry::open"
                          << ": damaged settings file" << file << "moved to" << aside << moved;
        // Where it cannot be moved, values live in memory for this run only.
        settings = open(moved ? file : QString());
    }
    QSettings* raw = settings.get();
    g_roots[root] = std::move(settings);
    return raw;
}

QString fullKey(const QString& key, const QString& name)
{
    QString path = key;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.isEmpty() ? name : path + QLatin1Char('/') + name;
}

} // namespace

void SetRegistryFolder(const QString& folder)
{
    QMutexLocker lock(&g_registryMutex);
    for (auto& entry : g_roots)
        entry.second->sync();
    g_roots.clear();
    g_folder = folder;
}

QString RegistryFile(int root)
{
    QMutexLocker lock(&g_registryMutex);
    if (g_folder.isEmpty())
        g_folder = defaultFolder();
    return fileForRoot(root);
}

QString RegistryFolder()
{
    QMutexLocker lock(&g_registryMutex);
    return g_folder.isEmpty() ? defaultFolder() : g_folder;
}

void SyncRegistry()
{
    QMutexLocker lock(&g_registryMutex);
    for (auto& entry : g_roots)
        entry.second->sync();
}

int GetRegstryInt(int root, const QString& key, const QString& name)
{
    QMutexLocker lock(&g_registryMutex);
    const QVariant value = settingsFor(root)->value(fullKey(key, name));
    if (!value.isValid())
        return -1;
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok) {
        qCWarning(lcHost) << "GetRegstryInt"
                          << ": not a number" << fullKey(key, name) << value;
        return -1;
    }
    return number;
}

QString GetRegstryStr(int root, const QString& key, const QString& name)
{
    QMutexLocker lock(&g_registryMutex);
    const QVariant value = settingsFor(root)->value(fullKey(key, name));
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool SetRegstryInt(int root, const QString& key, const QString& name, int value)
{
    QMutexLocker lock(&g_registryMutex);
    QSettings* settings = settingsFor(root);
    settings->setValue(fullKey(key, name), value);
    return settings->status() == QSettings::NoError;
}

bool SetRegstryStr(int root, const QString& key, const QString& name, const QString& value)
{
    QMutexLocker lock(&g_registryMutex);
    QSettings* settings = settingsFor(root);
    settings->setValue(fullKey(key, name), value);
    return settings->status() == QSettings::NoError;
}
