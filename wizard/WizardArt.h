// The pictures at the left of the wizard's pages, drawn rather than shipped as files.
#pragma once

#include <QPixmap>

enum class ESidePicture { Folders, Criteria, Progress };

// A tall picture for the page's left side (about 120 by 245 pixels at normal density).
QPixmap DrawSidePicture(ESidePicture nPicture);
