#pragma once
// Dialog templates as data: each page or sub-page is one table of controls.
// The page frame builds the widgets from it; handlers are bound by id.
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

enum class ControlKind {
  Button,       // push button, drawn by CSkinButton
  CheckBox,     // check box
  Radio,        // radio button
  ComboList,    // drop-down list (not editable)
  ComboSorted,  // drop-down list that keeps its items sorted
  ListBox,      // plain list box
  Edit,         // single-line edit field
  IpAddress,    // IPv4 address field (four bytes)
  Static,       // static text
  StaticFrame,  // static frame or placeholder rectangle
  GroupBox,     // group frame; bound to CMyGroupBox when the page says so
  Icon,         // static icon
  Slider,       // track bar
  Custom,       // owner-drawn area (preview); a plain widget the page paints
};

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::Static;
  QString caption;
  QRect rect;  // client pixels of the page
  bool visible = true;
  QStringList items;  // initial items of lists
};

struct DialogTemplate {
  int dialog_id = 0;
  QString caption;
  QSize size;
  std::vector<ControlSpec> controls;
};
