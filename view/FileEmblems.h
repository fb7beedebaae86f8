// The marks on the icon of a file: under a reference folder, or replaced with a link.
#pragma once

#include <QIcon>

// The icon with a small padlock in its lower right corner, drawn at the list's usual sizes.
// User-interface thread only.
QIcon WithReferenceEmblem(const QIcon& base);
// The padlock alone, for a cell that shows no file icon of its own.
QIcon ReferenceEmblemIcon();
// The icon with two chain links in its lower right corner: the file was replaced with a link
// to (or a clone of) another copy.
QIcon WithLinkEmblem(const QIcon& base);
// The chain links alone.
QIcon LinkEmblemIcon();
