#include "logcategories.h"

Q_LOGGING_CATEGORY(lcHost, "host")
Q_LOGGING_CATEGORY(lcHostApp, "host.app")
Q_LOGGING_CATEGORY(lcHostDb, "host.db")
Q_LOGGING_CATEGORY(lcHostDevice, "host.device")
Q_LOGGING_CATEGORY(lcHostThumbs, "host.thumbs")
Q_LOGGING_CATEGORY(lcPlugin, "device_photo.plugin")
Q_LOGGING_CATEGORY(lcModel, "device_photo.model")
Q_LOGGING_CATEGORY(lcScreen, "device_photo.screen")
Q_LOGGING_CATEGORY(lcThumbView, "device_photo.thumbview")
Q_LOGGING_CATEGORY(lcViewer, "device_photo.viewer")
Q_LOGGING_CATEGORY(lcDialogs, "device_photo.dialogs")
