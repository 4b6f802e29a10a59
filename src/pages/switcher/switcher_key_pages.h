#pragma once
// The switcher's two keyer sub-pages: key 1, the luma key (dialog 242), and
// key 2, the chroma key (dialog 307). Each chooses its key's video source and
// sets red, green and blue levels 0..255 with three bars; a level goes to the
// device when the mouse releases its bar. The chroma key also chooses between
// two chroma types, each with levels of its own.
#include <array>

#include "app/page_frame.h"

class QSlider;

enum SwitcherEffectControl {
  IDC_SW_KEY1_GROUP = 1168,
  IDC_SW_KEY1_SOURCE = 1174,
  IDC_SW_KEY1_RED = 1175,
  IDC_SW_KEY1_GREEN = 1176,
  IDC_SW_KEY1_BLUE = 1177,
};

enum SwitcherChormaControl {
  IDC_SW_KEY2_RED = 1170,
  IDC_SW_KEY2_GREEN = 1171,
  IDC_SW_KEY2_BLUE = 1172,
  IDC_SW_KEY2_GROUP = 1173,
  IDC_SW_KEY2_SOURCE = 1178,
  IDC_SW_KEY2_TYPE = 1179,
};

// The read-only level edits of both keyers: red, green, blue.
enum SwitcherKeyLevelEdit {
  IDC_SW_KEY_RED_EDIT = 1040,
  IDC_SW_KEY_GREEN_EDIT = 1041,
  IDC_SW_KEY_BLUE_EDIT = 1042,
};

// What both keyer sub-pages share: three level bars with their edits, and
// Enter and Escape swallowed with a trace line.
class SwitcherKeyerPage : public PageFrame {
  Q_OBJECT
 public:
  enum Colour { Red = 0, Green = 1, Blue = 2 };

  QSlider* level_bar(int colour) const;
  void on_enter_key(QWidget* focus) override;
  void on_escape_key(QWidget* focus) override;

 protected:
  SwitcherKeyerPage(const DialogTemplate& tpl, const std::array<int, 3>& bars, QWidget* page);
  // Bar positions and their edits.
  void set_levels(int red, int green, int blue);
  // The edit of one colour shows its bar's position, "%02d".
  void show_level(int colour);
  // The left button came up on a bar: store and send the position.
  virtual void level_released(int colour, int level) = 0;
  // The bar has let the mouse go.
  virtual void level_settled(int colour, int level) = 0;

 private:
  std::array<int, 3> m_bars;
};

class CClass_switcher_effect : public SwitcherKeyerPage {
  Q_OBJECT
 public:
  explicit CClass_switcher_effect(QWidget* page);
  ~CClass_switcher_effect() override;

 protected:
  void level_released(int colour, int level) override;
  void level_settled(int colour, int level) override;

 private:
  void on_source();
};

class CClass_switcher_chorma : public SwitcherKeyerPage {
  Q_OBJECT
 public:
  explicit CClass_switcher_chorma(QWidget* page);
  ~CClass_switcher_chorma() override;

 protected:
  void level_released(int colour, int level) override;
  void level_settled(int colour, int level) override;

 private:
  void on_source();
  void on_chroma_type();
};
