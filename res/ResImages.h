// The program's images, compiled into the executable.
#pragma once

#include <QIcon>
#include <QPixmap>

// Registers the compiled-in images; call once before any other function here (the images
// live in a static library whose resource initialiser the linker would otherwise drop).
void InitResImages();
// Icon 128 in every rendered size.
QIcon GetAppIcon();
// Bitmap 138, 139, 142 or 143; a null pixmap for another id.
QPixmap LoadResBitmap(int nBitmapId);
