#pragma once

// The pages of the photo screen in stack order, as the host and the settings
// number its view modes. Current names the viewer while it is open, else the
// remembered mode; None has sort settings only.
namespace ViewPage {
enum Mode { List = 0, ThumbList = 1, Album = 2, Viewer = 3, Current = 4, None = 5 };
}
