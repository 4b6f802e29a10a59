// show: a show file checked, or the labels it gives sent to its multiviewer
// once. The tool keeps no state, so the routes come from the file's
// router.routes and the window sources from the multiviewer's state query.
#include <ostream>

#include "ctl/ctl.h"
#include "devices/device_kinds.h"
#include "devices/multiviewer/multiviewer_device.h"
#include "show/show_file.h"
#include "show/show_state.h"

namespace ctl {

namespace {
const char* kShowHelp =
    "Usage: kelvaro-ctl show COMMAND FILE\n"
    "Show files (JSON: sources, multiviewer, router, switcher, tally, tsl):\n"
    "  check FILE    read the file and say what it holds; exit 2 when it is refused\n"
    "  labels FILE   send the show's multiviewer the label of every window the show\n"
    "                covers, from the routes under router.routes (the multiviewer's\n"
    "                window sources are read first)\n";

std::string device_text(const ShowDevice& d) {
  return d.named() ? d.address + "," + std::to_string(d.id) : std::string("none");
}

int count_feeds(std::span<const ShowFeed> feeds) {
  int n = 0;
  for (const ShowFeed& f : feeds) n += f.kind != ShowFeed::Kind::None;
  return n;
}

void describe(Context& c, const QString& path, const Show& s) {
  int names = 0;
  for (const QString& n : s.source_names) names += !n.isEmpty();
  c.out << path.toStdString() << ": a show of " << names << " named sources\n"
        << "multiviewer " << device_text(s.multiviewer) << ", " << count_feeds(s.multiviewer_inputs)
        << " SDI inputs fed\n"
        << "router " << device_text(s.router) << ", " << s.router_routes.size() << " routes\n"
        << "switcher " << device_text(s.switcher) << ", " << count_feeds(s.switcher_inputs)
        << " inputs fed\n"
        << "tally program " << kColourCodeNames[s.program_colour & 15] << ", preview "
        << kColourCodeNames[s.preview_colour & 15] << "\n"
        << "TSL listen " << s.tsl_listen << ", " << s.tsl_from.size() << " senders accepted, "
        << s.tsl_send.size() << " destinations, screen " << s.tsl_screen << "\n";
}

// Reads the file; exit 2 with its reason when refused.
std::optional<Show> read_file(Context& c, const QString& path) {
  ShowRead read = load_show_file(path);
  if (!read.ok()) {
    c.err << read.error.toStdString() << "\n";
    return std::nullopt;
  }
  return std::move(*read.show);
}

int send_labels(Context& c, const QString& path) {
  const std::optional<Show> show = read_file(c, path);
  if (!show) return kExitUsage;
  if (!show->multiviewer.named()) {
    c.err << path.toStdString() << ": the show names no multiviewer\n";
    return kExitUsage;
  }
  const ::Target target =
      ::Target::lan(show->multiviewer.address, device_type::kMultiviewer, show->multiviewer.id);
  const Outcome query = mv_device::query_state(c.transports(), target, c.mv);
  if (!query.answered_now())
    return c.exit_for(query, "the multiviewer's state query", mv_device::kStateLanBoundMs);
  ShowState state(*show);
  state.take_multiviewer_state(c.mv.m_16_view_window_source, c.mv.m_16_view_umd_text,
                               c.mv.m_all_16_view_page_data.kelvaro_16_view_umd_back_color);
  int sent = 0;
  while (const std::optional<ShowFrame> frame = state.next_frame()) {
    if (frame->kind != ShowFrame::Kind::Label) continue;
    const Outcome o = mv_device::set_label(c.transports(), target, frame->window, frame->text);
    if (!o.ok()) return c.exit_for(o, "the label of window " + std::to_string(frame->window), 0);
    c.out << "window " << int(frame->window) << ": " << json_string(frame->text) << "\n";
    ++sent;
  }
  if (sent == 0) c.out << "every window already has its label\n";
  return kExitOk;
}
}  // namespace

Parsed parse_show(const Args& a) {
  if (auto early = help_or_missing_command(a, "show", kShowHelp)) return *early;
  const std::string& cmd = a.words[0];
  if (cmd != "check" && cmd != "labels")
    return Parsed::fail("show: unknown command '" + cmd + "' (see kelvaro-ctl show --help)");
  if (a.words.size() != 2) return Parsed::fail("show " + cmd + ": usage: show " + cmd + " FILE");
  const QString path = QString::fromStdString(a.words[1]);
  if (cmd == "check")
    return Parsed::run([path](Context& c) {
      const std::optional<Show> show = read_file(c, path);
      if (!show) return kExitUsage;
      describe(c, path, *show);
      return kExitOk;
    });
  return Parsed::run([path](Context& c) { return send_labels(c, path); });
}

}  // namespace ctl
