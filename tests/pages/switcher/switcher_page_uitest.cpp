// The switcher page in a real main window against a simulated switcher on
// loopback: what each key sends and shows, the device's reports followed
// without echo and only from the switcher, a run of reports folded into one
// batch ending exactly where the reports one by one would, the T-bar worker,
// AUTO, FTB, the duration box, and the page closed while its threads are
// busy.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <random>

#include "app/main_window.h"
#include "controls/skin_button.h"
#include "controls/skin_slider.h"
#include "devices/switcher/switcher_report.h"
#include "link/control_frame.h"
#include "link/link_options.h"
#include "pages/switcher/switcher_page.h"
#include "support/panel_test.h"
#include "support/trace_recorder.h"

namespace {
using devsim::DeviceSpec;
using devsim::ReceivedFrame;
using devsim::Report;
using Bytes = std::vector<uint8_t>;
using ms = std::chrono::milliseconds;

constexpr uint8_t kId = 3;

// Sends datagrams to the panel's report port from a socket bound to `from`.
void send_from(const char* from, const std::vector<Bytes>& datagrams) {
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(s, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, from, &local.sin_addr);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local), 0) << from;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(link_options().switcher_bind_port);
  ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  for (const Bytes& d : datagrams)
    EXPECT_EQ(::sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(d.size()));
  ::close(s);
}

// A report as a switcher sends it; `bare` gives only the 17 bytes up to the
// command byte plus the arguments, with no envelope check possible.
Bytes report_bytes(uint8_t command, const Bytes& payload = {}) {
  return build_frame(0xA5, kId, Link::Udp, command, payload);
}
Bytes bare_report(uint8_t command, const Bytes& payload = {}) {
  Bytes d(17 + payload.size(), 0);
  d[16] = command;
  std::copy(payload.begin(), payload.end(), d.begin() + 17);
  return d;
}

class SwitcherPageTest : public PanelTest {
 protected:
  void SetUp() override {
    start_panel({DeviceSpec::lan(devsim::kTypeSwitcher, kId)});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(sim_->select_in_main_window(*dlg_, 0));
    page_ = qobject_cast<CClass_switcher_dlg*>(dlg_->m_p_mian_show_dlg);
    ASSERT_NE(page_, nullptr);
    ASSERT_TRUE(page_->receiver_running());
    ASSERT_TRUE(page_->tbar_worker_running());
  }
  void TearDown() override {
    PanelTest::TearDown();
    QApplication::processEvents();
  }
  SwitcherPageData& data() { return dlg_->m_all_switcher_page_data; }
  int face(int id) { return page_->button(id)->bitmap_id(); }
  void click(int id) { page_->button(id)->click(); }
  // Frames the switcher received with this command, in order.
  std::vector<ReceivedFrame> sent(uint8_t command) { return sim_->frames_with_command(0, command); }
  ::testing::AssertionResult got(uint8_t command, const Bytes& payload) {
    return sim_->received_command(0, command, payload, ms(2000));
  }
  // Lets queued reports and worker steps reach the page.
  bool settle(const std::function<bool()>& done, int timeout_ms = 2000) {
    return QTest::qWaitFor(done, timeout_ms);
  }
  void mouse(QEvent::Type type, int pos) {
    CSkinSlider* bar = page_->tbar();
    const QPoint at(bar->width() / 2, bar->pos_to_pixel(pos));
    QMouseEvent e(type, QPointF(at), QPointF(bar->mapToGlobal(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(bar, &e);
  }
  // Drags the bar from one end to the other a few positions at a time, as a
  // hand would, giving the worker time to send.
  void drag(int from, int to) {
    mouse(QEvent::MouseButtonPress, from);
    const int step = from < to ? 4 : -4;
    for (int p = from; p != to;) {
      p = std::abs(to - p) < 4 ? to : p + step;
      mouse(QEvent::MouseMove, p);
      QTest::qWait(3);
    }
    mouse(QEvent::MouseButtonRelease, to);
  }
  std::vector<Bytes> tbar_payloads() {
    std::vector<Bytes> out;
    for (const ReceivedFrame& f : sent(0x82))
      out.emplace_back(f.bytes.begin() + 17, f.bytes.end() - 3);
    return out;
  }

  CClass_switcher_dlg* page_ = nullptr;
};

TEST_F(SwitcherPageTest, BusKeysSendTheirSourceAndCutExchangesTheHighlights) {
  click(IDC_SW_PGM_3);
  EXPECT_TRUE(got(0x80, {3}));
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);  // red on program
  // The source already on program is sent again; nothing changes.
  click(IDC_SW_PGM_3);
  ASSERT_TRUE(
      sim_->wait_frames(2, [](const ReceivedFrame& f) { return f.command() == 0x80; }).size() == 2);
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);
  click(IDC_SW_PVM_3);
  EXPECT_TRUE(got(0x81, {3}));
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);  // green on preview
  // Same source on both buses: a cut redraws both.
  click(IDC_SW_CUT);
  EXPECT_TRUE(got(0x83, {}));
  EXPECT_EQ(face(IDC_SW_PGM_3), 255);
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);
  click(switcher_pvm_control(12));
  EXPECT_EQ(face(switcher_pvm_control(12)), 281);
  click(IDC_SW_CUT);
  EXPECT_EQ(data().pgm_source, 12);
  EXPECT_EQ(data().pvm_source, 3);
  EXPECT_EQ(face(switcher_pgm_control(12)), 282);
  EXPECT_EQ(face(IDC_SW_PGM_3), 256);
  EXPECT_EQ(face(IDC_SW_PVM_3), 254);
  EXPECT_EQ(sent(0x83).front().bytes, build_frame(0xA5, kId, Link::Udp, 0x83));
  // Every frame left the command port for the device's switcher port.
  EXPECT_EQ(sent(0x83).front().local_port, link_options().switcher_device_port);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, LayerKeysBkgdOnAirAndTransitionKeys) {
  click(IDC_SW_PIP);
  EXPECT_TRUE(got(0x86, {}));
  EXPECT_EQ(face(IDC_SW_PIP), 300);
  EXPECT_EQ(data().sub_page, 3);
  // KEY 1 while PIP is lit: PIP goes out, KEY 1 lights, old flag 0 is sent.
  click(IDC_SW_KEY1);
  EXPECT_TRUE(got(0x8B, {0}));
  EXPECT_EQ(face(IDC_SW_PIP), 299);
  EXPECT_EQ(face(IDC_SW_KEY1), 291);
  EXPECT_EQ(data().pip_on, 0);
  EXPECT_EQ(data().key1_on, 1);
  EXPECT_EQ(data().sub_page, 1);
  // BKGD with a layer lit toggles; then KEY 1 cannot switch off.
  click(IDC_SW_BKGD);
  EXPECT_TRUE(got(0x8A, {1}));
  EXPECT_EQ(face(IDC_SW_BKGD), 246);
  const size_t before = sim_->sim().frames().size();
  click(IDC_SW_KEY1);
  EXPECT_TRUE(sim_->nothing_more(before, ms(150)));
  EXPECT_EQ(face(IDC_SW_KEY1), 291);

  click(IDC_SW_ON_AIR);
  EXPECT_TRUE(got(0x88, {0}));
  EXPECT_EQ(face(IDC_SW_ON_AIR), 297);
  click(IDC_SW_DIP);
  EXPECT_TRUE(got(0x8E, {}));
  EXPECT_EQ(face(IDC_SW_DIP), 287);
  EXPECT_EQ(face(IDC_SW_MIX), 295);
  EXPECT_EQ(data().sub_page, 0);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, DeviceReportsAreFollowedAndNeverEchoed) {
  const size_t before = sim_->sim().frames().size();
  sim_->sim().send_report(0, Report::pgm(12));
  sim_->sim().send_report(0, Report::pip());
  sim_->sim().send_report(0, Report::tbar(1, 20));
  ASSERT_TRUE(settle([&] { return data().pgm_source == 12 && data().pip_on == 1; }));
  EXPECT_EQ(face(switcher_pgm_control(12)), 282);
  EXPECT_EQ(face(IDC_SW_PIP), 300);
  EXPECT_EQ(page_->tbar()->GetPos(), 108);
  EXPECT_EQ(page_->tbar_direction(), 1);
  sim_->sim().send_report(0, Report::pip());
  sim_->sim().send_report(0, Report::tbar(0, 128));
  ASSERT_TRUE(settle([&] { return data().pip_on == 0 && page_->tbar()->GetPos() == 129; }));
  EXPECT_EQ(face(IDC_SW_PIP), 299);
  EXPECT_EQ(page_->tbar_direction(), 0);
  // Reports send nothing back, the T-bar ones included.
  EXPECT_TRUE(sim_->nothing_more(before, ms(300)));
}

TEST_F(SwitcherPageTest, TbarDragCompletesTheTransitionAndTheNextRunsBack) {
  click(IDC_SW_PGM_1);
  click(IDC_SW_PVM_2);
  drag(129, 0);
  ASSERT_TRUE(settle([&] { return data().pgm_source == 2; }));
  const std::vector<Bytes> down = tbar_payloads();
  ASSERT_GE(down.size(), 5u);
  EXPECT_EQ(down.front(), (Bytes{1, 1}));  // the press re-sends where the bar stands
  for (size_t i = 1; i < down.size(); ++i) {
    EXPECT_EQ(down[i][0], 1);
    EXPECT_GE(down[i][1], down[i - 1][1]);
  }
  EXPECT_EQ(down.back(), (Bytes{1, 128}));
  EXPECT_EQ(page_->tbar_direction(), 0);
  EXPECT_EQ(data().direction, 0);
  EXPECT_EQ(data().pvm_source, 1);
  EXPECT_EQ(data().tbar_moving, 0);
  EXPECT_EQ(face(IDC_SW_AUTO), 245);
  EXPECT_EQ(face(IDC_SW_PGM_2), 252);
  EXPECT_EQ(face(IDC_SW_PVM_1), 248);

  // Back down from the top: (0, v) with v = position, complete at 129.
  drag(0, 129);
  ASSERT_TRUE(settle([&] { return data().pgm_source == 1; }));
  const std::vector<Bytes> all = tbar_payloads();
  const std::vector<Bytes> up(all.begin() + static_cast<long>(down.size()), all.end());
  EXPECT_EQ(up.front(), (Bytes{0, 1}));
  EXPECT_EQ(up.back(), (Bytes{0, 128}));
  EXPECT_EQ(page_->tbar_direction(), 1);
  EXPECT_TRUE(sim_->no_bad_frames());
}

TEST_F(SwitcherPageTest, AutoRunsTheTransitionInStepsAndFtbBlinks) {
  click(IDC_SW_PGM_1);
  click(IDC_SW_PVM_2);
  click(IDC_SW_AUTO);
  EXPECT_TRUE(got(0x84, {}));
  EXPECT_TRUE(page_->auto_running());
  EXPECT_EQ(page_->auto_interval_ms(), 15);
  EXPECT_EQ(face(IDC_SW_AUTO), 305);
  EXPECT_EQ(face(IDC_SW_PVM_2), 252);  // red while the transition runs
  ASSERT_TRUE(settle([&] { return !page_->auto_running() && data().pgm_source == 2; }, 6000));
  const std::vector<Bytes> steps = tbar_payloads();
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.back(), (Bytes{1, 128}));
  // Position 1 and the far end both carry 128.
  for (size_t i = 1; i < steps.size(); ++i) EXPECT_GE(steps[i][1], steps[i - 1][1]);
  EXPECT_GE(steps.size(), 100u);
  EXPECT_EQ(page_->tbar()->GetPos(), 0);
  EXPECT_EQ(face(IDC_SW_AUTO), 245);

  click(IDC_SW_FTB);
  EXPECT_TRUE(got(0x85, {}));
  EXPECT_TRUE(page_->ftb_blinking());
  QTest::qWait(1100);  // two blinks: normal, then red
  click(IDC_SW_FTB);
  EXPECT_EQ(sent(0x85).size(), 2u);
  EXPECT_FALSE(page_->ftb_blinking());
  EXPECT_EQ(data().ftb_on, 0);
}

TEST_F(SwitcherPageTest, DurationBoxTakesDigitsAndEnterFormatsIt) {
  QLineEdit* box = page_->duration_box();
  EXPECT_EQ(box->text(), QStringLiteral("02:00"));
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("3a5:0x7"));
  EXPECT_EQ(box->text(), QStringLiteral("3507"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("35:07"));
  box->setText(QStringLiteral("7"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("01:00"));
  EXPECT_TRUE(dlg_->isVisible());
  box->setText(QStringLiteral("01:50"));
  click(IDC_SW_AUTO);
  EXPECT_EQ(page_->auto_interval_ms(), 8);
}

// Reports count from the selected switcher's address alone: forged ones
// from another loopback address change nothing (and are traced once for the
// burst), while the switcher's own, even bare 17-byte ones, are followed.
TEST_F(SwitcherPageTest, ReportsFromAnotherAddressAreIgnored) {
  click(IDC_SW_PGM_1);
  click(IDC_SW_PVM_2);
  TraceRecorder traces;
  std::vector<Bytes> forged{bare_report(0x83), report_bytes(0x80, {12}), report_bytes(0x86),
                            report_bytes(0x88), report_bytes(0x82, {1, 20})};
  for (int k = 0; k < 40; ++k) forged.push_back(bare_report(0x83));
  send_from("127.0.0.66", forged);
  // The switcher's own report, after the forged ones, shows when they have all been read.
  sim_->sim().send_report(0, Report::transition(2));
  ASSERT_TRUE(settle([&] { return data().transition_type == 2; }));
  EXPECT_EQ(data().pgm_source, 1);
  EXPECT_EQ(data().pvm_source, 2);
  EXPECT_EQ(face(IDC_SW_PGM_1), 249);
  EXPECT_EQ(face(IDC_SW_PVM_2), 251);
  EXPECT_EQ(face(switcher_pgm_control(12)), 283);
  EXPECT_EQ(data().pip_on, 0);
  EXPECT_EQ(data().on_air, 0);
  EXPECT_EQ(page_->tbar()->GetPos(), 129);
  int ignored = 0;
  for (const std::string& line : traces.lines())
    if (line.find("switcher report from 127.0.0.66 ignored") != std::string::npos) ++ignored;
  EXPECT_EQ(ignored, 1);

  // A bare cut from the switcher's own address is followed: the envelope is
  // not checked.
  send_from(sim_->address(0).c_str(), {bare_report(0x83)});
  ASSERT_TRUE(settle([&] { return data().pgm_source == 2; }));
  EXPECT_EQ(data().pvm_source, 1);
  EXPECT_EQ(face(IDC_SW_PGM_2), 252);
  EXPECT_EQ(face(IDC_SW_PVM_1), 248);
}

// A T-bar report's direction byte other than 1 is taken as 0, so the frames
// the bar sends next carry 0.
TEST_F(SwitcherPageTest, TbarReportDirectionOtherThanOneIsTakenAsZero) {
  for (uint8_t d : {uint8_t{7}, uint8_t{0xFF}}) {
    sim_->sim().send_report(0, Report::tbar(d, 20));
    ASSERT_TRUE(settle([&] { return page_->tbar()->GetPos() == 20; }));
    EXPECT_EQ(page_->tbar_direction(), 0);
    sim_->sim().clear_frames();
    mouse(QEvent::MouseButtonPress, 20);
    for (int p = 22; p <= 40; p += 2) {
      mouse(QEvent::MouseMove, p);
      QTest::qWait(3);
    }
    mouse(QEvent::MouseButtonRelease, 40);
    // Direction 0: the last frame carries the bar's position itself.
    ASSERT_TRUE(settle([&] {
      const std::vector<Bytes> frames = tbar_payloads();
      return frames.size() >= 3 && frames.back()[1] == page_->tbar()->GetPos();
    })) << tbar_payloads().size()
        << " frames, bar at " << page_->tbar()->GetPos();
    EXPECT_GT(page_->tbar()->GetPos(), 30);
    for (const Bytes& f : tbar_payloads()) EXPECT_EQ(f[0], 0) << int(d);
    sim_->sim().send_report(0, Report::tbar(1, 1));  // near the start end, direction 1
    ASSERT_TRUE(settle([&] { return page_->tbar()->GetPos() == 127; }));
    EXPECT_EQ(page_->tbar_direction(), 1);
  }
  EXPECT_TRUE(sim_->no_bad_frames());
}

// A run of reports folded into a batch leaves the record and every key's
// image exactly where applying the reports one by one leaves them, from
// random records and images (also ones that disagree, as after a re-opened
// page); and a key whose image does not change is not repainted.
TEST_F(SwitcherPageTest, ABatchOfReportsEndsWhereTheReportsOneByOneDo) {
  std::vector<int> keys{IDC_SW_PIP,  IDC_SW_KEY1, IDC_SW_KEY2, IDC_SW_ON_AIR,
                        IDC_SW_BKGD, IDC_SW_MIX,  IDC_SW_DIP,  IDC_SW_WIPE};
  for (int n = 1; n <= kSwitcherSources; ++n) {
    keys.push_back(switcher_pgm_control(n));
    keys.push_back(switcher_pvm_control(n));
  }
  using State = std::pair<std::vector<int>, std::vector<int>>;
  auto state = [&] {
    const SwitcherPageData& d = data();
    State st;
    st.first = {d.pgm_source,   d.pvm_source, d.pip_on,    d.key1_on,         d.key2_on,
                d.layer_select, d.on_air,     d.bkgd_on,   d.transition_type, d.tbar_moving,
                d.direction,    d.sub_page,   d.tbar_value};
    for (int id : keys) st.second.push_back(face(id));
    return st;
  };
  std::mt19937 rng(20240611);
  auto pick = [&rng](std::initializer_list<int> values) {
    return *(values.begin() + std::uniform_int_distribution<size_t>(0, values.size() - 1)(rng));
  };
  auto randomise = [&] {
    SwitcherPageData& d = data();
    d.pgm_source = static_cast<uint8_t>(pick({0, 1, 2, 3, 5, 12, 13, 200}));
    d.pvm_source = static_cast<uint8_t>(pick({0, 1, 2, 3, 5, 12, 13, 200}));
    d.pip_on = static_cast<uint8_t>(pick({0, 1, 1, 2}));
    d.key1_on = static_cast<uint8_t>(pick({0, 1, 1, 2}));
    d.key2_on = static_cast<uint8_t>(pick({0, 1, 1, 2}));
    d.layer_select = static_cast<uint8_t>(pick({0, 1, 2, 3, 9}));
    d.on_air = static_cast<uint8_t>(pick({0, 1, 2}));
    d.bkgd_on = static_cast<uint8_t>(pick({0, 1, 2}));
    d.transition_type = static_cast<uint8_t>(pick({0, 1, 2, 3, 7}));
    d.tbar_moving = static_cast<uint8_t>(pick({0, 1}));
    for (int n = 1; n <= kSwitcherSources; ++n) {
      const int normal = switcher_source_bitmap(n);
      page_->button(switcher_pgm_control(n))->set_bitmap(normal - pick({0, 0, 1, 2}));
      page_->button(switcher_pvm_control(n))->set_bitmap(normal - pick({0, 0, 1, 2}));
    }
    const std::pair<int, std::pair<int, int>> faces[] = {
        {IDC_SW_PIP, {299, 300}},    {IDC_SW_KEY1, {290, 291}}, {IDC_SW_KEY2, {292, 293}},
        {IDC_SW_ON_AIR, {298, 297}}, {IDC_SW_BKGD, {246, 247}}, {IDC_SW_MIX, {295, 296}},
        {IDC_SW_DIP, {286, 287}},    {IDC_SW_WIPE, {303, 304}}};
    for (const auto& [id, pair] : faces)
      page_->button(id)->set_bitmap(pick({0, 1}) ? pair.second : pair.first);
  };
  auto random_report = [&] {
    const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
    const uint8_t commands[] = {0x80, 0x81, 0x83, 0x86, 0x8B, 0x8C, 0x88, 0x8A, 0x8D, 0x8E};
    Bytes payload;
    if (kind < 2) payload = {static_cast<uint8_t>(pick({0, 1, 2, 3, 5, 12, 13, 200}))};
    uint8_t command = commands[kind];
    if (kind == 9) command = static_cast<uint8_t>(pick({0x8D, 0x8E, 0x8F}));
    return decode_switcher_report(report_bytes(command, payload));
  };
  auto restore = [&](const SwitcherPageData& d, const State& st) {
    data() = d;
    for (size_t i = 0; i < keys.size(); ++i) page_->button(keys[i])->set_bitmap(st.second[i]);
  };

  for (int round = 0; round < 400; ++round) {
    randomise();
    const SwitcherPageData start = data();
    const State before = state();
    const int length = round == 0 ? 20000 : std::uniform_int_distribution<int>(1, 40)(rng);
    std::vector<SwitcherReport> reports;
    for (int k = 0; k < length; ++k) reports.push_back(random_report());

    for (const SwitcherReport& r : reports) page_->OnDeviceReport(r);
    const State one_by_one = state();
    restore(start, before);
    SwitcherReportBatch batch;
    for (const SwitcherReport& r : reports) ASSERT_TRUE(batch.add(r));
    EXPECT_EQ(batch.count(), reports.size());
    EXPECT_LE(batch.log_size(), 3 * SwitcherReportBatch::kLogCapacity);
    page_->OnDeviceReports(batch);
    ASSERT_EQ(state(), one_by_one) << "round " << round << ", " << length << " reports";
  }

  // Unchanged images are not repainted; changed ones are.
  page_->button(IDC_SW_ON_AIR)->set_bitmap(298);
  data().on_air = 0;
  QApplication::processEvents();
  int paints = 0;
  struct PaintCounter : QObject {
    int* n;
    explicit PaintCounter(int* count) : n(count) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*n;
      return false;
    }
  } counter(&paints);
  page_->button(IDC_SW_ON_AIR)->installEventFilter(&counter);
  SwitcherReportBatch twice;
  twice.add(decode_switcher_report(report_bytes(0x88)));
  twice.add(decode_switcher_report(report_bytes(0x88)));
  page_->OnDeviceReports(twice);
  QTest::qWait(30);
  EXPECT_EQ(paints, 0);
  SwitcherReportBatch once;
  once.add(decode_switcher_report(report_bytes(0x88)));
  page_->OnDeviceReports(once);
  EXPECT_TRUE(settle([&] { return paints > 0; }, 1000));
  EXPECT_EQ(face(IDC_SW_ON_AIR), 297);
  page_->button(IDC_SW_ON_AIR)->removeEventFilter(&counter);
}

// Paste and drop put into the duration box only what typing could: digits,
// at most four characters in the box; typing and the Enter rule stay as
// they are.
TEST_F(SwitcherPageTest, DurationBoxTakesFromPasteAndDropWhatTypingAllows) {
  QLineEdit* box = page_->duration_box();
  box->setFocus();
  QClipboard* clipboard = QGuiApplication::clipboard();
  auto paste = [&](const QString& text) {
    clipboard->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
  };
  // From "02:00": deleting is typing too.
  box->end(false);
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), QStringLiteral("02:0"));
  paste(QStringLiteral("5"));  // five characters: refused
  EXPECT_EQ(box->text(), QStringLiteral("02:0"));
  QTest::keyClick(box, Qt::Key_Backspace);
  paste(QStringLiteral("5"));
  EXPECT_EQ(box->text(), QStringLiteral("02:5"));

  box->selectAll();
  paste(QStringLiteral("12a"));
  EXPECT_EQ(box->text(), QStringLiteral("02:5"));
  box->selectAll();
  paste(QStringLiteral("12345"));
  EXPECT_EQ(box->text(), QStringLiteral("02:5"));
  box->selectAll();
  paste(QStringLiteral("12"));
  EXPECT_EQ(box->text(), QStringLiteral("12"));
  paste(QStringLiteral(":3"));
  EXPECT_EQ(box->text(), QStringLiteral("12"));
  paste(QStringLiteral("345"));
  EXPECT_EQ(box->text(), QStringLiteral("12"));
  paste(QStringLiteral("34"));
  EXPECT_EQ(box->text(), QStringLiteral("1234"));
  QTest::keyClicks(box, QStringLiteral("5"));  // typing still stops at four
  EXPECT_EQ(box->text(), QStringLiteral("1234"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("12:34"));

  // Drops are held to the same rule.
  box->setText(QString());
  auto drop = [&](const QString& text) {
    QMimeData mime;
    mime.setText(text);
    const QPointF at(box->width() / 2.0, box->height() / 2.0);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    QDropEvent e(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &e);
  };
  drop(QStringLiteral("7x"));
  EXPECT_EQ(box->text(), QString());
  drop(QStringLiteral("123456"));
  EXPECT_EQ(box->text(), QString());
  drop(QStringLiteral("75"));
  EXPECT_EQ(box->text(), QStringLiteral("75"));
  // Text put in by the box's own insert() (what paths not caught above come
  // down to) is taken back once the box has finished the edit.
  box->insert(QStringLiteral("a"));
  QApplication::processEvents();
  EXPECT_EQ(box->text(), QStringLiteral("75"));
  box->insert(QStringLiteral("0"));
  QApplication::processEvents();
  EXPECT_EQ(box->text(), QStringLiteral("750"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), QStringLiteral("07:50"));
  click(IDC_SW_AUTO);
  EXPECT_EQ(page_->auto_interval_ms(), (7 * 1000 + 50) / 128);
}

// The page closed while AUTO runs and reports flood in: both threads stop,
// nothing runs on the freed page, and the report port is free at once.
TEST_F(SwitcherPageTest, ClosingDuringAutoAndAFloodStopsCleanlyAndFreesThePort) {
  devsim::Faults f;
  f.flood_per_second = 5000;
  sim_->sim().set_faults(0, f);
  click(IDC_SW_AUTO);
  QTest::qWait(200);
  QPointer<CClass_switcher_dlg> page = page_;
  dlg_->close_shown_page();
  EXPECT_TRUE(page.isNull());
  QTest::qWait(100);  // queued reports for the freed page are dropped
  EXPECT_EQ(dlg_->m_udpSockfd, -1);
  EXPECT_EQ(dlg_->m_udpSockfd2, -1);
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(link_options().switcher_bind_port);
  EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ::close(s);
  sim_->sim().set_faults(0, {});
}
}  // namespace
