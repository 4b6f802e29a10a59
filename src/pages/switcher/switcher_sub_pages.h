#pragma once
// The sub-pages shown in the switcher page's host area, by kind:
// 0 transitions (template 240), 1 key 1 / luma key (242), 2 key 2 / chroma
// key (307), 3 picture-in-picture (306). Each is a PageFrame child of the
// page that sends its frames through the switcher device operations.
class PageFrame;
class QWidget;

PageFrame* create_switcher_sub_page(int kind, QWidget* page);
