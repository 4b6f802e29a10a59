#pragma once
// A show: the devices of one studio and what feeds what, kept as a JSON file.
//
//   {
//     "sources": [{"number": 1, "name": "CAM 1"}],          numbered 1..64
//     "multiviewer": {"device": "192.168.1.100,1",
//                     "inputs": [{"sdi": 1, "router_output": 1},
//                                {"sdi": 2, "source": 2}]},
//     "router": {"device": "192.168.1.50,1",
//                "routes": [{"output": 1, "input": 3}]},   for kelvaro-ctl
//     "switcher": {"device": "192.168.1.60,1",
//                  "inputs": [{"input": 1, "router_output": 5}]},
//     "tally": {"program": "Red", "preview": "Green"},
//     "tsl": {"listen": 8900, "from": ["192.168.1.7"],
//             "send": ["192.168.1.200:8900"], "screen": 0}
//   }
//
// Router input i carries source i. A multiviewer SDI input (1..16) or a
// switcher input (1..8) is fed by a router output (1..8) or by one fixed
// source; a switcher input the file leaves out carries the source of its own
// number. Devices are LAN devices written "ADDRESS[,ID]" (id 1 when left out).
//
// The reader takes a file whole or refuses it whole, naming the key that is
// wrong ("multiviewer.inputs[2].sdi: ..."); unknown keys are refused too, so a
// misspelt key never passes unnoticed.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr int kShowSources = 64;
constexpr int kShowSdiInputs = 16;
constexpr int kShowRouterPorts = 8;
constexpr int kShowSwitcherInputs = 8;
// Names fit a multiviewer label: at most 16 UTF-16 units.
constexpr int kShowNameMaxUnits = 16;
// TSL destinations and accepted senders a show may list.
constexpr int kShowTslPeersMax = 16;
// A show file is a few kilobytes; a larger one is refused before it is read.
constexpr qint64 kShowFileMaxBytes = 64 * 1024;

// What feeds one input: nothing listed, a router output, or a fixed source.
struct ShowFeed {
  enum class Kind : uint8_t { None, RouterOutput, Source };
  Kind kind = Kind::None;
  uint8_t number = 0;  // router output 1..8, or source 1..64
  friend bool operator==(const ShowFeed&, const ShowFeed&) = default;
};

struct ShowDevice {
  std::string address;  // dotted-decimal IPv4; empty: the show names no such device
  uint8_t id = 1;
  bool named() const { return !address.empty(); }
  friend bool operator==(const ShowDevice&, const ShowDevice&) = default;
};

struct ShowRoute {
  uint8_t output = 0;  // 1..8
  uint8_t input = 0;   // 1..8
  friend bool operator==(const ShowRoute&, const ShowRoute&) = default;
};

struct ShowPeer {
  std::string address;  // dotted-decimal IPv4
  uint16_t port = 0;    // 0 for accepted senders (any port)
  friend bool operator==(const ShowPeer&, const ShowPeer&) = default;
};

struct Show {
  // [n - 1]: the name of source n; empty when the show names it not.
  std::array<QString, kShowSources> source_names;
  ShowDevice multiviewer;
  std::array<ShowFeed, kShowSdiInputs> multiviewer_inputs;  // [sdi - 1]
  ShowDevice router;
  std::vector<ShowRoute> router_routes;
  ShowDevice switcher;
  std::array<ShowFeed, kShowSwitcherInputs> switcher_inputs;  // [input - 1]
  uint8_t program_colour = 2;      // colour codes (kColourCodeNames): Red
  uint8_t preview_colour = 4;      // Green
  uint16_t tsl_listen = 0;         // 0: no listening
  std::vector<ShowPeer> tsl_from;  // empty: any sender
  std::vector<ShowPeer> tsl_send;
  uint16_t tsl_screen = 0;

  friend bool operator==(const Show&, const Show&) = default;
};

struct ShowRead {
  std::optional<Show> show;
  QString error;  // "KEY: why" when refused; empty when taken
  bool ok() const { return show.has_value(); }
};

// Reads the file's bytes.
ShowRead read_show(const QByteArray& bytes);
// The file of a show, which read_show takes back as the same show.
QByteArray write_show(const Show& show);
// Reads the file at `path` (regular files of at most kShowFileMaxBytes);
// the error then starts "Cannot read PATH: " or "PATH: ".
ShowRead load_show_file(const QString& path);
// Writes it whole or not at all. Empty when written, otherwise why not.
QString save_show_file(const QString& path, const Show& show);

// The source a feed carries when the router's output o carries input
// routed[o - 1] (0: not known). 0 when not known.
int fed_source(const ShowFeed& feed, const std::array<uint8_t, kShowRouterPorts>& routed);
// The colour code of a multiviewer colour name ("Red"), case ignored.
std::optional<uint8_t> colour_code(const QString& name);
