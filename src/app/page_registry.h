#pragma once
// Creating the page that serves a device kind (the kinds and their pages are
// in devices/device_kinds.h).
#include "devices/device_kinds.h"

class PageFrame;
class QWidget;

// Creates the page as a child of parent; nullptr when that page is not
// available in this build.
PageFrame* create_device_page(PageKind kind, QWidget* parent);
