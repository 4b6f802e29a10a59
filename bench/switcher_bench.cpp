// Prints what the switcher page costs and how fast it is against a simulated
// switcher on loopback: idle CPU with the page open, T-bar move to frame at
// the device (median, p99, frames per second on a fast drag), the AUTO
// transition (frames, duration, UI stall) and a flood of device reports (UI
// stall, memory, the page still answering). Never fails on time.
#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>

#include "app/error_box.h"
#include "app/main_window.h"
#include "bench_util.h"
#include "controls/skin_button.h"
#include "controls/skin_slider.h"
#include "devsim/simulator.h"
#include "link/link_options.h"
#include "pages/switcher/switcher_page.h"

namespace {
using Clock = std::chrono::steady_clock;
using ms = std::chrono::milliseconds;

void run_for(ms duration) {
  const Clock::time_point end = Clock::now() + duration;
  while (Clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(ms(1));
  }
}

void idle_loop_for(ms duration) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(duration.count()), &loop, &QEventLoop::quit);
  loop.exec();
}

bool is_tbar(const devsim::ReceivedFrame& f) { return f.command() == 0x82; }

void move_bar(CSkinSlider* bar, QEvent::Type type, int pos) {
  const QPoint at(bar->width() / 2, bar->pos_to_pixel(pos));
  QMouseEvent e(type, QPointF(at), QPointF(bar->mapToGlobal(at)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &e);
}
}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  install_error_recorder();
  devsim::Options o = loopback_link(27300);
  o.devices = {devsim::DeviceSpec::lan(devsim::kTypeSwitcher, 1)};
  devsim::Simulator sim(o);
  std::string error;
  if (!sim.start(&error)) {
    std::printf("simulator: %s\n", error.c_str());
    return 1;
  }
  CKELVARO_16_VIEWDlg dlg;
  dlg.show();
  DeviceEntry& row = dlg.m_device_table[0];
  std::strncpy(row.ip, sim.device(0).address.c_str(), sizeof row.ip - 1);
  row.dev_type = 0xA5;
  row.dev_id = 1;
  dlg.device_list()->addItem(QStringLiteral("switcher"));
  dlg.m_device_index = 0;
  dlg.select_device();
  auto* page = qobject_cast<CClass_switcher_dlg*>(dlg.m_p_mian_show_dlg);
  if (!page) {
    std::printf("switcher page did not open\n");
    return 1;
  }
  CSkinSlider* bar = page->tbar();
  run_for(ms(300));

  // Idle.
  double cpu0 = cpu_seconds();
  idle_loop_for(ms(3000));
  std::printf("idle, switcher page open: CPU %.2f %% of a core\n",
              100.0 * (cpu_seconds() - cpu0) / 3.0);

  // T-bar: one position per move, 30 ms apart, time until the frame is at the device.
  std::vector<double> latency;
  move_bar(bar, QEvent::MouseButtonPress, 129);
  run_for(ms(50));
  for (int p = 128; p >= 29; --p) {
    sim.clear_frames();
    const Clock::time_point t0 = Clock::now();
    move_bar(bar, QEvent::MouseMove, p);
    if (sim.wait_for_frames(1, ms(500), is_tbar)) {
      const auto frames = sim.frames(is_tbar);
      latency.push_back(
          std::chrono::duration<double, std::milli>(frames.front().time - t0).count());
    }
    run_for(ms(30));
  }
  // A fast drag back and forth: how many frames a second reach the device.
  sim.clear_frames();
  const Clock::time_point d0 = Clock::now();
  for (int k = 0; k < 4; ++k)
    for (int p = 29; p <= 100; ++p) {
      move_bar(bar, QEvent::MouseMove, k % 2 ? 129 - p : p);
      QApplication::processEvents();
      std::this_thread::sleep_for(ms(2));
    }
  const double drag_s = std::chrono::duration<double>(Clock::now() - d0).count();
  run_for(ms(100));
  const size_t drag_frames = sim.frames(is_tbar).size();
  move_bar(bar, QEvent::MouseButtonRelease, bar->GetPos());
  std::printf(
      "T-bar move to frame at the device: median %.2f ms, p99 %.2f ms (%zu moves); "
      "fast drag: %.0f frames/s\n",
      percentile(latency, 0.5), percentile(latency, 0.99), latency.size(), drag_frames / drag_s);

  // Back to the start end, then AUTO "02:00".
  bar->SetPos(129);
  run_for(ms(200));
  dlg.m_all_switcher_page_data.tbar_moving = 0;
  sim.clear_frames();
  StallProbe probe;
  probe.start();
  cpu0 = cpu_seconds();
  page->button(IDC_SW_AUTO)->click();
  const Clock::time_point a0 = Clock::now();
  while (page->auto_running() && Clock::now() - a0 < std::chrono::seconds(10))
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  run_for(ms(100));
  probe.stop();
  const auto steps = sim.frames(is_tbar);
  std::set<int> values;
  for (const auto& f : steps) values.insert(f.bytes[18]);
  const double auto_s =
      steps.size() > 1
          ? std::chrono::duration<double>(steps.back().time - steps.front().time).count()
          : 0;
  std::printf(
      "AUTO 02:00: %zu frames, %zu distinct values ending at %d, %.3f s "
      "(goal 1.935 s), longest UI stall %lld ms\n",
      steps.size(), values.size(), steps.empty() ? -1 : steps.back().bytes[18], auto_s,
      static_cast<long long>(probe.worst));

  // A flood of reports for 10 s.
  devsim::Faults flood;
  flood.flood_per_second = 10000;
  const long rss0 = resident_kib();
  probe.start();
  cpu0 = cpu_seconds();
  sim.set_faults(0, flood);
  run_for(ms(10000));
  sim.set_faults(0, {});
  run_for(ms(300));
  probe.stop();
  const long rss1 = resident_kib();
  sim.clear_frames();
  page->button(switcher_pgm_control(1))->click();
  const bool answers = sim.wait_for_frames(
      1, ms(1000), [](const devsim::ReceivedFrame& f) { return f.command() == 0x80; });
  std::printf(
      "flood of 10000 reports/s for 10 s: %zu reports, longest UI stall %lld ms, "
      "CPU %.1f %% of a core, memory %ld -> %ld KiB, page still answers: %s\n",
      sim.reports_sent(0), static_cast<long long>(probe.worst),
      100.0 * (cpu_seconds() - cpu0) / 10.3, rss0, rss1, answers ? "yes" : "no");
  return 0;
}
