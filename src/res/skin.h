#pragma once
// The skin: every bitmap and icon resource id of the panel, drawn in code with
// QPainter at its documented size and cached. Pure black (0, 0, 0) is the
// transparent colour of the skinned buttons, so faces use it only where the
// page behind must show through. A folder named by KELVARO_SKIN_DIR holding
// NNN.png files replaces any id it contains.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <vector>

// The bitmap of a resource id (null image for an id the skin does not have).
const QImage& skin_image(int id);
QPixmap skin_pixmap(int id);
QSize skin_size(int id);
bool skin_has(int id);
// Every bitmap id the skin draws, ascending.
std::vector<int> skin_bitmap_ids();

// Forgets every drawn or loaded image, so the next request draws afresh
// (and looks at KELVARO_SKIN_DIR again).
void skin_reload();

// Icons 128 (application), 211 (not connected), 212 (connected).
QIcon skin_icon(int id);
QImage skin_icon_image(int id, int size = 32);
