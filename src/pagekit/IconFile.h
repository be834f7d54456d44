#pragma once

class QIcon;
class QString;

// The icon read from the image file `name` (such as "icons/fileopen.xpm"), looked
// for in the working directory first, as a user may put their own pictures there;
// otherwise the copy of that file built into the program, so that an installed
// program started from any folder shows its icons. A name that is neither gives
// an empty icon.
QIcon iconFile(const QString& name);
