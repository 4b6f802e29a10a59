// The switcher's sub-pages as real widgets in a host, sending through the
// main window's switcher socket to a simulated switcher (Simulator on
// loopback): the wipe pattern keys, the two keyers and the picture-in-picture
// window. Asserts the frames byte for byte, the key faces, the edits and the
// record in the main window.

#include "controls/group_box.h"
#include "controls/skin_button.h"
#include "pages/switcher/switcher_function_page.h"
#include "pages/switcher/switcher_key_pages.h"
#include "pages/switcher/switcher_pip_page.h"
#include "pages/switcher/switcher_sub_page_fixture.h"
#include "pages/switcher/switcher_sub_pages.h"

namespace {
using namespace sw_test;

std::vector<int> pattern_faces(PageFrame* page) {
  std::vector<int> faces;
  for (int k = 0; k < kWipePatternCount; ++k)
    faces.push_back(page->button(wipe_pattern_id(k))->bitmap_id());
  return faces;
}

void press_pattern(PageFrame* page, int k) {
  QTest::mouseClick(page->button(wipe_pattern_id(k)), Qt::LeftButton);
}

QString edit_text(PageFrame* page, int id) { return page->edit(id)->text(); }

void press_key(QWidget* focus, Qt::Key key) {
  focus->setFocus();
  QTest::keyClick(focus, key);
}

// ------------------------------------------------------------ the factory

using SwitcherSubPages = SubPageTest;

TEST_F(SwitcherSubPages, FactoryBuildsEachKindOnItsTemplateAndNothingForOthers) {
  const struct {
    int kind;
    int dialog;
    int group;
  } kinds[] = {{0, 240, 1167}, {1, 242, 1168}, {2, 307, 1173}, {3, 306, 1169}};
  for (const auto& k : kinds) {
    PageFrame* page = create_switcher_sub_page(k.kind, host);
    ASSERT_NE(page, nullptr) << k.kind;
    EXPECT_EQ(page->dialog_id(), k.dialog);
    EXPECT_EQ(page->background_bitmap(), 194);
    EXPECT_EQ(page->parentWidget(), host);
    EXPECT_EQ(page->size(), QSize(250, 400));
    auto* group = qobject_cast<CMyGroupBox*>(page->control(k.group));
    ASSERT_NE(group, nullptr) << k.kind;
    EXPECT_EQ(group->geometry(), QRect(5, 5, 240, 390));
    page->destroy_page();
  }
  EXPECT_EQ(create_switcher_sub_page(4, host), nullptr);
  EXPECT_EQ(create_switcher_sub_page(-1, host), nullptr);
  EXPECT_TRUE(nothing_sent());
}

// ------------------------------------------------------------ wipe patterns

TEST_F(SwitcherSubPages, PatternGridOpensAtZeroAndSendsEachNewPatternOnce) {
  data().wipe_style = 4;
  auto* page = open_page<CClass_switcher_function>();
  EXPECT_EQ(data().wipe_style, 0);
  const QPoint positions[9] = {{30, 100},  {90, 100}, {150, 100}, {30, 160}, {90, 160},
                               {150, 160}, {30, 220}, {90, 220},  {150, 220}};
  const int ids[9] = {1032, 1033, 1034, 1035, 1036, 1037, 1038, 1043, 1044};
  for (int k = 0; k < 9; ++k) {
    CSkinButton* key = page->button(ids[k]);
    ASSERT_NE(key, nullptr) << k;
    EXPECT_EQ(key->geometry(), QRect(positions[k], QSize(50, 50))) << k;
    EXPECT_TRUE(key->draws_transparent() && !key->draws_border() && key->isVisible());
  }
  EXPECT_EQ(pattern_faces(page), (std::vector<int>{360, 370, 368, 362, 359, 368, 357, 354, 365}));
  for (int id : {1039, 1040, 1041, 1042, 1164, 1165}) EXPECT_FALSE(page->control(id)->isVisible());
  EXPECT_EQ(page->combo(1164)->count(), 0);
  EXPECT_TRUE(nothing_sent());

  press_pattern(page, 2);
  EXPECT_TRUE(next_frame_is(0x92, {2}));
  EXPECT_EQ(data().wipe_style, 2);
  EXPECT_EQ(pattern_faces(page), (std::vector<int>{361, 370, 363, 362, 359, 368, 357, 354, 365}));
  // The selected key again: nothing.
  press_pattern(page, 2);
  EXPECT_TRUE(nothing_sent());
  // 5 shows the same arrow as 2, yet both keys change.
  press_pattern(page, 5);
  EXPECT_TRUE(next_frame_is(0x92, {5}));
  EXPECT_EQ(pattern_faces(page), (std::vector<int>{361, 370, 368, 362, 359, 363, 357, 354, 365}));
  press_pattern(page, 7);
  EXPECT_TRUE(next_frame_is(0x92, {7}));
  EXPECT_EQ(page->button(1043)->bitmap_id(), 353);
  EXPECT_EQ(device_state().wipe_style, 7);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(SwitcherSubPages, ReopenedGridShowsZeroAndItsLitKeyStillReachesTheDevice) {
  auto* page = open_page<CClass_switcher_function>();
  press_pattern(page, 7);
  ASSERT_TRUE(next_frame_is(0x92, {7}));
  page->destroy_page();

  // Opening again shows pattern 0 and tells the device nothing, so the
  // device still runs 7 ...
  page = open_page<CClass_switcher_function>();
  EXPECT_EQ(data().wipe_style, 0);
  EXPECT_EQ(page->button(1032)->bitmap_id(), 360);
  EXPECT_EQ(page->button(1043)->bitmap_id(), 354);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(device_state().wipe_style, 7);
  // ... and the operator's press on the lit 0 sends it, once.
  press_pattern(page, 0);
  EXPECT_TRUE(next_frame_is(0x92, {0}));
  EXPECT_EQ(page->button(1032)->bitmap_id(), 360);
  press_pattern(page, 0);
  EXPECT_TRUE(nothing_sent());
  EXPECT_EQ(device_state().wipe_style, 0);

  // After another pattern, the lit key is what the device runs: nothing.
  page->destroy_page();
  page = open_page<CClass_switcher_function>();
  press_pattern(page, 3);
  EXPECT_TRUE(next_frame_is(0x92, {3}));
  press_pattern(page, 3);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(SwitcherSubPages, HiddenSettingsListsStoreAndSendWhenTheyHaveAChoice) {
  auto* page = open_page<CClass_switcher_function>();
  // Empty as in the template: a selection report carries no value.
  emit page->combo(1164)->activated(0);
  EXPECT_TRUE(nothing_sent());
  const struct {
    int id;
    uint8_t command;
    uint8_t SwitcherPageData::*field;
  } lists[] = {{1164, 0x90, &SwitcherPageData::dip_source},
               {1039, 0x91, &SwitcherPageData::wipe_source},
               {1165, 0x92, &SwitcherPageData::wipe_style}};
  for (const auto& l : lists) {
    QComboBox* list = page->combo(l.id);
    list->addItems({"a", "b", "c", "d"});
    list->setCurrentIndex(3);
    emit list->activated(3);
    EXPECT_TRUE(next_frame_is(l.command, {3}));
    EXPECT_EQ(data().*l.field, 3);
  }
  EXPECT_EQ(device_state().dip_source, 3);
  EXPECT_EQ(device_state().wipe_source, 3);
}

TEST_F(SwitcherSubPages, WithoutMainWindowAPatternPressOnlyTraces) {
  auto* page = open_page<CClass_switcher_function>();
  CKELVARO_16_VIEWDlg* saved = m_p_glo_main_set_or_get_dlg;
  m_p_glo_main_set_or_get_dlg = nullptr;
  TraceRecorder traces;
  press_pattern(page, 4);
  m_p_glo_main_set_or_get_dlg = saved;
  EXPECT_EQ(traces.count("main dlg p is null ,return \n"), 1);
  EXPECT_EQ(page->button(1036)->bitmap_id(), 359);
  EXPECT_EQ(data().wipe_style, 0);
  EXPECT_TRUE(nothing_sent());
}

// ------------------------------------------------------------ key 1 (luma)

TEST_F(SwitcherSubPages, LumaKeyOpensAtSixteenAndSendsALevelOnlyWhenTheMouseLetsGo) {
  auto* page = open_page<CClass_switcher_effect>();
  QComboBox* source = page->combo(1174);
  ASSERT_EQ(source->count(), 11);
  EXPECT_EQ(source->itemText(0), "Cam 01");
  EXPECT_EQ(source->itemText(9), "Cam 10");
  EXPECT_EQ(source->itemText(10), "MP");
  EXPECT_EQ(source->currentIndex(), 0);
  const int bars[3] = {1175, 1176, 1177};
  for (int c = 0; c < 3; ++c) {
    QSlider* bar = page->level_bar(c);
    ASSERT_EQ(bar, page->control(bars[c]));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 255);
    EXPECT_EQ(bar->tickInterval(), 1);
    EXPECT_EQ(bar->value(), 16);
    EXPECT_EQ(edit_text(page, 1040 + c), "16");
    EXPECT_TRUE(page->edit(1040 + c)->isReadOnly());
  }
  EXPECT_TRUE(nothing_sent());

  // A drag sends where the mouse let the bar go, and the edit shows it.
  QSlider* red = page->level_bar(SwitcherKeyerPage::Red);
  drag_handle(red, 100);
  const int dragged = red->value();
  EXPECT_GT(dragged, 100);
  EXPECT_TRUE(next_frame_is(0x94, {static_cast<uint8_t>(dragged)}));
  EXPECT_EQ(edit_text(page, 1040), QString::number(dragged));
  EXPECT_EQ(data().luma_red, dragged);

  red->setValue(200);
  EXPECT_TRUE(nothing_sent());
  release_on_handle(red);
  EXPECT_TRUE(next_frame_is(0x94, {200}));
  EXPECT_EQ(edit_text(page, 1040), "200");
  EXPECT_EQ(data().luma_red, 200);
  EXPECT_EQ(device_state().luma_rgb[0], 200);

  // The keyboard moves the bar but sends nothing and leaves the edit.
  QSlider* blue = page->level_bar(SwitcherKeyerPage::Blue);
  press_key(blue, Qt::Key_Right);
  EXPECT_EQ(blue->value(), 17);
  EXPECT_EQ(edit_text(page, 1042), "16");
  EXPECT_TRUE(nothing_sent());

  // Small levels show two digits.
  QSlider* green = page->level_bar(SwitcherKeyerPage::Green);
  green->setValue(5);
  release_on_handle(green);
  EXPECT_TRUE(next_frame_is(0x95, {5}));
  EXPECT_EQ(edit_text(page, 1041), "05");
  EXPECT_EQ(data().luma_green, 5);

  choose(source, 10);
  EXPECT_TRUE(next_frame_is(0x93, {10}));
  EXPECT_EQ(data().luma_source, 10);
  EXPECT_EQ(device_state().luma_source, 10);
}

TEST_F(SwitcherSubPages, KeyerAndPipPagesSwallowEnterAndEscapeWithATrace) {
  TraceRecorder traces;
  auto* luma = open_page<CClass_switcher_effect>();
  press_key(luma->combo(1174), Qt::Key_Escape);
  press_key(luma->level_bar(0), Qt::Key_Return);
  EXPECT_TRUE(luma->isVisible());
  luma->destroy_page();
  auto* chroma = open_page<CClass_switcher_chorma>();
  press_key(chroma->level_bar(2), Qt::Key_Escape);
  EXPECT_TRUE(chroma->isVisible());
  chroma->destroy_page();
  auto* pip = open_page<CClass_switcher_wd_pip>();
  press_key(pip->bar(1171), Qt::Key_Enter);
  EXPECT_TRUE(pip->isVisible());
  EXPECT_EQ(traces.count(" mian  esc  \n"), 4);
  EXPECT_TRUE(nothing_sent());
}

// ------------------------------------------------------------ key 2 (chroma)

TEST_F(SwitcherSubPages, ChromaTypeSwapsTheLevelsAndReleasesStoreInThatType) {
  data().chroma_red[0] = data().chroma_red[1] = 7;
  data().chroma_green[0] = data().chroma_green[1] = 7;
  data().chroma_blue[0] = data().chroma_blue[1] = 7;
  auto* page = open_page<CClass_switcher_chorma>();
  // Each type's levels start again from its defaults.
  EXPECT_EQ(data().chroma_red[0], 32);
  EXPECT_EQ(data().chroma_red[1], 32);
  EXPECT_EQ(data().chroma_green[0], 32);
  EXPECT_EQ(data().chroma_green[1], 220);
  EXPECT_EQ(data().chroma_blue[0], 220);
  EXPECT_EQ(data().chroma_blue[1], 32);
  QComboBox* type = page->combo(1179);
  ASSERT_EQ(type->count(), 2);
  EXPECT_EQ(type->itemText(0), "Key Light Blue");
  EXPECT_EQ(type->itemText(1), "Key Light Green");
  EXPECT_EQ(type->currentIndex(), 0);
  EXPECT_EQ(page->combo(1178)->count(), 11);
  const int bars[3] = {1170, 1171, 1172};
  const int opening[3] = {32, 32, 220};
  for (int c = 0; c < 3; ++c) {
    ASSERT_EQ(page->level_bar(c), page->control(bars[c]));
    EXPECT_EQ(page->level_bar(c)->maximum(), 255);
    EXPECT_EQ(page->level_bar(c)->value(), opening[c]);
    EXPECT_EQ(edit_text(page, 1040 + c), QString::number(opening[c]));
  }
  EXPECT_TRUE(nothing_sent());

  TraceRecorder traces;
  choose(type, 1);
  EXPECT_TRUE(next_frame_is(0x98, {1}));
  EXPECT_EQ(data().chroma_type, 1);
  EXPECT_EQ(page->level_bar(0)->value(), 32);
  EXPECT_EQ(page->level_bar(1)->value(), 220);
  EXPECT_EQ(page->level_bar(2)->value(), 32);
  EXPECT_EQ(edit_text(page, 1041), "220");
  EXPECT_EQ(traces.lines(),
            (std::vector<std::string>{"2 \n", " r = 32 \n", " g = 220 \n", " b = 32 \n"}));

  QSlider* green = page->level_bar(SwitcherKeyerPage::Green);
  green->setValue(150);
  release_on_handle(green);
  EXPECT_TRUE(next_frame_is(0x95, {150}));
  EXPECT_EQ(data().chroma_green[1], 150);
  EXPECT_EQ(data().chroma_green[0], 32);
  EXPECT_EQ(edit_text(page, 1041), "150");
  EXPECT_EQ(traces.count(" g = 150 \n"), 1);
  EXPECT_EQ(device_state().chroma_rgb[1][1], 150);

  // Back to light blue: its own levels, untouched by the release.
  choose(type, 0);
  EXPECT_TRUE(next_frame_is(0x98, {0}));
  EXPECT_EQ(page->level_bar(1)->value(), 32);
  EXPECT_EQ(page->level_bar(2)->value(), 220);
  EXPECT_EQ(edit_text(page, 1042), "220");
  EXPECT_EQ(traces.count("1 \n"), 1);

  choose(page->combo(1178), 4);
  EXPECT_TRUE(next_frame_is(0x97, {4}));
  EXPECT_EQ(data().chroma_source, 4);
  EXPECT_EQ(device_state().chroma_source, 4);
}

TEST_F(SwitcherSubPages, ReopenedChromaKeyShowsLightBlueButKeepsTheRememberedType) {
  auto* page = open_page<CClass_switcher_chorma>();
  choose(page->combo(1179), 1);
  ASSERT_TRUE(next_frame_is(0x98, {1}));
  page->destroy_page();

  page = open_page<CClass_switcher_chorma>();
  EXPECT_EQ(page->combo(1179)->currentIndex(), 0);
  EXPECT_EQ(page->level_bar(1)->value(), 32);
  EXPECT_EQ(page->level_bar(2)->value(), 220);
  EXPECT_EQ(data().chroma_type, 1);
  EXPECT_TRUE(nothing_sent());
  QSlider* red = page->level_bar(SwitcherKeyerPage::Red);
  red->setValue(90);
  release_on_handle(red);
  EXPECT_TRUE(next_frame_is(0x94, {90}));
  EXPECT_EQ(data().chroma_red[1], 90);
  EXPECT_EQ(data().chroma_red[0], 32);
  // The device keys light green too: both set the level of type 1.
  EXPECT_EQ(device_state().chroma_rgb[1][0], 90);
}

// ------------------------------------------------------------ picture in picture

TEST_F(SwitcherSubPages, PipOpensAtItsDefaultsWhateverTheRecordHolds) {
  data().pip_source = 5;
  data().pip_x = 77;
  auto* page = open_page<CClass_switcher_wd_pip>();
  const struct {
    int id;
    QStringList items;
  } lists[] = {
      {1183,
       {"Cam 01", "Cam 02", "Cam 03", "Cam 04", "Cam 05", "Cam 06", "Cam 07", "Cam 08", "Cam 09",
        "Cam 10", "MP"}},
      {1180, {"Disable", "Enable"}},
      {1181, {"White", "Red", "Green", "Blue"}},
      {1182, {"1", "2", "3", "4", "5", "6", "7"}},
  };
  for (const auto& l : lists) {
    QComboBox* list = page->combo(l.id);
    ASSERT_NE(list, nullptr) << l.id;
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    EXPECT_EQ(items, l.items) << l.id;
    EXPECT_EQ(list->currentIndex(), 0);
  }
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(page->bar(1170 + k)->maximum(), 120);
    EXPECT_EQ(page->bar(1170 + k)->value(), 0);
    EXPECT_EQ(edit_text(page, 1040 + k), "0");
    EXPECT_TRUE(page->edit(1040 + k)->isReadOnly());
  }
  QSlider* height = page->bar(1173);
  EXPECT_FALSE(height->isVisible());
  EXPECT_EQ(height->maximum(), 1080);
  EXPECT_EQ(height->tickInterval(), 9);
  EXPECT_EQ(data().pip_source, 5);
  EXPECT_TRUE(nothing_sent());
}

TEST_F(SwitcherSubPages, PipBarsSendPixelsOfTheFullPictureOnRelease) {
  auto* page = open_page<CClass_switcher_wd_pip>();
  QSlider* x = page->bar(1170);
  x->setValue(60);
  release_on_handle(x);
  EXPECT_TRUE(next_frame_is(0xA0, {0xC0, 0x03}));
  EXPECT_EQ(edit_text(page, 1040), "960");
  EXPECT_EQ(data().pip_x, 60);

  QSlider* y = page->bar(1171);
  y->setValue(120);
  release_on_handle(y);
  EXPECT_TRUE(next_frame_is(0xA1, {0x38, 0x04}));
  EXPECT_EQ(edit_text(page, 1041), "1080");
  EXPECT_EQ(data().pip_y, 120);

  QSlider* width = page->bar(1172);
  drag_handle(width, 60);
  const int p = width->value();
  EXPECT_GT(p, 0);
  const int pixels = p * 16;
  EXPECT_TRUE(
      next_frame_is(0xA2, {static_cast<uint8_t>(pixels), static_cast<uint8_t>(pixels >> 8)}));
  EXPECT_EQ(edit_text(page, 1042), QString::number(pixels));
  EXPECT_EQ(data().pip_size, p);
  EXPECT_EQ(device_state().pip_x, 960);
  EXPECT_EQ(device_state().pip_y, 1080);
  EXPECT_EQ(device_state().pip_size, pixels);

  // Keyboard moves send nothing and leave the edit.
  press_key(x, Qt::Key_Left);
  EXPECT_EQ(x->value(), 59);
  EXPECT_EQ(edit_text(page, 1040), "960");
  EXPECT_TRUE(nothing_sent());
}

TEST_F(SwitcherSubPages, PipListsSendTheChosenIndex) {
  auto* page = open_page<CClass_switcher_wd_pip>();
  choose(page->combo(1182), 6);  // width "7"
  EXPECT_TRUE(next_frame_is(0x9F, {6}));
  EXPECT_EQ(data().pip_border_width, 6);
  choose(page->combo(1181), 3);  // "Blue"
  EXPECT_TRUE(next_frame_is(0x9E, {3}));
  EXPECT_EQ(data().pip_border_color, 3);
  choose(page->combo(1180), 1);  // "Enable"
  EXPECT_TRUE(next_frame_is(0x9D, {1}));
  EXPECT_EQ(data().pip_border_enable, 1);
  choose(page->combo(1183), 10);  // "MP"
  EXPECT_TRUE(next_frame_is(0x9C, {10}));
  EXPECT_EQ(data().pip_source, 10);
  const devsim::SwitcherState st = device_state();
  EXPECT_EQ(st.pip_border_width, 6);
  EXPECT_EQ(st.pip_border_color, 3);
  EXPECT_EQ(st.pip_border_enable, 1);
  EXPECT_EQ(st.pip_source, 10);
}

}  // namespace
