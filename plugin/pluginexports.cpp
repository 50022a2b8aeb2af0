// The two entry points the host's loader resolves by name.
#include "ocplugin.h"

#include <QPointer>

extern "C" Q_DECL_EXPORT const char* qt_plugin_query_verification_data()
{
    static const char record[] = OC_PLUGIN_VERIFICATION_DATA;
    return record;
}

extern "C" Q_DECL_EXPORT QObject* qt_plugin_instance()
{
    // Created on first use; a deleted instance is replaced by a new one.
    static QPointer<QObject> instance;
    if (!instance)
        instance = new OCPlugin;
    return instance;
}
