#pragma once

#include <QLoggingCategory>

// One category per area. Chatter goes to qCDebug, failures to qCWarning, so
// the log tells a failure from a step. The sink prints the category name.
Q_DECLARE_LOGGING_CATEGORY(lcHost)       // "host": services, registry, log
Q_DECLARE_LOGGING_CATEGORY(lcHostApp)    // "host.app": window, loader, transfer engine, import
Q_DECLARE_LOGGING_CATEGORY(lcHostDb)     // "host.db": photo database, metadata, codecs
Q_DECLARE_LOGGING_CATEGORY(lcHostDevice) // "host.device": device agents, discovery
Q_DECLARE_LOGGING_CATEGORY(lcHostThumbs) // "host.thumbs": thumbnail manager and makers
Q_DECLARE_LOGGING_CATEGORY(lcPlugin)     // "device_photo.plugin": entry, main widget, settings
Q_DECLARE_LOGGING_CATEGORY(lcModel)      // "device_photo.model": items, list, model, insert threads
Q_DECLARE_LOGGING_CATEGORY(lcScreen)     // "device_photo.screen": the photo screen and its controllers
Q_DECLARE_LOGGING_CATEGORY(lcThumbView)  // "device_photo.thumbview": album page, grouped grid
Q_DECLARE_LOGGING_CATEGORY(lcViewer)     // "device_photo.viewer": viewer, film strip, centre image
Q_DECLARE_LOGGING_CATEGORY(lcDialogs)    // "device_photo.dialogs": properties dialog
