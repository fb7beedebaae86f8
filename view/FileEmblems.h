// The mark on the icon of a file that lies under a reference folder.
#pragma once

#include <QIcon>

// The icon with a small padlock in its lower right corner, drawn at the list's usual sizes.
// User-interface thread only.
QIcon WithReferenceEmblem(const QIcon& base);
// The padlock alone, for a cell that shows no file icon of its own.
QIcon ReferenceEmblemIcon();
