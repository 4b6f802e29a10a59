#pragma once
// The device type table: which page class opens for a device type code in
// each connection mode, and creating that page.
#include <cstdint>

class PageFrame;
class QWidget;

enum class PageKind { None, Rk5502, Matrix, Multiviewer, Tm3306, Switcher };

// Page for a type code: 0x60 rk5502, 0x81/0x82 matrix, 0xA1 multiviewer,
// 0xA3 tm3306, 0xA5 switcher; any other code opens the switcher page in LAN
// mode (0) and the tm3306 page in serial mode (1). Other modes open nothing.
PageKind page_kind_for_type(uint8_t type, int32_t mode);

// Creates the page as a child of parent; nullptr when that page is not
// available in this build.
PageFrame* create_device_page(PageKind kind, QWidget* parent);
