#pragma once

// Registers the types that cross threads in queued signals and calls of the
// plug-in (fetched rows, pointer-carrying quintptr values). Safe to call often.
void registerPhotoMetaTypes();
