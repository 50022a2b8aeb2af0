#pragma once

#include "host/db/dbmanager.h"
#include "host/db/photodb.h"
#include "support/testenvironment.h"

// A fresh test environment with an empty photo database in it; members are
// made and destroyed in this order.
struct PhotoDatabaseFixture
{
    TestEnvironment env;
    DBManager manager { env.path(QStringLiteral("photo.db")) };
    PhotoDB db { &manager, 1 };
};
